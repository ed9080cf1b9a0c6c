// "Retreat": the order a unit's sighting reaction gives it, taking it back
// along a list of points. The unit first waits its type's Reaction Time,
// then walks. The order also carries the ids of the objects that the unit's
// player saw at the start of the turn.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "units/movement_order.h"

class TActionResolver;
class TDataStream;
class TIdMapper;
class TSightResolver;
class TWorld;

class TRetreatOrder : public TRouteOrder {
 public:
  static constexpr std::string_view kName = "Retreat";
  static constexpr const char* kMovementKind = "BasicMovement";
  static constexpr float kPlannedTime = 10.0f;

  TRetreatOrder(int32_t unitId, TActionResolver& resolver, std::vector<TVector3> points, std::vector<int32_t> knownIds,
                TWorld& world);
  // The unit id, the points, then the known ids through the mapper. Counts
  // that the rest of the stream cannot hold fail the stream and read nothing.
  TRetreatOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TRetreatOrder() override;

  // Waits the unit's Reaction Time from the first update, then walks.
  bool Update(float now) override;
  // The name, the unit id, the points, then the known ids.
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return kPlannedTime; }
  // The current point; none when the order has no points.
  std::optional<TVector3> Destination() const override;

  const std::vector<TVector3>& GetPoints() const { return points_; }
  int32_t GetPointIndex() const { return pointIndex_; }
  const std::vector<int32_t>& GetKnownIds() const { return knownIds_; }
  const std::vector<int32_t>& GetSecondIds() const { return secondIds_; }
  float GetReactionStart() const { return reactionStart_; }
  bool IsMoving() const { return moving_; }

 private:
  void ReadPoints(TDataStream& stream);
  void ReadKnownIds(TDataStream& stream, TIdMapper& ids);

  std::vector<TVector3> points_;
  int32_t pointIndex_ = 0;
  std::vector<int32_t> knownIds_;
  std::vector<int32_t> secondIds_;
  float reactionStart_ = 0.0f;
  bool moving_ = false;
  std::unique_ptr<TSightResolver> sight_;
};

// The stream reader of "Retreat" (the list reader drops what it reads).
void RegisterRetreatOrderReaders();
