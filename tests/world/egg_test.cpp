#include "world/egg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/random.h"
#include "units/combatant.h"
#include "units/unit_type.h"
#include "units/unit_visual_state.h"
#include "world/game_data.h"
#include "world/surrogate.h"
#include "support/temp_folder.h"
#include "world/test_world_objects.h"

namespace {

// The spawn: an egg, a queen, two creatures of cost exactly 1.0 (the hatch
// candidates, in table order) and two that are not candidates: a cheap one
// of another race and a spawn of another cost.
const char* const kRules =
    "# spawn rules\n"
    "[Unit Data]\n"
    "[Queen]\n"
    "Race = spwn\n"
    "Cost = 8\n"
    "Endurance = 300\n"
    "[Egg]\n"
    "Race = spwn\n"
    "Cost = 3\n"
    "Endurance = 40\n"
    "Armour = 2\n"
    "Target Height = 0.4\n"
    "LOS Shape = Sphere | 0,0,0.3 | 0.4\n"
    "[Scout Drone]\n"
    "Race = mech\n"
    "Cost = 1\n"
    "Endurance = 10\n"
    "[Splatter]\n"
    "Race = spwn\n"
    "Cost = 1\n"
    "Endurance = 20\n"
    "Speed = 8\n"
    "LOS Shape = Sphere | 0,0,0.3 | 0.3\n"
    "[Guardian]\n"
    "Race = spwn\n"
    "Cost = 1.5\n"
    "Endurance = 90\n"
    "[Drone]\n"
    "Race = spwn\n"
    "Cost = 1\n"
    "Endurance = 15\n"
    "Speed = 10\n"
    "LOS Shape = Sphere | 0,0,0.3 | 0.3\n";

const char* const kTerrain = "# terrain\n[Terrain Data]\n[Floor]\nType = ground\n";

std::unique_ptr<TGameData> MakeRules(const std::string& rules) {
  return std::make_unique<TGameData>(rules, "test", kTerrain);
}

class EggTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterEggRecordReader(); }

  std::unique_ptr<Egg> LayEgg(float x, float y, int32_t owner, float layTime, int32_t id = 5) const {
    auto egg = Egg::Lay(*data_, TVector3(x, y, 0.0f), owner, layTime);
    if (egg != nullptr) egg->SetId(id);
    return egg;
  }

  // The rules and failed spawns are logged into the working folder.
  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = MakeRules(kRules);
};

const TUnitDisplayState& Shown(const Egg& egg) { return egg.GetAnimator().GetDisplayState(); }

}  // namespace

TEST_F(EggTest, QueenLaysAnEggOfTheEggType) {
  const auto egg = LayEgg(3.0f, 4.0f, 1, 20.0f);
  ASSERT_NE(egg, nullptr);
  EXPECT_EQ(egg->TypeName(), "Egg");
  EXPECT_EQ(egg->SubtypeName(), "Egg");
  EXPECT_EQ(egg->GetOwner(), 1);
  EXPECT_FLOAT_EQ(egg->GetCreationTime(), 20.0f);
  EXPECT_FLOAT_EQ(egg->GetEndurance(), 40.0f);
  EXPECT_FLOAT_EQ(egg->GetRadius(), 0.4f);
  EXPECT_FLOAT_EQ(egg->GetSightWeight(), 1.0f);
  TVector3 aim;
  egg->GetAimPoint(aim);
  EXPECT_EQ(aim, TVector3(3.0f, 4.0f, 0.4f));
  EXPECT_TRUE(egg->TestFlag(1));
  EXPECT_FALSE(egg->HasHatched());
  EXPECT_TRUE(egg->CanHatch());
  EXPECT_EQ(egg->GetAnimator().GetStateName(), "Stand");
}

TEST_F(EggTest, NoEggTypeMeansNoEgg) {
  const auto rules = MakeRules("# rules\n[Unit Data]\n[Queen]\nRace = spwn\nEndurance = 300\n");
  EXPECT_EQ(Egg::Lay(*rules, TVector3(1.0f, 1.0f, 0.0f), 0, 20.0f), nullptr);
}

TEST_F(EggTest, ShowsHatchFromNineAndHatchesOnTheFirstTickAfterTen) {
  const auto egg = LayEgg(3.0f, 4.0f, 0, 20.0f);
  struct Step {
    float time;
    const char* state;
    bool hatched;
  };
  const Step steps[] = {
      {25.0f, "Stand", false}, {29.0f, "Stand", false}, {29.05f, "Hatch", false},
      {29.5f, "Hatch", false}, {30.0f, "Hatch", false}, {30.05f, "Hatch", true},
  };
  for (const Step& step : steps) {
    egg->Update(step.time);
    EXPECT_EQ(egg->GetAnimator().GetStateName(), step.state) << step.time;
    EXPECT_EQ(egg->HasHatched(), step.hatched) << step.time;
    EXPECT_EQ(egg->IsDestroyed(), step.hatched) << step.time;
    if (egg->GetAnimator().GetStateName() == "Hatch") {
      // Started at +9.0 and not restarted by the later ticks.
      EXPECT_FLOAT_EQ(Shown(*egg).animationStart, 29.0f) << step.time;
      EXPECT_EQ(Shown(*egg).bodyAnimation, 1) << step.time;
    }
  }
}

