// Picture widgets. A panel shows one picture of the interface; a stretchy
// panel stretches it to a second corner; a programmable panel shows the
// picture that a command names, frame by frame, and runs another command
// when clicked; a background panel paints the whole screen in the first few
// frames after a layout only; an interactive panel shows the look of its
// switch picture that a command numbers, frame by frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/interface_visuals.h"
#include "ui/widget.h"

class TCommand;
class TVisual;

class TPanel : public TWidget {
 public:
  TPanel(const std::string& name, const TScreenPosition& position, const std::string& visualName);
  ~TPanel() override;

  void Draw() override;
  // Animated pictures run on real time.
  void Think() override;
  void Relayout() override;
  bool IsUnderMouse() override;
  // The picture's position; the widget's own without a picture.
  void GetScreenPosition(TVector3& out) const override;

  // Replaces the picture by the named one at the widget's position; an
  // unknown name leaves the panel without a picture, drawing nothing.
  void SetVisual(const std::string& visualName);
  TVisual* GetVisual() const { return picture_.Get(); }

 private:
  TWidgetPicture picture_;
};

class TStretchyPanel : public TPanel {
 public:
  TStretchyPanel(const std::string& name, const TScreenPosition& position, const std::string& visualName,
                 const TScreenPosition& farCorner);
  ~TStretchyPanel() override;

  // The position, then the picture sized to reach the far corner; a far
  // corner that is not right of and below the position keeps the size.
  void UpdateScreenPosition() override;

 private:
  TScreenPosition farCorner_;
};

class TProgrammablePanel : public TPanel {
 public:
  // Null commands stand for missing ones.
  TProgrammablePanel(const std::string& name, const TScreenPosition& position, std::unique_ptr<TCommand> nameCommand,
                     std::unique_ptr<TCommand> clickCommand);
  ~TProgrammablePanel() override;

  // While active: a left release over the picture runs the click command.
  void Update() override;
  // While active: the picture the name command names (built again only
  // when the name changes), redrawn every frame. No animation runs.
  void Think() override;
  void SetEnabled(bool enabled) override { SetActive(enabled); }

  const std::string& GetVisualName() const { return visualName_; }

 private:
  std::unique_ptr<TCommand> nameCommand_;
  std::unique_ptr<TCommand> clickCommand_;
  std::string visualName_ = "Null";
};

class TBackgroundPanel : public TPanel {
 public:
  // Draws after a layout: the screen keeps the last picture afterwards and
  // the rest of the screen is drawn over it.
  static constexpr int32_t kDrawsAfterLayout = 3;

  using TPanel::TPanel;

  // Clears the screen and draws the picture, in the first draws after a
  // layout only.
  void Draw() override;
  void Relayout() override;

  int32_t GetDrawCount() const { return drawCount_; }

 private:
  int32_t drawCount_ = 0;
};

class TInteractivePanel : public TPanel {
 public:
  TInteractivePanel(const std::string& name, const TScreenPosition& position, const std::string& visualName,
                    std::unique_ptr<TCommand> command);
  ~TInteractivePanel() override;

  // While active: shows the look of the switch picture that the command
  // numbers.
  void Think() override;

  TCommand* GetCommand() const { return command_.get(); }

 private:
  std::unique_ptr<TCommand> command_;
};
