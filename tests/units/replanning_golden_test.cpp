// The battle of the re-planning benchmark against the golden files made
// before the route search was made faster: every walking unit plans its
// route again on every tick, from wherever it has walked to, so the search
// meets starts off the lattice, crowds of units, goals inside other units
// and plans that are asked for again unchanged. Every route of every tick is
// kept, as a digest per tick of the routes' exact coordinates (the full
// text would be megabytes), beside the turn's saved events and world.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/game_data.h"
#include "support/golden_file.h"
#include "support/reference_battle.h"
#include "support/temp_folder.h"

namespace {

uint64_t Fnv1a(const std::string& text) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// One line per tick: how many walking orders have a route, their points in
// all, and the digest of every order's unit and route points (hex floats).
std::size_t AppendRoutes(TTurnSimulator& battle, int32_t tick, std::string& digest) {
  char buffer[96];
  std::string text;
  std::size_t routes = 0;
  std::size_t points = 0;
  for (TOrder* order : battle.GetOrders().CollectOrders()) {
    const auto* walk = dynamic_cast<const TRouteOrder*>(order);
    if (walk == nullptr || !walk->IsStarted()) continue;
    ++routes;
    points += walk->GetRoute().PointCount();
    std::snprintf(buffer, sizeof buffer, "%d %d %zu:", tick, walk->GetUnitId(), walk->GetRoute().PointCount());
    text += buffer;
    for (const TVector3& p : walk->GetRoute().Points()) {
      std::snprintf(buffer, sizeof buffer, " (%a %a %a)", static_cast<double>(p.x), static_cast<double>(p.y),
                    static_cast<double>(p.z));
      text += buffer;
    }
    text += "\n";
  }
  std::snprintf(buffer, sizeof buffer, "tick %d: %zu routes, %zu points, %016llx\n", tick, routes, points,
                static_cast<unsigned long long>(Fnv1a(text)));
  digest += buffer;
  return routes;
}

class ReplanningGoldenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    DestroyGameDataConfig();
  }
  void TearDown() override { DestroyGameDataConfig(); }

  TTempFolder folder_;
};

TEST_F(ReplanningGoldenTest, EveryUnitReplanningEachTickGivesTheKeptRoutesAndFilesGolden) {
  std::unique_ptr<TTurnSimulator> sim = reference_battle::MakeFoundryBattle(8);
  ASSERT_NE(sim, nullptr);
  TTurnSimulator& battle = *sim;
  std::string routes;
  int32_t tick = 0;
  std::size_t planned = 0;
  reference_battle::RunServerTurn(battle, [&battle, &routes, &tick, &planned] {
    reference_battle::ReplanEveryWalk(battle);
    planned += AppendRoutes(battle, tick++, routes);
  });
  // A battle where nobody walks would prove nothing.
  ASSERT_GT(battle.GetEvents().GetEventCount(), 10);
  ASSERT_GT(planned, 1000u);
  golden::Check("replanning_routes.txt", routes);
  golden::Check("replanning_turn.events", reference_battle::EventBytes(battle));
  golden::Check("replanning_turn.world", reference_battle::WorldBytes(battle));
}

}  // namespace
