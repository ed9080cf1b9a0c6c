#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maillib/mail_errors.h"
#include "maillib/mail_memory.h"

namespace {

using maillib::TMailMemory;

TEST(MailErrorText, TableTextsAndBoundedCopies) {
  const std::pair<int, const char*> cases[] = {
      {-1, "vSock has been closed."},
      {-45, "Must have at least one recipient."},
      {-73, "Channel out of range."},
      {0, "Cannot comply"},
      {-10061, "Connection refused by remote host."},
      {-11001, "Host does not exist."},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(maillib::MailErrorTextOf(code), text) << code;

  char buffer[64];
  EXPECT_EQ(maillib::CopyMailErrorText(-49, "554 rejected", buffer, sizeof(buffer)), 33);
  EXPECT_EQ(std::string(buffer), "SMTP returned error. 554 rejected");
  EXPECT_EQ(maillib::CopyMailErrorText(-45, "554 rejected", buffer, sizeof(buffer)), 33);
  EXPECT_EQ(std::string(buffer), "Must have at least one recipient.");

  char small[8];
  small[7] = '#';
  EXPECT_EQ(maillib::CopyMailErrorText(-45, "", small, 7), 6);
  EXPECT_EQ(std::string(small), "Must h");
  EXPECT_EQ(small[7], '#');

  buffer[0] = 'x';
  EXPECT_EQ(maillib::CopyMailErrorText(-2, "", buffer, sizeof(buffer)), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(maillib::CopyMailErrorText(-1, "", nullptr, 10), 0);
}

TEST(MailChecks, ServerNamesAndAddresses) {
  EXPECT_TRUE(maillib::MailCheckServerName("smtp.example.org"));
  EXPECT_TRUE(maillib::MailCheckServerName("caf\xE9.example"));
  for (const char* bad : {"a@b", "<host>", "host\r\n", "tab\there", "\x7F", "\x9F"}) {
    EXPECT_FALSE(maillib::MailCheckServerName(bad)) << bad;
  }

  const std::pair<const char*, int> addresses[] = {
      {"<a@b.org>", 0},
      {"Name <first.last@example.org>, <x@y>", 0},
      {"", -37},
      {"a@b.org", -41},
      {"<a@b.org", -43},
      {"<>", -47},
      {"<@b.org>", -37},
      {"<a@>", -37},
      {"<ab.org>", -39},
      {"<a@b@c>", -53},
      {"<a b@c>", -32},
      {"<a@b\r\nRCPT TO:x>", -32},
  };
  for (const auto& [text, code] : addresses) EXPECT_EQ(maillib::MailCheckAddress(text), code) << text;
  EXPECT_EQ(maillib::MailCheckAddress(nullptr), -47);
}

TEST(MailMemory, GuardedSlots) {
  TMailMemory memory;
  std::vector<std::string> log;
  memory.SetLogger([&log](int, const std::string& line) { log.push_back(line); });

  int error = 0;
  char* block = memory.Allocate(2, 5, 16, error);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::string(block, 16), std::string(16, '\0'));
  EXPECT_EQ(memory.Allocate(2, 5, 16, error), nullptr);
  EXPECT_EQ(error, TMailMemory::kSlotInUse);
  EXPECT_EQ(log.back(), "AllocateMemory Error: Chan=2, Index=5, Code=-103\r\n");
  EXPECT_EQ(memory.Allocate(32, 0, 16, error), nullptr);
  EXPECT_EQ(error, TMailMemory::kSlotOutOfRange);
  EXPECT_EQ(memory.Allocate(0, 10, 16, error), nullptr);
  EXPECT_EQ(error, TMailMemory::kSlotOutOfRange);

  char* copy = memory.AllocAndCopy(2, 6, "subject");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::string(copy), "subject");
  EXPECT_EQ(memory.Size(2, 6), 9u);
  copy = memory.AllocAndCopy(2, 6, "a longer subject");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::string(copy), "a longer subject");
  EXPECT_EQ(memory.AllocAndCopy(2, 7, ""), nullptr);

  // A write one past the caller's bytes damages the back guard.
  *memory.RawByte(2, 5, 17) = 'x';
  EXPECT_EQ(memory.Check(25), TMailMemory::kGuardDamaged);
  EXPECT_EQ(memory.CheckAll(), (std::vector<std::pair<int, int>>{{25, TMailMemory::kGuardDamaged}}));
  EXPECT_EQ(memory.Free(2, 1, 9), TMailMemory::kGuardDamaged);
  EXPECT_EQ(log.back(), "FreeMemory Error: Chan=2, Index=5, Code=-106\r\n");
  EXPECT_TRUE(memory.InUse(2, 6));  // freeing stopped at the damaged slot

  *memory.RawByte(2, 5, 17) = 'z';
  EXPECT_EQ(memory.Free(2, 1, 9), 0);
  EXPECT_FALSE(memory.InUse(2, 5));
  EXPECT_FALSE(memory.InUse(2, 6));
  EXPECT_TRUE(memory.CheckAll().empty());
}

}  // namespace
