// Sound definitions: the grammar's corner cases, definitions read from the
// Sound.cfg file itself, and the shipped Sound.cfg against the names the game
// asks for and the samples in data/Sounds.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "sound/sound_fixture.h"
#include "units/unit_type.h"
#include "units/weapon.h"

using namespace sound_test;

namespace {

class SoundDefinitionsTest : public SoundSystemTest {
 protected:
  // A manager, switched on, over the definitions of the text.
  tSoundSystem& StartWith(const std::string& text) {
    tSoundSystem* system = tSoundSystem::Create();
    system->ReplaceLibrary(std::make_unique<TSoundLibrary>(text));
    system->SetSoundOn(true);
    return *system;
  }
};

// The tree as text: "Switch(Direct(a.wav) Null)", so a case states its
// whole shape in one line.
std::string Shape(TSound* node) {
  if (node == nullptr) return "none";
  if (node->IsNull()) return "Null";
  if (auto* leaf = dynamic_cast<TDirectSound*>(node)) return "Direct(" + leaf->GetFileName() + ")";
  std::string name = "Composite";
  if (dynamic_cast<TSoundCycle*>(node) != nullptr) name = "Cycle";
  if (dynamic_cast<TSoundSwitch*>(node) != nullptr) name = "Switch";
  if (dynamic_cast<TRandomSound*>(node) != nullptr) name = "Random";
  if (dynamic_cast<TSoundSequence*>(node) != nullptr) name = "Sequence";
  auto* composite = dynamic_cast<TCompositeSound*>(node);
  std::string children;
  for (int32_t i = 0; i < composite->ChildCount(); ++i) children += (i == 0 ? "" : " ") + Shape(composite->Child(i));
  return name + "(" + children + ")";
}

struct ShapeCase {
  const char* what;
  const char* definition;
  const char* shape;
};

}  // namespace

TEST_F(SoundDefinitionsTest, LinesBuildTheTreesTheirGrammarGives) {
  const std::vector<ShapeCase> cases = {
      {"a type word inside other text still counts", "MyRandomSoundHere\nDirectSound | a.wav\nEnd\n",
       "Random(Direct(a.wav))"},
      {"an unknown line ends every open list and is not read past",
       "SoundSequence\nSoundSwitch\nDirectSound | a.wav\nBogus line\nDirectSound | b.wav\nEnd\nEnd\n",
       "Sequence(Switch(Direct(a.wav)))"},
      {"a composite on the last line has no children", "RandomSound\n", "Random()"},
      {"End closes only the innermost list",
       "SoundSwitch\nSoundCycle | Rate = 1\nDirectSound | a.wav\nEnd\nNullSound\nDirectSound | b.wav\nEnd\n",
       "Switch(Cycle(Direct(a.wav)) Null Direct(b.wav))"},
      {"blank lines and blank fields are dropped", "\n  SoundSwitch \n\n\t\nDirectSound |  | a.wav\n End\n",
       "Switch(Direct(a.wav))"},
      {"a definition that opens with End builds nothing", "End\nDirectSound | a.wav\n", "none"},
      {"a definition of no known type builds nothing", "Whistle | a.wav\n", "none"},
      {"the tree ends at the definition's first complete node", "DirectSound | a.wav\nDirectSound | b.wav\n",
       "Direct(a.wav)"},
  };
  std::string text = "# cases\n";
  for (std::size_t i = 0; i < cases.size(); ++i) text += "[Case " + std::to_string(i) + "]\n" + cases[i].definition;
  tSoundSystem& system = StartWith(text);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    auto tree = system.MakeSound(nullptr, false, "Case " + std::to_string(i));
    EXPECT_EQ(Shape(tree.get()), cases[i].shape);
  }
}

