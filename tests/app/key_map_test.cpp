#include "app/key_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class KeyMapTest : public ::testing::Test {
 protected:
  void SetUp() override { DestroyKeyMap(); }
  void TearDown() override { DestroyKeyMap(); }

  TKeyMap& Keys() { return *GetKeyMap(); }
};

struct KeyName {
  int32_t code;
  const char* name;
  bool special;
};

TEST_F(KeyMapTest, TableNamesKeysWithLaterEntriesReplacingEarlierOnes) {
  const KeyName cases[] = {
      {107, "+", false},  {109, "-", false},     {108, "l", false},   {110, "n", false},
      {111, "o", false},  {106, "j", false},     {97, "a", false},    {46, "delete", true},
      {112, "F1", true},  {120, "F9", true},     {121, "F10", true},  {122, "F11", true},
      {123, "F12", true}, {65, "A", false},      {90, "Z", false},    {48, "0", false},
      {57, "9", false},   {32, "space", false},  {38, "up", true},    {37, "left", true},
      {40, "down", true}, {39, "right", true},   {16, "shift", true}, {17, "control", true},
      {8, "back", true},  {13, "return", true},  {9, "tab", true},    {27, "esc", true},
  };
  for (const KeyName& expected : cases) {
    SCOPED_TRACE(expected.code);
    const TKey key = Keys().GetKey(expected.code);
    EXPECT_EQ(key.GetName(), expected.name);
    EXPECT_EQ(key.IsSpecial(), expected.special);
    EXPECT_FALSE(key.IsReserved());
  }
  EXPECT_FALSE(Keys().GetKey(0).IsValid());
}

TEST_F(KeyMapTest, KeysCompareByNameOnly) {
  EXPECT_EQ(TKey("A", true), TKey("A", false));
  EXPECT_NE(TKey("A", false), TKey("a", false));
  EXPECT_EQ(TKey().GetName(), "INVALID");
  EXPECT_FALSE(TKey().IsValid());
  EXPECT_TRUE(TKey("A", false).IsValid());
}

TEST_F(KeyMapTest, PressingTwiceKeepsOneEntry) {
  Keys().OnKeyDown('A');
  Keys().OnKeyDown('A');
  ASSERT_EQ(Keys().GetKeysDown().size(), 1u);
  EXPECT_EQ(Keys().GetLastKey(), TKey("A", false));
  EXPECT_TRUE(TKey("A", false).IsDown());
}

TEST_F(KeyMapTest, ReleaseBetweenSnapshotsShowsReleasedUntilTheNextSnapshot) {
  Keys().OnKeyDown('A');
  Keys().OnKeyUp('A');
  const TKey a("A", false);
  EXPECT_TRUE(a.IsReleased());
  EXPECT_FALSE(a.IsDown());
  EXPECT_FALSE(Keys().GetLastKey().IsValid());

  Keys().Snapshot();
  EXPECT_FALSE(a.IsReleased());
  EXPECT_FALSE(a.IsDown());
}

TEST_F(KeyMapTest, PressAfterReleaseTakesTheKeyOffTheReleasedList) {
  Keys().OnKeyDown('B');
  Keys().OnKeyUp('B');
  Keys().OnKeyDown('B');
  EXPECT_TRUE(TKey("B", false).IsDown());
  EXPECT_FALSE(TKey("B", false).IsReleased());
}

TEST_F(KeyMapTest, KeysDownKeepPressOrder) {
  Keys().OnKeyDown('C');
  Keys().OnKeyDown(16);
  Keys().OnKeyDown('D');
  Keys().OnKeyUp(16);
  const std::vector<TKey> expected = {TKey("C", false), TKey("D", false)};
  EXPECT_EQ(Keys().GetKeysDown(), expected);
  EXPECT_EQ(Keys().GetLastKey(), TKey("D", false));
}

class SnapshotCounter : public TKeyListener {
 public:
  void OnKeyEvent() override { ++count; }
  int count = 0;
};

