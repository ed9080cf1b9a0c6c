// The mail library's tables, row by row: the integer and string parameters
// with their defaults and scope, the channel queries, the debug selectors,
// the error texts, the checks of names and addresses, and the memory slots.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "maillib/mail_errors.h"
#include "maillib/mail_library.h"
#include "maillib/mail_memory.h"
#include "support/temp_folder.h"

namespace {

using maillib::TMailChannel;
using maillib::TMailGlobals;
using maillib::TMailLibrary;
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

using ReadSetting = long (*)(const TMailGlobals&, const TMailChannel&);

struct TIntegerRow {
  int index;
  bool global;
  long defaultValue;
  long setTo;
  long readsBack;
  ReadSetting read;
};

const TIntegerRow kIntegerRows[] = {
    {1, true, 25, 40, 40, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.stepPauseMs; }},
    {2, true, 25000, 3000, 3000, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.replyWaitMs; }},
    {3, true, 60000, 7000, 7000, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.connectWaitMs; }},
    {5, true, 0, 15, 15, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.downloadPauseMs; }},
    {6, true, 25000, 900, 900, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.downloadLimitMs; }},
    {6, true, 25000, 900, 900, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.dataWaitMs; }},
    {8, false, 0, 0x29, 9, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.bodyFormat; }},
    {9, false, 1, 2, 0, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.blocking; }},
    {10, false, 0, 1, 1, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.numberedNames; }},
    {11, true, 25000, 800, 800, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.downloadLimitMs; }},
    {12, true, 25000, 700, 700, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.dataWaitMs; }},
    {13, true, 100, 20, 20, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.sleepSliceMs; }},
    {14, false, 0, 1, 1, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.autoSave; }},
    {15, false, 25, 2525, 2525, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.smtpPort; }},
    {16, false, 110, 1110, 1110, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.pop3Port; }},
    {17, true, 78, 100, 100, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.longestLine; }},
    {17, true, 61, 100, 82, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.wrapColumn; }},
    {18, false, 0, 5, 5, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.param18; }},
    {19, true, 0, 1, 1, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.keep8Bit; }},
    {21, true, 0, 1, 1, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.omitSavedLine; }},
    {22, true, 0, 1, 1, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.omitToHeader; }},
    {23, true, 44, ';', ';', [](const TMailGlobals& g, const TMailChannel&) -> long { return g.addressSeparator; }},
    {24, true, 1, 3, 3, [](const TMailGlobals& g, const TMailChannel&) -> long { return g.stored24; }},
    {25, true, 44, ';', ';', [](const TMailGlobals& g, const TMailChannel&) -> long { return g.attachmentSeparator; }},
    {26, true, 124, '#', '#', [](const TMailGlobals& g, const TMailChannel&) -> long { return g.pathSeparator; }},
    {27, false, 1, 0, 0, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.detectImages; }},
    {28, false, 0, 1, 1, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.decodeMode; }},
    {29, false, 0, 1, 1, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.useEhlo; }},
    {30, false, 0, 1, 1, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.useApop; }},
    {60, false, 0, 1, 1, [](const TMailGlobals&, const TMailChannel& c) -> long { return c.attachmentsAsText; }},
};

TEST(MailInterfaceTables, IntegerParametersDefaultsAndScope) {
  for (const TIntegerRow& row : kIntegerRows) {
    TMailLibrary library;
    ASSERT_EQ(library.Attach(2), 1);
    const TMailChannel& first = *library.Channel(0);
    const TMailChannel& second = *library.Channel(1);
    EXPECT_EQ(row.read(library.Globals(), first), row.defaultValue) << row.index;
    EXPECT_EQ(library.IntegerParam(0, row.index, row.setTo), 1) << row.index;
    EXPECT_EQ(row.read(library.Globals(), first), row.readsBack) << row.index;
    // A global setting reaches every channel, a channel setting only its own.
    EXPECT_EQ(row.read(library.Globals(), second), row.global ? row.readsBack : row.defaultValue) << row.index;
  }
  TMailLibrary library;
  ASSERT_EQ(library.Attach(1), 1);
  for (const int unknown : {0, 4, 7, 20, 31, 59, 61, -1}) EXPECT_EQ(library.IntegerParam(0, unknown, 1), -1) << unknown;
}