TEST_F(SoundDefinitionsTest, KeyedFieldsAreReadOnlyInTheirOwnPosition) {
  struct LeafCase {
    const char* line;
    float priority;
    bool looped;
    // The frequency the buffer is set to: the sample's 22,050 Hz times the pitch.
    uint32_t frequency;
  };
  const std::vector<LeafCase> cases = {
      {"DirectSound | a.wav", 1.0f, false, 22050},
      {"DirectSound | a.wav | Volume = 0.5 | Pitch = 0.5 | Priority = 0.25 | Looped = yes", 0.25f, true, 11025},
      {"DirectSound | a.wav | Volume = 0.5 | Pitch = 2 | Priority = 0.5 | Looped = True", 0.5f, true, 44100},
      {"DirectSound | a.wav | Volume = 0.5 | Pitch = 1 | Priority = 0.5 | Looped = no", 0.5f, false, 22050},
      // Out of place, a key is not seen and its default holds.
      {"DirectSound | a.wav | Priority = 0.2 | Volume = 0.5 | Looped = YES", 1.0f, false, 22050},
      // A pitch beyond what a buffer takes is held at its limit.
      {"DirectSound | a.wav | Volume = 1 | Pitch = 1000", 1.0f, false, 100000},
      {"DirectSound | a.wav | Volume = 1 | Pitch = -3", 1.0f, false, 100},
      // A pitch that is no number leaves the sample's own rate.
      {"DirectSound | a.wav | Volume = 1 | Pitch = nan", 1.0f, false, 22050},
  };
  std::string text = "# leaves\n";
  for (std::size_t i = 0; i < cases.size(); ++i) text += "[Leaf " + std::to_string(i) + "]\n" + cases[i].line + "\n";
  tSoundSystem& system = StartWith(text);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].line);
    auto tree = system.MakeSound(nullptr, false, "Leaf " + std::to_string(i));
    auto* leaf = As<TDirectSound>(tree.get());
    ASSERT_NE(leaf, nullptr);
    ASSERT_NE(leaf->GetBuffer(), nullptr);
    EXPECT_FLOAT_EQ(leaf->GetPriority(), cases[i].priority);
    EXPECT_EQ(leaf->GetBuffer()->IsLooped(), cases[i].looped);
    uint32_t frequency = 0;
    leaf->GetBuffer()->GetBuffer()->GetFrequency(frequency);
    EXPECT_EQ(frequency, cases[i].frequency);
  }
}

// Until a distance volume is applied a leaf plays at the attenuation of its
// volume times itself.
TEST_F(SoundDefinitionsTest, ALeafStartsAtTheAttenuationOfItsVolumeSquared) {
  tSoundSystem& system = StartWith("# v\n[Half]\nDirectSound | a.wav | Volume = 0.5\n");
  auto tree = system.MakeSound(nullptr, false, "Half");
  int32_t attenuation = 1;
  As<TDirectSound>(tree.get())->GetBuffer()->GetBuffer()->GetVolume(attenuation);
  EXPECT_EQ(attenuation, system.VolumeToAttenuation(0.25f));
  EXPECT_EQ(attenuation, -3011);
}

TEST_F(SoundDefinitionsTest, ALeafWithoutASampleNameIsSilent) {
  tSoundSystem& system = StartWith("# n\n[Nameless]\nDirectSound\n");
  auto tree = system.MakeSound(nullptr, false, "Nameless");
  auto* leaf = As<TDirectSound>(tree.get());
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->GetBuffer(), nullptr);
  leaf->Play();
  EXPECT_FALSE(leaf->IsPlaying());
  EXPECT_EQ(system.GetSampleCache().Size(), 0u);
}

// Composites a definition leaves without children do nothing, whatever the
// owner asks of them.
TEST_F(SoundDefinitionsTest, ChildlessCompositesAreHarmless) {
  tSoundSystem& system = StartWith(
      "# e\n[Random]\nRandomSound\n[Switch]\nSoundSwitch\n[Sequence]\nSoundSequence\n[Cycle]\nSoundCycle | Rate = 3\n");
  for (const char* name : {"Random", "Switch", "Sequence", "Cycle"}) {
    SCOPED_TRACE(name);
    auto tree = system.MakeSound(nullptr, false, name);
    ASSERT_NE(tree, nullptr);
    tree->Start(1.0f);
    tree->Update(2.0f);
    tree->Play();
    tree->Update(3.0f);
    if (auto* choice = dynamic_cast<TSoundSwitch*>(tree.get())) {
      choice->Select(4);
      tree->Update(4.0f);
    }
    tree->Suspend();
    tree->SetVolumeScale(0.5f);
    tree->Stop();
    EXPECT_FALSE(tree->IsPlaying());
  }
  EXPECT_EQ(headless_->CountCalls("Play"), 0);
}

// A crafted file of composites nested far deeper than any sound needs is cut
// off at the depth limit: the first composite past it ends every open list.
TEST_F(SoundDefinitionsTest, DeepNestingIsCutOffAtTheDepthLimit) {
  std::string text = "# deep\n[Deep]\n";
  for (int i = 0; i < 100000; ++i) text += "SoundSwitch\n";
  text += "DirectSound | a.wav\n";
  tSoundSystem& system = StartWith(text);
  auto tree = system.MakeSound(nullptr, false, "Deep");
  int32_t depth = 0;
  for (TSound* node = tree.get(); node != nullptr; ++depth) {
    auto* composite = As<TCompositeSound>(node);
    ASSERT_NE(composite, nullptr);
    node = composite->Child(0);
    if (node == nullptr) {
      EXPECT_EQ(composite->ChildCount(), 0);
    }
  }
  EXPECT_EQ(depth, TSoundLibrary::kMaxDepth);
  tree->Start(0.0f);
  tree->Update(1.0f);
  EXPECT_FALSE(tree->IsPlaying());
}

