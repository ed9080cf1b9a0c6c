#include "sim/victory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/game_data.h"
#include "sim/corpse.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/unit_type.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/world.h"

namespace {

// A fighter, a unit that can never fire, a headquarters unit without a
// weapon, and the egg type; weapons stand in the unit entries.
const char* const kRules =
    "# victory test rules\n"
    "[Unit Data]\n"
    "[Grunt]\nRace = marn\nCost = 4\nEndurance = 100\nLOS Shape = Sphere | 0,0,0.5 | 0.3\n"
    "Weapon Range = 10\nWeapon Speed = 100\nDamage = 10\nExplosive Radius = 0\nDamage Effect = Bullet\n"
    "Ammunition = 20\n"
    "[Hollow]\nRace = grey\nCost = 2\nEndurance = 50\nLOS Shape = Sphere | 0,0,0.5 | 0.3\n"
    "Weapon Range = 5\nWeapon Speed = 10\nDamage = 1\nExplosive Radius = 0\nDamage Effect = None\n"
    "Ammunition = 0\n"
    "[Marine HQ]\nRace = marn\nCost = 8\nEndurance = 200\nLOS Shape = Sphere | 0,0,0.6 | 0.8\n"
    "[Egg]\nRace = spwn\nCost = 2\nEndurance = 30\nLOS Shape = Sphere | 0,0,0.2 | 0.3\n";

const char* const kTerrain = "# terrain\n[Terrain Data]\n[Floor]\nType = ground\n";
const char* const kWeapons =
    "# weapons\n[Weapon Data]\n[Shrapnel]\nRace = mech\nWeapon Range = 4\nWeapon Speed = 150\nDamage = 12\n"
    "Explosive Radius = 0\nDamage Effect = Shrapnel\nAmmunition = 0\n";

// What a player owns in a test world.
enum EForce { kFighter, kDryFighter, kCannotFire, kHQUnit, kAmmoDump, kEgg };

struct TOwned {
  int32_t player;
  EForce force;
};

// A world of the small rules above, in a folder of its own.
class VictoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("Configs/Drannoc Data.cfg", kRules);
    folder_.Write("Configs/cityData.cfg", kTerrain);
    folder_.Write("Configs/Weapons.cfg", kWeapons);
    DestroyGameDataConfig();
  }
  void TearDown() override { DestroyGameDataConfig(); }

  std::unique_ptr<TWorld> MakeWorld(const std::vector<TOwned>& owned) {
    auto world = std::make_unique<TWorld>();
    const TGameData& data = world->GetGameData();
    TNewObjects objects;
    float x = 2.0f;
    for (const TOwned& item : owned) {
      const TVector3 at(x, 3.0f + static_cast<float>(item.player) * 5.0f, 0.0f);
      x += 2.0f;
      switch (item.force) {
        case kFighter:
        case kDryFighter: {
          auto unit = std::make_unique<Combatant>(*data.FindUnitType("Grunt"), data.FindWeaponType("Grunt"),
                                                  item.player, at, 0.0f);
          if (item.force == kDryFighter) unit->SpendAmmunition(1000.0f);
          objects.push_back(std::move(unit));
          break;
        }
        case kCannotFire:
          objects.push_back(std::make_unique<Combatant>(*data.FindUnitType("Hollow"), data.FindWeaponType("Hollow"),
                                                        item.player, at, 0.0f));
          break;
        case kHQUnit:
          objects.push_back(std::make_unique<Combatant>(*data.FindUnitType("Marine HQ"),
                                                        data.FindWeaponType("Marine HQ"), item.player, at, 0.0f));
          break;
        case kAmmoDump:
          objects.push_back(std::make_unique<AmmoDump>(at, *data.FindUnitType("Marine HQ"), item.player));
          break;
        case kEgg:
          objects.push_back(Egg::Lay(data, at, item.player, 0.0f));
          break;
      }
    }
    world->AddObjects(objects);
    return world;
  }

  // A unit of the player died: the other player scores its cost.
  static void KillUnitOf(TWorld& world, int32_t player) {
    TNewObjects objects;
    objects.push_back(std::make_unique<Corpse>(TVector3(1.0f, 1.0f, 0.0f), *world.GetGameData().FindUnitType("Grunt"),
                                               0, 1.0f, player));
    world.AddObjects(objects);
  }

  TTempFolder folder_;
};

