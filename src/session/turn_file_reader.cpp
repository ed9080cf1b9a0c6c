#include "session/turn_file_reader.h"

#include "app/data_stream.h"
#include "session/game_record.h"
#include "sim/clock.h"
#include "sim/event_factory.h"
#include "sim/event_list.h"
#include "sim/turn_simulator.h"
#include "world/map.h"
#include "world/deploy_tile.h"
#include "world/world.h"

namespace {

void PlayBack(TTurnSimulator& sim, int32_t turn) {
  TTurnClock& clock = sim.GetClock();
  clock.SetTurn(turn);
  sim.Start(TTurnSimulator::kPlayback);
  clock.Start();
  while (!sim.Tick()) clock.Advance(TTurnSimulator::kClientStep);
}

}  // namespace

bool ReadFirstTurnMap(TDataStream& stream, TWorld& world, std::string& gameDataText) {
  constexpr float kGameDataTextAbove = 2.3099f;
  constexpr float kTerrainSetNamedFrom = 2.0799f;
  gameDataText.clear();
  if (stream.GetVersion() > kGameDataTextAbove) gameDataText = stream.ReadString();
  std::string terrainSet = stream.ReadString();
  if (stream.GetVersion() < kTerrainSetNamedFrom) terrainSet = "city";
  const auto width = static_cast<int32_t>(stream.ReadInt());
  const auto height = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || width < TMap::kMinSize || width > TMap::kMaxSize || height < TMap::kMinSize ||
      height > TMap::kMaxSize) {
    return false;
  }
  if (terrainSet != world.GetMap().GetTerrainSet() && !world.SetTerrainSet(terrainSet)) return false;
  world.ResizeMap(width, height);
  return true;
}

bool LoadTurnFile(TTurnSimulator& sim, TGameRecord& record, const std::string& path, TTurnFileHead& head,
                  std::string& error) {
  TDataStream stream;
  if (!stream.LoadFromFile(path)) {
    error = "Unable to open file " + path;
    return false;
  }
  if (!record.Load(stream)) {
    error = path + ": the game record does not read";
    return false;
  }
  head.turn = static_cast<int32_t>(stream.ReadInt());
  head.tag = stream.ReadString();
  std::string eventsTag = head.tag;
  if (head.tag == "General Information") {
    std::string gameDataText;
    if (!ReadFirstTurnMap(stream, sim.GetWorld(), gameDataText)) {
      error = path + ": the map header does not read";
      return false;
    }
    eventsTag = stream.ReadString();
  }
  if (stream.HasFailed() || eventsTag != "Events" || head.turn < 0 || head.turn > 100000) {
    error = path + ": not a turn file";
    return false;
  }
  TEventFactoryContext context;
  context.world = &sim.GetWorld();
  context.reactionManager = &sim.GetReactions();
  context.specialEffects = &sim.GetEffects();
  context.gameRecord = &record;
  if (!sim.GetEvents().LoadTurn(stream, context)) {
    error = path + ": the events do not read";
    return false;
  }
  // The deployment squares are the client's own objects, numbered by its
  // world; once a turn has been computed they are gone, and their ids must
  // not shadow the units the turn's events show.
  if (head.turn >= 1) sim.GetWorld().GetDeployTiles().DeleteAll();
  PlayBack(sim, head.turn);
  return true;
}
