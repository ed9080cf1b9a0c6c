// Names of new units, taken from "Configs\name.cfg": one section per unit
// type holding candidate names separated by "|".
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "app/text_utils.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/unit_type.h"
#include "world/world.h"

namespace {

constexpr const char* kNamesPath = "Configs\\name.cfg";
constexpr std::size_t kMaxNameLength = 20;

// Letters, digits, blank, "-", ".", the extra letters 0x80-0xA5 of the
// code page and the accented Latin-1 letters.
bool IsNameCharacter(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  if (c == ' ' || c == '-' || c == '.') return true;
  if (c >= 0x80 && c <= 0xA5) return true;
  return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}

std::string CleanName(const std::string& candidate) {
  std::string name;
  for (const char c : candidate.substr(0, kMaxNameLength)) {
    if (IsNameCharacter(static_cast<unsigned char>(c))) name.push_back(c);
  }
  return name;
}

std::vector<std::string> Candidates(const std::string& body) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= body.size()) {
    std::size_t end = body.find('|', start);
    if (end == std::string::npos) end = body.size();
    names.push_back(CleanName(TrimText(body.substr(start, end - start))));
    start = end + 1;
  }
  return names;
}

bool IsNameTaken(const TCombatantList& units, const std::string& name) {
  for (int32_t i = 0; i < units.Count(); ++i) {
    const Combatant* unit = units.UnitAt(i);
    if (unit != nullptr && unit->GetName() == name) return true;
  }
  return false;
}

}  // namespace

void TWorld::AssignUnitName(TGameObject& object) {
  Combatant* unit = AsCombatant(&object);
  if (unit == nullptr) return;
  TConfigParser names;
  if (!names.LoadFile(kNamesPath) || !names.SelectSection(unit->GetType().GetName())) return;
  for (const std::string& candidate : Candidates(names.GetSectionBody())) {
    // An empty candidate (a stray "|", a name of symbols only) names nobody.
    if (candidate.empty() || IsNameTaken(*units_, candidate)) continue;
    unit->SetName(candidate);
    return;
  }
}