// Scores given by the test, to probe the margin of the score comparison.
class TFixedScoreWipeOut : public TWipeOutScenario {
 public:
  TFixedScoreWipeOut(float score0, float score1) : scores_{score0, score1} {}
  float Score(int32_t player, const TWorld&, int32_t) const override { return scores_[player]; }

 private:
  float scores_[2];
};

struct TEndCase {
  const char* name;
  std::vector<TOwned> owned;
  int32_t turn;
  int32_t winner;  // when over
  int32_t reason0;
  int32_t reason1;
};

constexpr int32_t kTurnLimit = 30;
constexpr int32_t kMidGame = 5;
constexpr int32_t kAfterLimit = kTurnLimit + 1;

void CheckEnd(const TScenario& scenario, const TWorld& world, const TEndCase& c) {
  SCOPED_TRACE(c.name);
  const bool over = c.reason0 != 0;
  EXPECT_EQ(scenario.IsGameOver(world, c.turn), over);
  if (over) {
    EXPECT_EQ(scenario.Winner(world), c.winner);
  }
  EXPECT_EQ(scenario.EndReason(world, 0, c.turn), c.reason0);
  EXPECT_EQ(scenario.EndReason(world, 1, c.turn), c.reason1);
}

TEST_F(VictoryTest, WipeOutEndReasons) {
  const std::vector<TEndCase> cases = {
      {"both fight", {{0, kFighter}, {1, kFighter}}, kMidGame, 0, 0, 0},
      {"opponent wiped out", {{0, kFighter}}, kMidGame, 0, 1, 7},
      {"opponent wiped out, other side", {{1, kFighter}}, kMidGame, 1, 7, 1},
      {"opponent unable to fight", {{0, kFighter}, {1, kCannotFire}}, kMidGame, 0, 2, 9},
      {"eggs are forces", {{0, kFighter}, {1, kEgg}}, kMidGame, 0, 2, 9},
      {"an ammunition dump is a force", {{0, kFighter}, {1, kAmmoDump}}, kMidGame, 0, 2, 9},
      {"a dump resupplies a dry unit", {{0, kFighter}, {1, kDryFighter}, {1, kAmmoDump}}, kMidGame, 0, 0, 0},
      {"dry without a dump", {{0, kFighter}, {1, kDryFighter}}, kMidGame, 0, 2, 9},
      {"both wiped out", {}, kMidGame, -1, 4, 4},
      {"neither can fight", {{0, kCannotFire}}, kMidGame, -1, 5, 5},
      {"turn limit, equal scores", {{0, kFighter}, {1, kFighter}}, kAfterLimit, -1, 6, 6},
      {"turn limit reached, not passed", {{0, kFighter}, {1, kFighter}}, kTurnLimit, 0, 0, 0},
      {"turn 0", {{0, kFighter}}, 0, 0, 0, 0},
      {"turn 1", {{0, kFighter}}, 1, 0, 0, 0},
  };
  TWipeOutScenario scenario;
  scenario.SetTurnLimit(kTurnLimit);
  for (const TEndCase& c : cases) CheckEnd(scenario, *MakeWorld(c.owned), c);
}

TEST_F(VictoryTest, WipeOutWonOnScoreAtTheTurnLimit) {
  TWipeOutScenario scenario;
  scenario.SetTurnLimit(kTurnLimit);
  std::unique_ptr<TWorld> world = MakeWorld({{0, kFighter}, {1, kFighter}});
  KillUnitOf(*world, 1);
  EXPECT_FLOAT_EQ(scenario.Score(0, *world, 3), 4.0f);
  EXPECT_FLOAT_EQ(scenario.Score(1, *world, 3), 0.0f);
  CheckEnd(scenario, *world, {"won on score", {}, kAfterLimit, 0, 3, 8});
}

