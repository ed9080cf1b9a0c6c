// The events that are not about one unit and not about harm or flying shots:
// the deployment squares and the revealed tiles of a new game, a player's
// score, a short visual effect, and a change in what a player sees of an
// object. "Damage" and "PsychicDamage" live in damage_event.h (included
// here, so that one header names every world event), "RenewGoo" and
// "Bounce" beside the goo and the projectiles.
//
// The recording constructors of "Deployment", "Score" and "PsychicDamage"
// apply the event at once, so the computing side's world changes at the
// moment of recording; "RevealMap", "SpecialEffect" and "Vision" are only
// recorded there (that side made the change already) and take effect when a
// replaying side plays them. Stream constructors never apply: the replaying
// side's list does when its clock gets there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "sim/damage_event.h"
#include "sim/event.h"
#include "sim/event_factory.h"
#include "sim/world_effect.h"

class TAreaList;
class TBoundingBox;
class TEventList;
class TGameObjectRecord;
class TGameRecord;

// --- Deployment ----------------------------------------------------------------

// The deployment squares of every player, one area list per player in player
// order. Applying it lays a square on every whole-step point of each area.
class TDeploymentEvent : public TEvent {
 public:
  static constexpr std::string_view kTypeName = "Deployment";
  static std::string_view StaticTypeName() { return kTypeName; }
  // The areas are walked in steps of this size.
  static constexpr float kStep = 1.0f;
  // An area's walk moves on along an axis while it is at least this much
  // short of the area's far side; the last step stops on that side.
  static constexpr float kEdgeTolerance = 0.0001f;
  // More squares than any map has room for: an area that would take the
  // event beyond it comes only from a damaged or crafted stream and lays none.
  static constexpr int64_t kMaxSquares = int64_t{1} << 16;

  // Seen by every player; the event owns the lists and lays the squares.
  TDeploymentEvent(float time, std::vector<std::unique_ptr<TAreaList>> areas, TWorld& world);
  // The time, a 32-bit list count and the lists. Without a world nothing is laid.
  TDeploymentEvent(TDataStream& stream, TWorld* world);
  ~TDeploymentEvent() override;

  // For each player's areas, a square of that player at every walked point
  // rounded to whole numbers.
  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  const std::vector<std::unique_ptr<TAreaList>>& GetAreas() const { return areas_; }

  // The points the walk of one area visits, in walk order: rows along x,
  // stacked along y, layers along z, each row from the near side in whole
  // steps and ending on the far side. False, with no points, for an area
  // with a corner that is not finite or one that would give more than
  // kMaxSquares points.
  static bool AreaPoints(const TBoundingBox& area, std::vector<TVector3>& out);

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  std::vector<std::unique_ptr<TAreaList>> areas_;
  TWorld* world_ = nullptr;
};

// --- RevealMap -----------------------------------------------------------------

// The map tiles one player is shown at the start of a game: each entry names
// a terrain type, the tile's id and its place.
class TRevealMapEvent : public TEvent {
 public:
  static constexpr std::string_view kTypeName = "RevealMap";
  static std::string_view StaticTypeName() { return kTypeName; }

  // Seen by the player alone. The entries are the first of the three
  // vectors, as many as the shortest holds.
  TRevealMapEvent(float time, std::vector<std::string> names, std::vector<int32_t> ids,
                  std::vector<TVector3> positions, TWorld& world, int32_t player);
  // The time, a 32-bit count, that many type names as 16-bit indices into
  // the stream's name table, that many 32-bit ids and that many points. An
  // index outside the table fails the stream.
  TRevealMapEvent(TDataStream& stream, TWorld* world, const TStringList& nameTable);
  ~TRevealMapEvent() override;

