#include "world/world.h"

#include <utility>

#include "app/game_data.h"
#include "app/files.h"
#include "app/log.h"
#include "app/vector3.h"
#include "display/mapview/map_view_hooks.h"
#include "session/id_counter.h"
#include "sim/corpse.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/projectile.h"
#include "sim/shield.h"
#include "sim/smoke.h"
#include "sound/ambient_sound.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "world/ammo_dump.h"
#include "world/deploy_tile.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/surrogate.h"
#include "world/terrain_object.h"
#include "world/terrain_walk_index.h"
#include "world/world_records.h"

namespace {

constexpr const char* kWeaponsPath = "Configs\\Weapons.cfg";
constexpr const char* kAmbientSoundName = "Ambient";

// The text of a rule file; a missing file is an error the world reports.
std::string ReadRuleText(const std::string& path, bool& missing) {
  TTextBuffer text;
  if (!text.Load(path)) {
    WriteLog("Error: rule file " + path + " is missing: the world has no rules from it\n");
    missing = true;
  }
  return text.Text();
}

}  // namespace

// --- construction -------------------------------------------------------------

TWorld::TWorld(const std::string& mapFileName)
    : TObjectList(TSpansLists{}),
      idCounter_(std::make_unique<TIdCounter>()),
      walkIndex_(std::make_unique<TTerrainWalkIndex>()) {
  RegisterWorldRecordReaders();
  ReadRules();
  CreateLists(mapFileName);
  SetCameraBounds();
  ambient_ = MakeAmbientSound(kAmbientSoundName);
}

// The lists go before the rules they refer to (member order).
TWorld::~TWorld() = default;

void TWorld::ReadRules() {
  const std::string& dataText = GetGameDataConfig().Text();
  if (dataText.empty()) {
    WriteLog("Error: rule file " + GetGameDataConfigPath() + " is missing or empty: the world has no unit rules\n");
    rulesMissing_ = true;
  }
  const std::string weaponsText = ReadRuleText(kWeaponsPath, rulesMissing_);
  const std::string setName(kDefaultTerrainSet);
  const std::string setText = ReadRuleText(TGameData::TerrainSetPath(setName), rulesMissing_);
  gameData_ = std::make_unique<TGameData>(dataText, setName, setText, weaponsText);
}

void TWorld::CreateLists(const std::string& mapFileName) {
  auto units = std::make_unique<TCombatantList>();
  auto projectiles = std::make_unique<TProjectileList>();
  auto corpses = std::make_unique<TCorpseList>();
  auto map = std::make_unique<TMap>(kEmptyMapWidth, kEmptyMapHeight);
  auto explosions = std::make_unique<TExplosionList>();
  auto smoke = std::make_unique<TSmokeList>();
  auto surrogates = std::make_unique<TSurrogateList>();
  auto ammoDumps = std::make_unique<TAmmoDumpList>();
  auto goo = std::make_unique<TGooList>();
  auto gooExplosions = std::make_unique<TGooExplosionList>();
  auto eggs = std::make_unique<TEggList>();
  auto deployTiles = std::make_unique<TDeployTileList>();
  auto shields = std::make_unique<TShieldList>();
  units_ = units.get();
  projectiles_ = projectiles.get();
  corpses_ = corpses.get();
  map_ = map.get();
  explosions_ = explosions.get();
  smoke_ = smoke.get();
  surrogates_ = surrogates.get();
  ammoDumps_ = ammoDumps.get();
  goo_ = goo.get();
  gooExplosions_ = gooExplosions.get();
  eggs_ = eggs.get();
  deployTiles_ = deployTiles.get();
  shields_ = shields.get();
  lists_ = {std::move(units),      std::move(projectiles), std::move(corpses),       std::move(map),
            std::move(explosions), std::move(smoke),       std::move(surrogates),    std::move(ammoDumps),
            std::move(goo),        std::move(gooExplosions), std::move(eggs),        std::move(deployTiles),
            std::move(shields)};
  if (!mapFileName.empty()) ReadMapFile(mapFileName);
}

void TWorld::SetCameraBounds() const {
  SetMapCameraBounds(TVector3(-1.0f, -1.0f, 0.0f), TVector3(static_cast<float>(map_->GetWidth()) + 1.0f,
                                                            static_cast<float>(map_->GetHeight()) + 1.0f, 0.0f));
}

// --- the list -------------------------------------------------------------------

TObjectList* TWorld::ListFor(std::string_view typeName) const {
  for (const auto& list : lists_) {
    if (list->ElementTypeName() == typeName) return list.get();
  }
  return nullptr;
}

TObjectList* TWorld::GetList(int32_t index) const {
  return index >= 0 && index < kListCount ? lists_[static_cast<std::size_t>(index)].get() : nullptr;
}

void TWorld::Add(std::unique_ptr<TGameObject> object) {
  if (object == nullptr) return;
  TObjectList* list = ListFor(object->TypeName());
  if (list == nullptr) {
    // Nothing would ever update, save or delete it.
    WriteLog("World: an object of type \"" + std::string(object->TypeName()) +
             "\" belongs to no list and is dropped\n");
    return;
  }
  AssignId(*object);
  list->Add(std::move(object));
}

void TWorld::RemoveById(int32_t id) {
  for (const auto& list : lists_) list->RemoveById(id);
}

void TWorld::Remove(const TGameObject* object) {
  for (const auto& list : lists_) list->Remove(object);
}

void TWorld::TakeSnapshot() {
  for (const auto& list : lists_) list->TakeSnapshot();
  idCounter_->Mark();
}

