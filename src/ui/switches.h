// State buttons and their containers. A switch latches down when pressed,
// and among the switches of one radio only one is down; a toggle steps
// through the looks of its picture; a touch runs its command every frame
// while held; a switch item shows the one child a command numbers and runs
// another command when clicked.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/button.h"
#include "ui/widget.h"

class TCommand;
class TSound;

class TSwitch : public TGreyButton {
 public:
  // The action runs when the switch is pressed down; the grey command greys
  // it; the state command says, every frame, whether it is down.
  TSwitch(const std::string& name, const TScreenPosition& position, const std::string& visualName,
          std::unique_ptr<TCommand> action, std::unique_ptr<TCommand> grey, std::unique_ptr<TCommand> state,
          const std::string& tooltip);
  // Leaves its chain, joining its neighbours.
  ~TSwitch() override;

  // While active and not grey: a press over an up switch holds it down and
  // runs the action. A release does nothing.
  void Update() override;
  // The grey button's frame, then the state command sets the switch.
  void Think() override;
  // Pressing down lets up every other switch of the chain.
  void SetPressed(bool pressed) override;

  // The given switch comes after this one in the chain.
  void SetNext(TSwitch* next);
  TSwitch* GetNext() const { return next_; }
  TSwitch* GetPrevious() const { return previous_; }

 private:
  std::unique_ptr<TCommand> state_;
  TSwitch* previous_ = nullptr;
  TSwitch* next_ = nullptr;
};

// The group of switches, chained in the order they are added.
class TRadio : public TNode {
 public:
  explicit TRadio(const std::string& name) : TNode(name) {}

  // A switch is chained after the last child; other widgets are held but
  // not chained.
  void AddChild(std::unique_ptr<TWidget> child) override;
};

class TToggle : public TButton {
 public:
  // The child command numbers the look to show.
  TToggle(const std::string& name, const TScreenPosition& position, const std::string& visualName,
          std::unique_ptr<TCommand> action, std::unique_ptr<TCommand> childCommand, const std::string& tooltip);
  ~TToggle() override;

  // While active: a press over the toggle shows the next look (wrapping to
  // the first) and runs the action.
  void Update() override;
  // Hover, then the look the child command numbers.
  void Think() override;

 private:
  std::unique_ptr<TCommand> childCommand_;
};

class TTouch : public TButton {
 public:
  // Silent.
  TTouch(const std::string& name, const TScreenPosition& position, const std::string& visualName,
         std::unique_ptr<TCommand> command, const std::string& tooltip);

  // While active: down while a button is held over it.
  void Update() override;
  // Hover; while down, the command runs.
  void Think() override;
};

class TSwitchItem : public TNode {
 public:
  TSwitchItem(const std::string& name, std::unique_ptr<TCommand> clickCommand,
              std::unique_ptr<TCommand> indexCommand);
  ~TSwitchItem() override;

  // The child at the current index only; nothing for an index outside the
  // children.
  void Draw() override;
  // While active and shown: a press over a child runs the click command.
  void Update() override;
  // Unless hidden: the index command chooses the child, which then thinks.
  void Think() override;
  void SetEnabled(bool enabled) override { SetActive(enabled); }

  int32_t GetIndex() const { return index_; }
  // Replaces the click sound (null: silent).
  void SetSound(std::unique_ptr<TSound> sound);

 private:
  TWidget* Current() const;

  int32_t index_ = 0;
  std::unique_ptr<TCommand> clickCommand_;
  std::unique_ptr<TCommand> indexCommand_;
  std::unique_ptr<TSound> sound_;
};
