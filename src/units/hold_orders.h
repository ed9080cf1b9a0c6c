// Orders that act where the unit stands when the previous order is done:
// "Hold" keeps the unit standing for a while, "CommitSuicide" kills it and
// "LayEgg" makes a queen lay an egg. Each marks the point where it will act
// on the map.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/vector3.h"
#include "display/interface_visual.h"
#include "units/order.h"

class TActionResolver;
class TDataStream;
class TIdMapper;

// What an order's map marker is made of: a visual of the "Interface"
// category named after what the order does, standing at the point where the
// order acts. The map view builds the visual from it; the order keeps
// whether it should be shown and whether it must be drawn anew.
class TOrderPointMarker {
 public:
  static constexpr std::string_view kCategory = "Interface";

  TOrderPointMarker() = default;
  // The visual follows the marker's own position.
  TOrderPointMarker(const TOrderPointMarker&) = delete;
  TOrderPointMarker& operator=(const TOrderPointMarker&) = delete;

  // Places the marker; from now on it exists. With a map view its visual is
  // built, hidden until the marker is shown.
  void Build(const std::string& name, const TVector3& position);
  // Shown or hidden, then drawn.
  void Show(bool show);
  // Drawn as it is.
  void Draw() { ++draws_; }
  // The order went back to its planned state: the visual must be rebuilt.
  void MarkChanged() { changed_ = true; }

  bool IsBuilt() const { return built_; }
  const std::string& GetName() const { return name_; }
  const TVector3& GetPosition() const { return position_; }
  bool IsHidden() const { return hidden_; }
  bool IsChanged() const { return changed_; }
  int32_t GetDrawCount() const { return draws_; }
  // Null without a map view or a definition of the name.
  TVisual* GetVisual() const { return visual_.get(); }

 private:
  std::string name_;
  TVector3 position_;
  bool built_ = false;
  bool hidden_ = false;
  bool changed_ = false;
  int32_t draws_ = 0;
  TInterfaceVisualPtr visual_;
};

// Stands for a while; the order-giving operation's hold lasts 1.0.
class THoldOrder : public TOrder {
 public:
  static constexpr std::string_view kName = "Hold";
  static constexpr std::string_view kMarkerName = "HoldPoint";
  // The start time of a hold that has not begun.
  static constexpr float kNotStarted = -1.0f;

  THoldOrder(int32_t unitId, TActionResolver& resolver, float duration);
  // The unit id, then the duration; the hold begins anew.
  THoldOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  void Begin() override;
  bool Update(float now) override;
  void ShowMarker(bool show) override;
  bool IsActive() const override { return startTime_ != kNotStarted; }
  void Reset() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  // Planned as one time unit whatever the duration.
  float PlannedTime() const override { return 1.0f; }

  float GetDuration() const { return duration_; }
  float GetStartTime() const { return startTime_; }
  const TOrderPointMarker& GetMarker() const { return marker_; }

 private:
  float duration_ = 0.0f;
  float startTime_ = kNotStarted;
  TOrderPointMarker marker_;
};

// Kills its unit at once.
class TCommitSuicideOrder : public TOrder {
 public:
  static constexpr std::string_view kName = "CommitSuicide";
  static constexpr std::string_view kMarkerName = "SuicidePoint";

  TCommitSuicideOrder(int32_t unitId, TActionResolver& resolver);
  TCommitSuicideOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  void Begin() override;
  bool Update(float now) override;
  void ShowMarker(bool show) override;
  bool IsActive() const override { return done_; }
  void Reset() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return 0.0f; }

  const TOrderPointMarker& GetMarker() const { return marker_; }

 private:
  TOrderPointMarker marker_;
  bool done_ = false;
};

// A queen with enough food lays an egg where she stands; laying takes two
// time units.
class TLayEggOrder : public TOrder {
 public:
  static constexpr std::string_view kName = "LayEgg";
  static constexpr std::string_view kMarkerName = "LayPoint";
  static constexpr float kLayingTime = 2.0f;

  TLayEggOrder(int32_t unitId, TActionResolver& resolver);
  TLayEggOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  void Begin() override;
  bool Update(float now) override;
  void ShowMarker(bool show) override;
  bool IsActive() const override { return started_; }
  void Reset() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return kLayingTime; }

  float GetStartTime() const { return startTime_; }
  const TOrderPointMarker& GetMarker() const { return marker_; }

 private:
  float startTime_ = 0.0f;
  TOrderPointMarker marker_;
  bool started_ = false;
};

// Files the stream readers of "Hold", "CommitSuicide" and "LayEgg" with the
// order factory.
void RegisterHoldOrderReaders();