bool TWorld::RestoreSnapshot(const TGameData& gameData) {
  idCounter_->Restore();
  bool restored = true;
  for (const auto& list : lists_) restored = list->RestoreSnapshot(gameData) && restored;
  // Re-spawned surrogates link within their own list; the objects they
  // stand in for live in the other lists.
  surrogates_->SetLinksOwnerAll(this);
  shields_->Update(*this);
  return restored;
}

bool TWorld::RestoreSnapshot() { return RestoreSnapshot(*gameData_); }

void TWorld::Update(float time) {
  explosions_->Update(*this);
  gooExplosions_->Update(*this);
  shields_->Update(*this);
  UpdateDoors(time);
  map_->UpdatePower();
  for (const auto& list : lists_) list->Update(time);
  if (!ambient_->IsPlaying()) ambient_->Play();
}

TGameObject* TWorld::FindById(int32_t id) const {
  for (const auto& list : lists_) {
    if (TGameObject* found = list->FindById(id)) return found;
  }
  return nullptr;
}

int32_t TWorld::SpannedCount() const {
  int32_t count = 0;
  for (const auto& list : lists_) count += list->Count();
  return count;
}

TGameObject* TWorld::SpannedAt(int32_t index) const {
  if (index < 0) return nullptr;
  for (const auto& list : lists_) {
    const int32_t count = list->Count();
    if (index < count) return list->At(index);
    index -= count;
  }
  return nullptr;
}

void TWorld::CollectInArea(std::vector<TGameObject*>& out, const TBoundingBox& box) const {
  for (const auto& list : lists_) list->CollectInArea(out, box);
}

void TWorld::CollectWithinRadius(std::vector<TGameObject*>& out, const TVector3& centre, float r) const {
  for (const auto& list : lists_) list->CollectWithinRadius(out, centre, r);
}

void TWorld::BeginTurn() {
  for (const auto& list : lists_) list->BeginTurn();
}

void TWorld::RefreshVisuals() {
  for (const auto& list : lists_) list->RefreshVisuals();
  ambient_->Update();
}

void TWorld::RemoveDestroyed() {
  for (const auto& list : lists_) list->RemoveDestroyed();
}

// --- rules ------------------------------------------------------------------------

bool TWorld::HasRules() const { return !rulesMissing_ && gameData_->HasRules(); }

bool TWorld::SetTerrainSet(const std::string& name) {
  if (!gameData_->SetTerrainSet(name)) return false;
  map_->SetTerrainSet(name);
  return true;
}

bool TWorld::ReloadWeapons() {
  bool missing = false;
  const std::string weaponsText = ReadRuleText(kWeaponsPath, missing);
  const bool reloaded = gameData_->ReloadWeapons(GetGameDataConfig().Text(), weaponsText);
  return reloaded && !missing;
}

// --- ids ----------------------------------------------------------------------------

TTerrainWalkIndex& TWorld::GetTerrainWalkIndex() const {
  walkIndex_->Refresh(*map_);
  return *walkIndex_;
}

int32_t TWorld::NextId() { return idCounter_->Next(); }

void TWorld::AssignId(TGameObject& object) {
  // An id no file may carry is renumbered like a missing one.
  const int32_t id = idCounter_->Reserve(object.GetId());
  if (object.GetId() != id) object.SetId(id);
}

int32_t TWorld::PeekNextId() const { return idCounter_->Peek(); }

// --- objects made during a step -----------------------------------------------------

bool TWorld::SpawnFromRecord(const TGameObjectRecord& record) {
  std::unique_ptr<TGameObject> object = record.Spawn(*gameData_, *this);
  if (object == nullptr) {
    WriteLog("World: a \"" + std::string(record.TypeName()) + "\" record does not spawn\n");
    return false;
  }
  Add(std::move(object));
  return true;
}

void TWorld::AddNewObjects(float time) {
  eggs_->UpdateCanHatch(*units_);
  newObjects_.clear();
  for (const auto& list : lists_) list->HandleDestroyedAll(newObjects_, *gameData_, time);
  for (std::unique_ptr<TGameObject>& object : newObjects_) {
    if (object == nullptr) continue;
    AssignId(*object);
    visionObjects_.push_back(object->GetId());
  }
  AddObjects(newObjects_);
}

void TWorld::AddObjects(TNewObjects& objects) {
  for (std::unique_ptr<TGameObject>& object : objects) {
    if (object == nullptr) continue;
    AssignUnitName(*object);
    Add(std::move(object));
  }
  objects.clear();
}

void TWorld::CollectEffects(TNewObjects& out, float time) {
  for (const auto& list : lists_) list->EmitEffectsAll(out, *gameData_, time);
}

void TWorld::NotifyTileChanged(TGameObject& object) {
  if (object.TypeName() != TTerrainObject::kTypeName) return;
  map_->MarkForRemoval(static_cast<TTerrainObject*>(&object));
}

// --- doors --------------------------------------------------------------------------

void TWorld::UpdateDoors(float time) {
  // Doors admit units by their owner's number.
  map_->UpdateDoors(time, *units_, *gameData_, [](const TGameObject& unit) {
    const Combatant* combatant = AsCombatant(&unit);
    return combatant != nullptr ? combatant->GetOwner() : -1;
  });
}

std::string TWorld::DoorStateTypeName(const std::string& typeName, const std::string& state) const {
  return TMap::DoorStateTypeName(*gameData_, typeName, state);
}

// --- score and sound ----------------------------------------------------------------

float TWorld::GetScore(int32_t player) const { return corpses_->GetScore(player); }

void TWorld::SetAmbientSound(std::unique_ptr<TAmbientSound> sound) {
  if (sound != nullptr) ambient_ = std::move(sound);
}
