// The route search against the golden list of routes it gave before it was
// made faster: 200 fixed pairs on Foundry.map and the search's edge cases
// over the map lattice (the goal itself, off the map, in a wall, a cost
// limit, a search box, points off the lattice, no obstacles collected, jumps
// between Regenerators). Every coordinate is kept exactly (hex floats).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/game_data.h"
#include "support/golden_file.h"
#include "support/route_pairs.h"
#include "support/temp_folder.h"
#include "units/path_search.h"
#include "world/ammo_dump.h"

namespace {

std::string Describe(const std::string& label, const TRoute& route) {
  std::string text = label + " " + std::to_string(route.PointCount()) + ":";
  char buffer[96];
  for (const TVector3& p : route.Points()) {
    std::snprintf(buffer, sizeof buffer, " (%a %a %a)", static_cast<double>(p.x), static_cast<double>(p.y),
                  static_cast<double>(p.z));
    text += buffer;
  }
  return text + "\n";
}

class PathSearchGoldenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    DestroyGameDataConfig();
    routes_ = std::make_unique<route_pairs::TRouteWorld>();
  }
  void TearDown() override {
    routes_.reset();
    DestroyGameDataConfig();
  }

  std::string Route(const std::string& label, const TVector3& from, const TVector3& to, TRoutePointMeasure& measure,
                    TPathSearch& search) {
    search.Run(from, to, measure);
    return Describe(label, search);
  }

  TTempFolder folder_;
  std::unique_ptr<route_pairs::TRouteWorld> routes_;
};

TEST_F(PathSearchGoldenTest, TheFixedPairsOnFoundryGiveTheKeptRoutes) {
  TRoutePointMeasure& measure = *routes_->measure;
  TPathSearch search;
  std::string text;
  int32_t index = 0;
  for (const auto& [from, to] : route_pairs::Pairs(routes_->world.GetMap().GetWidth())) {
    measure.CollectBlockers(from);
    text += Route("pair " + std::to_string(index++), from, to, measure, search);
  }
  golden::Check("routes_foundry_pairs.txt", text);
}

TEST_F(PathSearchGoldenTest, TheEdgeCasesGiveTheKeptRoutes) {
  TRoutePointMeasure& measure = *routes_->measure;
  TPathSearch search;
  std::string text;
  const TVector3 corner(1.0f, 1.0f, 0.0f);
  text += Route("goal at the start", corner, corner, measure, search);
  text += Route("goal off the map", TVector3(45.0f, 45.0f, 0.0f), TVector3(60.0f, 60.0f, 0.0f), measure, search);
  text += Route("goal in a wall", TVector3(10.0f, 1.0f, 0.0f), TVector3(3.0f, 3.0f, 0.0f), measure, search);
  text += Route("goal in the vault", TVector3(26.0f, 8.0f, 0.0f), TVector3(35.0f, 8.0f, 0.0f), measure, search);
  text += Route("off the lattice", TVector3(1.3f, 2.7f, 0.0f), TVector3(20.2f, 30.9f, 0.0f), measure, search);
  text += Route("across the map", corner, TVector3(48.0f, 48.0f, 0.0f), measure, search);
  measure.CollectBlockers(TVector3(24.0f, 17.0f, 0.0f));
  text += Route("among units", TVector3(24.0f, 17.0f, 0.0f), TVector3(26.0f, 18.0f, 0.0f), measure, search);
  text += Route("onto a unit", TVector3(23.0f, 17.5f, 0.0f), TVector3(25.0f, 17.5f, 0.0f), measure, search);
  measure.SetCheckBlockers(false);

  search.SetCostLimit(12.0f);
  text += Route("cost limit", corner, TVector3(30.0f, 30.0f, 0.0f), measure, search);
  search.SetCostLimit(0.0f);
  search.SetSearchBox(TVector3(2.0f, 18.0f, 0.0f), TVector3(30.0f, 19.0f, 0.0f), 1.0f);
  text += Route("search box", TVector3(2.0f, 18.0f, 0.0f), TVector3(30.0f, 19.0f, 0.0f), measure, search);
  text += Route("goal outside the box", TVector3(2.0f, 18.0f, 0.0f), TVector3(30.0f, 40.0f, 0.0f), measure, search);
  search.ClearSearchBox();

  // A grey walker between two of its own Regenerators and one of the enemy.
  const TGameData& data = routes_->world.GetGameData();
  TNewObjects dumps;
  dumps.push_back(std::make_unique<AmmoDump>(TVector3(5.0f, 20.0f, 0.0f), *data.FindUnitType("Regenerator"), 0));
  dumps.push_back(std::make_unique<AmmoDump>(TVector3(40.0f, 36.0f, 0.0f), *data.FindUnitType("Regenerator"), 0));
  dumps.push_back(std::make_unique<AmmoDump>(TVector3(25.0f, 45.0f, 0.0f), *data.FindUnitType("Regenerator"), 1));
  routes_->world.AddObjects(dumps);
  TRoutePointMeasure grey(routes_->world, &routes_->walker->GetLofVolume(), 0, 1, 0, "0");
  text += Route("by Regenerators", TVector3(2.0f, 22.0f, 0.0f), TVector3(44.0f, 38.0f, 0.0f), grey, search);
  text += Route("near a foreign one", TVector3(22.0f, 43.0f, 0.0f), TVector3(28.0f, 47.0f, 0.0f), grey, search);
  golden::Check("routes_edge_cases.txt", text);
}

}  // namespace
