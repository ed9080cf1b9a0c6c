#include "sound/sound_system.h"

#include <gtest/gtest.h>

#include <set>

#include "app/random.h"
#include "sim/explosion.h"
#include "sound/effect_sounds.h"
#include "sound/sound_fixture.h"

using namespace sound_test;

// --- definitions ----------------------------------------------------------------

TEST_F(SoundSystemTest, DefinitionsBuildTheDocumentedTrees) {
  tSoundSystem& system = Start();
  auto random = system.MakeSound(nullptr, false, "Large Explosion");
  auto* node = As<TRandomSound>(random.get());
  ASSERT_NE(node, nullptr);
  ASSERT_EQ(node->ChildCount(), 2);
  auto* second = As<TDirectSound>(node->Child(1));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetFileName(), "b.wav");
  EXPECT_FLOAT_EQ(second->GetPriority(), 0.7f);

  auto cycle = system.MakeSound(nullptr, false, "Cycle");
  auto* cycleNode = As<TSoundCycle>(cycle.get());
  ASSERT_NE(cycleNode, nullptr);
  EXPECT_EQ(cycleNode->ChildCount(), 2);
  EXPECT_FLOAT_EQ(cycleNode->GetRate(), 4.0f);
  EXPECT_FALSE(cycleNode->IsClamped());

  auto nested = system.MakeSound(nullptr, false, "Nested");
  auto* sequence = As<TSoundSequence>(nested.get());
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence->ChildCount(), 2);
  EXPECT_NE(As<TRandomSound>(sequence->Child(0)), nullptr);
  EXPECT_EQ(As<TDirectSound>(sequence->Child(1))->GetFileName(), "c.wav");

  // The empty field moves "Pitch" into the Volume position, where it is not
  // seen: every key keeps its default.
  auto blank = system.MakeSound(nullptr, false, "Blank");
  auto* blankSwitch = As<TSoundSwitch>(blank.get());
  ASSERT_NE(blankSwitch, nullptr);
  ASSERT_EQ(blankSwitch->ChildCount(), 1);
  EXPECT_FLOAT_EQ(As<TDirectSound>(blankSwitch->Child(0))->GetPriority(), 1.0f);

  EXPECT_TRUE(system.MakeSound(nullptr, false, "No Such Sound")->IsNull());
  EXPECT_EQ(system.MakeSound(nullptr, false, "Starts With End"), nullptr);
}

TEST_F(SoundSystemTest, SoundOffAtBuildGivesSilentTrees) {
  tSoundSystem& system = Start(false);
  auto tree = system.MakeSound(nullptr, false, "Switch3");
  auto* node = As<TSoundSwitch>(tree.get());
  ASSERT_NE(node, nullptr);
  ASSERT_EQ(node->ChildCount(), 3);
  for (int32_t i = 0; i < 3; ++i) EXPECT_TRUE(node->Child(i)->IsNull());
  EXPECT_EQ(system.GetSampleCache().Size(), 0u);
  system.SetSoundOn(true);
  EXPECT_TRUE(node->Child(0)->IsNull());
}

TEST_F(SoundSystemTest, ChildrenFollowTheRootsCopyOfThePosition) {
  tSoundSystem& system = Start();
  std::unique_ptr<TSound> tree;
  {
    const TVector3 temporary(1.0f, 2.0f, 3.0f);
    tree = system.MakeSound(&temporary, true, "Switch3");
  }
  auto* node = As<TSoundSwitch>(tree.get());
  EXPECT_EQ(node->Child(0)->GetPosition(), node->GetPosition());
  EXPECT_EQ(*node->Child(2)->GetPosition(), TVector3(1.0f, 2.0f, 3.0f));
}

// --- voices -------------------------------------------------------------------------

