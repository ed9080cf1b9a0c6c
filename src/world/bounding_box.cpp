#include "world/bounding_box.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/data_stream.h"
#include "display/colour.h"

namespace {

// Grid spacing is given in ten-thousandths of a cell, and the containment
// tolerance is a ten-thousandth of the box's extent.
constexpr float kTenThousand = 10000.0f;
// Streams below this version write a component count before every point.
constexpr float kCountedPointsBelow = 1.059f;
constexpr std::size_t kPointBytes = 3 * sizeof(float);
constexpr std::size_t kCountBytes = sizeof(int32_t);

float Component(const TVector3& v, int axis) {
  switch (axis) {
    case 0:
      return v.x;
    case 1:
      return v.y;
    case 2:
      return v.z;
    default:
      return 0.0f;
  }
}

float& Component(TVector3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

std::size_t SavedBoxBytes(const TDataStream& stream) {
  const std::size_t point = kPointBytes + (stream.GetVersion() < kCountedPointsBelow ? kCountBytes : 0);
  return 2 * point;
}

}  // namespace

// --- TMatrix3 ---------------------------------------------------------------

TMatrix3::TMatrix3() : m_{{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}} {}

void TMatrix3::RotationZ(float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  m_[0][0] = c;
  m_[0][1] = -s;
  m_[0][2] = 0.0f;
  m_[1][0] = s;
  m_[1][1] = c;
  m_[1][2] = 0.0f;
  m_[2][0] = 0.0f;
  m_[2][1] = 0.0f;
  m_[2][2] = 1.0f;
}

void TMatrix3::Apply(float angle, TVector3& vector) {
  RotationZ(angle);
  vector = Transform(vector);
}

TVector3 TMatrix3::Transform(const TVector3& v) const {
  return TVector3(m_[0][0] * v.x + m_[0][1] * v.y + m_[0][2] * v.z,
                  m_[1][0] * v.x + m_[1][1] * v.y + m_[1][2] * v.z,
                  m_[2][0] * v.x + m_[2][1] * v.y + m_[2][2] * v.z);
}

// --- TBoundingBox -----------------------------------------------------------

TBoundingBox::TBoundingBox(const TVector3& corner1, const TVector3& corner2) { SetCorners(corner1, corner2); }

TBoundingBox::TBoundingBox(TDataStream& stream) {
  const TVector3 first(stream);
  const TVector3 second(stream);
  // A file may hold the corners the wrong way round; every query expects min <= max.
  SetCorners(first, second);
}

TBoundingBox::TBoundingBox(const TBoundingBox& other) = default;

TBoundingBox& TBoundingBox::operator=(const TBoundingBox& other) = default;

void TBoundingBox::SetCorners(const TVector3& a, const TVector3& b) {
  min_ = a;
  max_ = b;
  for (int axis = 0; axis < 3; ++axis) {
    if (Component(max_, axis) < Component(min_, axis)) std::swap(Component(min_, axis), Component(max_, axis));
  }
}

void TBoundingBox::SetSpacing(float tenThousandths) {
  spacing_ = tenThousandths;
  cursor_.reset();
}

bool TBoundingBox::Contains(const TVector3& point) const {
  for (int axis = 0; axis < 3; ++axis) {
    const float low = Component(min_, axis);
    const float high = Component(max_, axis);
    const float tolerance = (high - low) / kTenThousand;
    const float value = Component(point, axis);
    if (value < low - tolerance || value > high + tolerance) return false;
  }
  return true;
}

bool TBoundingBox::ContainsWithRadius(const TVector3& point, float r) const {
  for (int axis = 0; axis < 2; ++axis) {
    const float low = Component(min_, axis);
    const float high = Component(max_, axis);
    const float tolerance = (high - low) / kTenThousand;
    const float value = Component(point, axis);
    if (low - tolerance > value + r || high + tolerance < value - r) return false;
  }
  return true;
}

bool TBoundingBox::ContainsBox(const TBoundingBox& other, float margin) const {
  for (int axis = 0; axis < 3; ++axis) {
    if (Component(other.max_, axis) > Component(max_, axis) + margin) return false;
    if (Component(other.min_, axis) < Component(min_, axis) - margin) return false;
  }
  return true;
}

float TBoundingBox::Extent(int axis) const { return Component(max_, axis) - Component(min_, axis); }

void TBoundingBox::Centre(TVector3& out) const {
  out = TVector3(0.5f * (min_.x + max_.x), 0.5f * (min_.y + max_.y), 0.5f * (min_.z + max_.z));
}

void TBoundingBox::OffsetFromMin(const TVector3& point, TVector3& out) const {
  out = TVector3(point.x - min_.x, point.y - min_.y, point.z - min_.z);
}

void TBoundingBox::Extend(const TVector3& point) {
  // Areas grow over the ground only; their height stays as it was set.
  min_.x = std::min(min_.x, point.x);
  min_.y = std::min(min_.y, point.y);
  max_.x = std::max(max_.x, point.x);
  max_.y = std::max(max_.y, point.y);
}

void TBoundingBox::Translate(const TVector3& v) {
  min_.Add(v);
  max_.Add(v);
}

void TBoundingBox::Rotate(const TMatrix3& matrix) {
  // Turning only the two stored corners would shrink a box turned by anything
  // but a right angle; the box of all eight turned corners still holds it.
  TVector3 low(0.0f, 0.0f, 0.0f);
  TVector3 high(0.0f, 0.0f, 0.0f);
  for (int corner = 0; corner < 8; ++corner) {
    const TVector3 source((corner & 1) ? max_.x : min_.x, (corner & 2) ? max_.y : min_.y,
                          (corner & 4) ? max_.z : min_.z);
    const TVector3 turned = matrix.Transform(source);
    if (corner == 0) {
      low = turned;
      high = turned;
      continue;
    }
    for (int axis = 0; axis < 3; ++axis) {
      Component(low, axis) = std::min(Component(low, axis), Component(turned, axis));
      Component(high, axis) = std::max(Component(high, axis), Component(turned, axis));
    }
  }
  min_ = low;
  max_ = high;
}

void TBoundingBox::Save(TDataStream& stream) const {
  min_.Write(stream);
  max_.Write(stream);
}

const TVector3* TBoundingBox::NextGridPoint() {
  if (!cursor_) {
    cursor_ = min_;
    return &*cursor_;
  }
  const float step = spacing_ / kTenThousand;
  // Without a positive step the cursor could never move on: the walk is the
  // min corner alone.
  if (step > 0.0f) {
    for (int axis = 0; axis < 3; ++axis) {
      float& value = Component(*cursor_, axis);
      const float high = Component(max_, axis);
      if (value <= high - step && value < high) {
        // Far from the origin a small step can vanish in rounding; the row
        // then ends at once on the max side instead of never moving.
        const float next = std::min(value + step, high);
        value = next > value ? next : high;
        return &*cursor_;
      }
      value = Component(min_, axis);
    }
  }
  // The walk is over; the next call starts a new one.
  cursor_.reset();
  return nullptr;
}

// --- TAreaList --------------------------------------------------------------

TAreaList::TAreaList() = default;

TAreaList::~TAreaList() = default;

TAreaList::TAreaList(TAreaList&& other) noexcept = default;

TAreaList& TAreaList::operator=(TAreaList&& other) noexcept = default;

void TAreaList::Add(std::unique_ptr<TBoundingBox> box) {
  if (box) boxes_.push_back(std::move(box));
}

bool TAreaList::Remove(const TBoundingBox* box) {
  const auto found =
      std::find_if(boxes_.begin(), boxes_.end(), [box](const auto& owned) { return owned.get() == box; });
  if (found == boxes_.end()) return false;
  boxes_.erase(found);
  return true;
}

TBoundingBox* TAreaList::FindContaining(const TVector3& point) const {
  for (const auto& box : boxes_) {
    if (box->Contains(point)) return box.get();
  }
  return nullptr;
}

void TAreaList::Save(TDataStream& stream) const {
  stream.WriteInt(static_cast<uint32_t>(static_cast<int32_t>(boxes_.size())));
  for (const auto& box : boxes_) box->Save(stream);
}

bool TAreaList::Load(TDataStream& stream) {
  Clear();
  const int32_t count = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || count < 0 ||
      static_cast<std::size_t>(count) > stream.Remaining() / SavedBoxBytes(stream)) {
    stream.SetFailed();
    return false;
  }
  boxes_.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) boxes_.push_back(std::make_unique<TBoundingBox>(stream));
  if (stream.HasFailed()) {
    Clear();
    return false;
  }
  return true;
}

void TAreaList::SetColour(std::unique_ptr<TColour> colour) { colour_ = std::move(colour); }

void TAreaList::Clear() { boxes_.clear(); }

void TAreaList::Draw() const {
  for (const auto& box : boxes_) {
    for (const TMapVisualPtr& bar : DrawArea(*box, colour_.get())) RenderMapVisual(bar.get());
  }
}

std::vector<TMapVisualPtr> TAreaList::DrawArea(const TBoundingBox& box, const TColour* colour) {
  const TVector3& low = box.Min();
  const TVector3& high = box.Max();
  const TVector3 corners[] = {TVector3(low.x, low.y, 0.0f), TVector3(high.x, low.y, 0.0f),
                              TVector3(high.x, high.y, 0.0f), TVector3(low.x, high.y, 0.0f)};
  std::vector<TMapVisualPtr> bars;
  for (std::size_t i = 0; i < 4; ++i) {
    TMapVisualPtr bar = BuildMapBar("AreaBar", "Interface", corners[i], corners[(i + 1) % 4], colour);
    if (bar != nullptr) bars.push_back(std::move(bar));
  }
  return bars;
}
