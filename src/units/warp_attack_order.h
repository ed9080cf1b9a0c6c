// The warp gunner's firing order along a route of points: the unit fires
// once, and the shot runs from the target point on through every point the
// player added. It aims and fires through the attack step of the attack
// orders; the target point is the route's first point.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "display/colour.h"
#include "units/attack_orders.h"

class TWarpAttackOrder : public TAttackOrder {
 public:
  static constexpr std::string_view kName = "WarpAttack";
  // Every leg of the marker is this visual.
  static constexpr std::string_view kMarkerName = "WarpAttack";

  // The tint of the route's marker.
  static const TColour& MarkerColour();

  // The route starts at the target point; no further points yet.
  TWarpAttackOrder(int32_t unitId, TActionResolver& resolver, const TVector3& targetPoint);
  // The attack record, then the number of further points and the points.
  // A count that the data left cannot hold fails the stream.
  TWarpAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TWarpAttackOrder() override;

  void ShowMarker(bool show) override;
  // Takes back the last added point first (and refuses); the order itself
  // goes once it has none.
  bool CanRemove() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return UnitAimTime(); }
  // With a fourth token: that point is the target point in x and y.
  bool IsSameOrder(const std::vector<std::string>& tokens) const override;
  // The unit exists and the target point lies outside its radius (a point
  // at exactly the radius will do) and off its firing point.
  bool IsUnitValid() const override;

  bool CanShoot() override { return true; }
  // The volley through the route.
  void Fire(float shotTime, float now) override;
  // One leg per stretch of the route.
  void PlaceMarker() override;

  // Extends the route unless the point repeats its end in x and y.
  void AddPoint(const TVector3& point);
  // The route's last point.
  const TVector3& EndPoint() const;
  // From where the order starts through every point of the route.
  float RouteLength() const;
  const std::vector<TVector3>& GetExtraPoints() const { return extraPoints_; }

 private:
  void BuildMarker();

  std::vector<TVector3> extraPoints_;
};

// Files "WarpAttack" with the order factory.
void RegisterWarpAttackOrderReaders();