// The manager reads "Configs\Sound.cfg" itself; without the file every name
// is unknown and gives a silent node.
TEST_F(SoundDefinitionsTest, TheManagerReadsTheSoundFile) {
  for (const bool present : {true, false}) {
    SCOPED_TRACE(present);
    std::filesystem::remove_all("Configs");
    if (present) folder_.Write("Configs/Sound.cfg", kDefinitions);
    tSoundSystem* system = tSoundSystem::Create();
    system->SetSoundOn(true);
    auto tree = system->MakeSound(nullptr, false, "Large Explosion");
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->IsNull(), !present);
    EXPECT_EQ(Shape(tree.get()), present ? "Random(Direct(a.wav) Direct(b.wav))" : "Null");
    tSoundSystem::Destroy();
  }
}

// --- the shipped definitions --------------------------------------------------------------

namespace {

std::string ReadText(const std::filesystem::path& path) {
  TTextBuffer text;
  text.Load(path.string());
  return text.Text();
}

std::vector<std::string> SectionNames(const std::string& text) {
  std::vector<std::string> names;
  TConfigParser file(text, true);
  do {
    names.push_back(file.GetSectionName());
  } while (file.NextSection());
  return names;
}

void VisitLeaves(TSound* node, const std::function<void(TDirectSound&)>& visit) {
  if (auto* leaf = dynamic_cast<TDirectSound*>(node)) visit(*leaf);
  if (auto* composite = dynamic_cast<TCompositeSound*>(node)) {
    for (int32_t i = 0; i < composite->ChildCount(); ++i) VisitLeaves(composite->Child(i), visit);
  }
}

}  // namespace

class ShippedSoundsTest : public SoundSystemTest {
 protected:
  void SetUp() override {
    SoundSystemTest::SetUp();
    const std::filesystem::path data(DVX_DATA_DIR);
    std::filesystem::create_directories("Configs");
    std::filesystem::copy(data / "Configs" / "Sound.cfg", "Configs/Sound.cfg");
    std::filesystem::copy(data / "Sounds", "Sounds");
    definitions_ = ReadText("Configs/Sound.cfg");
  }

  // The names the game asks the manager for, from the shipped rules.
  std::set<std::string> AskedNames() const {
    std::set<std::string> names = {"Ambient",         "Button Down",     "Button Up",     "Selection",
                                   "Undo",            "Error",           "Deployment",    "Large Explosion",
                                   "Small Explosion", "Goo Explosion",   "Shrapnel",      "Psychic Attack"};
    const std::filesystem::path data(DVX_DATA_DIR);
    const std::string units = ReadText(data / "Configs" / "Drannoc Data.cfg");
    const TUnitTypeList unitTypes(units);
    for (int32_t i = 0; i < unitTypes.Count(); ++i) {
      names.insert(unitTypes.At(i)->GetName());
      names.insert(unitTypes.At(i)->GetName() + " Death");
    }
    const TWeaponTypeList weapons(units, ReadText(data / "Configs" / "Weapons.cfg"));
    for (int32_t i = 0; i < weapons.Count(); ++i) {
      const TWeaponType* weapon = weapons.At(i);
      if (!(weapon->GetSpeed() > 0.0f)) continue;
      names.insert(weapon->GetName() + " Weapon");
      names.insert(weapon->GetName() + " Ptang");
    }
    return names;
  }

  std::string definitions_;
};

TEST_F(ShippedSoundsTest, EveryNameTheGameAsksForIsDefined) {
  const std::vector<std::string> sections = SectionNames(definitions_);
  const std::set<std::string> defined(sections.begin(), sections.end());
  EXPECT_EQ(defined.size(), sections.size()) << "a name is defined twice";
  for (const std::string& name : AskedNames()) EXPECT_EQ(defined.count(name), 1u) << name;
}

TEST_F(ShippedSoundsTest, EverySectionBuildsATreeWhoseSamplesLoad) {
  tSoundSystem* system = tSoundSystem::Create();
  system->SetSoundOn(true);
  ASSERT_TRUE(system->IsSoundOn());
  std::set<std::string> used;
  for (const std::string& name : SectionNames(definitions_)) {
    SCOPED_TRACE(name);
    auto tree = system->MakeSound(nullptr, false, name);
    ASSERT_NE(tree, nullptr);
    EXPECT_FALSE(tree->IsNull());
    int32_t leaves = 0;
    VisitLeaves(tree.get(), [&](TDirectSound& leaf) {
      ++leaves;
      used.insert(leaf.GetFileName());
      EXPECT_NE(leaf.GetBuffer(), nullptr) << leaf.GetFileName();
      EXPECT_GE(leaf.GetPriority(), 0.05f) << leaf.GetFileName();
    });
    EXPECT_GT(leaves, 0);
  }
  EXPECT_EQ(Log().find("Unable to load sound."), std::string::npos);
  // Every sample in the folder is one the definitions play.
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator("Sounds")) {
    files.insert("Sounds\\" + entry.path().filename().string());
  }
  EXPECT_EQ(used, files);
}
