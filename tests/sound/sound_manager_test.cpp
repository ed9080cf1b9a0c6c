// The sound manager against the map view and the user's settings: volume and
// pan from the view centre, the order of voices, and the "SoundOn" switch as
// the settings hold it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "app/config_parser.h"
#include "sound/sound_fixture.h"
#include "support/recording_display.h"

using namespace sound_test;

namespace {

// A display of a fixed size that draws nothing: the manager only asks its width.
testing_display::RecordingOptions SizedDisplayOptions(int32_t width) {
  testing_display::RecordingOptions options;
  options.width = width;
  options.height = 480;
  return options;
}

int32_t VolumeOf(const TDirectSound& leaf) {
  int32_t attenuation = 1;
  leaf.GetBuffer()->GetBuffer()->GetVolume(attenuation);
  return attenuation;
}

int32_t PanOf(const TDirectSound& leaf) {
  int32_t pan = 1;
  leaf.GetBuffer()->GetBuffer()->GetPan(pan);
  return pan;
}

class SoundPlacementTest : public SoundSystemTest {
 protected:
  TMapView& View(const TVector3& centre, float zoom) {
    TMapView* view = TMapView::Create(std::make_unique<testing_display::RecordingDisplay>(SizedDisplayOptions(640)));
    // A zoom change re-centres the camera within its bounds; the position
    // is placed afterwards as given.
    view->SetZoomExact(zoom);
    view->SetCameraPosition(centre);
    return *view;
  }
};

}  // namespace

// Attenuations in hundredths of a decibel, worked out by hand from the
// volume table: 0.9 of full volume is -229, 0.8 is -485; a quarter of the
// view's width to the right is a pan of 625.
TEST_F(SoundPlacementTest, VolumeAndPanComeFromTheViewCentre) {
  struct PlaceCase {
    const char* what;
    TVector3 centre;
    float zoom;
    TVector3 position;
    int32_t volume;
    int32_t pan;
  };
  const std::vector<PlaceCase> cases = {
      {"at the centre", TVector3(10.0f, 10.0f, 0.0f), 1.0f, TVector3(10.0f, 10.0f, 0.0f), 0, 0},
      {"five units along x", TVector3(), 1.0f, TVector3(5.0f, 0.0f, 0.0f), -229, 625},
      {"five units along y, zoomed in", TVector3(), 2.0f, TVector3(0.0f, 5.0f, 0.0f), -485, -10000},
      {"the centre moved under the sound", TVector3(5.0f, 0.0f, 0.0f), 1.0f, TVector3(5.0f, 0.0f, 0.0f), 0, 0},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.what);
    tSoundSystem::Destroy();
    TMapView::Destroy();
    Start();
    View(c.centre, c.zoom);
    auto leaf = Leaf("a.wav", 1.0f, &c.position);
    leaf->Play();
    ASSERT_TRUE(leaf->IsPlaying());
    EXPECT_EQ(VolumeOf(*leaf), c.volume);
    EXPECT_EQ(PanOf(*leaf), c.pan);
  }
}

TEST_F(SoundPlacementTest, APlayingSoundsPanFollowsItsOwnersPosition) {
  Start();
  View(TVector3(), 1.0f);
  TVector3 where(5.0f, 0.0f, 0.0f);
  auto leaf = Leaf("a.wav", 1.0f, &where);
  leaf->Play();
  EXPECT_EQ(PanOf(*leaf), 625);
  // Screen x rounds half up: -159 pixels, a pan of -596.
  where = TVector3(-5.0f, 0.0f, 0.0f);
  leaf->Update(0.0f);
  EXPECT_EQ(PanOf(*leaf), -596);
}

TEST_F(SoundPlacementTest, PriorityReachesZeroPastThirtyUnits) {
  tSoundSystem& system = Start();
  View(TVector3(), 1.0f);
  struct DistanceCase {
    float distance;
    float priority;
  };
  // 1 - 0.033 d, never below zero.
  for (const DistanceCase& c : std::vector<DistanceCase>{{0.0f, 1.0f}, {10.0f, 0.67f}, {30.0f, 0.01f},
                                                         {30.4f, 0.0f}, {500.0f, 0.0f}}) {
    SCOPED_TRACE(c.distance);
    const TVector3 where(0.0f, c.distance, 0.0f);
    auto leaf = Leaf("a.wav", 1.0f, &where);
    EXPECT_NEAR(system.EffectivePriority(*leaf), c.priority, 1e-5f);
    EXPECT_GE(system.EffectivePriority(*leaf), 0.0f);
  }
}

TEST_F(SoundSystemTest, PlayingAVoicedNodeAgainMovesItToTheEndWithAFreshStart) {
  tSoundSystem& system = Start();
  auto first = Leaf("a.wav");
  auto second = Leaf("b.wav");
  first->Play();
  Advance(200);
  second->Play();
  Advance(200);
  first->Play();
  ASSERT_EQ(system.GetVoices().size(), 2u);
  EXPECT_TRUE(system.GetVoices()[0]->BelongsTo(second.get()));
  EXPECT_TRUE(system.GetVoices()[1]->BelongsTo(first.get()));
  // The replayed voice is the younger by the 0.2 s since the other started.
  const double now = 2000.0;
  EXPECT_NEAR(system.GetVoices()[0]->Age(now) - system.GetVoices()[1]->Age(now), 0.2, 1e-6);
}

