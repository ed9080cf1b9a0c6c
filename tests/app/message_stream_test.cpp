#include "app/message_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/unit_test_registry.h"

namespace {

class MessageStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { TMessageStream::DestroyInstance(); }
  void TearDown() override { TMessageStream::DestroyInstance(); }

  static std::string Lines(int first, int last) {
    std::string text;
    for (int i = first; i <= last; ++i) {
      text += static_cast<char>('A' + i);
      text += '\n';
    }
    return text;
  }
};

class CountingView : public TMessageView {
 public:
  void Refresh() override { ++refreshes; }
  int refreshes = 0;
};

TEST_F(MessageStreamTest, TwentyFiveLinesLeaveTheLastTwenty) {
  TMessageStream* stream = TMessageStream::Instance();
  for (int i = 0; i < 25; ++i) {
    stream->Write(std::string(1, static_cast<char>('A' + i)) + "\n");
  }
  EXPECT_EQ(stream->GetText(), Lines(5, 24));
}

TEST_F(MessageStreamTest, TwentyFiveLinesInOneWriteLeaveTheLastTwenty) {
  TMessageStream::Instance()->Write(Lines(0, 24));
  EXPECT_EQ(TMessageStream::Instance()->GetText(), Lines(5, 24));
}

TEST_F(MessageStreamTest, ShortTextsAreNeverTrimmed) {
  const std::string cases[] = {
      Lines(0, 19),                      // exactly the limit
      Lines(0, 9),                       // fewer lines
      "no line feed at all",             // nothing to count
      "\n",                              // a line feed at the very start
      "\n\n\n",                          // only line feeds
      Lines(0, 19) + "tail",             // twenty lines and an unterminated one
      "",
  };
  for (const std::string& text : cases) {
    TMessageStream::DestroyInstance();
    TMessageStream::Instance()->Write(text);
    EXPECT_EQ(TMessageStream::Instance()->GetText(), text);
  }
}

TEST_F(MessageStreamTest, UnterminatedLastLineStaysAfterTrimming) {
  TMessageStream* stream = TMessageStream::Instance();
  stream->Write(Lines(0, 21) + "tail");
  EXPECT_EQ(stream->GetText(), Lines(2, 21) + "tail");
}

TEST_F(MessageStreamTest, WriteRefreshesTheAttachedViewUntilDetached) {
  CountingView view;
  TMessageStream* stream = TMessageStream::Instance();
  stream->AttachView(&view);
  stream->Write("one\n");
  stream->Write("two\n");
  EXPECT_EQ(view.refreshes, 2);
  stream->DetachView();
  stream->Write("three\n");
  EXPECT_EQ(view.refreshes, 2);
  EXPECT_EQ(stream->GetView(), nullptr);
  stream->Clear();
  EXPECT_EQ(stream->GetText(), "");
}

class RecordingTest : public TUnitTest {
 public:
  RecordingTest(std::string name, std::vector<std::string>& log)
      : TUnitTest(std::move(name)), log_(log) {}
  void Run() override { log_.push_back(GetName()); }

 private:
  std::vector<std::string>& log_;
};

TEST(UnitTestRegistryTest, RunsAllOrTheFirstOfAName) {
  std::vector<std::string> log;
  TUnitTestRegistry registry;
  registry.Run("All");
  EXPECT_TRUE(log.empty());
  registry.Register(std::make_unique<RecordingTest>("one", log));
  registry.Register(std::make_unique<RecordingTest>("two", log));
  registry.Register(std::make_unique<RecordingTest>("one", log));

  registry.Run("All");
  EXPECT_EQ(log, (std::vector<std::string>{"one", "two", "one"}));
  log.clear();
  registry.Run("one");
  EXPECT_EQ(log, (std::vector<std::string>{"one"}));
  log.clear();
  registry.Run("three");
  EXPECT_TRUE(log.empty());
}

TEST(UnitTestRegistryTest, ProgramRegistersNoSelfTests) {
  DestroyUnitTestRegistry();
  EXPECT_EQ(GetUnitTestRegistry()->Count(), 0u);
  GetUnitTestRegistry()->Run("All");
  DestroyUnitTestRegistry();
}

}  // namespace