TEST(MailInterfaceTables, IntegerParametersAreLogged) {
  TTempFolder folder;
  TMailLibrary library;
  ASSERT_EQ(library.Attach(1), 1);
  ASSERT_EQ(library.StringParam(0, 20, folder.Path("log.txt").string().c_str()), 1);
  library.IntegerParam(0, 2, 1234);
  library.Release();
  EXPECT_NE(folder.Read("log.txt").find("*** mailIntegerParam(0,2,1234)\r\n"), std::string::npos);
}

struct TStringRow {
  int index;
  std::string text;
  int result;
  std::string (*read)(TMailLibrary&);
};

std::string Slot(TMailLibrary& library, int index) {
  const char* block = library.Memory().Block(0, index);
  return block == nullptr ? "<free>" : block;
}

TEST(MailInterfaceTables, StringParametersResultsAndLimits) {
  const std::string longText(200, 'a');
  const TStringRow rows[] = {
      {50, "<r@x.org>", 0, [](TMailLibrary& l) { return l.Channel(0)->replyTo; }},
      {50, longText, 0, [](TMailLibrary& l) { return std::to_string(l.Channel(0)->replyTo.size()); }},
      {51, "X-A: 1\r\nX-B: 22", 7, [](TMailLibrary& l) { return Slot(l, maillib::kSlotExtraHeaders); }},
      {53, "<f@x.org>", 0, [](TMailLibrary& l) { return l.Channel(0)->from; }},
      {53, longText, 0, [](TMailLibrary& l) { return std::to_string(l.Channel(0)->from.size()); }},
      {54, "Content-Type: text/x-a", 22, [](TMailLibrary& l) { return l.Globals().contentTypeLine; }},
      {54, longText, 63, [](TMailLibrary& l) { return std::to_string(l.Globals().contentTypeLine.size()); }},
      {55, "Content-Transfer-Encoding: 8bit", 31,
       [](TMailLibrary& l) { return l.Globals().transferEncodingLine; }},
      {55, longText, 127, [](TMailLibrary& l) { return std::to_string(l.Globals().transferEncodingLine.size()); }},
      {56, "X-C: 333", 9, [](TMailLibrary& l) { return Slot(l, maillib::kSlotExtraHeaders); }},
      {57, "pw", 0, [](TMailLibrary& l) { return l.Channel(0)->smtpPassword; }},
      {57, longText, 0, [](TMailLibrary& l) { return std::to_string(l.Channel(0)->smtpPassword.size()); }},
      {58, "user", 0, [](TMailLibrary& l) { return l.Channel(0)->user; }},
      {58, longText, 0, [](TMailLibrary& l) { return std::to_string(l.Channel(0)->user.size()); }},
      {59, "alt text", 8, [](TMailLibrary& l) { return Slot(l, maillib::kSlotAlternateText); }},
  };
  const std::string expected[] = {"<r@x.org>", "127", "X-A: 1\r\nX-B: 22", "<f@x.org>", "127",
                                  "Content-Type: text/x-a", "63", "Content-Transfer-Encoding: 8bit", "127",
                                  "X-C: 333", "pw", "63", "user", "63", "alt text"};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    TMailLibrary library;
    ASSERT_EQ(library.Attach(1), 1);
    EXPECT_EQ(library.StringParam(0, rows[i].index, rows[i].text.c_str()), rows[i].result) << rows[i].index;
    EXPECT_EQ(rows[i].read(library), expected[i]) << rows[i].index;
  }

  TMailLibrary library;
  ASSERT_EQ(library.Attach(1), 1);
  for (const int unknown : {19, 21, 40, 42, 49, 60}) EXPECT_EQ(library.StringParam(0, unknown, "x"), -1) << unknown;
  EXPECT_EQ(library.StringParam(0, 50, nullptr), -47);
  // 56 adds to what 51 set; 51 and an empty text clear them.
  EXPECT_EQ(library.StringParam(0, 51, "X-One: 1"), 9);
  EXPECT_EQ(library.StringParam(0, 56, "X-Two: 2"), 9);
  EXPECT_EQ(Slot(library, maillib::kSlotExtraHeaders), "X-One: 1\r\nX-Two: 2");
  EXPECT_EQ(library.StringParam(0, 51, ""), 1);
  EXPECT_EQ(Slot(library, maillib::kSlotExtraHeaders), "<free>");
}

