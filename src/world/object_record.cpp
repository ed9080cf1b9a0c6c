#include "world/object_record.h"

#include <array>

#include "world/game_object.h"
#include "world/surrogate.h"
#include "world/finite_values.h"

namespace {

// Tried in this order; the names are the static type names of the classes.
constexpr std::array<std::string_view, 15> kRecordTypeNames = {
    "Combatant", "Projectile",     "TailedProjectile", "Corpse", "MapTile",    "Surrogate", "Explosion", "Smoke",
    "AmmoDump",  "Special Effect", "Goo",              "GooExplosion", "Egg", "DeployTile", "Shield"};

int TypeSlot(std::string_view name) {
  for (std::size_t i = 0; i < kRecordTypeNames.size(); ++i) {
    if (kRecordTypeNames[i] == name) return static_cast<int>(i);
  }
  return -1;
}

// Keeps the nesting count right on every way out of a reader.
class TNestingGuard {
 public:
  explicit TNestingGuard(int& depth) : depth_(depth) { ++depth_; }
  ~TNestingGuard() { --depth_; }
  TNestingGuard(const TNestingGuard&) = delete;
  TNestingGuard& operator=(const TNestingGuard&) = delete;

 private:
  int& depth_;
};

std::unique_ptr<TGameObjectRecord> Failed(TDataStream& stream) {
  stream.SetFailed();
  return nullptr;
}

}  // namespace

// --- TGameObjectRecord -------------------------------------------------------

TGameObjectRecord::TGameObjectRecord(const TGameObject& object)
    : id_(object.GetId()),
      position_(std::make_unique<TVector3>(object.Position())),
      bits_(std::make_unique<TBitSet>(object.GetCurrentFlags())) {}

TGameObjectRecord::TGameObjectRecord(TDataStream& stream)
    : id_(static_cast<int32_t>(stream.ReadInt())),
      position_(std::make_unique<TVector3>(stream)),
      bits_(std::make_unique<TBitSet>(stream)) {
  RequireFinite(stream, *position_);
}

TGameObjectRecord::~TGameObjectRecord() = default;

bool TGameObjectRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  const int16_t index = nameTable.IndexOf(std::string(TypeName()));
  // A full table cannot name the type: the record would read back as another.
  if (index < 0) return false;
  stream.WriteShort(static_cast<uint16_t>(index));
  idWriter.WriteId(stream, id_);
  position_->Write(stream);
  bits_->Save(stream);
  return true;
}

void TGameObjectRecord::ApplyFlags(TGameObject& object) const { object.AssignFlags(*bits_); }

// --- TMobileObjectRecord -----------------------------------------------------

TMobileObjectRecord::TMobileObjectRecord(const TMobileObject& object)
    : TGameObjectRecord(object),
      startPoint_(object.GetTrajectory().GetStart()),
      direction_(object.GetTrajectory().GetDirection()),
      startTime_(object.GetTrajectory().GetStartTime()),
      speed_(object.GetTrajectory().GetSpeed()) {}

TMobileObjectRecord::TMobileObjectRecord(TDataStream& stream)
    : TGameObjectRecord(stream),
      startPoint_(stream),
      direction_(stream),
      startTime_(stream.ReadFloat()),
      speed_(stream.ReadFloat()) {}

bool TMobileObjectRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  // Points carry their component count in streams of the old layout.
  startPoint_.Write(stream);
  direction_.Write(stream);
  stream.WriteFloat(startTime_);
  stream.WriteFloat(speed_);
  return true;
}

// --- TObjectRecordFactory ----------------------------------------------------

TObjectRecordFactory::TObjectRecordFactory() {
  Register(Surrogate::StaticTypeName(), [](TDataStream& stream, const TStringList& nameTable) {
    return SurrogateRecord::Read(stream, nameTable);
  });
}

TObjectRecordFactory& TObjectRecordFactory::Instance() {
  static TObjectRecordFactory factory;
  return factory;
}

std::span<const std::string_view> TObjectRecordFactory::TypeNames() { return kRecordTypeNames; }

bool TObjectRecordFactory::IsKnownTypeName(std::string_view name) { return TypeSlot(name) >= 0; }

bool TObjectRecordFactory::Register(std::string_view typeName, TObjectRecordReader reader) {
  const int slot = TypeSlot(typeName);
  if (slot < 0) return false;
  readers_[slot] = std::move(reader);
  return true;
}

void TObjectRecordFactory::Unregister(std::string_view typeName) {
  const int slot = TypeSlot(typeName);
  if (slot >= 0) readers_[slot] = nullptr;
}

bool TObjectRecordFactory::IsRegistered(std::string_view typeName) const {
  const int slot = TypeSlot(typeName);
  return slot >= 0 && readers_[slot] != nullptr;
}

std::unique_ptr<TGameObjectRecord> TObjectRecordFactory::Create(TDataStream& stream, const TStringList& nameTable) {
  const uint16_t index = stream.ReadShort();
  if (stream.HasFailed() || index >= nameTable.Count()) return Failed(stream);
  const int slot = TypeSlot(nameTable.At(index));
  if (slot < 0 || readers_[slot] == nullptr || depth_ >= kMaxNesting) return Failed(stream);

  TNestingGuard guard(depth_);
  std::unique_ptr<TGameObjectRecord> record = readers_[slot](stream, nameTable);
  if (record == nullptr || stream.HasFailed()) return Failed(stream);
  return record;
}

std::unique_ptr<TGameObjectRecord> CreateObjectRecord(TDataStream& stream, const TStringList& nameTable) {
  return TObjectRecordFactory::Instance().Create(stream, nameTable);
}