TEST_F(SoundSystemTest, VoicesOfFinishedSoundsAreDroppedAtTheNextStart) {
  tSoundSystem& system = Start();
  auto first = Leaf("a.wav");
  first->Play();
  Advance(1100);
  EXPECT_FALSE(first->IsPlaying());
  auto second = Leaf("b.wav");
  second->Play();
  ASSERT_EQ(system.GetVoices().size(), 1u);
  EXPECT_TRUE(system.GetVoices()[0]->BelongsTo(second.get()));
}

TEST_F(SoundSystemTest, DeletingAPlayingLeafStopsItAndFreesItsVoice) {
  tSoundSystem& system = Start();
  auto leaf = Leaf("a.wav");
  leaf->Play();
  ASSERT_EQ(system.GetVoices().size(), 1u);
  leaf.reset();
  EXPECT_TRUE(system.GetVoices().empty());
  EXPECT_GE(headless_->CountCalls("Stop"), 1);
}

// --- the user's switch ----------------------------------------------------------------

namespace {

class SoundSettingsTest : public SoundSystemTest {
 protected:
  // An application over shipped defaults that hold the line (or none).
  TGameApplication& Application(const std::string& soundLine) {
    folder_.Write("Configs/General.cfg", "# defaults\n[APP]\n  DisplayType = DIRECTDRAW_2D\n" + soundLine);
    folder_.Write("Configs/Sound.cfg", kDefinitions);
    DestroyCommandLine();
    GetApplication();
    return *GetGameApplication();
  }
  void TearDown() override {
    tSoundSystem::Destroy();
    DestroyApplication();
    DestroyCommandLine();
    SoundSystemTest::TearDown();
  }
  static std::string UserText() { return GetGameApplication()->GetUserSettingsFile().GetText(); }
};

}  // namespace

TEST_F(SoundSettingsTest, WithoutSoundOnNoDeviceIsMadeAndNoSampleLoads) {
  Application("");
  tSoundSystem* system = tSoundSystem::Create();
  EXPECT_FALSE(system->IsSoundOn());
  EXPECT_EQ(headless_->devicesCreated, 0);
  auto tree = system->MakeSound(nullptr, false, "Large Explosion");
  auto* random = As<TRandomSound>(tree.get());
  ASSERT_NE(random, nullptr);
  for (int32_t i = 0; i < random->ChildCount(); ++i) EXPECT_TRUE(random->Child(i)->IsNull());
  EXPECT_EQ(system->GetSampleCache().Size(), 0u);
  EXPECT_EQ(Log().find("Initialising DirectSound"), std::string::npos);
}

TEST_F(SoundSettingsTest, SoundOnStartsTheDeviceAndTheSwitchIsWrittenBack) {
  Application("  SoundOn = YES\n");
  ResetLog();
  tSoundSystem* system = tSoundSystem::Create();
  EXPECT_TRUE(system->IsSoundOn());
  EXPECT_NE(Log().find("Initialising DirectSound\nInitialised DirectSound Succesfully\n"), std::string::npos);

  // The value is replaced where it stands, never shadowed by a second line.
  EXPECT_EQ(system->SetSoundOn(false), 0);
  EXPECT_NE(UserText().find("SoundOn = No"), std::string::npos);
  EXPECT_EQ(UserText().find("SoundOn"), UserText().rfind("SoundOn"));
  const std::string afterOff = UserText();
  // The same switch again writes nothing.
  EXPECT_EQ(system->SetSoundOn(false), 0);
  EXPECT_EQ(UserText(), afterOff);

  EXPECT_EQ(system->SetSoundOn(true), 0);
  EXPECT_TRUE(system->IsSoundOn());
  EXPECT_NE(UserText().find("SoundOn = Yes"), std::string::npos);
  EXPECT_EQ(UserText().find("SoundOn = No"), std::string::npos);
  EXPECT_EQ(headless_->devicesCreated, 1);
}

// A switch-on whose device fails is written as off: the settings never claim
// a sound that does not play.
TEST_F(SoundSettingsTest, ASwitchOnThatFailsIsWrittenAsOff) {
  Application("  SoundOn = YES\n");
  headless_->failing = {"CreateDevice"};
  tSoundSystem* system = tSoundSystem::Create();
  EXPECT_FALSE(system->IsSoundOn());
  EXPECT_EQ(system->SetSoundOn(true), 0);
  EXPECT_FALSE(system->IsSoundOn());
  EXPECT_NE(UserText().find("SoundOn = No"), std::string::npos);
  // Once the device comes up, the next switch-on plays and says so.
  headless_->failing.clear();
  system->SetSoundOn(true);
  EXPECT_TRUE(system->IsSoundOn());
  EXPECT_NE(UserText().find("SoundOn = Yes"), std::string::npos);
}