TEST_F(SoundSystemTest, AFullListRefusesAnEqualPriorityAndEvictsTheOldestWeakest) {
  tSoundSystem& system = Start();
  std::vector<std::unique_ptr<TDirectSound>> leaves;
  for (int i = 0; i < 16; ++i) {
    const char* const files[] = {"a.wav", "b.wav", "c.wav"};
    leaves.push_back(Leaf(files[i % 3], i < 2 ? 0.3f : 0.8f));
    leaves.back()->Play();
    Advance(40);
  }
  ASSERT_EQ(system.GetVoices().size(), 16u);
  auto equal = Leaf("d.wav", 0.3f);
  equal->Play();
  EXPECT_FALSE(equal->IsPlaying());
  EXPECT_EQ(system.GetVoices().size(), 16u);

  auto stronger = Leaf("d.wav", 0.5f);
  stronger->Play();
  EXPECT_TRUE(stronger->IsPlaying());
  ASSERT_EQ(system.GetVoices().size(), 16u);
  EXPECT_TRUE(system.GetVoices().front()->BelongsTo(leaves[1].get()));
  EXPECT_TRUE(system.GetVoices().back()->BelongsTo(stronger.get()));
  // The evicted sound plays on, and a stop still stops it.
  EXPECT_TRUE(leaves[0]->IsPlaying());
  leaves[0]->Stop();
  EXPECT_FALSE(leaves[0]->IsPlaying());
}

TEST_F(SoundSystemTest, TheSameSampleTwiceWithinATenthOfASecondIsDropped) {
  tSoundSystem& system = Start();
  auto first = Leaf("a.wav");
  auto second = Leaf("a.wav");
  first->Play();
  Advance(50);
  second->Play();
  EXPECT_FALSE(second->IsPlaying());
  Advance(60);
  second->Play();
  EXPECT_TRUE(second->IsPlaying());
  EXPECT_EQ(system.GetVoices().size(), 2u);
  // Two leaves of one file read it once and play on their own.
  EXPECT_EQ(system.GetSampleCache().Size(), 1u);
  first->Stop();
  EXPECT_FALSE(first->IsPlaying());
  EXPECT_TRUE(second->IsPlaying());
}

TEST_F(SoundSystemTest, PriorityFallsWithDistanceFromTheViewCentre) {
  tSoundSystem& system = Start();
  TMapView::Create(nullptr);
  const TVector3 near(28.0f, 0.0f, 0.0f);
  const TVector3 far(29.0f, 0.0f, 0.0f);
  auto nearLeaf = Leaf("a.wav", 1.0f, &near);
  auto farLeaf = Leaf("b.wav", 1.0f, &far);
  EXPECT_GT(system.EffectivePriority(*nearLeaf), 0.05f);
  EXPECT_LT(system.EffectivePriority(*farLeaf), 0.05f);
  farLeaf->Play();
  EXPECT_FALSE(farLeaf->IsPlaying());
  nearLeaf->Play();
  EXPECT_TRUE(nearLeaf->IsPlaying());
  auto faint = system.MakeSound(nullptr, false, "Faint");
  faint->Play();
  EXPECT_FALSE(faint->IsPlaying());
}

TEST_F(SoundSystemTest, MutesNestAndPlayingSoundsGoOn) {
  tSoundSystem& system = Start();
  auto playing = Leaf("a.wav");
  playing->Play();
  system.BeginMute();
  system.BeginMute();
  system.EndMute();
  auto muted = Leaf("b.wav");
  muted->Play();
  EXPECT_FALSE(muted->IsPlaying());
  EXPECT_TRUE(playing->IsPlaying());
  system.EndMute();
  system.EndMute();
  EXPECT_EQ(system.GetMuteCount(), 0u);
  muted->Play();
  EXPECT_TRUE(muted->IsPlaying());
}

TEST_F(SoundSystemTest, SoundOffAndOnRestartsThePrimaryWithoutANewDevice) {
  tSoundSystem& system = Start();
  ASSERT_TRUE(system.IsSoundOn());
  EXPECT_EQ(system.SetSoundOn(true), 0);
  EXPECT_EQ(headless_->CountCalls("PlayPrimary"), 1);
  system.SetSoundOn(false);
  EXPECT_FALSE(system.IsSoundOn());
  EXPECT_TRUE(system.IsSoundOnEqual(false));
  EXPECT_EQ(headless_->CountCalls("StopPrimary"), 1);
  auto leaf = Leaf("a.wav");
  leaf->Play();
  EXPECT_FALSE(leaf->IsPlaying());
  system.SetSoundOn(true);
  EXPECT_EQ(headless_->devicesCreated, 1);
  EXPECT_EQ(headless_->CountCalls("PlayPrimary"), 2);
}

