// Rules and stream helpers for the effect-object tests: a few unit types
// (with their weapons) whose numbers the tests name, the effect record
// readers registered while a test runs, and a record round trip through a
// stream of a chosen version.
#pragma once

#include <memory>
#include <string>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "sim/effect_registration.h"
#include "world/game_data.h"
#include "world/game_object.h"
#include "world/object_list.h"
#include "world/object_record.h"

namespace effect_test {

inline const char* const kRules =
    "# effect test rules\n"
    "[Unit Data]\n"
    "[Grunt]\n"
    "Race = marn\n"
    "Cost = 30\n"
    "Endurance = 100\n"
    "Food Value = 2\n"
    "CorpseEndurance = 15\n"
    "Target Height = 1.2\n"
    "CloakingEffect = 0.6\n"
    "Weapon Range = 10\n"
    "Weapon Speed = 100\n"
    "Damage = 10\n"
    "Explosive Radius = 0\n"
    "Damage Effect = Bullet\n"
    "Ammunition = 20\n"
    "[Psyker]\n"
    "Race = grey\n"
    "Cost = 6\n"
    "Endurance = 50\n"
    "CorpseEndurance = 5\n"
    "Target Height = 0.8\n"
    "CloakingEffect = 0.3\n"
    "Weapon Range = 8\n"
    "Weapon Speed = 50\n"
    "Damage = 5\n"
    "Explosive Radius = 0\n"
    "Damage Effect = Mind\n"
    "Ammunition = 3\n"
    "[Scanner]\n"
    "Race = grey\n"
    "Cost = 8\n"
    "Endurance = 40\n"
    "CloakingEffect = 1.5\n"
    "Weapon Range = 8\n"
    "Weapon Speed = 50\n"
    "Damage = 5\n"
    "Explosive Radius = 0\n"
    "Damage Effect = Mind\n"
    "Ammunition = 3\n"
    "[Grenadier]\n"
    "Race = marn\n"
    "Cost = 12\n"
    "Endurance = 80\n"
    "Weapon Range = 12\n"
    "Weapon Speed = 40\n"
    "Damage = 25\n"
    "Explosive Radius = 2\n"
    "Damage Effect = Blast\n"
    "Ammunition = 10\n"
    "[Warp Gunner]\n"
    "Race = grey\n"
    "Cost = 14\n"
    "Endurance = 60\n"
    "Weapon Range = 16\n"
    "Weapon Speed = 80\n"
    "Damage = 20\n"
    "Explosive Radius = 1\n"
    "Damage Effect = Warp\n"
    "Ammunition = 6\n"
    "Affected By Gravity = no\n"
    "Integrity = 3\n";

inline const char* const kTerrain = "# terrain\n[Terrain Data]\n[Floor]\nType = ground\n";

inline std::unique_ptr<TGameData> MakeRules() { return std::make_unique<TGameData>(kRules, "test", kTerrain); }

// Registers the effect record readers for the test's lifetime.
class TEffectReaders {
 public:
  TEffectReaders() { RegisterEffectRecordReaders(); }
  ~TEffectReaders() {
    for (std::string_view name : {"Projectile", "TailedProjectile", "Corpse", "Explosion", "Smoke",
                                  "Special Effect", "Goo", "GooExplosion", "Shield"}) {
      TObjectRecordFactory::Instance().Unregister(name);
    }
  }
  TEffectReaders(const TEffectReaders&) = delete;
  TEffectReaders& operator=(const TEffectReaders&) = delete;
};

// A stream of the version tag holding the record (with its name table kept
// beside it), ready to be read back.
struct TSavedRecord {
  explicit TSavedRecord(const std::string& tag) : stream(tag) {}
  TDataStream stream;
  TStringList names;
  bool saved = false;
};

inline std::unique_ptr<TSavedRecord> SaveRecord(const TGameObjectRecord& record, const std::string& tag) {
  auto saved = std::make_unique<TSavedRecord>(tag);
  TRawIdMapper ids;
  saved->saved = record.Save(saved->stream, ids, saved->names);
  saved->stream.Rewind();
  return saved;
}

// The record saved at the version and read back through the factory; null
// when it does not read.
inline std::unique_ptr<TGameObjectRecord> RoundTrip(const TGameObjectRecord& record, const std::string& tag) {
  auto saved = SaveRecord(record, tag);
  if (!saved->saved) return nullptr;
  auto read = CreateObjectRecord(saved->stream, saved->names);
  if (read == nullptr || saved->stream.HasFailed() || saved->stream.Remaining() != 0) return nullptr;
  return read;
}

// The bytes a record saves to at the version.
inline std::vector<uint8_t> RecordBytes(const TGameObjectRecord& record, const std::string& tag) {
  return SaveRecord(record, tag)->stream.Body();
}

// A list of any element type, for spawning records into.
class TAnyList : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return "Any"; }
};

}  // namespace effect_test