TEST(MailInterfaceTables, StringParametersWithFiles) {
  TTempFolder folder;
  TMailLibrary library;
  ASSERT_EQ(library.Attach(2), 1);
  // 20: the log's handle, -1 when it cannot be made; 52 writes into it.
  EXPECT_EQ(library.StringParam(1, 20, folder.Path("no/such/folder/log").string().c_str()), -1);
  const int handle = library.StringParam(1, 20, folder.Path("log.txt").string().c_str());
  EXPECT_GT(handle, 0);
  EXPECT_EQ(library.StringParam(1, 52, "a note"), handle);
  // 41: the kept TOP text into a file; nothing kept yet is -47.
  EXPECT_EQ(library.StringParam(1, 41, folder.Path("top.txt").string().c_str()), -47);
  int error = 0;
  char* kept = library.Memory().Allocate(1, maillib::kSlotLines, 16, error);
  ASSERT_NE(kept, nullptr);
  std::memcpy(kept, "kept lines", 10);
  EXPECT_EQ(library.StringParam(1, 41, folder.Path("no/such/top.txt").string().c_str()), -67);
  EXPECT_EQ(library.StringParam(1, 41, folder.Path("top.txt").string().c_str()), 10);
  library.Release();
  EXPECT_EQ(folder.Read("top.txt"), "kept lines");
  const std::string log = folder.Read("log.txt");
  EXPECT_NE(log.find("a note\r\n"), std::string::npos);
  EXPECT_NE(log.find("*** Releasing channel 1 ***\r\n"), std::string::npos);
}

TEST(MailInterfaceTables, ChannelQuerySelectors) {
  TMailLibrary library;
  ASSERT_EQ(library.Attach(2), 1);
  TMailChannel& c = *library.Channel(1);
  c.steps = 7;
  c.replyCode = 250;
  c.socketError = -10061;
  c.bytesRead = 1100;
  c.bytesDecoded = 500;
  c.bytesSent = 2000;
  c.attachmentBytesSent = 3000;
  c.messageCount = 3;
  c.messageSize = 900;
  c.linesReturned = 4;
  c.attachmentsSaved = 2;
  c.verifyCode = 252;
  const std::pair<int, int> rows[] = {
      {2, 7},     {3, 250},  {4, -10061}, {10, 1100}, {11, 500},  {12, 1600}, {13, 2000}, {14, 3000},
      {15, 5000}, {16, 0x0345}, {17, 3},  {18, 900},  {19, 4},    {20, 0},    {22, 2},    {24, 252},
      {26, 15},   {27, -1},
  };
  for (const auto& [selector, value] : rows) EXPECT_EQ(library.ChannelQuery(1, selector), value) << selector;
  for (const int unknown : {0, 1, 5, 9, 21, 23, 25, 28, 99}) EXPECT_EQ(library.ChannelQuery(1, unknown), -1) << unknown;
  // The other channel keeps its own counters.
  EXPECT_EQ(library.ChannelQuery(0, 2), 0);
  EXPECT_EQ(library.ChannelQuery(2, 2), -73);
}

TEST(MailInterfaceTables, DebugSelectors) {
  TMailLibrary library;
  ASSERT_EQ(library.Attach(1), 1);
  TMailChannel& c = *library.Channel(0);
  c.lastReply = "250 fine";
  c.savedAttachmentNames = "a.bin,b.txt";
  c.messagePath = "/tmp/mail/one.eml";
  char buffer[128];
  const std::pair<int, std::string> rows[] = {
      {23, "250 fine"}, {25, ""}, {28, ""}, {29, "a.bin,b.txt"}, {30, "/tmp/mail/one.eml"}, {1, "?"}, {31, "?"},
  };
  for (const auto& [selector, text] : rows) {
    const int result = library.Debug(0, selector, buffer, sizeof(buffer));
    EXPECT_EQ(std::string(buffer), text) << selector;
    EXPECT_EQ(result, text == "?" ? 0 : static_cast<int>(text.size())) << selector;
  }
  EXPECT_EQ(library.Debug(0, 40, buffer, sizeof(buffer)), -47);
  const int length = library.Debug(0, -12, buffer, sizeof(buffer));
  EXPECT_EQ(length, static_cast<int>(std::string(buffer).size()));
  EXPECT_TRUE(std::regex_match(buffer, std::regex("Date: (Sun|Mon|Tue|Wed|Thu|Fri|Sat), [0-9]{1,2} "
                                                  "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} "
                                                  "[0-9]{1,2}:[0-9]{2}:[0-9]{2} [+-][0-9]{4}")))
      << buffer;
  // Bounded copies.
  char small[5] = {'#', '#', '#', '#', '#'};
  EXPECT_EQ(library.Debug(0, 29, small, 4), 3);
  EXPECT_EQ(std::string(small), "a.b");
  EXPECT_EQ(small[4], '#');
  EXPECT_EQ(library.Debug(1, 23, buffer, sizeof(buffer)), -73);
}