TEST_F(SoundSystemTest, EachFailingStepShowsItsTextAndLeavesASilentManager) {
  const std::vector<std::pair<std::string, std::string>> steps = {
      {"CreateDevice", "Failed to create sound manager"},
      {"SetCooperativeLevel", "Failed to set cooperative level"},
      {"CreatePrimaryBuffer", "Failed to create sound buffer"},
      {"GetCaps", "Failed to get sound manager caps"},
      {"SetFormat", "Failed to set sound format"},
      {"Compact", "Failed to defrag sound buffers"},
      {"PlayPrimary", "Failed to play sound"},
  };
  for (const auto& [step, text] : steps) {
    SCOPED_TRACE(step);
    ResetLog();
    headless_->failing = {step};
    tSoundSystem& system = Start();
    EXPECT_FALSE(system.IsSoundOn());
    EXPECT_NE(Log().find(text + "\n"), std::string::npos);
    auto tree = system.MakeSound(nullptr, false, "Switch3");
    tree->Play();
    EXPECT_FALSE(tree->IsPlaying());
    tSoundSystem::Destroy();
  }
}

TEST_F(SoundSystemTest, TableIndicesAreClamped) {
  tSoundSystem& system = Start(false);
  EXPECT_EQ(system.VolumeToAttenuation(0.0f), -10000);
  EXPECT_EQ(system.VolumeToAttenuation(0.5f), -1506);
  EXPECT_EQ(system.VolumeToAttenuation(1.0f), 0);
  EXPECT_EQ(system.VolumeToAttenuation(7.0f), 0);
  EXPECT_EQ(system.VolumeToAttenuation(-3.0f), -10000);
  EXPECT_EQ(system.PanToAttenuation(-1.0f), -10000);
  EXPECT_EQ(system.PanToAttenuation(1.0f), 10000);
  EXPECT_EQ(system.PanToAttenuation(0.0f), 0);
  EXPECT_EQ(system.PanToAttenuation(-9.0f), -10000);
  EXPECT_EQ(system.PanToAttenuation(9.0f), 10000);
}

// --- node timelines -------------------------------------------------------------------

TEST_F(SoundSystemTest, ALeafStartsAtItsScheduledTime) {
  Start();
  auto leaf = Leaf("a.wav");
  leaf->Start(5.0f);
  leaf->Update(4.9f);
  EXPECT_FALSE(leaf->IsPlaying());
  leaf->Update(5.0f);
  EXPECT_TRUE(leaf->IsPlaying());
}

TEST_F(SoundSystemTest, CyclesFollowTheirTimeline) {
  tSoundSystem& system = Start();
  auto tree = system.MakeSound(nullptr, false, "Rate2");
  auto* cycle = As<TSoundCycle>(tree.get());
  auto scheduled = [&](int32_t i) { return As<TDirectSound>(cycle->Child(i))->GetScheduledStart(); };
  cycle->Start(10.0f);
  cycle->Update(10.0f);
  EXPECT_FLOAT_EQ(scheduled(0), 10.0f);
  cycle->Update(10.5f);
  EXPECT_FLOAT_EQ(scheduled(1), 10.5f);
  cycle->Update(11.0f);
  EXPECT_FLOAT_EQ(scheduled(2), 11.0f);
  cycle->Update(11.5f);
  EXPECT_FLOAT_EQ(scheduled(0), 11.5f);

  auto clampedTree = system.MakeSound(nullptr, false, "Rate2 Clamped");
  auto* clamped = As<TSoundCycle>(clampedTree.get());
  clamped->Start(10.0f);
  clamped->Update(10.0f);
  clamped->Update(10.5f);
  clamped->Update(11.0f);
  clamped->Update(12.0f);
  EXPECT_EQ(clamped->GetCurrent(), 1);
  // Started at 10.5 and never updated since: its start is still pending.
  EXPECT_TRUE(As<TDirectSound>(clamped->Child(1))->IsStartPending());
}

