#include "sim/goo.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/random.h"
#include "sim/effect_test_support.h"
#include "support/temp_folder.h"

namespace {

class GooTest : public ::testing::Test {
 protected:
  TTempFolder folder_;
  effect_test::TEffectReaders readers_;
  std::unique_ptr<TGameData> data_ = effect_test::MakeRules();
};

struct SnapCase {
  float in;
  float out;
};

class GooSnapTest : public ::testing::TestWithParam<SnapCase> {};

TEST_P(GooSnapTest, SnapsToTheHalfSquareGridOnTheGround) {
  const SnapCase& c = GetParam();
  const Goo goo(TVector3(c.in, c.in + 1.0f, 0.7f), 0.0f);
  EXPECT_EQ(goo.Position(), TVector3(c.out, c.out + 1.0f, 0.0f));
}

INSTANTIATE_TEST_SUITE_P(Points, GooSnapTest,
                         ::testing::Values(SnapCase{0.26f, 0.5f}, SnapCase{0.74f, 0.5f}, SnapCase{0.24f, 0.0f},
                                           SnapCase{1.0f, 1.0f}, SnapCase{-0.26f, -0.5f}));

TEST_F(GooTest, DriesUpTwentyUnitsAfterItWasLaid) {
  Goo goo(TVector3(), 3.0f);
  goo.Update(23.0f);
  EXPECT_FALSE(goo.IsDestroyed());
  goo.Update(23.01f);
  EXPECT_TRUE(goo.IsDestroyed());
}

TEST_F(GooTest, DamageWearsItAwaySooner) {
  Goo goo(TVector3(), 3.0f);
  EXPECT_FALSE(goo.TakeDamage(6.0f));
  goo.Update(11.0f);
  EXPECT_FALSE(goo.IsDestroyed());
  goo.Update(11.01f);
  EXPECT_TRUE(goo.IsDestroyed());
}

TEST_F(GooTest, RenewalRestoresFullStrengthWithoutDamage) {
  Goo goo(TVector3(), 0.0f);
  goo.TakeDamage(4.0f);
  goo.Update(15.0f);
  EXPECT_TRUE(goo.IsDestroyed());
  goo.Renew(15.0f);
  EXPECT_FALSE(goo.IsDestroyed());
  EXPECT_FLOAT_EQ(goo.GetGooStrength(), 10.0f);
  EXPECT_FLOAT_EQ(goo.GetDamageTaken(), 0.0f);
  EXPECT_FLOAT_EQ(goo.GetCreationTime(), 15.0f);
}

TEST_F(GooTest, DrawsItsVisualNumberWithoutADisplayToo) {
  GetRandom()->Seed(5);
  TRandom expected;
  expected.Seed(5);
  for (int i = 0; i < 20; ++i) {
    const Goo goo(TVector3(), 0.0f);
    EXPECT_EQ(goo.GetVisualNumber(), expected.Int(2) + 1);
    EXPECT_GE(goo.GetVisualNumber(), 1);
    EXPECT_LE(goo.GetVisualNumber(), 3);
  }
}

TEST_F(GooTest, RecordRoundTripKeepsStrengthAndDamage) {
  Goo goo(TVector3(1.5f, 2.0f, 0.0f), 4.0f);
  goo.SetId(3);
  goo.SetFlag(0, true);
  goo.TakeDamage(2.5f);
  goo.Update(6.0f);
  const auto read = effect_test::RoundTrip(*goo.MakeRecord(), "Vorhelm-3-10");
  ASSERT_NE(read, nullptr);
  effect_test::TAnyList list;
  const auto spawned = read->Spawn(*data_, list);
  ASSERT_NE(spawned, nullptr);
  const auto& rebuilt = static_cast<const Goo&>(*spawned);
  EXPECT_EQ(rebuilt.GetId(), 3);
  EXPECT_TRUE(rebuilt.TestFlag(0));
  EXPECT_EQ(rebuilt.Position(), TVector3(1.5f, 2.0f, 0.0f));
  EXPECT_FLOAT_EQ(rebuilt.GetStartTime(), 4.0f);
  EXPECT_FLOAT_EQ(rebuilt.GetGooStrength(), 9.0f);
  EXPECT_FLOAT_EQ(rebuilt.GetDamageTaken(), 2.5f);
}

TEST_F(GooTest, TheListFindsPatchesAtAndNearPoints) {
  TGooList list;
  auto first = std::make_unique<Goo>(TVector3(1.0f, 1.0f, 0.0f), 0.0f);
  first->SetId(7);
  list.Add(std::move(first));
  EXPECT_NE(list.FindAt(TVector3(1.00005f, 1.0f, 0.0f)), nullptr);
  EXPECT_EQ(list.FindAt(TVector3(1.5f, 1.0f, 0.0f)), nullptr);

  int32_t id = -1;
  // A small asker still meets the patch within its reach.
  EXPECT_TRUE(list.FindGooNear(TVector3(1.35f, 1.0f, 0.0f), 0.1f, id));
  EXPECT_EQ(id, 7);
  EXPECT_FALSE(list.IsGooNear(TVector3(1.36f, 1.0f, 0.0f), 0.1f));
  EXPECT_TRUE(list.IsGooNear(TVector3(2.0f, 1.0f, 0.0f), 1.0f));
  EXPECT_FALSE(list.FindGooNear(TVector3(3.0f, 1.0f, 0.0f), 1.0f, id));
  EXPECT_EQ(id, -1);
  EXPECT_TRUE(list.TouchesGoo(TVector3(5, 5, 0), TVector3(1.2f, 1.0f, 0.0f), 0.1f));
  EXPECT_FALSE(list.TouchesGoo(TVector3(5, 5, 0), TVector3(6, 6, 0), 0.1f));
}

TEST_F(GooTest, TheGooClockCountsDamageOnlyOnceStarted) {
  TGooList list;
  EXPECT_FLOAT_EQ(list.GooDamageSince(5.0f), 0.0f);
  list.StartGooClock(2.0f);
  EXPECT_FLOAT_EQ(list.GooDamageSince(2.5f), 0.1f);
}

TEST_F(GooTest, ALoadedListStartsWithTheClockUnset) {
  TGooList list;
  list.Add(std::make_unique<Goo>(TVector3(1, 1, 0), 0.0f));
  list.StartGooClock(2.0f);
  TDataStream stream("Vorhelm-3-10");
  TStringList names;
  ASSERT_TRUE(list.Save(stream, names));
  stream.Rewind();
  ASSERT_TRUE(list.Load(stream, *data_, names));
  EXPECT_EQ(list.Count(), 1);
  EXPECT_FALSE(list.IsGooClockSet());
  EXPECT_FLOAT_EQ(list.GooDamageSince(3.0f), 0.0f);
}

// --- goo explosions ----------------------------------------------------------

TEST_F(GooTest, AGooExplosionIsSeenByAllAndFinishesAfterFiveUnits) {
  GooExplosion explosion(TVector3(4, 4, 0), 1.0f, 2.0f);
  EXPECT_TRUE(explosion.GetCurrentFlags().AllSet());
  explosion.Update(7.0f);
  EXPECT_FALSE(explosion.IsDestroyed());
  explosion.Update(7.01f);
  EXPECT_TRUE(explosion.IsDestroyed());
  EXPECT_EQ(explosion.TypeName(), "GooExplosion");
  EXPECT_FLOAT_EQ(explosion.GetCreationTime(), 2.0f);
}

TEST_F(GooTest, PendingGooKeepsTheFirstTimeOfAPoint) {
  GooExplosion explosion(TVector3(4, 4, 0), 1.0f, 2.0f);
  explosion.AddPendingGoo(TVector3(4.5f, 4, 0), 2.2f);
  explosion.AddPendingGoo(TVector3(4.50005f, 4, 0), 2.1f);
  explosion.AddPendingGoo(TVector3(4, 4, 0), 2.0f);
  ASSERT_EQ(explosion.GetPendingGoo().size(), 2u);
  EXPECT_FLOAT_EQ(explosion.GetPendingGoo()[0].time, 2.2f);
}

TEST_F(GooTest, DueGooLandsAsNewPatchesAndTheRestWaits) {
  GooExplosion explosion(TVector3(4, 4, 0), 1.0f, 2.0f);
  explosion.AddPendingGoo(TVector3(4, 4, 0), 2.0f);
  explosion.AddPendingGoo(TVector3(4.5f, 4, 0), 2.2f);
  explosion.AddPendingGoo(TVector3(5, 4, 0), 2.4f);
  TNewObjects out;
  explosion.HandleDestroyed(out, *data_, 2.2f);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0]->TypeName(), "Goo");
  EXPECT_EQ(out[1]->Position(), TVector3(4.5f, 4, 0));
  EXPECT_FLOAT_EQ(out[1]->GetCreationTime(), 2.2f);
  ASSERT_EQ(explosion.GetPendingGoo().size(), 1u);
  EXPECT_EQ(explosion.GetPendingGoo()[0].position, TVector3(5, 4, 0));
}

