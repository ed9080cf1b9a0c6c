// The clipboard in memory and SDL's clipboard with the conversion between
// the game's Windows-1252 and the desktop's UTF-8.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>

#include "platform/clipboard.h"

namespace {

TEST(ClipboardTest, MemoryClipboardKeepsTheLastTextAsItIs) {
  platform::MemoryClipboard clipboard;
  EXPECT_EQ(clipboard.GetText(), "");
  EXPECT_TRUE(clipboard.SetText("first"));
  EXPECT_TRUE(clipboard.SetText(std::string("caf\xE9\0x", 6)));
  EXPECT_EQ(clipboard.GetText(), std::string("caf\xE9\0x", 6));
  EXPECT_FALSE(clipboard.IsSystemClipboard());
}

TEST(ClipboardTest, HeadlessRunsGetAClipboardInMemory) {
  // The tests run with DVX_HEADLESS=1 and no window.
  const auto clipboard = platform::MakeClipboard();
  ASSERT_NE(clipboard, nullptr);
  EXPECT_FALSE(clipboard->IsSystemClipboard());
  EXPECT_TRUE(clipboard->SetText("x"));
  EXPECT_EQ(platform::MakeClipboard()->GetText(), "");
}

class SdlClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "no SDL video: " << SDL_GetError();
    started_ = true;
  }
  void TearDown() override {
    if (started_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  bool started_ = false;
};

TEST_F(SdlClipboardTest, TextTravelsAsUtf8AndComesBackInWindows1252) {
  platform::SdlClipboard clipboard;
  EXPECT_TRUE(clipboard.IsSystemClipboard());
  ASSERT_TRUE(clipboard.SetText("caf\xE9 \x80 5"));
  char* utf8 = SDL_GetClipboardText();
  ASSERT_NE(utf8, nullptr);
  EXPECT_EQ(std::string(utf8), "caf\xC3\xA9 \xE2\x82\xAC 5");
  SDL_free(utf8);
  EXPECT_EQ(clipboard.GetText(), "caf\xE9 \x80 5");
}

TEST_F(SdlClipboardTest, CharactersOutsideTheCodePageAreDropped) {
  ASSERT_EQ(SDL_SetClipboardText("a\xE6\xBC\xA2" "b\xF0\x9F\x98\x80" "c \xE2\x80\x9Cq\xE2\x80\x9D"), 0);
  platform::SdlClipboard clipboard;
  EXPECT_EQ(clipboard.GetText(), "abc \x93q\x94");
}

TEST(SdlClipboardWithoutVideoTest, FailsQuietly) {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "video already running";
  platform::SdlClipboard clipboard;
  EXPECT_FALSE(clipboard.SetText("x"));
  EXPECT_EQ(clipboard.GetText(), "");
}

}  // namespace