TEST_F(VictoryTest, WipeOutScoresWithinTheMarginDraw) {
  std::unique_ptr<TWorld> world = MakeWorld({{0, kFighter}, {1, kFighter}});
  struct Case {
    float score0;
    float score1;
    int32_t winner;
  };
  const Case cases[] = {{5.0f, 5.00005f, -1}, {5.00005f, 5.0f, -1}, {5.0f, 5.0002f, 1}, {5.0002f, 5.0f, 0}};
  for (const Case& c : cases) {
    TFixedScoreWipeOut scenario(c.score0, c.score1);
    scenario.SetTurnLimit(kTurnLimit);
    EXPECT_EQ(scenario.Winner(*world), c.winner) << c.score0 << " " << c.score1;
  }
}

TEST_F(VictoryTest, HQEndReasons) {
  const std::vector<TEndCase> cases = {
      {"both standing", {{0, kFighter}, {0, kHQUnit}, {1, kFighter}, {1, kAmmoDump}}, kMidGame, 0, 0, 0},
      {"headquarters taken", {{0, kFighter}, {0, kHQUnit}, {1, kFighter}}, kMidGame, 0, 10, 13},
      {"a dump is a headquarters", {{0, kFighter}, {0, kAmmoDump}, {1, kFighter}}, kMidGame, 0, 10, 13},
      {"opponent unable to fight", {{0, kFighter}, {0, kHQUnit}, {1, kHQUnit}}, kMidGame, 0, 2, 9},
      {"both headquarters lost", {{0, kFighter}, {1, kFighter}}, kMidGame, -1, 12, 12},
      {"neither can fight", {{0, kHQUnit}, {1, kHQUnit}}, kMidGame, -1, 5, 5},
      {"turn limit", {{0, kFighter}, {0, kHQUnit}, {1, kFighter}, {1, kHQUnit}}, kAfterLimit, -1, 11, 11},
      {"turn 1", {{0, kFighter}, {0, kHQUnit}, {1, kFighter}}, 1, 0, 0, 0},
  };
  THQScenario scenario;
  scenario.SetTurnLimit(kTurnLimit);
  for (const TEndCase& c : cases) CheckEnd(scenario, *MakeWorld(c.owned), c);
}

TEST_F(VictoryTest, HQDrawIgnoresScores) {
  THQScenario scenario;
  scenario.SetTurnLimit(kTurnLimit);
  std::unique_ptr<TWorld> world = MakeWorld({{0, kFighter}, {0, kHQUnit}, {1, kFighter}, {1, kHQUnit}});
  KillUnitOf(*world, 1);
  EXPECT_FLOAT_EQ(scenario.Score(0, *world, 0), 4.0f);
  EXPECT_EQ(scenario.Winner(*world), -1);
}

TEST_F(VictoryTest, ForcesAndFightingTests) {
  std::unique_ptr<TWorld> world = MakeWorld({{0, kEgg}, {1, kDryFighter}, {1, kAmmoDump}});
  EXPECT_TRUE(TScenario::PlayerHasForces(*world, 0));
  EXPECT_FALSE(TScenario::PlayerCanFight(*world, 0));
  EXPECT_TRUE(TScenario::PlayerCanFight(*world, 1));
  EXPECT_FALSE(THQScenario::HasHeadquarters(*world, 0));
  EXPECT_TRUE(THQScenario::HasHeadquarters(*world, 1));
  EXPECT_FALSE(TScenario::PlayerHasForces(*world, 2));
  // Only the two players of a duel have a result.
  TWipeOutScenario scenario;
  scenario.SetTurnLimit(kTurnLimit);
  EXPECT_EQ(scenario.EndReason(*world, 2, kAfterLimit), 0);
  EXPECT_EQ(scenario.EndReason(*world, -1, kAfterLimit), 0);
}

}  // namespace