TEST(MailInterfaceTables, MemoryCheckThroughDebug) {
  TMailLibrary library;
  ASSERT_EQ(library.Attach(2), 1);
  ASSERT_NE(library.Memory().AllocAndCopy(1, maillib::kSlotSubject, "subject"), nullptr);
  char report[256];
  EXPECT_EQ(library.Debug(-2, 0, report, sizeof(report)), 0);
  EXPECT_EQ(std::string(report), "");
  *library.Memory().RawByte(1, maillib::kSlotSubject, 0) = 'X';
  EXPECT_EQ(library.Debug(-2, 99, report, sizeof(report)), 1);
  EXPECT_EQ(std::string(report), "Memory Corrupted (guard byte): ID=14 Err=-106\r\n");
}

TEST(MailInterfaceTables, ErrorTexts) {
  const std::pair<int, const char*> rows[] = {
      {-1, "vSock has been closed."},
      {-4, "WINSOCK is currently blocking."},
      {-5, "Bad status flag passed to mailStatus."},
      {-7, "Invalid socket."},
      {-8, "vSock timed out."},
      {-9, "No available sockaddr structures."},
      {-12, "No host name."},
      {-18, "Cannot create socket."},
      {-31, "Response buffer has overflowed."},
      {-32, "Bad character in email address."},
      {-34, "Cannot access WINSOCK"},
      {-35, "Cannot open file."},
      {-36, "Error attempting to connect."},
      {-37, "EMPTY email address."},
      {-38, "FromPtr is NULL."},
      {-39, "Missing '@' character in email address."},
      {-40, "Missing FROM email address."},
      {-41, "Missing '<' delimiter in email address."},
      {-43, "Missing '>' terminating email address."},
      {-44, "Not connected to server"},
      {-45, "Must have at least one recipient."},
      {-46, "Cannot find SMTP/POP3 server."},
      {-47, "Unexpected NULL pointer."},
      {-48, "ToPtr is NULL."},
      {-49, "SMTP returned error."},
      {-50, "SMTP/POP3 server not specified."},
      {-51, "vSock read error."},
      {-52, "vSock write error."},
      {-53, "Too many '@' symbols in email address."},
      {-54, "Found unexpected '>' character in email address."},
      {-55, "Cannot allocate memory."},
      {-56, "Illegal chars in server name."},
      {-57, "APOP timestamp missing."},
      {-58, "SMTP function ONLY."},
      {-59, "POP3 function ONLY."},
      {-61, "USER name not specified."},
      {-62, "PASSWORD not specified."},
      {-63, "POP3 returned error."},
      {-64, "No such message number."},
      {-65, "Missing filename."},
      {-66, "Missing email path."},
      {-67, "Cannot create file."},
      {-68, "Buffer is NULL."},
      {-69, "Buffer size < 128."},
      {-70, "Missing path for attachments."},
      {-71, "Must call mailAttach first."},
      {-72, "Already attached."},
      {-73, "Channel out of range."},
      {0, "Cannot comply"},
      {-10004, "Interrupted system call."},
      {-10009, "Bad file number."},
      {-10013, "Access denied."},
      {-10014, "Bad address."},
      {-10022, "Invalid argument."},
      {-10024, "Too many open files."},
      {-10035, "Would block socket in non-blocking mode."},
      {-10036, "Blocking call already in progress."},
      {-10037, "Operation already completed."},
      {-10038, "Not a valid socket"},
      {-10039, "Destination address required."},
      {-10040, "Message too big for buffer."},
      {-10041, "Protocol mismatch."},
      {-10042, "Protocol option invalid."},
      {-10043, "Protocol not supported."},
      {-10044, "vSock type not supported."},
      {-10045, "vSock operation not supported."},
      {-10047, "vSock address family not supported."},
      {-10048, "vSock address already in use."},
      {-10049, "vSock address not available."},
      {-10050, "Network error."},
      {-10051, "Cannot reach network."},
      {-10052, "Connection dropped."},
      {-10053, "Connection timed-out or aborted."},
      {-10054, "Connection reset by remote host."},
      {-10055, "Out of buffer space."},
      {-10056, "vSock already connected."},
      {-10057, "vSock not connected."},
      {-10058, "vSock functionality shut down."},
      {-10060, "Timed-out attempting to connect."},
      {-10061, "Connection refused by remote host."},
      {-10064, "Host is down"},
      {-10065, "No route to host"},
      {-10091, "Network not yet ready."},
      {-10092, "WINSOCK doesn't support requested version."},
      {-10093, "vSocks not initialized. Call WSAStartup."},
      {-11001, "Host does not exist."},
      {-11002, "Host not found. Try again."},
      {-11003, "Non-recoverable error has occurred."},
      {-11004, "No data is available."},
  };
  TMailLibrary library;
  ASSERT_EQ(library.Attach(1), 1);
  library.Channel(0)->lastReply = "554 no";
  char buffer[128];
  for (const auto& [code, text] : rows) {
    // Three codes carry the server's last reply after their text.
    const bool withReply = code == -49 || code == -63 || code == -36;
    const std::string expected = std::string(text) + (withReply ? " 554 no" : "");
    EXPECT_EQ(library.ErrorText(0, code, buffer, sizeof(buffer)), static_cast<int>(expected.size())) << code;
    EXPECT_EQ(std::string(buffer), expected) << code;
  }
  for (const int unknown : {-2, -42, -60, -74, 1, 999, -10000, -11005}) {
    buffer[0] = 'x';
    EXPECT_EQ(library.ErrorText(0, unknown, buffer, sizeof(buffer)), 0) << unknown;
    EXPECT_EQ(buffer[0], '\0') << unknown;
  }
}

