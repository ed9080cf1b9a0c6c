#include "sim/projectile.h"

#include "app/random.h"
#include "display/effect_visuals.h"
#include "units/weapon.h"
#include "world/game_data.h"
#include "world/volume.h"

namespace {

constexpr std::string_view kGrenadier = "Grenadier";
constexpr std::string_view kGooSpitter = "Goo Spitter";
constexpr std::string_view kMissileTank = "Missile Tank";
constexpr std::string_view kWarpGunner = "Warp Gunner";
// Lobbed shots make their first bounce noise no earlier than this after firing.
constexpr float kFirstBounceDelay = 0.1f;

bool gQuiet = false;

bool HasGravity(const TWeaponType& weapon) {
  return weapon.IsAffectedByGravity() || Projectile::IsLobbedWeapon(weapon.GetName());
}

std::string VisualNameFor(const TWeaponType& weapon) {
  if (weapon.GetName() == kMissileTank) return "Missile";
  return weapon.GetName() + " Projectile";
}

Projectile* AsProjectile(TGameObject* object) {
  return object != nullptr && object->TypeName() == Projectile::kTypeName ? static_cast<Projectile*>(object)
                                                                          : nullptr;
}

// A weapon name index into the stream's name table; "" (and the stream
// failed) for an index outside it.
std::string ReadNameIndex(TDataStream& stream, const TStringList& nameTable) {
  const uint16_t index = stream.ReadShort();
  if (stream.HasFailed() || index >= nameTable.Count()) {
    stream.SetFailed();
    return std::string();
  }
  return nameTable.At(index);
}

}  // namespace

// --- Projectile --------------------------------------------------------------

Projectile::Projectile(const TWeaponType& weapon, const TVector3& start, const TVector3& direction, float fireTime)
    : TMobileObject(start, weapon.GetSpeed(), direction, fireTime, HasGravity(weapon)),
      integrity_(weapon.GetIntegrity()),
      weapon_(&weapon),
      fireTime_(fireTime),
      lastBounceTime_(fireTime + kFirstBounceDelay) {
  SetUp(fireTime);
  sound_.Make(weapon.GetName() + " Weapon", Position());
}

Projectile::Projectile(const TWeaponType& weapon, const TVector3& start, float fireTime,
                       const std::vector<TVector3>& path, const std::vector<float>& times)
    : Projectile(weapon, start, path.empty() ? TVector3() : path.front(), fireTime) {
  pathPoints_ = path;
  pathTimes_ = times;
  // A time for every point: a point without one is never reached.
  if (pathTimes_.size() < pathPoints_.size()) pathPoints_.resize(pathTimes_.size());
  pathTimes_.resize(pathPoints_.size());
}

Projectile::~Projectile() = default;

bool Projectile::IsLobbedWeapon(const std::string& weaponName) {
  return weaponName == kGrenadier || weaponName == kGooSpitter;
}

void Projectile::SetUp(float fireTime) {
  if (IsLobbedWeapon(weapon_->GetName())) {
    integrity_ = kLobbedIntegrity;
    lobbed_ = true;
  }
  // The shape the projectile system tests against what the shot meets.
  GetLofVolume().Add(std::make_unique<TSphereVolume>(&Position(), TVector3(), kRadius));
  // The visual's parts take the direction once the library builds visuals;
  // its render flag is the library's business too.
  visual_ = BuildEffectVisual(Position(), weapon_->GetVisualName(), VisualNameFor(*weapon_), fireTime,
                              kNewVisualDrawParameter);
}

std::unique_ptr<TGameObjectRecord> Projectile::MakeRecord() const {
  return std::make_unique<TProjectileRecord>(*this);
}

bool Projectile::TakeDamage(float /*amount*/) {
  integrity_ -= 1.0f;
  if (integrity_ <= 0.0f) Detonate();
  return false;
}

void Projectile::Detonate() { destroyed_ = true; }

