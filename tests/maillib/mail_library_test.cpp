#include "maillib/mail_library.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_folder.h"

namespace {

using maillib::TMailLibrary;

TEST(MailLibrary, AttachAndChannelChecks) {
  TMailLibrary library;
  EXPECT_EQ(library.IntegerParam(0, 9, 0), -71);
  EXPECT_EQ(library.Attach(33), -73);
  EXPECT_EQ(library.Attach(0), -73);
  ASSERT_EQ(library.Attach(2), 1);
  EXPECT_EQ(library.Attach(2), -72);
  EXPECT_EQ(library.IntegerParam(2, 9, 0), -73);
  EXPECT_EQ(library.IntegerParam(-1, 9, 0), -73);
  EXPECT_EQ(library.Boundary().rfind("=====_MLE", 0), 0u);
  EXPECT_EQ(library.Boundary().substr(library.Boundary().size() - 6), "_=====");
  EXPECT_EQ(library.Release(), 1);
  EXPECT_EQ(library.Release(), 1);
  EXPECT_EQ(library.ChannelQuery(0, 16), -71);
  EXPECT_EQ(library.Attach(32), 1);
}

TEST(MailLibrary, ParametersAndQueries) {
  TMailLibrary library;
  ASSERT_EQ(library.Attach(3), 1);
  const maillib::TMailChannel& c = *library.Channel(1);
  EXPECT_TRUE(c.blocking);
  EXPECT_EQ(c.smtpPort, 25);
  EXPECT_EQ(c.pop3Port, 110);
  EXPECT_TRUE(c.detectImages);
  EXPECT_EQ(library.Globals().wrapColumn, 61);

  const std::pair<int, long> settings[] = {{8, 0x21}, {9, 2}, {15, 2525}, {16, 1110}, {17, 100}, {29, 1}, {30, 1},
                                           {23, ';'}, {6, 500}, {27, 0}};
  for (const auto& [index, value] : settings) EXPECT_EQ(library.IntegerParam(1, index, value), 1) << index;
  EXPECT_EQ(c.bodyFormat, 1);
  EXPECT_FALSE(c.blocking);
  EXPECT_EQ(c.smtpPort, 2525);
  EXPECT_EQ(c.pop3Port, 1110);
  EXPECT_EQ(library.Globals().wrapColumn, 82);
  EXPECT_TRUE(c.useEhlo);
  EXPECT_TRUE(c.useApop);
  EXPECT_FALSE(c.detectImages);
  EXPECT_EQ(library.Globals().addressSeparator, ';');
  EXPECT_EQ(library.Globals().downloadLimitMs, 500);
  EXPECT_EQ(library.Globals().dataWaitMs, 500);
  EXPECT_EQ(library.IntegerParam(1, 4, 1), -1);

  EXPECT_EQ(library.ChannelQuery(1, 16), 0x0345);
  EXPECT_EQ(library.ChannelQuery(1, 26), 15);
  EXPECT_EQ(library.ChannelQuery(1, 27), -1);
  EXPECT_EQ(library.ChannelQuery(1, 5), -1);
}

TEST(MailLibrary, StringParametersAreBounded) {
  TTempFolder folder;
  TMailLibrary library;
  ASSERT_EQ(library.Attach(1), 1);
  const maillib::TMailChannel& c = *library.Channel(0);
  EXPECT_EQ(library.StringParam(0, 53, std::string(500, 'f').c_str()), 0);
  EXPECT_EQ(c.from.size(), 127u);
  EXPECT_EQ(library.StringParam(0, 57, std::string(100, 'p').c_str()), 0);
  EXPECT_EQ(c.smtpPassword.size(), 63u);
  EXPECT_EQ(library.StringParam(0, 54, std::string(80, 't').c_str()), 63);
  EXPECT_EQ(library.StringParam(0, 57, nullptr), -47);
  EXPECT_EQ(library.StringParam(0, 42, "x"), -1);

  EXPECT_EQ(library.StringParam(0, 51, "X-One: 1"), 9);
  EXPECT_EQ(library.StringParam(0, 56, "X-Two: 2"), 9);
  EXPECT_EQ(std::string(library.Memory().Block(0, maillib::kSlotExtraHeaders)), "X-One: 1\r\nX-Two: 2");
  EXPECT_EQ(library.StringParam(0, 51, ""), 1);
  EXPECT_FALSE(library.Memory().InUse(0, maillib::kSlotExtraHeaders));
  EXPECT_EQ(library.StringParam(0, 59, "plain alternative"), 17);

  EXPECT_EQ(library.StringParam(0, 41, "lines.txt"), -47);
  const std::string log = folder.Path("debug.log").string();
  EXPECT_EQ(library.StringParam(0, 20, log.c_str()), 1);
  EXPECT_EQ(library.StringParam(0, 52, "note"), 1);
  EXPECT_EQ(library.StringParam(0, 57, "hunter2"), 0);
  EXPECT_EQ(library.StringParam(0, 20, (folder.Path("missing/dir/x.log").string()).c_str()), -1);
  library.Release();
  const std::string text = folder.Read("debug.log");
  EXPECT_NE(text.find("note\r\n"), std::string::npos);
  EXPECT_NE(text.find("*** mailStringParam(0,57,*)\r\n"), std::string::npos);
  EXPECT_EQ(text.find("hunter2"), std::string::npos);
}

TEST(MailLibrary, ErrorTextsCarryTheLastReply) {
  TMailLibrary library;
  ASSERT_EQ(library.Attach(1), 1);
  library.Channel(0)->lastReply = "-ERR no such user";
  char buffer[128];
  EXPECT_GT(library.ErrorText(0, -63, buffer, sizeof(buffer)), 0);
  EXPECT_EQ(std::string(buffer), "POP3 returned error. -ERR no such user");
}

}  // namespace
