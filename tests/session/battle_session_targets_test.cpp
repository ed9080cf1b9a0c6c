// What the battle screens' commands read and change through the session,
// on a first turn in which the marines have deployed.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/game_data.h"
#include "app/string_table.h"
#include "app/version_info.h"
#include "display/visual_preload.h"
#include "rebuild_game.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "session/game_record.h"
#include "sim/smoke.h"
#include "support/game_folder_test.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/reaction_manager.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;

std::string Interface(const std::string& text) { return GetStringTable()->TranslateIn("Interface", text); }

class BattleSessionTargetsTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    std::string error;
    ASSERT_TRUE(server_game::NewGame(rebuild_game::kBattle, error)) << error;
    session_ = std::make_unique<TBattleSession>(0);
    ASSERT_TRUE(session_->LoadTurnFile(rebuild_game::Results(0, 0))) << session_->GetFailure();
    session_->GetGameRecord().SetRace("marn");
    forcePointsBefore_ = session_->GetScenarioForcePoints();
    for (const float x : {4.0f, 8.0f}) ASSERT_TRUE(session_->GiveDeployOrder("Grunt", {x, 17, 0}));
  }
  void TearDown() override {
    session_.reset();
    GameFolderTest::TearDown();
  }

  std::vector<Combatant*> OwnUnits() const {
    std::vector<Combatant*> units;
    const TCombatantList& list = session_->GetCombatantList();
    for (int32_t i = 0; i < list.Count(); ++i) {
      Combatant* unit = list.UnitAt(i);
      if (unit != nullptr && unit->GetOwner() == 0) units.push_back(unit);
    }
    return units;
  }

  std::unique_ptr<TBattleSession> session_;
  int32_t forcePointsBefore_ = 0;
};

TEST_F(BattleSessionTargetsTest, RecordTextsNameTheWinnerFromThePlayersSide) {
  TGameRecord& record = session_->GetGameRecord();
  record.SetPlayerName("Ann");
  record.SetOpponentName("Bob");
  EXPECT_EQ(session_->PlayerText(), "Ann " + Interface("@322") + " Bob");
  struct TCase {
    int32_t player;
    int32_t winner;
    std::string text;
  };
  const TCase cases[] = {
      {1, 1, " " + Interface("@323") + " Ann"},
      {1, 0, " " + Interface("@323") + " Bob"},
      {0, 0, " " + Interface("@323") + " Ann"},
      {0, -1, Interface("@324")},
  };
  for (const TCase& c : cases) {
    record.SetPlayerNumber(c.player);
    record.SetWinner(c.winner);
    EXPECT_EQ(session_->ResultText(), c.text) << c.player << " " << c.winner;
  }
  record.SetEndReason(7);
  EXPECT_EQ(session_->ReasonText(), Interface("@7"));
  EXPECT_EQ(session_->GetMapName(), record.GetMap());
}

TEST_F(BattleSessionTargetsTest, SelectedUnitQuestionsAndTexts) {
  const std::vector<Combatant*> units = OwnUnits();
  ASSERT_EQ(units.size(), 2u);
  session_->ClearSelection();
  EXPECT_EQ(session_->SetSighting(), nullptr);
  EXPECT_EQ(session_->OutOfAmmoText(), "");
  EXPECT_FALSE(session_->HasShield());

  ASSERT_TRUE(session_->SelectById(units[0]->GetId()));
  EXPECT_EQ(session_->SetSighting(), session_->GetReactionManager().Find(units[0]->GetId()));
  EXPECT_EQ(session_->SetCombat(), session_->GetReactionManager().Find(units[0]->GetId()));
  EXPECT_FALSE(session_->CanLayEgg());
  EXPECT_FALSE(session_->CanEat());
  EXPECT_FALSE(session_->CanCommitSuicide());
  // Not a queen: no food value.
  EXPECT_EQ(session_->FoodText(), "");
  TWeapon* weapon = units[0]->GetWeapon();
  ASSERT_NE(weapon, nullptr);
  ASSERT_GT(weapon->GetMaxAmmunition(), 0);
  EXPECT_EQ(session_->OutOfAmmoText(), "");
  weapon->SetAmmunition(0.0f);
  EXPECT_EQ(session_->OutOfAmmoText(), Interface("@326"));
}

TEST_F(BattleSessionTargetsTest, NextUnitWalksThePlayersUnitsBothWays) {
  const std::vector<Combatant*> units = OwnUnits();
  ASSERT_EQ(units.size(), 2u);
  ASSERT_TRUE(session_->SelectById(units[0]->GetId()));
  ASSERT_TRUE(session_->NextUnit(1));
  EXPECT_EQ(session_->GetCombatantList().GetSelected(), units[1]);
  ASSERT_TRUE(session_->NextUnit(1));
  EXPECT_EQ(session_->GetCombatantList().GetSelected(), units[0]);
  // Direction 0 goes back.
  ASSERT_TRUE(session_->NextUnit(0));
  EXPECT_EQ(session_->GetCombatantList().GetSelected(), units[1]);
}

TEST_F(BattleSessionTargetsTest, ViewTogglesConcessionAndAccount) {
  const bool walls = session_->GetMap().WallsToggled();
  const bool smoke = session_->GetWorld().GetSmoke().IsShown();
  session_->ToggleWallView();
  EXPECT_NE(session_->GetMap().WallsToggled(), walls);
  EXPECT_NE(session_->GetWorld().GetSmoke().IsShown(), smoke);

  session_->Concede(false);
  EXPECT_FALSE(session_->GetGameRecord().IsConceded());
  EXPECT_EQ(session_->GetRequestedScreen(), "");
  session_->Concede(true);
  EXPECT_TRUE(session_->GetGameRecord().IsConceded());
  EXPECT_EQ(session_->GetRequestedScreen(), "Intro Screen");

  TGame::Instance()->GetPlayerData().playerName = "Ann";
  TGame::Instance()->GetPlayerData().emailAddress = "ann@example.org";
  TGame::Instance()->GetPlayerData().password = "pw";
  EXPECT_EQ(session_->GetPlayerName(), "Ann");
  EXPECT_EQ(session_->GetPrimaryEmail(), "ann@example.org");
  EXPECT_EQ(session_->GetPassword(), "pw");

  // The deployment spent points on the two units.
  EXPECT_LT(session_->GetScenarioForcePoints(), forcePointsBefore_);
}

TEST_F(BattleSessionTargetsTest, TerrainAndBothRacesVisualsArePreloaded) {
  const std::vector<TVisualPreload> requests = session_->CreateTerrainVisuals();
  const TGameData& data = session_->GetWorld().GetGameData();
  ASSERT_GT(data.GetTerrainTypeCount(), 0);
  int32_t terrain = 0;
  std::set<std::string> unitTypes;
  for (const TVisualPreload& request : requests) {
    if (request.category == "Terrain") {
      // Terrain comes first, each type once.
      EXPECT_EQ(unitTypes.size(), 0u);
      ++terrain;
      continue;
    }
    // The marines see only their own units: only their race is loaded.
    EXPECT_EQ(request.category, "marnVisual");
    EXPECT_FALSE(request.spawnRace);
    unitTypes.insert(request.name);
  }
  EXPECT_EQ(terrain, data.GetTerrainTypeCount());
  EXPECT_EQ(unitTypes.count("Grunt"), 1u);
  int32_t marineTypes = 0;
  for (int32_t i = 0; i < data.GetUnitTypeCount(); ++i) marineTypes += data.GetUnitType(i)->GetRace() == "marn";
  EXPECT_EQ(static_cast<int32_t>(unitTypes.size()), marineTypes);
}

}  // namespace