void Projectile::SetReferenceList(TObjectList* /*list*/) {}

float Projectile::GetWeaponSpeed() const { return weapon_->GetSpeed(); }

bool Projectile::IsOutOfRange(float time) const {
  const float speed = weapon_->GetSpeed();
  // The loader refuses such weapons; a shot that cannot fly has no range.
  if (!(speed > 0.0f)) return true;
  return time - fireTime_ > weapon_->GetRange() / speed;
}

float Projectile::HitDamage() const { return HasGravity(*weapon_) ? 0.0f : weapon_->GetDamage(); }

float Projectile::RollDamage() const {
  const float damage = HitDamage();
  return GetRandom()->FloatRange(0.5f * damage, 1.5f * damage);
}

bool Projectile::CanBeDeflected() const { return weapon_->GetName() != kWarpGunner; }

void Projectile::SetQuiet(bool quiet) { gQuiet = quiet; }

bool Projectile::IsQuiet() { return gQuiet; }

// --- TailedProjectile --------------------------------------------------------

TailedProjectile::TailedProjectile(const TWeaponType& weapon, const TVector3& start, const TVector3& direction,
                                   float fireTime)
    : Projectile(weapon, start, direction, fireTime) {}

TailedProjectile::~TailedProjectile() = default;

std::unique_ptr<TGameObjectRecord> TailedProjectile::MakeRecord() const {
  return std::make_unique<TTailedProjectileRecord>(*this);
}

void TailedProjectile::Detonate() {
  Projectile::Detonate();
  for (const auto& link : tail_) {
    Projectile* tail = AsProjectile(link->Resolve());
    // A tail that leads back to this one is already going off.
    if (tail != nullptr && tail != this && !tail->IsDestroyed()) tail->Detonate();
  }
}

void TailedProjectile::SetReferenceList(TObjectList* list) {
  for (const auto& link : tail_) link->SetOwner(list);
}

void TailedProjectile::AddTail(int32_t id, TObjectList* list) {
  tail_.push_back(std::make_unique<TObjectRef>(id, list));
}

// --- TProjectileRecord -------------------------------------------------------

TProjectileRecord::TProjectileRecord(const Projectile& projectile)
    : TMobileObjectRecord(projectile),
      weaponName_(projectile.GetWeapon().GetName()),
      integrity_(projectile.GetIntegrity()),
      fireTime_(projectile.GetFireTime()),
      collisionFlag_(projectile.GetCollisionFlag()),
      pathIndex_(projectile.GetPathIndex()),
      pathPoints_(projectile.GetPathPoints()),
      pathTimes_(projectile.GetPathTimes()) {}

TProjectileRecord::TProjectileRecord(TDataStream& stream, const TStringList& nameTable)
    : TMobileObjectRecord(stream),
      weaponName_(ReadNameIndex(stream, nameTable)),
      integrity_(stream.ReadFloat()),
      fireTime_(stream.ReadFloat()),
      collisionFlag_(stream.ReadByte() != 0) {
  if (stream.GetVersion() <= effect_stream::kProjectilePathAbove) return;
  pathIndex_ = stream.ReadInt();
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (!effect_stream::CountFits(stream, count, effect_stream::PointBytes(stream) + sizeof(float))) return;
  pathPoints_.reserve(static_cast<std::size_t>(count));
  pathTimes_.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    pathPoints_.emplace_back(stream);
    pathTimes_.push_back(stream.ReadFloat());
  }
}

std::unique_ptr<TGameObjectRecord> TProjectileRecord::Read(TDataStream& stream, const TStringList& nameTable) {
  return effect_stream::ReadRecord<TProjectileRecord>(stream, nameTable);
}