TEST(MailInterfaceTables, MemorySlotNumbering) {
  struct Row {
    int channel;
    int index;
    int slot;
  };
  const Row rows[] = {{0, 0, 0}, {0, 9, 9}, {1, 0, 10}, {17, 4, 174}, {31, 9, 319}};
  for (const Row& row : rows) {
    TMailMemory memory;
    int error = 0;
    ASSERT_NE(memory.Allocate(row.channel, row.index, 8, error), nullptr) << row.slot;
    // A block of n bytes is n + 3 with its guards: "U" in front, "z" after.
    EXPECT_EQ(*memory.RawByte(row.channel, row.index, 0), 'U');
    EXPECT_EQ(*memory.RawByte(row.channel, row.index, 9), 'z');
    EXPECT_NE(memory.RawByte(row.channel, row.index, 10), nullptr);
    EXPECT_EQ(memory.RawByte(row.channel, row.index, 11), nullptr);
    *memory.RawByte(row.channel, row.index, 0) = 'u';
    EXPECT_EQ(memory.CheckAll(), (std::vector<std::pair<int, int>>{{row.slot, TMailMemory::kGuardDamaged}}));
  }
  TMailMemory memory;
  int error = 0;
  for (const auto& [channel, index] : {std::pair{32, 0}, {0, 10}, {-1, 0}, {0, -1}}) {
    EXPECT_EQ(memory.Allocate(channel, index, 8, error), nullptr);
    EXPECT_EQ(error, TMailMemory::kSlotOutOfRange) << channel << "," << index;
  }
  EXPECT_EQ(memory.Allocate(3, 3, std::size_t{1} << 40, error), nullptr);
  EXPECT_EQ(error, TMailMemory::kNoMemory);
  EXPECT_NE(memory.Allocate(3, 3, 8, error), nullptr);
  EXPECT_EQ(memory.Allocate(3, 3, 8, error), nullptr);
  EXPECT_EQ(error, TMailMemory::kSlotInUse);
}

}  // namespace
