// Units react by themselves while a turn is simulated: a sighting reaction
// ("continue", "halt" or "retreat") for an enemy newly seen within reaction
// range, and a combat reaction, the policy that gives an idle unit an order
// of its own. The manager keeps one settings record per unit that has
// reactions.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "display/colour.h"
#include "world/object_ref.h"

class Combatant;
class TActionResolver;
class TDataStream;
class TGameObject;
class TIdMapper;
class TObjectList;
class TOrderList;
class TReactionPolicy;
class TSightResolver;
class TWorld;

// One unit's reactions. The marker colours are what the unit's sighting and
// combat markers show; they follow the code and the policy whenever the
// markers are refreshed while the unit exists.
class TReactionSettings {
 public:
  static constexpr std::string_view kContinue = "continue";
  static constexpr std::string_view kHalt = "halt";
  static constexpr std::string_view kRetreat = "retreat";

  // A record for the unit with that id in the world (null: a record whose
  // unit never resolves): "continue", not triggered, HoldFire, point at the
  // origin.
  TReactionSettings(int32_t unitId, TWorld* world);
  ~TReactionSettings();
  TReactionSettings(const TReactionSettings&) = delete;
  TReactionSettings& operator=(const TReactionSettings&) = delete;

  // Reference, code, point and a fresh policy of the same name; the copy is
  // not triggered and its markers are refreshed.
  std::unique_ptr<TReactionSettings> Copy() const;

  int32_t GetUnitId() const { return unit_.GetId(); }
  const TObjectRef& GetUnitRef() const { return unit_; }
  // The unit when the reference resolves to one; null otherwise.
  Combatant* ResolveUnit() const;

  const std::string& GetSightingCode() const { return sightingCode_; }
  void SetSightingCode(const std::string& code) { sightingCode_ = code; }
  // "continue" 0, "halt" 1, "retreat" 2, any other code 0.
  int32_t GetSightingCodeNumber() const;
  static int32_t SightingCodeNumber(std::string_view code);

  bool IsTriggered() const { return triggered_ != 0; }
  void SetTriggered(bool triggered) { triggered_ = triggered ? 1 : 0; }

  // Null when the record has no policy (an unknown name was given).
  TReactionPolicy* GetPolicy() const { return policy_.get(); }
  void SetPolicy(std::unique_ptr<TReactionPolicy> policy);

  const TVector3& GetSightingPoint() const { return sightingPoint_; }
  void SetSightingPoint(const TVector3& point) { sightingPoint_ = point; }

  // Both markers, while the unit exists.
  void RefreshMarkers();
  // The sighting marker takes the code's colour; another code leaves it.
  void RefreshSightingMarker();
  // The combat marker takes the policy's colour; no policy, no colour.
  void RefreshCombatMarker();
  // Empty until a refresh found the unit and gave the marker a colour.
  const std::optional<TColour>& GetSightingMarkerColour() const { return sightingMarker_; }
  const std::optional<TColour>& GetCombatMarkerColour() const { return combatMarker_; }

  // The record's stream form at the stream's version (the id as it is in
  // this world).
  bool Write(TDataStream& stream) const;
  // A record read at the stream's version, its id passed through the
  // mapper; null when the stream failed. Markers are not yet refreshed.
  static std::unique_ptr<TReactionSettings> Read(TDataStream& stream, TIdMapper& mapper, TWorld* world);
  // The fewest bytes a record takes at the version; bounds counts read.
  static std::size_t MinStreamSize(float version);

 private:
  TObjectRef unit_;
  std::string sightingCode_{kContinue};
  uint8_t triggered_ = 0;
  std::unique_ptr<TReactionPolicy> policy_;
  TVector3 sightingPoint_;
  std::optional<TColour> sightingMarker_;
  std::optional<TColour> combatMarker_;
};

class TReactionManager {
 public:
  using TSettingsList = std::vector<std::unique_ptr<TReactionSettings>>;
  using TSeenList = std::vector<std::unique_ptr<TObjectRef>>;

  // One empty seen list per player. The world and the order list are not
  // owned and may be null (nothing then resolves, and orders are not
  // touched).
  explicit TReactionManager(int32_t playerCount = 0, TWorld* world = nullptr, TOrderList* orders = nullptr);
  virtual ~TReactionManager();
  TReactionManager(const TReactionManager&) = delete;
  TReactionManager& operator=(const TReactionManager&) = delete;

