// Orders that act on the unit record rather than move a unit: "Deploy"
// brings a new unit of a type onto the map for a player, "Name" gives an
// existing unit its name. Neither shows a marker.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "units/order.h"

class TActionResolver;
class TDataStream;
class TIdMapper;

// The only order whose unit does not exist when it is given: it starts with
// the unit id -1 and takes the new unit's id once the unit stands on the map.
class TDeployOrder : public TOrder {
 public:
  static constexpr std::string_view kName = "Deploy";
  // Streams from this version on carry the unit's name.
  static constexpr float kUnitNameAbove = 3.0999f;

  TDeployOrder(const std::string& typeName, int32_t player, TActionResolver& resolver, const TVector3& position);
  // The unit id (-1 before the unit was placed), the position, the type
  // name, the player and, in newer streams, the unit name.
  TDeployOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  bool Update(float now) override;
  void ShowMarker(bool /*show*/) override {}
  bool IsActive() const override { return deployed_; }
  void Reset() override;
  // A placed unit is handed back before the order goes.
  bool CanRemove() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return 0.0f; }
  // The fourth token, when given, must name the position.
  bool IsSameOrder(const std::vector<std::string>& tokens) const override;
  // The unit appears where it is deployed.
  TVector3 StartPosition() const override { return position_; }

  // What the unit type costs the player.
  float GetCost() const;
  // The unit type's race; empty for a type the rules do not know.
  std::string GetRace() const;
  void SetUnitName(const std::string& name) { unitName_ = name; }

  const std::string& GetTypeName() const { return typeName_; }
  int32_t GetPlayer() const { return player_; }
  const TVector3& GetPosition() const { return position_; }
  const std::string& GetUnitName() const { return unitName_; }
  bool IsDeployed() const { return deployed_; }

 private:
  std::string typeName_;
  int32_t player_ = 0;
  TVector3 position_;
  bool deployed_ = false;
  std::string unitName_;
};

// Gives its unit a name; it comes only from the orders stream.
class TNameOrder : public TOrder {
 public:
  static constexpr std::string_view kName = "Name";

  TNameOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  bool Update(float now) override;
  void ShowMarker(bool /*show*/) override {}
  // The unit already bears the name.
  bool IsActive() const override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return 0.0f; }

  const std::string& GetName() const { return name_; }

 private:
  std::string name_;
};

// Files the stream readers of "Deploy" and "Name" with the order factory.
void RegisterDeployOrderReaders();