TEST_F(SoundSystemTest, ASequencePlaysItsFirstChildOnceAndMovesOnWhenItEnds) {
  tSoundSystem& system = Start();
  auto tree = system.MakeSound(nullptr, false, "Switch3");
  auto sequence = std::make_unique<TSoundSequence>(nullptr, false);
  sequence->AddChild(Leaf("a.wav"));
  sequence->AddChild(Leaf("b.wav"));
  sequence->Play();
  EXPECT_EQ(headless_->CountCalls("Play"), 1);
  // The changed flag starts the same child again; the manager drops it.
  sequence->Update(0.0f);
  EXPECT_EQ(headless_->CountCalls("Play"), 1);
  Advance(1100);
  sequence->Update(1.1f);
  EXPECT_EQ(sequence->GetCurrent(), 1);
  sequence->Update(1.2f);
  EXPECT_TRUE(sequence->Child(1)->IsPlaying());
  EXPECT_EQ(system.GetVoices().size(), 1u);
}

TEST_F(SoundSystemTest, SelectStartsTheNewChildAtTheNextUpdate) {
  tSoundSystem& system = Start();
  auto tree = system.MakeSound(nullptr, false, "Switch3");
  auto* node = As<TSoundSwitch>(tree.get());
  node->Select(2);
  EXPECT_FALSE(node->Child(2)->IsPlaying());
  node->Update(0.0f);
  EXPECT_TRUE(node->Child(2)->IsPlaying());
}

TEST_F(SoundSystemTest, RandomPlayKeepsTheCurrentIndex) {
  tSoundSystem& system = Start();
  auto tree = system.MakeSound(nullptr, false, "Large Explosion");
  auto* node = As<TRandomSound>(tree.get());
  node->Select(1);
  node->Update(0.0f);
  for (int i = 0; i < 5; ++i) node->Play();
  EXPECT_EQ(node->GetCurrent(), 1);
}

// Whether a machine plays sound must not change the game's random numbers:
// a blast made with sound draws nothing from the game's generator, and its
// random sound still picks among its children.
TEST_F(SoundSystemTest, RandomSoundsLeaveTheGameGeneratorAlone) {
  tSoundSystem& system = Start();
  GetRandom()->Seed(1234);
  { Explosion blast(TVector3(), 20.0f, 2.0f, 3.0f, false); }
  auto tree = system.MakeSound(nullptr, false, "Large Explosion");
  auto* node = As<TRandomSound>(tree.get());
  std::set<int32_t> picked;
  for (int i = 0; i < 40; ++i) {
    node->Start(static_cast<float>(i));
    picked.insert(node->GetCurrent());
    node->Play();
  }
  TMersenneTwister untouched(0);
  untouched.Seed(1234);
  EXPECT_EQ(GetRandom()->GetGenerator().Next(), untouched.Next());
  EXPECT_EQ(picked, (std::set<int32_t>{0, 1}));
}

// --- samples ----------------------------------------------------------------------------

namespace {

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

}  // namespace

// A missing file and a refused one each show the message once and are not
// read again; the refused one's reason goes to the log.
TEST_F(SoundSystemTest, AFailedFileIsTriedOnce) {
  std::vector<uint8_t> broken = SimpleWave(100);
  broken.resize(broken.size() - 10);
  WriteFile("broken.wav", broken);
  for (const char* file : {"nowhere.wav", "broken.wav"}) {
    SCOPED_TRACE(file);
    ResetLog();
    tSoundSystem& system = Start();
    system.ReplaceLibrary(std::make_unique<TSoundLibrary>(std::string("# f\n[Failing]\nDirectSound | ") + file + "\n"));
    auto first = system.MakeSound(nullptr, false, "Failing");
    auto second = system.MakeSound(nullptr, false, "Failing");
    EXPECT_EQ(As<TDirectSound>(first.get())->GetBuffer(), nullptr);
    EXPECT_EQ(As<TDirectSound>(second.get())->GetBuffer(), nullptr);
    EXPECT_TRUE(system.GetSampleCache().IsCached(file));
    EXPECT_EQ(Occurrences(Log(), "Unable to load sound.\n"), 1u);
    first->Play();
    EXPECT_FALSE(first->IsPlaying());
    tSoundSystem::Destroy();
  }
  EXPECT_NE(Log().find("Sound file broken.wav refused: a chunk runs past the end of the file"), std::string::npos);
}

