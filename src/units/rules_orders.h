// Instant orders that take effect when their unit's chain reaches them:
// "Rules" changes one of the unit's reactions at that moment of the turn,
// "ToggleShield" raises or lowers the unit's shield. Neither costs time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "units/hold_orders.h"
#include "units/order.h"

class TActionResolver;
class TDataStream;
class TIdMapper;

class TRulesOrder : public TOrder {
 public:
  static constexpr std::string_view kName = "Rules";
  // The two kinds of reaction a Rules order changes.
  static constexpr std::string_view kSightingKind = "Sighting";
  static constexpr std::string_view kCombatKind = "Combat";
  // The marker is named after the value with this ending.
  static constexpr std::string_view kMarkerSuffix = "Point";

  // value: the sighting code or the combat policy name; kind: which of the
  // two reactions it sets.
  TRulesOrder(int32_t unitId, TActionResolver& resolver, const std::string& value, const std::string& kind);
  // The unit id, then the value and the kind; a kind or value the game does
  // not know fails the stream.
  TRulesOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  // A sighting code ("continue", "halt", "retreat") or a combat policy name.
  static bool IsKnownRule(std::string_view value, std::string_view kind);

  // The two orders the interface gives, so that value and kind cannot be
  // passed the wrong way round.
  static std::unique_ptr<TRulesOrder> Sighting(int32_t unitId, TActionResolver& resolver, const std::string& code);
  static std::unique_ptr<TRulesOrder> Combat(int32_t unitId, TActionResolver& resolver, const std::string& policy);

  void Begin() override;
  bool Update(float now) override;
  void ShowMarker(bool show) override;
  bool IsActive() const override { return false; }
  void Reset() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return 0.0f; }
  // The fourth token, when given, must be the value.
  bool IsSameOrder(const std::vector<std::string>& tokens) const override;

  const std::string& GetValue() const { return value_; }
  const std::string& GetKind() const { return kind_; }
  const TOrderPointMarker& GetMarker() const { return marker_; }

 private:
  std::string value_;
  std::string kind_;
  TOrderPointMarker marker_;
};

class TToggleShieldOrder : public TOrder {
 public:
  static constexpr std::string_view kName = "ToggleShield";
  static constexpr std::string_view kActivateMarkerName = "ActivateShieldPoint";
  static constexpr std::string_view kDeactivateMarkerName = "DeactivateShieldPoint";

  // activate: raise the shield; otherwise lower it.
  TToggleShieldOrder(int32_t unitId, TActionResolver& resolver, bool activate);
  // The unit id, then the activate flag as a byte.
  TToggleShieldOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  void Begin() override;
  bool Update(float now) override;
  void ShowMarker(bool show) override { marker_.Show(show); }
  bool IsActive() const override { return done_; }
  void Reset() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return 0.0f; }

  bool GetActivate() const { return activate_; }
  const TOrderPointMarker& GetMarker() const { return marker_; }

 private:
  TOrderPointMarker marker_;
  bool activate_ = false;
  bool done_ = false;
};

// Files the stream readers of "Rules" and "ToggleShield" with the order
// factory.
void RegisterRulesOrderReaders();
