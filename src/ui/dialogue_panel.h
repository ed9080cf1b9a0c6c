// A container framed by nine pictures (four corners, four edges and a
// middle) stretched to the rectangle between its position and a second
// corner; and the resize box, such a frame placed by a corner and a size,
// that dialogues built in code use.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "ui/widget.h"

class TVisual;

class TDialoguePanel : public TNode {
 public:
  enum EPiece : std::size_t {
    kTopLeft,
    kTopRight,
    kBottomRight,
    kBottomLeft,
    kTop,
    kRight,
    kBottom,
    kLeft,
    kMiddle,
    kPieceCount
  };
  // The picture names of the pieces are the frame name followed by these.
  static const char* const kPieceSuffixes[kPieceCount];

  TDialoguePanel(const std::string& name, const TScreenPosition& position, const TScreenPosition& bottomRight,
                 const std::string& frameName);
  ~TDialoguePanel() override;

  // The frame, then the children unless hidden.
  void Draw() override;
  // The position and the frame; the children keep theirs.
  void Relayout() override;
  // Over the frame (the top edge not counted); the children are not asked.
  bool IsUnderMouse() override;
  // The middle piece's position; the panel's own without one.
  void GetScreenPosition(TVector3& out) const override;

  TVisual* GetPiece(EPiece piece) const { return pieces_[piece].get(); }
  TVector3 GetBottomRight() const { return Resolve(bottomRight_); }

 private:
  void PlacePieces();

  std::array<std::unique_ptr<TVisual>, kPieceCount> pieces_;
  TScreenPosition bottomRight_;
};

class TResizeBox : public TDialoguePanel {
 public:
  static const char* const kFrameName;

  // The corner and the size in display pixels.
  TResizeBox(const std::string& name, float x, float y, float width, float height);
  ~TResizeBox() override;
};