  // --- records ------------------------------------------------------------
  // The first record of the unit; null when it has none.
  TReactionSettings* Find(int32_t unitId) const;
  // The unit's record, appended with the defaults when it has none.
  TReactionSettings& FindOrCreate(int32_t unitId);

  // Finds or makes the unit's record, then sets its sighting code and point.
  void SetSightingReaction(int32_t unitId, const std::string& code, const TVector3& point);
  // Finds or makes the unit's record, then replaces its combat policy by the
  // policy of that name.
  void SetCombatReaction(int32_t unitId, const std::string& policyName);

  // 0 for a unit without a record.
  int32_t GetSightingCode(int32_t unitId) const;
  int32_t GetCombatCode(int32_t unitId) const;
  // False for a unit without a record (or, for the policy, without a policy).
  bool HasSightingCode(int32_t unitId, std::string_view code) const;
  bool HasCombatPolicy(int32_t unitId, std::string_view name) const;

  const TSettingsList& GetEntries() const { return entries_; }
  const TSettingsList& GetSaved() const { return saved_; }

  // --- turn -----------------------------------------------------------------
  // Records what each player sees now and puts every live unit's sighting
  // point at its position.
  void BeginTurn();
  // Step 3 of a simulated tick: sighting reactions, then combat orders for
  // idle units.
  void Tick(float t, TActionResolver* resolver);
  // Every object newly seen this turn by a player sets off the "halt" and
  // "retreat" reactions of that player's units that have it in range.
  void CheckSightings(float t, TActionResolver* resolver);
  // Whether the object, seen by the player, sets off the record's reaction:
  // not yet triggered, a live unit of that player, the object within its
  // reaction range and in clear view.
  bool CheckSighting(const TReactionSettings& settings, int32_t player, TGameObject& object);
  // Sends a halted "retreat" unit back to its sighting point (unless it is
  // practically there), keeping clear of what its side saw at turn start.
  void RetreatOnSighting(const TReactionSettings& settings, TActionResolver* resolver);
  // Idle units under local control ask their policies for an order, which
  // joins the chain as a reaction order.
  void MakeCombatOrders(TActionResolver* resolver);
  // Whether this program decides for the unit's owner in the running game.
  static bool IsUnderLocalControl(const Combatant& unit);
  // The answer for a mode number and local player (-1: none).
  static bool IsUnderLocalControl(int32_t owner, int mode, int localPlayer);
  // From clock time 20.0 on: the units appended after the last unit that
  // has a record get their types' default reactions through Rules events.
  void AssignDefaultReactions(TActionResolver* resolver, float t);
  void RefreshMarkers();
  // Whether the player saw the object with that id when the turn began.
  bool WasSeenAtTurnStart(int32_t player, int32_t objectId) const;
  // Empty for a player number without a list.
  const TSeenList& GetSeen(int32_t player) const;
  int32_t GetPlayerCount() const { return static_cast<int32_t>(seen_.size()); }

  // The unit loses its orders (a psychic strike).
  void CancelUnitOrders(int32_t unitId);

  // --- streams and copies ---------------------------------------------------
  bool Write(TDataStream& stream) const;
  // Reads the records; each replaces the record its unit already had, which
  // moves that unit's record to the end. A count the bytes left cannot hold,
  // or a truncated record, fails the stream and changes nothing.
  bool Read(TDataStream& stream, TIdMapper& mapper);
  // saved := copies of the entries.
  void SaveCopy();
  // entries := copies of the saved records.
  void RestoreSaved();
  // Empties the seen lists, the entries and the saved records.
  void Reset();

  TWorld* GetWorld() const { return world_; }
  TOrderList* GetOrderList() const { return orders_; }
  // The manager's own line-of-fire service; null without a world.
  TSightResolver* GetSightResolver() const { return sight_.get(); }

 private:
  void ClearSeen();
  void RecordVisible(const TObjectList& list);
  void CheckSightingsIn(const TObjectList& list, float t, TActionResolver* resolver);
  // Whether the player knows the object already: its own, or seen at turn
  // start.
  bool IsKnownTo(const TGameObject& object, int32_t player) const;
  void Halt(TReactionSettings& settings, float t, TActionResolver* resolver);
  void Append(std::unique_ptr<TReactionSettings> settings);
  static void CopyInto(const TSettingsList& from, TSettingsList& to);

  TSettingsList entries_;
  TSettingsList saved_;
  std::vector<TSeenList> seen_;
  TWorld* world_ = nullptr;
  TOrderList* orders_ = nullptr;
  std::unique_ptr<TSightResolver> sight_;
};
