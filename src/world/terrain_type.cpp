#include "world/terrain_type.h"

#include <cmath>
#include <unordered_map>

#include "app/config_parser.h"
#include "app/log.h"
#include "app/text_utils.h"
#include "world/volume.h"

namespace {

const char* const kTerrainSection = "Terrain Data";
const char* const kNoType = "none";
const char* const kAnyKey = "any";
const char* const kBoxShape = "Box";
const char* const kSphereShape = "Sphere";

bool IsShapeName(const std::string& token) {
  return token == kBoxShape || token == kSphereShape;
}

bool IsFinite(const TVector3& point) {
  return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

void LogShapeProblem(const std::string& typeName, const std::string& problem) {
  WriteLog("Terrain type \"" + typeName + "\": " + problem + "\n");
}

// "N", "E", "S", "W" as directions 0 to 3; -1 for anything else.
int32_t SideIndex(const std::string& letter) {
  static const char* const kSides[] = {"N", "E", "S", "W"};
  for (int32_t side = 0; side < 4; ++side) {
    if (letter == kSides[side]) {
      return side;
    }
  }
  return -1;
}

// A box between two corner points: centred between them, as wide as they are
// apart on each axis.
TTerrainShape MakeBox(const TVector3& corner1, const TVector3& corner2) {
  TTerrainShape shape;
  shape.kind = TTerrainShape::Kind::Box;
  shape.centre = TVector3((corner1.x + corner2.x) * 0.5f, (corner1.y + corner2.y) * 0.5f,
                          (corner1.z + corner2.z) * 0.5f);
  shape.size = TVector3(std::fabs(corner2.x - corner1.x), std::fabs(corner2.y - corner1.y),
                        std::fabs(corner2.z - corner1.z));
  return shape;
}

TTerrainShape MakeSphere(const TVector3& centre, float radius) {
  TTerrainShape shape;
  shape.kind = TTerrainShape::Kind::Sphere;
  shape.centre = centre;
  shape.radius = radius;
  return shape;
}

// Builds the shape named by tokens[0] from its arguments; false (logged) when
// its numbers are unusable.
bool MakeShape(const std::string& shapeName, const std::vector<std::string>& arguments,
               const std::string& typeName, TTerrainShape& out) {
  if (shapeName == kBoxShape) {
    const TVector3 corner1 = ParseVector3(arguments[0]);
    const TVector3 corner2 = ParseVector3(arguments[1]);
    if (!IsFinite(corner1) || !IsFinite(corner2)) {
      LogShapeProblem(typeName, "Box shape with unusable corners ignored");
      return false;
    }
    out = MakeBox(corner1, corner2);
    return true;
  }
  const TVector3 centre = ParseVector3(arguments[0]);
  const float radius = NarrowToFloat(StringToFloat(arguments[1]));
  if (!IsFinite(centre) || !std::isfinite(radius) || radius < 0.0f) {
    LogShapeProblem(typeName, "Sphere shape with unusable centre or radius ignored");
    return false;
  }
  out = MakeSphere(centre, radius);
  return true;
}

void AddShapes(const std::vector<TTerrainShape>& shapes, TCompoundVolume& out,
               const TVector3* positionRef) {
  for (const TTerrainShape& shape : shapes) {
    if (shape.kind == TTerrainShape::Kind::Box) {
      out.Add(std::make_unique<TBoxVolume>(positionRef, shape.centre, shape.size));
    } else {
      out.Add(std::make_unique<TSphereVolume>(positionRef, shape.centre, shape.radius));
    }
  }
}

}  // namespace

std::vector<TTerrainShape> ParseTerrainShapes(const std::string& text,
                                              const std::string& typeName) {
  std::vector<TTerrainShape> shapes;
  const std::vector<std::string> tokens = SplitString(text, "|");
  std::size_t index = 0;
  while (index < tokens.size()) {
    const std::string& shapeName = tokens[index];
    ++index;
    if (!IsShapeName(shapeName)) {
      LogShapeProblem(typeName, "unknown shape \"" + shapeName + "\" skipped");
      continue;
    }
    // Both shapes take two arguments; a shape name standing where an
    // argument belongs starts the next shape.
    std::vector<std::string> arguments;
    while (arguments.size() < 2 && index < tokens.size() && !IsShapeName(tokens[index])) {
      arguments.push_back(tokens[index]);
      ++index;
    }
    if (arguments.size() < 2) {
      LogShapeProblem(typeName, "incomplete " + shapeName + " shape ignored");
      continue;
    }
    TTerrainShape shape;
    if (MakeShape(shapeName, arguments, typeName, shape)) {
      shapes.push_back(shape);
    }
  }
  return shapes;
}

// ---------------------------------------------------------------------------
// TTerrainType

TTerrainType::TTerrainType(TConfigParser& parser) { Read(parser); }

void TTerrainType::Read(TConfigParser& parser) {
  name_ = parser.GetSectionName();
  parser.GetString("Door Type", doorState_);
  parser.GetString("Next Door", nextDoor_);
  doorKey_ = kAnyKey;
  parser.GetFloat("Strength", strength_);
  parser.GetString("Destroyed", destroyedName_);
  ReadMovement(parser);
  parser.GetString("LOS Shape", sightShapeText_);
  parser.GetString("LOF Shape", fireShapeText_);
  parser.GetBool("Window", window_);
  parser.GetFloat("Explosion Damage", explosionDamage_);
  parser.GetFloat("Explosion Radius", explosionRadius_);
  parser.GetString("Type", kind_);
  parser.GetString("Action", action_);
  material_ = "normal";
  parser.GetString("Material", material_);
  std::string offsetText;
  if (parser.GetString("ActionOffset", offsetText)) {
    actionOffset_ = ParseVector3(offsetText);
  }
  parser.GetString("PowerConnection", powerConnection_);

  sightShapes_ = ParseTerrainShapes(sightShapeText_, name_);
  fireShapes_ = ParseTerrainShapes(fireShapeText_, name_);
  SetKindBits();
}

// The three words in exactly this case; any other text keeps the value.
void TTerrainType::ReadMovement(TConfigParser& parser) {
  std::string word;
  if (!parser.GetString("Movement Type", word)) {
    return;
  }
  if (word == "empty") {
    movement_ = kTerrainMovementEmpty;
  } else if (word == "blocked") {
    movement_ = kTerrainMovementBlocked;
  } else if (word == "flying") {
    movement_ = kTerrainMovementFlying;
  }
}

void TTerrainType::SetKindBits() {
  const bool door = doorState_ == "open" || doorState_ == "opening" || doorState_ == "closed" ||
                    doorState_ == "closing";
  kindBits_ = static_cast<uint8_t>((kind_ == "ground" ? kGroundBit : 0) | (kind_ == "wall" ? kWallBit : 0) |
                                   (kind_ == "object" ? kObjectBit : 0) | (door ? kDoorBit : 0) |
                                   (doorState_ == "open" ? kOpenBit : 0) | (doorState_ == "closed" ? kClosedBit : 0));
}

bool TTerrainType::DoorTypeIs(const std::string& name) const {
  return IsDoorState() && (doorKey_ == kAnyKey || doorKey_ == name);
}

int32_t TTerrainType::PowerExit(int32_t direction) const {
  if (direction < 0 || direction > 3) {
    return -1;
  }
  const std::vector<std::string> letters = SplitString(powerConnection_, ",");
  std::vector<int32_t> sides;
  for (const std::string& letter : letters) {
    const int32_t side = SideIndex(letter);
    if (side < 0) {
      return -1;
    }
    sides.push_back(side);
  }
  if (sides.size() == 4) {
    return direction;
  }
  if (sides.size() == 2) {
    // Power travelling in a direction enters by the opposite side.
    const int32_t entry = (direction + 2) % 4;
    return sides[0] == entry ? sides[1] : sides[0];
  }
  return -1;
}

void TTerrainType::BuildFireVolume(TCompoundVolume& out, const TVector3* positionRef) const {
  AddShapes(sightShapes_, out, positionRef);
  AddShapes(fireShapes_, out, positionRef);
}

void TTerrainType::BuildSightVolume(TCompoundVolume& out, const TVector3* positionRef) const {
  AddShapes(sightShapes_, out, positionRef);
}

// ---------------------------------------------------------------------------
// TTerrainTypeTable

TTerrainTypeTable::TTerrainTypeTable(const std::string& setName, const std::string& text)
    : setName_(setName) {
  Load(text);
}

void TTerrainTypeTable::Load(const std::string& text) {
  TConfigParser parser(text);
  if (!parser.SelectSection(kTerrainSection)) {
    return;
  }
  // Every following header is one type, whatever its name.
  while (parser.NextSection()) {
    types_.push_back(std::make_unique<TTerrainType>(parser));
  }
  LinkDestroyedTypes();
}

void TTerrainTypeTable::Clear() { types_.clear(); }

const TTerrainType* TTerrainTypeTable::Find(const std::string& name) const {
  for (const std::unique_ptr<TTerrainType>& type : types_) {
    if (type->GetName() == name) {
      return type.get();
    }
  }
  return nullptr;
}

int32_t TTerrainTypeTable::IndexOf(const std::string& name) const {
  for (std::size_t index = 0; index < types_.size(); ++index) {
    if (types_[index]->GetName() == name) {
      return static_cast<int32_t>(index);
    }
  }
  return 0;
}

const TTerrainType* TTerrainTypeTable::At(int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= types_.size()) {
    return nullptr;
  }
  return types_[static_cast<std::size_t>(index)].get();
}

