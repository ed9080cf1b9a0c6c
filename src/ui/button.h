// Buttons: a picture with an up and a down look that runs its command when
// clicked, plays a sound on press and on release, and writes its tooltip to
// the message stream while the mouse rests on it. The conditional button
// exists only while its condition holds; the grey button stays in sight but
// shows a greyed look and ignores clicks while its condition holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/interface_visuals.h"
#include "ui/widget.h"

class TCommand;
class TSound;
class TVisual;

class TButton : public TWidget {
 public:
  // Looks of the button's switch picture.
  static constexpr int32_t kUpLook = 0;
  static constexpr int32_t kDownLook = 1;
  static constexpr int32_t kGreyLook = 2;

  // The tooltip is translated ("@" and a number becomes that text). A null
  // command stands for a missing one.
  TButton(const std::string& name, const TScreenPosition& position, const std::string& visualName,
          std::unique_ptr<TCommand> command, const std::string& tooltip);
  ~TButton() override;

  void Draw() override;
  // Once for each mouse event while active: a press over the button holds
  // it down; a release over it runs the command; any release lets it up;
  // then the sound of a change is played.
  void Update() override;
  // Hover and tooltip, active or not.
  void Think() override;
  void Relayout() override;
  bool IsUnderMouse() override;
  void SetEnabled(bool enabled) override { SetActive(enabled); }
  // The picture's position; the widget's own without a picture.
  void GetScreenPosition(TVector3& out) const override;
  virtual void SetPressed(bool pressed);

  // The click: on, and the command runs.
  void Fire();
  // The sound of the last change of the pressed state, once.
  void PlaySound();
  bool IsPressed() const { return pressed_; }
  // Silent from now on.
  void Mute();
  // Replaces the press and release sounds (null: silent).
  void SetSounds(std::unique_ptr<TSound> down, std::unique_ptr<TSound> up);

  const std::string& GetTooltip() const { return tooltip_; }
  TVisual* GetVisual() const { return picture_.Get(); }
  TCommand* GetCommand() const { return command_.get(); }
  // The look shown: the switch picture's selected child, -1 without one.
  int32_t GetLook() const;

 protected:
  // Selects the look of the switch picture and marks it changed.
  void ShowLook(int32_t look);
  // The down look when pressed, else the up look; the pressed state stays.
  void ShowPressedState() { ShowLook(pressed_ ? kDownLook : kUpLook); }
  // The hover and tooltip step with the given answer to "under the mouse".
  void Hover(bool underMouse);

 private:
  bool pressed_ = false;
  bool pressedChanged_ = false;
  std::unique_ptr<TCommand> command_;
  TWidgetPicture picture_;
  std::unique_ptr<TSound> downSound_;
  std::unique_ptr<TSound> upSound_;
  std::string tooltip_;
};

// A button with a condition asked every frame.
class TConditionedButton : public TButton {
 public:
  TConditionedButton(const std::string& name, const TScreenPosition& position, const std::string& visualName,
                     std::unique_ptr<TCommand> command, std::unique_ptr<TCommand> condition,
                     const std::string& tooltip);
  ~TConditionedButton() override;

 protected:
  // Runs the condition and keeps its answer.
  bool AskCondition();
  bool ConditionHeld() const { return state_; }

 private:
  bool state_ = false;
  std::unique_ptr<TCommand> condition_;
};

// Shown, and clickable, only while its condition holds.
class TConditionalButton : public TConditionedButton {
 public:
  using TConditionedButton::TConditionedButton;

  void Draw() override;
  void Update() override;
  void Think() override;

  bool IsShown() const { return ConditionHeld(); }
};

// Greyed, and deaf to clicks, while its condition holds; its tooltip still
// shows.
class TGreyButton : public TConditionedButton {
 public:
  using TConditionedButton::TConditionedButton;

  void Update() override;
  void Think() override;

  bool IsGrey() const { return ConditionHeld(); }
};