TEST_F(EggTest, HatchedEggLeavesASurrogateAllSeeAndACheapSpawnCreature) {
  const auto egg = LayEgg(3.0f, 4.0f, 1, 20.0f, 17);
  egg->Update(30.05f);
  ASSERT_TRUE(egg->HasHatched());

  constexpr uint32_t kSeed = 4711;
  TRandom reference;
  reference.Seed(kSeed);
  const int32_t expectedPick = reference.Int(1);  // two candidates
  GetRandom()->Seed(kSeed);

  TNewObjects newObjects;
  egg->HandleDestroyed(newObjects, *data_, 30.1f);
  ASSERT_EQ(newObjects.size(), 2u);
  ASSERT_EQ(newObjects[0]->TypeName(), "Surrogate");
  EXPECT_EQ(static_cast<const Surrogate&>(*newObjects[0]).KeptRecordId(), 17);
  EXPECT_TRUE(newObjects[0]->GetCurrentFlags().AllSet());

  ASSERT_EQ(newObjects[1]->TypeName(), "Combatant");
  const auto& creature = static_cast<const Combatant&>(*newObjects[1]);
  const char* const candidates[] = {"Splatter", "Drone"};
  EXPECT_EQ(creature.SubtypeName(), candidates[expectedPick]);
  EXPECT_EQ(creature.GetOwner(), 1);
  EXPECT_EQ(creature.Position(), TVector3(3.0f, 4.0f, 0.0f));
  EXPECT_FLOAT_EQ(creature.GetCreationTime(), 30.1f);
}

TEST_F(EggTest, EveryCandidateCanHatch) {
  // Over many seeds both candidates come out, and never another type.
  std::vector<std::string> seen;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const auto egg = LayEgg(3.0f, 4.0f, 0, 0.0f);
    egg->Update(10.5f);
    GetRandom()->Seed(seed);
    TNewObjects newObjects;
    egg->HandleDestroyed(newObjects, *data_, 10.5f);
    ASSERT_EQ(newObjects.size(), 2u);
    const std::string name = newObjects[1]->SubtypeName();
    ASSERT_TRUE(name == "Splatter" || name == "Drone") << name;
    if (std::find(seen.begin(), seen.end(), name) == seen.end()) seen.push_back(name);
  }
  EXPECT_EQ(seen.size(), 2u);
}

TEST_F(EggTest, EggShotBeforeHatchingLeavesNoCreature) {
  const auto egg = LayEgg(3.0f, 4.0f, 0, 20.0f);
  egg->Update(25.0f);
  EXPECT_FALSE(egg->TakeDamage(2.0f));  // the armour takes it all
  EXPECT_FLOAT_EQ(egg->GetEndurance(), 40.0f);
  EXPECT_FALSE(egg->TakeDamage(32.0f));
  EXPECT_FLOAT_EQ(egg->GetEndurance(), 10.0f);
  EXPECT_FLOAT_EQ(Shown(*egg).healthFraction, 0.25f);
  EXPECT_TRUE(egg->TakeDamage(100.0f));
  EXPECT_FLOAT_EQ(egg->GetEndurance(), 0.0f);

  TNewObjects newObjects;
  egg->HandleDestroyed(newObjects, *data_, 25.0f);
  ASSERT_EQ(newObjects.size(), 1u);
  EXPECT_EQ(newObjects[0]->TypeName(), "Surrogate");
  EXPECT_TRUE(newObjects[0]->GetCurrentFlags().AllSet());
}

TEST_F(EggTest, HatchingWithoutACandidateMakesNoCreature) {
  const auto rules = MakeRules("# rules\n[Unit Data]\n[Egg]\nRace = spwn\nCost = 3\nEndurance = 40\n");
  auto egg = Egg::Lay(*rules, TVector3(1.0f, 1.0f, 0.0f), 0, 0.0f);
  ASSERT_NE(egg, nullptr);
  egg->Update(10.5f);
  ASSERT_TRUE(egg->HasHatched());

  GetRandom()->Seed(99);
  TRandom reference;
  reference.Seed(99);
  TNewObjects newObjects;
  egg->HandleDestroyed(newObjects, *rules, 10.5f);
  ASSERT_EQ(newObjects.size(), 1u);
  EXPECT_EQ(newObjects[0]->TypeName(), "Surrogate");
  // Nothing was drawn.
  EXPECT_EQ(GetRandom()->Int(1000), reference.Int(1000));
}