void TProjectileRecord::Restore(Projectile& projectile) const {
  projectile.SetPathIndex(pathIndex_);
  // The saved path already holds every bounce and re-aim the flight made.
  projectile.SetTrajectory(GetDirection(), GetStartPoint(), GetStartTime());
  projectile.GetTrajectory().SetSpeed(GetSpeed());
  projectile.SetIntegrity(integrity_);
  projectile.SetFireTime(fireTime_);
  projectile.SetPosition(GetPosition());
  projectile.SetId(GetId());
  ApplyFlags(projectile);
  projectile.SetCollisionFlag(collisionFlag_);
}

std::unique_ptr<TGameObject> TProjectileRecord::Spawn(const TGameData& gameData, TObjectList& /*list*/) const {
  const TWeaponType* weapon = gameData.FindWeaponType(weaponName_);
  if (weapon == nullptr) return nullptr;
  std::unique_ptr<Projectile> projectile;
  if (pathPoints_.empty()) {
    projectile = std::make_unique<Projectile>(*weapon, GetStartPoint(), GetDirection(), GetStartTime());
  } else {
    projectile = std::make_unique<Projectile>(*weapon, GetStartPoint(), fireTime_, pathPoints_, pathTimes_);
  }
  Restore(*projectile);
  return projectile;
}

std::unique_ptr<TGameObjectRecord> TProjectileRecord::Clone() const { return CloneThroughStream(*this); }

bool TProjectileRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TMobileObjectRecord::Save(stream, idWriter, nameTable)) return false;
  const int16_t index = nameTable.IndexOf(weaponName_);
  if (index < 0) return false;
  stream.WriteShort(static_cast<uint16_t>(index));
  stream.WriteFloat(integrity_);
  stream.WriteFloat(fireTime_);
  stream.WriteByte(collisionFlag_ ? 1 : 0);
  if (stream.GetVersion() <= effect_stream::kProjectilePathAbove) return true;
  stream.WriteInt(pathIndex_);
  stream.WriteInt(static_cast<uint32_t>(pathPoints_.size()));
  for (std::size_t i = 0; i < pathPoints_.size(); ++i) {
    pathPoints_[i].Write(stream);
    stream.WriteFloat(pathTimes_[i]);
  }
  return true;
}

// --- TTailedProjectileRecord -------------------------------------------------

TTailedProjectileRecord::TTailedProjectileRecord(const TailedProjectile& projectile)
    : TProjectileRecord(projectile) {
  for (const auto& link : projectile.GetTail()) {
    if (link->GetId() != -1) tailIds_.push_back(link->GetId());
  }
}

TTailedProjectileRecord::TTailedProjectileRecord(TDataStream& stream, const TStringList& nameTable)
    : TProjectileRecord(stream, nameTable) {
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (!effect_stream::CountFits(stream, count, sizeof(int32_t))) return;
  tailIds_.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) tailIds_.push_back(static_cast<int32_t>(stream.ReadInt()));
}

std::unique_ptr<TGameObjectRecord> TTailedProjectileRecord::Read(TDataStream& stream, const TStringList& nameTable) {
  return effect_stream::ReadRecord<TTailedProjectileRecord>(stream, nameTable);
}

std::unique_ptr<TGameObject> TTailedProjectileRecord::Spawn(const TGameData& gameData, TObjectList& list) const {
  const TWeaponType* weapon = gameData.FindWeaponType(GetWeaponName());
  if (weapon == nullptr) return nullptr;
  auto projectile = std::make_unique<TailedProjectile>(*weapon, GetStartPoint(), GetDirection(), GetStartTime());
  Restore(*projectile);
  for (int32_t id : tailIds_) projectile->AddTail(id, &list);
  return projectile;
}

std::unique_ptr<TGameObjectRecord> TTailedProjectileRecord::Clone() const { return CloneThroughStream(*this); }

bool TTailedProjectileRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TProjectileRecord::Save(stream, idWriter, nameTable)) return false;
  stream.WriteInt(static_cast<uint32_t>(tailIds_.size()));
  for (int32_t id : tailIds_) idWriter.WriteId(stream, id);
  return true;
}
