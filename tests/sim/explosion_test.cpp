#include "sim/explosion.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/effect_test_support.h"
#include "support/temp_folder.h"

namespace {

class ExplosionTest : public ::testing::Test {
 protected:
  TTempFolder folder_;
  effect_test::TEffectReaders readers_;
  std::unique_ptr<TGameData> data_ = effect_test::MakeRules();
};

struct DurationCase {
  float radius;
  float duration;
};

class ExplosionDurationTest : public ::testing::TestWithParam<DurationCase> {};

TEST_P(ExplosionDurationTest, LastsThreeUnitsPerTenOfRadiusAtLeastThree) {
  const DurationCase& c = GetParam();
  EXPECT_FLOAT_EQ(Explosion::DurationFor(c.radius), c.duration);
  Explosion explosion(TVector3(), 5.0f, c.radius, 1.0f, false);
  explosion.Update(1.0f + c.duration);
  EXPECT_FALSE(explosion.IsDestroyed());
  explosion.Update(1.0f + c.duration + 0.01f);
  EXPECT_TRUE(explosion.IsDestroyed());
}

INSTANTIATE_TEST_SUITE_P(Radii, ExplosionDurationTest,
                         ::testing::Values(DurationCase{0.5f, 3.0f}, DurationCase{10.0f, 3.0f},
                                           DurationCase{20.0f, 6.0f}));

struct SoundCase {
  float damage;
  bool warp;
  std::string sound;
  float volume;
};

class ExplosionSoundTest : public ::testing::TestWithParam<SoundCase> {};

TEST_P(ExplosionSoundTest, ChoosesItsSoundByItsStrength) {
  const SoundCase& c = GetParam();
  const Explosion explosion(TVector3(), c.damage, 1.0f, 0.0f, c.warp);
  EXPECT_EQ(explosion.GetSoundName(), c.sound);
  EXPECT_NEAR(explosion.GetSoundVolume(), c.volume, 0.001f);
}

INSTANTIATE_TEST_SUITE_P(Damages, ExplosionSoundTest,
                         ::testing::Values(SoundCase{9.9f, false, "Small Explosion", 0.83f},
                                           SoundCase{10.0f, false, "Large Explosion", 1.0f},
                                           SoundCase{30.0f, true, "Small Explosion", 1.0f},
                                           SoundCase{0.0f, false, "Small Explosion", 0.5f}));

TEST_F(ExplosionTest, WeakBlastsShowSmallerSprites) {
  EXPECT_FLOAT_EQ(Explosion::VisualScaleFor(6.0f), 0.5f);
  EXPECT_FLOAT_EQ(Explosion::VisualScaleFor(12.0f), 1.0f);
  EXPECT_FLOAT_EQ(Explosion::VisualScaleFor(40.0f), 1.0f);
}

TEST_F(ExplosionTest, IsSeenByEveryPlayerAndCannotBeHurt) {
  Explosion explosion(TVector3(1, 2, 3), 20.0f, 2.0f, 4.0f, false);
  EXPECT_TRUE(explosion.GetCurrentFlags().AllSet());
  EXPECT_FALSE(explosion.TakeDamage(100.0f));
  EXPECT_EQ(explosion.TypeName(), "Explosion");
  EXPECT_FLOAT_EQ(explosion.GetCreationTime(), 4.0f);
}

TEST_F(ExplosionTest, DropsOnlyTheHitsThatAreDue) {
  TExplosionList list;
  auto explosion = std::make_unique<Explosion>(TVector3(), 20.0f, 2.0f, 4.0f, false);
  explosion->AddHit({1, 10.0f, 4.05f});
  explosion->AddHit({2, 5.0f, 4.2f});
  explosion->AddHit({3, 2.0f, 4.09995f});
  Explosion* kept = explosion.get();
  list.Add(std::move(explosion));
  list.DropDueHits(4.1f);
  ASSERT_EQ(kept->GetHits().size(), 1u);
  EXPECT_EQ(kept->FindHit(2)->targetId, 2);
  EXPECT_EQ(kept->FindHit(1), nullptr);
}

struct RecordCase {
  std::string tag;
  bool warpKept;
};

class ExplosionRecordTest : public ExplosionTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(ExplosionRecordTest, RoundTripsWithItsHits) {
  Explosion explosion(TVector3(1, 2, 0.5f), 20.0f, 2.5f, 4.0f, true);
  explosion.SetId(40);
  explosion.SetSpread(true);
  explosion.AddHit({7, 12.5f, 4.05f});
  explosion.AddHit({9, 3.0f, 4.2f});
  const auto read = effect_test::RoundTrip(*explosion.MakeRecord(), GetParam().tag);
  ASSERT_NE(read, nullptr);
  effect_test::TAnyList list;
  const auto spawned = read->Spawn(*data_, list);
  ASSERT_NE(spawned, nullptr);
  const auto& rebuilt = static_cast<const Explosion&>(*spawned);
  EXPECT_EQ(rebuilt.GetId(), 40);
  EXPECT_FLOAT_EQ(rebuilt.GetDamage(), 20.0f);
  EXPECT_FLOAT_EQ(rebuilt.GetBlastRadius(), 2.5f);
  EXPECT_FLOAT_EQ(rebuilt.GetStartTime(), 4.0f);
  EXPECT_TRUE(rebuilt.HasSpread());
  EXPECT_EQ(rebuilt.IsWarp(), GetParam().warpKept);
  EXPECT_EQ(rebuilt.GetHits(), explosion.GetHits());
}

INSTANTIATE_TEST_SUITE_P(Versions, ExplosionRecordTest,
                         ::testing::Values(RecordCase{"Vorhelm-2-15", false}, RecordCase{"Vorhelm-2-16", true},
                                           RecordCase{"Vorhelm-3-10", true}, RecordCase{"Vorhelm-1-05", false}));

TEST_F(ExplosionTest, AnOldRecordHasNoWarpByte) {
  const Explosion explosion(TVector3(), 20.0f, 2.5f, 4.0f, true);
  const auto record = explosion.MakeRecord();
  EXPECT_EQ(effect_test::RecordBytes(*record, "Vorhelm-2-16").size(),
            effect_test::RecordBytes(*record, "Vorhelm-2-15").size() + 1);
}

TEST_F(ExplosionTest, AHitCountBeyondTheStreamFailsTheRecord) {
  Explosion explosion(TVector3(), 20.0f, 2.5f, 4.0f, false);
  explosion.AddHit({7, 12.5f, 4.05f});
  auto saved = effect_test::SaveRecord(*explosion.MakeRecord(), "Vorhelm-3-10");
  std::vector<uint8_t>& body = saved->stream.Body();
  const std::size_t countAt = body.size() - 12 - 4;
  body[countAt + 3] = 0x7F;
  saved->stream.Rewind();
  EXPECT_EQ(CreateObjectRecord(saved->stream, saved->names), nullptr);
  EXPECT_TRUE(saved->stream.HasFailed());
}

}  // namespace