TEST_F(KeyMapTest, BackspaceCharacterIsStoredWithoutASnapshot) {
  SnapshotCounter counter;
  Keys().OnChar(8);
  EXPECT_EQ(counter.count, 0);
  EXPECT_EQ(Keys().TakeTypedChar(), 8);
  EXPECT_EQ(Keys().TakeTypedChar(), 0);

  Keys().OnChar('x');
  EXPECT_EQ(counter.count, 1);
  Keys().ClearTypedChar();
  EXPECT_EQ(Keys().TakeTypedChar(), 0);
}

TEST_F(KeyMapTest, UnknownCodeIsIgnoredAndEnteredAsInvalid) {
  SnapshotCounter counter;
  ASSERT_EQ(Keys().GetKeyTable().count(0), 0u);
  Keys().OnKeyDown(0);
  Keys().OnKeyUp(0);
  EXPECT_EQ(counter.count, 0);
  EXPECT_TRUE(Keys().GetKeysDown().empty());
  EXPECT_TRUE(Keys().GetKeysReleased().empty());
  ASSERT_EQ(Keys().GetKeyTable().count(0), 1u);
  EXPECT_EQ(Keys().GetKeyTable().at(0).GetName(), "INVALID");
}

TEST_F(KeyMapTest, RestrictSnapshotsHidesOtherKeysUntilTheNextSnapshot) {
  Keys().OnKeyDown('A');
  Keys().OnKeyDown(8);
  Keys().OnKeyDown('Q');
  Keys().OnKeyUp('Q');

  Keys().RestrictSnapshots({TKey("back", true), TKey("Q", false)});
  EXPECT_FALSE(TKey("A", false).IsDown());
  EXPECT_TRUE(TKey("back", true).IsDown());
  EXPECT_TRUE(TKey("Q", false).IsReleased());
  EXPECT_EQ(Keys().GetKeysDown().size(), 2u);

  Keys().Snapshot();
  EXPECT_TRUE(TKey("A", false).IsDown());
  EXPECT_TRUE(TKey("back", true).IsDown());
}

class RecordingListener : public TKeyListener {
 public:
  RecordingListener(std::vector<std::string>& log, std::string name)
      : log_(log), name_(std::move(name)) {}
  void OnKeyEvent() override {
    log_.push_back(name_);
    if (victim) {
      delete victim;
      victim = nullptr;
    }
  }
  RecordingListener* victim = nullptr;

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

TEST_F(KeyMapTest, ListenersAreToldInTheOrderTheyWereAdded) {
  std::vector<std::string> log;
  RecordingListener first(log, "first");
  RecordingListener second(log, "second");
  Keys().AddListener(&first);  // already registered: no second entry
  Keys().Snapshot();
  EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
}

TEST_F(KeyMapTest, ListenerRemovedDuringTheRoundIsNotCalled) {
  std::vector<std::string> log;
  RecordingListener first(log, "first");
  auto* doomed = new RecordingListener(log, "doomed");
  RecordingListener last(log, "last");
  first.victim = doomed;

  Keys().Snapshot();
  EXPECT_EQ(log, (std::vector<std::string>{"first", "last"}));

  log.clear();
  Keys().Snapshot();
  EXPECT_EQ(log, (std::vector<std::string>{"first", "last"}));
}

TEST_F(KeyMapTest, DestroyedListenerLeavesTheKeyMap) {
  std::vector<std::string> log;
  {
    RecordingListener gone(log, "gone");
  }
  Keys().Snapshot();
  EXPECT_TRUE(log.empty());
}

TEST_F(KeyMapTest, ScriptedPressIsADownThenAnUp) {
  Keys().OnKeyDown(13);
  Keys().OnKeyUp(13);
  EXPECT_TRUE(TKey("return", true).IsReleased());
  EXPECT_TRUE(Keys().GetKeysDown().empty());
}

}  // namespace
