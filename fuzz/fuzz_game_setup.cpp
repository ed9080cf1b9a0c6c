// A game is set up from outside data three ways: the "[GameStart]" text of
// a new game, the scenario in a saved game state and the game record carried
// in every game file. Each reader must survive any bytes; what one accepts
// must save and read back to the same bytes, and a scenario that loads must
// answer its deployment questions.
//
// Input: one byte choosing the stream version, then bytes read as all
// three: as set-up text, as a scenario stream and as a game record stream.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "app/data_stream.h"
#include "fuzz_scratch_folder.h"
#include "session/game_record.h"
#include "sim/scenario.h"
#include "world/game_data.h"

namespace {

// Versions on both sides of every threshold the scenario and the record test.
const char* const kVersionTags[] = {"Vorhelm-3-10", "Vorhelm-1-0",  "Vorhelm-1-08", "Vorhelm-1-18",
                                    "Vorhelm-1-19", "Vorhelm-2-1",  "Vorhelm-2-2",  "Vorhelm-2-25",
                                    "Vorhelm-2-28", "Vorhelm-2-31", "Vorhelm-2-32", "Vorhelm-3-03",
                                    "Vorhelm-3-04", "Vorhelm-3-05"};

const char* const kRules =
    "# fuzz rules\n"
    "[Unit Data]\n"
    "[Trooper]\nRace = marn\nCost = 3\n"
    "[Bomb Drone]\nRace = mech\nCost = 2.5\n"
    "[Queen]\nRace = spwn\nCost = 10\n"
    "[Stinger]\nRace = spwn\nCost = 7\n";

const char* const kTerrain = "# terrain\n[Terrain Data]\n[Floor]\nType = ground\n";

std::unique_ptr<TGameData> gGameData;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::vector<uint8_t> SaveScenario(const TScenario& scenario, const char* tag) {
  TDataStream stream(tag);
  Check(scenario.Save(stream));
  return stream.Body();
}

// Deployment questions over every unit type, with a purchase and its undoing.
void Deploy(TScenario& scenario) {
  scenario.SetSharedForcePoints();
  for (int32_t i = -1; i <= gGameData->GetUnitTypeCount(); ++i) {
    for (const char* race : {"marn", "spwn", "any"}) scenario.CanBuyUnit(i, race, *gGameData);
    if (const TUnitType* type = gGameData->GetUnitType(i)) {
      const int32_t before = scenario.GetDeployForcePoints();
      scenario.UnitBought(*type, true);
      scenario.UnitBought(*type, false);
      // Far from the limits of the count a purchase is undone exactly.
      const bool nearLimit = before < -(1 << 30) || before > (1 << 30);
      Check(nearLimit || scenario.GetDeployForcePoints() == before);
    }
  }
  scenario.ObjectiveText("spwn");
}

void ReadScenarioStream(const std::vector<uint8_t>& body, const char* tag) {
  TDataStream stream(tag);
  stream.Body() = body;
  std::unique_ptr<TScenario> scenario = TScenario::Load(stream);
  if (!scenario) {
    Check(stream.HasFailed());
    return;
  }
  const std::vector<uint8_t> saved = SaveScenario(*scenario, tag);
  TDataStream again(tag);
  again.Body() = saved;
  std::unique_ptr<TScenario> reloaded = TScenario::Load(again);
  Check(reloaded != nullptr && SaveScenario(*reloaded, tag) == saved);
  Deploy(*scenario);
}

void ReadSetUpText(const std::string& text, const char* tag) {
  TConfigParser parser(text);
  std::string error;
  std::unique_ptr<TScenario> scenario = TScenario::ParseGameStart(parser, gGameData->GetUnitTypes(), &error);
  if (!scenario) {
    Check(!error.empty());
    return;
  }
  const std::vector<uint8_t> saved = SaveScenario(*scenario, tag);
  TDataStream stream(tag);
  stream.Body() = saved;
  Check(TScenario::Load(stream) != nullptr);
  TGameRecord record;
  record.SetPlayerNumber(1);
  record.FillFromScenario(*scenario);
  Check(TScenario::FromGameRecord(record) != nullptr);
  Deploy(*scenario);
}

void ReadRecordStream(const std::vector<uint8_t>& body, const char* tag) {
  TDataStream stream(tag);
  stream.Body() = body;
  TGameRecord record;
  record.SetPlayerName("before");
  if (!record.Load(stream)) {
    Check(stream.HasFailed() && record.GetPlayerName() == "before");
    return;
  }
  TDataStream saved(tag);
  Check(record.Save(saved));
  TGameRecord reloaded;
  saved.Rewind();
  Check(reloaded.Load(saved));
  TDataStream savedAgain(tag);
  Check(reloaded.Save(savedAgain) && savedAgain.Body() == saved.Body());
  record.TimeText();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("game_setup");
  gGameData = std::make_unique<TGameData>(kRules, "test", kTerrain);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char* tag = kVersionTags[data[0] % (sizeof kVersionTags / sizeof kVersionTags[0])];
  const std::vector<uint8_t> body(data + 1, data + size);
  ReadSetUpText(std::string(body.begin(), body.end()), tag);
  ReadScenarioStream(body, tag);
  ReadRecordStream(body, tag);
  return 0;
}