TEST_F(EggTest, AUnitStandingOnTheEggKeepsItFromHatching) {
  TEggList eggs;
  eggs.Add(LayEgg(3.0f, 4.0f, 0, 0.0f, 1));
  eggs.Add(LayEgg(8.0f, 4.0f, 0, 0.0f, 2));

  world_test::TTestList units;
  auto unit = std::make_unique<world_test::TTestCrate>(TVector3(3.2f, 4.0f, 0.0f));
  auto volume = std::make_unique<TCompoundVolume>();
  volume->Add(std::make_unique<TSphereVolume>(&unit->Position(), TVector3(0.0f, 0.0f, 0.3f), 0.3f));
  unit->SetLofVolume(std::move(volume));
  units.Add(std::move(unit));

  eggs.UpdateCanHatch(units);
  auto* covered = static_cast<Egg*>(eggs.GetAt(0));
  auto* free = static_cast<Egg*>(eggs.GetAt(1));
  EXPECT_FALSE(covered->CanHatch());
  EXPECT_TRUE(free->CanHatch());

  eggs.Update(10.5f);
  EXPECT_FALSE(covered->HasHatched());
  EXPECT_FALSE(covered->IsDestroyed());
  EXPECT_TRUE(free->HasHatched());

  // Once the unit has gone the egg hatches on the next tick.
  units.DeleteAll();
  eggs.UpdateCanHatch(units);
  eggs.Update(10.6f);
  EXPECT_TRUE(covered->HasHatched());
}

TEST_F(EggTest, IsClearOfAVolumeAwayFromEveryOtherEgg) {
  TEggList eggs;
  eggs.Add(LayEgg(3.0f, 4.0f, 0, 0.0f, 1));
  const TVector3 near(3.5f, 4.0f, 0.0f);
  const TVector3 far(6.0f, 4.0f, 0.0f);
  TCompoundVolume nearVolume;
  nearVolume.Add(std::make_unique<TSphereVolume>(&near, TVector3(0.0f, 0.0f, 0.3f), 0.3f));
  TCompoundVolume farVolume;
  farVolume.Add(std::make_unique<TSphereVolume>(&far, TVector3(0.0f, 0.0f, 0.3f), 0.3f));
  EXPECT_FALSE(eggs.IsClearOf(nearVolume));
  EXPECT_TRUE(eggs.IsClearOf(farVolume));
  // An egg does not stand in its own way.
  EXPECT_TRUE(eggs.IsClearOf(eggs.GetAt(0)->GetLofVolume()));
}

TEST_F(EggTest, ListRoundTripsThroughAStreamAndSelects) {
  TEggList eggs;
  auto egg = LayEgg(3.0f, 4.0f, 1, 20.0f, 7);
  egg->TakeDamage(12.0f);
  egg->SetFlag(0, true);
  eggs.Add(std::move(egg));

  TDataStream stream;
  TStringList names;
  ASSERT_TRUE(eggs.Save(stream, names));
  stream.Rewind();
  TEggList loaded;
  ASSERT_TRUE(loaded.Load(stream, *data_, names));
  EXPECT_EQ(stream.Remaining(), 0u);
  ASSERT_EQ(loaded.Count(), 1);
  const auto& copy = static_cast<const Egg&>(*loaded.GetAt(0));
  EXPECT_EQ(copy.GetId(), 7);
  EXPECT_EQ(copy.Position(), TVector3(3.0f, 4.0f, 0.0f));
  EXPECT_EQ(copy.GetOwner(), 1);
  EXPECT_FLOAT_EQ(copy.GetLayTime(), 20.0f);
  EXPECT_FLOAT_EQ(copy.GetEndurance(), 30.0f);
  EXPECT_FLOAT_EQ(Shown(copy).healthFraction, 0.75f);
  EXPECT_TRUE(copy.TestFlag(0));

  EXPECT_FALSE(loaded.SelectAt(TVector3(3.1f, 4.0f, 0.0f), 0));
  EXPECT_TRUE(loaded.SelectAt(TVector3(3.1f, 4.0f, 0.0f), 1));
  EXPECT_EQ(loaded.GetSelectedId(), 7);
  EXPECT_TRUE(Shown(copy).IsShown(kSelectionMarkerPart));
  loaded.Deselect();
  EXPECT_EQ(loaded.GetSelected(), nullptr);
  EXPECT_FALSE(Shown(copy).IsShown(kSelectionMarkerPart));
  EXPECT_TRUE(loaded.AnyOwnedBy(1));
  EXPECT_FALSE(loaded.AnyOwnedBy(0));
}

TEST_F(EggTest, RecordOfAnUnknownTypeDoesNotSpawnAndFailsTheLoad) {
  TEggList eggs;
  eggs.Add(LayEgg(3.0f, 4.0f, 1, 20.0f, 7));
  TDataStream stream;
  TStringList names;
  ASSERT_TRUE(eggs.Save(stream, names));
  stream.Rewind();

  const auto rules = MakeRules("# rules\n[Unit Data]\n[Queen]\nRace = spwn\nEndurance = 300\n");
  EXPECT_EQ(eggs.GetAt(0)->MakeRecord()->Spawn(*rules, eggs), nullptr);
  TEggList loaded;
  EXPECT_FALSE(loaded.Load(stream, *rules, names));
  EXPECT_TRUE(stream.HasFailed());
  EXPECT_EQ(loaded.Count(), 0);
}