TEST_F(GooTest, DroppingDueGooLaysNothing) {
  TGooExplosionList list;
  auto explosion = std::make_unique<GooExplosion>(TVector3(4, 4, 0), 1.0f, 2.0f);
  explosion->AddPendingGoo(TVector3(4, 4, 0), 2.0f);
  explosion->AddPendingGoo(TVector3(5, 4, 0), 2.4f);
  GooExplosion* kept = explosion.get();
  list.Add(std::move(explosion));
  list.DropDueHits(2.0f);
  ASSERT_EQ(kept->GetPendingGoo().size(), 1u);
  EXPECT_FLOAT_EQ(kept->GetPendingGoo()[0].time, 2.4f);
}

class GooExplosionRecordTest : public GooTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(GooExplosionRecordTest, RoundTripsWithItsPendingGoo) {
  GooExplosion explosion(TVector3(4, 4, 0.5f), 1.5f, 2.0f);
  explosion.SetId(21);
  explosion.SetSpread(true);
  explosion.AddPendingGoo(TVector3(4.5f, 4, 0), 2.2f);
  explosion.AddPendingGoo(TVector3(3.5f, 4.5f, 0), 2.3f);
  const auto read = effect_test::RoundTrip(*explosion.MakeRecord(), GetParam());
  ASSERT_NE(read, nullptr);
  effect_test::TAnyList list;
  const auto spawned = read->Spawn(*data_, list);
  ASSERT_NE(spawned, nullptr);
  const auto& rebuilt = static_cast<const GooExplosion&>(*spawned);
  EXPECT_EQ(rebuilt.GetId(), 21);
  EXPECT_TRUE(rebuilt.HasSpread());
  EXPECT_FLOAT_EQ(rebuilt.GetGooRadius(), 1.5f);
  EXPECT_FLOAT_EQ(rebuilt.GetStartTime(), 2.0f);
  ASSERT_EQ(rebuilt.GetPendingGoo().size(), 2u);
  EXPECT_EQ(rebuilt.GetPendingGoo()[1].position, TVector3(3.5f, 4.5f, 0));
  EXPECT_FLOAT_EQ(rebuilt.GetPendingGoo()[1].time, 2.3f);
  EXPECT_EQ(effect_test::RecordBytes(*rebuilt.MakeRecord(), GetParam()),
            effect_test::RecordBytes(*explosion.MakeRecord(), GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Versions, GooExplosionRecordTest, ::testing::Values("Vorhelm-1-05", "Vorhelm-3-10"));

TEST_F(GooTest, APendingCountBeyondTheStreamFailsTheRecord) {
  GooExplosion explosion(TVector3(4, 4, 0), 1.0f, 2.0f);
  explosion.AddPendingGoo(TVector3(4.5f, 4, 0), 2.2f);
  auto saved = effect_test::SaveRecord(*explosion.MakeRecord(), "Vorhelm-3-10");
  std::vector<uint8_t>& body = saved->stream.Body();
  // The count follows radius, start time and spread; one entry (16 bytes) follows it.
  const std::size_t countAt = body.size() - 16 - 4;
  body[countAt] = 2;
  saved->stream.Rewind();
  EXPECT_EQ(CreateObjectRecord(saved->stream, saved->names), nullptr);
  EXPECT_TRUE(saved->stream.HasFailed());
}

}  // namespace