void TTerrainTypeTable::SetTerrainSet(const std::string& name, const std::string& text) {
  if (name == setName_) {
    return;
  }
  Clear();
  setName_ = name;
  Load(text);
}

// The links are plain pointers into this table, resolved by name; a chain
// that comes back to itself is allowed but reported, since damage that
// follows it would only stop when its leftover runs out.
void TTerrainTypeTable::LinkDestroyedTypes() {
  // First type of each name, so that linking stays linear in the table size.
  std::unordered_map<std::string, const TTerrainType*> byName;
  for (const std::unique_ptr<TTerrainType>& type : types_) {
    byName.emplace(type->GetName(), type.get());
  }
  for (const std::unique_ptr<TTerrainType>& type : types_) {
    const std::string& target = type->GetDestroyedName();
    const auto found = byName.find(target);
    const bool linked = !target.empty() && target != kNoType && found != byName.end();
    type->SetDestroyedType(linked ? found->second : nullptr);
  }

  enum class Mark { Unseen, OnPath, Done };
  std::unordered_map<const TTerrainType*, Mark> marks;
  for (const std::unique_ptr<TTerrainType>& start : types_) {
    std::vector<const TTerrainType*> path;
    const TTerrainType* type = start.get();
    while (type != nullptr && marks[type] == Mark::Unseen) {
      marks[type] = Mark::OnPath;
      path.push_back(type);
      type = type->GetDestroyedType();
    }
    if (type != nullptr && marks[type] == Mark::OnPath) {
      WriteLog("Terrain type \"" + type->GetName() +
               "\": its \"Destroyed\" chain leads back to itself\n");
    }
    for (const TTerrainType* visited : path) {
      marks[visited] = Mark::Done;
    }
  }
}