  // Each entry's tile is created with its id, seen by every player, brought
  // to the event's time and added to the world. An entry whose id the world
  // already holds, or whose type the rules lack, makes nothing.
  void Apply() override;
  // False when the name table cannot take a type name.
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  const std::vector<std::string>& GetNames() const { return names_; }
  const std::vector<int32_t>& GetIds() const { return ids_; }
  const std::vector<TVector3>& GetPositions() const { return positions_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  std::vector<std::string> names_;
  std::vector<int32_t> ids_;
  std::vector<TVector3> positions_;
  TWorld* world_ = nullptr;
};

// --- Score ----------------------------------------------------------------------

// A player's score as the turn left it.
class TScoreEvent : public TEvent {
 public:
  static constexpr std::string_view kTypeName = "Score";
  static std::string_view StaticTypeName() { return kTypeName; }

  // Seen by every player; the record (not owned, may be null) takes the
  // score at once.
  TScoreEvent(float time, float score, int32_t player, TGameRecord* record);
  // The time, the score (4-byte float) and the player (32 bits).
  TScoreEvent(TDataStream& stream, TGameRecord* record);
  ~TScoreEvent() override;

  // The player's value in the game record becomes the score.
  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  float GetScore() const { return score_; }
  int32_t GetPlayer() const { return player_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  float score_ = 0.0f;
  int32_t player_ = 0;
  TGameRecord* record_ = nullptr;
};

// --- SpecialEffect ------------------------------------------------------------------

// A short visual effect (a spark, a puff, a psychic attack) at a place.
class TSpecialEffectEvent : public TEvent {
 public:
  static constexpr std::string_view kTypeName = "SpecialEffect";
  static std::string_view StaticTypeName() { return kTypeName; }
  // Streams up to this version carry no visual name.
  static constexpr float kVisualNameAbove = effect_stream::kSpecialEffectGroupAbove;

  // Seen by the players of the bits; the effect list is not owned and may be null.
  TSpecialEffectEvent(float time, const TBitSet& visibility, const TVector3& position, const std::string& name,
                      const std::string& visualName, TSpecialEffectList* effects);
  // The time, the point, the name and (above 2.089) the visual name.
  TSpecialEffectEvent(TDataStream& stream, TSpecialEffectList* effects);
  ~TSpecialEffectEvent() override;

  // A new effect starting at the event's time joins the effect list.
  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  const TVector3& GetPosition() const { return position_; }
  const std::string& GetName() const { return name_; }
  const std::string& GetVisualName() const { return visualName_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  TVector3 position_;
  std::string name_;
  std::string visualName_;
  TSpecialEffectList* effects_ = nullptr;
};

// --- Vision ---------------------------------------------------------------------------

// A player starts or stops seeing an object. The event carries the object's
// record, so a replaying side that does not hold the object can make it.
class TVisionEvent : public TEvent {
 public:
  static constexpr std::string_view kTypeName = "Vision";
  static std::string_view StaticTypeName() { return kTypeName; }

  // Seen by the players who see the object now (the recorder then sets the
  // players it is meant for); the record is the object's current state.
  TVisionEvent(float time, const TGameObject& object, TWorld& world);
  // The time, then the record as the record factory reads it (its type name
  // through the stream's name table). Without a world it changes nothing.
  TVisionEvent(TDataStream& stream, TWorld* world, const TStringList& nameTable);
  ~TVisionEvent() override;

  // An object with the record's id is removed from the world; otherwise the
  // record's object is made, added and brought to the event's time.
  void Apply() override;
  // The header, then the record with the same id writer and name table.
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  const TGameObjectRecord& GetRecord() const { return *record_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  std::unique_ptr<TGameObjectRecord> record_;
  TWorld* world_ = nullptr;
};

// Registers the readers of "PsychicDamage", "Deployment", "RevealMap",
// "Score", "SpecialEffect" and "Vision" with the event factory.
void RegisterWorldEventReaders();

// A recorder for TSpecialEffectList::TakeEffects: each effect taken over is
// kept in the event list as a "SpecialEffect" event at the effect's start
// time, seen by the players who see the effect. Both lists must outlive the
// recorder.
TSpecialEffectList::TEffectRecorder MakeSpecialEffectRecorder(TEventList& events, TSpecialEffectList& effects);
