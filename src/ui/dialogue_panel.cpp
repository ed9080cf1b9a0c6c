#include "ui/dialogue_panel.h"

#include "display/visuals/visual.h"
#include "ui/interface_visuals.h"

const char* const TDialoguePanel::kPieceSuffixes[kPieceCount] = {"_TL", "_TR", "_BR", "_BL", "_T",
                                                                 "_R",  "_B",  "_L",  "_M"};
const char* const TResizeBox::kFrameName = "ResizeBox";

namespace {

struct TPieceSize {
  float width = 0.0f;
  float height = 0.0f;
};

// What a piece reports; a piece that cannot tell (or is missing) counts as
// taking no room.
TPieceSize SizeOf(const TVisual* piece) {
  TPieceSize size;
  GetVisualSize(piece, size.width, size.height);
  return size;
}

void MovePiece(TVisual* piece, float x, float y) {
  if (piece != nullptr) piece->SetPosition(TVector3(x, y, 0.0f));
}

}  // namespace

TDialoguePanel::TDialoguePanel(const std::string& name, const TScreenPosition& position,
                               const TScreenPosition& bottomRight, const std::string& frameName)
    : TNode(name, position), bottomRight_(bottomRight) {
  for (std::size_t piece = 0; piece < kPieceCount; ++piece) {
    TVector3 at = ScreenPosition();
    pieces_[piece] = BuildInterfaceVisual(&at, true, frameName + kPieceSuffixes[piece]);
    if (pieces_[piece]) pieces_[piece]->SetOnTop();
  }
  PlacePieces();
}

TDialoguePanel::~TDialoguePanel() = default;

void TDialoguePanel::PlacePieces() {
  const TVector3 p = ScreenPosition();
  const TVector3 q = GetBottomRight();
  const float midX = (p.x + q.x) * 0.5f;
  const float midY = (p.y + q.y) * 0.5f;
  const float width = q.x - p.x;
  const float height = q.y - p.y;
  const TPieceSize topLeft = SizeOf(GetPiece(kTopLeft));
  const TPieceSize topRight = SizeOf(GetPiece(kTopRight));
  const TPieceSize bottomRight = SizeOf(GetPiece(kBottomRight));
  const TPieceSize bottomLeft = SizeOf(GetPiece(kBottomLeft));

  MovePiece(GetPiece(kTopLeft), p.x, p.y);
  MovePiece(GetPiece(kTopRight), q.x, p.y);
  MovePiece(GetPiece(kBottomRight), q.x, q.y);
  MovePiece(GetPiece(kBottomLeft), p.x, q.y);

  MovePiece(GetPiece(kTop), midX, p.y);
  SetVisualWidth(GetPiece(kTop), width - (topLeft.width + topRight.width));
  MovePiece(GetPiece(kRight), q.x, midY);
  SetVisualHeight(GetPiece(kRight), height - (topRight.height + bottomRight.height));
  MovePiece(GetPiece(kBottom), midX, q.y);
  SetVisualWidth(GetPiece(kBottom), width - (bottomRight.width + bottomLeft.width));
  MovePiece(GetPiece(kLeft), p.x, midY);
  SetVisualHeight(GetPiece(kLeft), height - (topLeft.height + bottomLeft.height));
  MovePiece(GetPiece(kMiddle), midX, midY);
  SetVisualHeight(GetPiece(kMiddle), height - (topLeft.height + bottomLeft.height));
  SetVisualWidth(GetPiece(kMiddle), width - (bottomLeft.width + bottomRight.width));
}

void TDialoguePanel::Draw() {
  for (const auto& piece : pieces_) {
    if (piece) piece->RenderWithFlag(nullptr);
  }
  TNode::Draw();
}

void TDialoguePanel::Relayout() {
  UpdateScreenPosition();
  PlacePieces();
}

bool TDialoguePanel::IsUnderMouse() {
  static constexpr EPiece kHitPieces[] = {kTopLeft, kTopRight, kBottomRight, kBottomLeft,
                                          kRight,   kBottom,   kLeft,        kMiddle};
  for (const EPiece piece : kHitPieces) {
    if (VisualUnderMouse(GetPiece(piece))) return true;
  }
  return false;
}

void TDialoguePanel::GetScreenPosition(TVector3& out) const {
  if (const TVisual* middle = GetPiece(kMiddle)) {
    out = middle->GetPosition();
  } else {
    TWidget::GetScreenPosition(out);
  }
}

TResizeBox::TResizeBox(const std::string& name, float x, float y, float width, float height)
    : TDialoguePanel(name, TScreenPosition(x, y), TScreenPosition(x + width, y + height), kFrameName) {}

TResizeBox::~TResizeBox() = default;