// A device that will not make, fill or copy a sample's buffer gives silent
// leaves, without a message.
TEST_F(SoundSystemTest, ASampleTheDeviceRefusesGivesASilentLeaf) {
  for (const char* step : {"CreateSoundBuffer", "Lock", "Unlock", "DuplicateSoundBuffer"}) {
    SCOPED_TRACE(step);
    ResetLog();
    headless_->failing = {step};
    Start();
    auto leaf = Leaf("a.wav");
    EXPECT_EQ(leaf->GetBuffer(), nullptr);
    leaf->Play();
    EXPECT_FALSE(leaf->IsPlaying());
    EXPECT_EQ(Log().find("Unable to load sound."), std::string::npos);
    leaf.reset();
    tSoundSystem::Destroy();
  }
}

TEST_F(SoundSystemTest, HardwareRefusalFallsBackToSoftwareAndALostBufferIsRestored) {
  headless_->refuseHardwareBuffers = true;
  headless_->lostLocks = 1;
  Start();
  auto leaf = Leaf("a.wav");
  ASSERT_NE(leaf->GetBuffer(), nullptr);
  EXPECT_EQ(headless_->CountCalls("CreateSoundBuffer"), 2);
  EXPECT_EQ(headless_->CountCalls("Restore"), 1);
  EXPECT_EQ(headless_->CountCalls("Lock"), 2);
}

TEST_F(SoundSystemTest, PlayPositionsFollowTheClockAndSuspendResumes) {
  Start();
  auto leaf = Leaf("a.wav");
  leaf->Play();
  Advance(500);
  leaf->Suspend();
  EXPECT_FALSE(leaf->IsPlaying());
  EXPECT_NEAR(static_cast<double>(leaf->GetBuffer()->GetResumePosition()), 11025.0, 30.0);
  leaf->Play();
  Advance(400);
  EXPECT_TRUE(leaf->IsPlaying());
  Advance(200);
  EXPECT_FALSE(leaf->IsPlaying());
}

TEST(SoundPanTest, PanFollowsTheScreenOffsetAndIsLimited) {
  EXPECT_FLOAT_EQ(ComputeSoundPan(1.0f, 640, 0.0f, 0.0f, 0), 0.0f);
  EXPECT_FLOAT_EQ(ComputeSoundPan(1.0f, 640, 0.0f, 0.0f, 320), 0.5f);
  EXPECT_FLOAT_EQ(ComputeSoundPan(2.0f, 640, 0.0f, 0.0f, -320), -1.0f);
  EXPECT_FLOAT_EQ(ComputeSoundPan(1.0f, 640, 0.0f, 0.0f, 5000), 1.0f);
  EXPECT_FLOAT_EQ(ComputeSoundPan(1.0f, 0, 0.0f, 0.0f, 100), 0.0f);
}

TEST_F(SoundSystemTest, AnExplosionPlaysItsSoundFromItsStartTime) {
  Start();
  Explosion blast(TVector3(), 20.0f, 2.0f, 3.0f, false);
  EXPECT_EQ(headless_->CountCalls("Play"), 0);
  blast.Update(3.0f);
  EXPECT_EQ(headless_->CountCalls("Play"), 1);
}

// A lobbed shot's bounce lowers its sound's volume with the speed it has left.
TEST_F(SoundSystemTest, AnEffectSoundPlaysQuieterOnceItsVolumeIsLowered) {
  Start();
  auto lastAttenuation = [this] {
    for (auto call = headless_->calls.rbegin(); call != headless_->calls.rend(); ++call) {
      if (call->rfind("SetVolume ", 0) == 0) return std::stoi(call->substr(10));
    }
    return 1;
  };
  const TVector3 where;
  TEffectSound loud;
  loud.Make("Switch3", where);
  loud.StartAt(0.0f);
  loud.Update(0.0f);
  const int loudAttenuation = lastAttenuation();
  ASSERT_LE(loudAttenuation, 0);
  Advance(500);
  TEffectSound quiet;
  quiet.Make("Switch3", where);
  quiet.SetVolume(0.25f);
  quiet.StartAt(0.0f);
  quiet.Update(0.0f);
  EXPECT_LT(lastAttenuation(), loudAttenuation);
}
