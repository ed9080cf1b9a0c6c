#include "app/data_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/version_info.h"
#include "support/temp_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Each test that touches files works in a fresh folder of its own.
class DataStreamFileTest : public ::testing::Test {
 protected:
  TTempFolder folder_;
};

void AppendU32(Bytes& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void AppendText(Bytes& bytes, const std::string& text) {
  AppendU32(bytes, static_cast<uint32_t>(text.size()));
  bytes.insert(bytes.end(), text.begin(), text.end());
}

Bytes Inflate(const Bytes& packed, std::size_t size) {
  Bytes out(size);
  uLongf produced = static_cast<uLongf>(size);
  EXPECT_EQ(uncompress(out.data(), &produced, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
  EXPECT_EQ(produced, size);
  return out;
}

Bytes Deflate(const Bytes& body) {
  uLongf size = compressBound(static_cast<uLong>(body.size()));
  Bytes out(size);
  EXPECT_EQ(compress(out.data(), &size, body.data(), static_cast<uLong>(body.size())), Z_OK);
  out.resize(size);
  return out;
}

// A body with every kind of item, of some length so that compression matters.
void FillSample(TDataStream& stream) {
  stream.WriteByte(0xAB);
  stream.WriteShort(0xBEEF);
  stream.WriteInt(0xDEADBEEF);
  stream.WriteFloat(-12.75f);
  stream.WriteString("Marine squad");
  for (uint32_t i = 0; i < 500; ++i) stream.WriteInt(i % 7);
}

// ---------------------------------------------------------------- encodings

TEST(DataStreamTest, WritesLittleEndianAndReadsBack) {
  TDataStream stream("Vorhelm-3-10");
  stream.WriteByte(0x7F);
  stream.WriteShort(0x1234);
  stream.WriteInt(0x01020304);
  stream.WriteFloat(1.0f);
  stream.WriteString("ab");
  const Bytes expected = {0x7F, 0x34, 0x12, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x80, 0x3F,
                          0x02, 0x00, 0x00, 0x00, 'a', 'b'};
  EXPECT_EQ(stream.Body(), expected);
  EXPECT_EQ(stream.GetPosition(), expected.size());

  stream.Rewind();
  EXPECT_EQ(stream.ReadByte(), 0x7F);
  EXPECT_EQ(stream.ReadShort(), 0x1234);
  EXPECT_EQ(stream.ReadInt(), 0x01020304u);
  EXPECT_EQ(stream.ReadFloat(), 1.0f);
  EXPECT_EQ(stream.ReadString(), "ab");
  EXPECT_FALSE(stream.HasFailed());
}

TEST(DataStreamTest, EmptyStringIsFourZeroBytes) {
  TDataStream stream("Vorhelm-3-10");
  stream.WriteString("");
  EXPECT_EQ(stream.Body(), Bytes(4, 0));
  stream.Rewind();
  EXPECT_EQ(stream.ReadString(), "");
  EXPECT_FALSE(stream.HasFailed());
}

TEST(DataStreamTest, WritesInsertAtThePosition) {
  TDataStream stream("Vorhelm-3-10");
  stream.WriteByte(1);
  stream.WriteByte(4);
  stream.Seek(1);
  stream.WriteShort(0x0302);
  EXPECT_EQ(stream.Body(), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(stream.GetPosition(), 3u);
}

TEST(DataStreamTest, AppendStreamInsertsAndAdvances) {
  TDataStream stream("Vorhelm-3-10");
  for (uint8_t value : {1, 2, 3, 4}) stream.WriteByte(value);
  TDataStream table("Vorhelm-3-10");
  table.WriteByte(9);
  table.WriteByte(8);
  ASSERT_EQ(table.GetPosition(), 2u);

  stream.Seek(2);
  EXPECT_TRUE(stream.AppendStream(table));
  EXPECT_EQ(stream.Body(), (Bytes{1, 2, 9, 8, 3, 4}));
  EXPECT_EQ(stream.GetPosition(), 4u);
  EXPECT_EQ(table.GetPosition(), 0u);
  stream.SeekEnd();
  EXPECT_EQ(stream.GetPosition(), 6u);
}

TEST(DataStreamTest, AppendingItselfDoublesTheBody) {
  TDataStream stream("Vorhelm-3-10");
  stream.WriteShort(0x0201);
  EXPECT_TRUE(stream.AppendStream(stream));
  EXPECT_EQ(stream.Body(), (Bytes{1, 2, 1, 2}));
}

TEST(DataStreamTest, ClearEmptiesAndRewinds) {
  TDataStream stream("Vorhelm-3-10");
  stream.WriteInt(5);
  stream.Clear();
  EXPECT_TRUE(stream.Body().empty());
  EXPECT_EQ(stream.GetPosition(), 0u);
}

// ---------------------------------------------------------------- bounds

TEST(DataStreamTest, ReadsPastTheEndGiveZeroAndFailStickily) {
  TDataStream stream("Vorhelm-3-10");
  stream.WriteShort(0x0102);
  stream.Rewind();
  EXPECT_EQ(stream.ReadInt(), 0u);
  EXPECT_TRUE(stream.HasFailed());
  EXPECT_EQ(stream.GetPosition(), 2u);
  EXPECT_EQ(stream.ReadByte(), 0u);
  EXPECT_EQ(stream.ReadShort(), 0u);
  EXPECT_EQ(stream.ReadFloat(), 0.0f);
  EXPECT_EQ(stream.ReadString(), "");
  EXPECT_EQ(stream.GetPosition(), 2u);

  uint8_t buffer[3] = {7, 7, 7};
  EXPECT_FALSE(stream.ReadBytes(buffer, sizeof buffer));
  EXPECT_EQ(buffer[0] | buffer[1] | buffer[2], 0);
  EXPECT_TRUE(stream.HasFailed());

  stream.ClearFailure();
  EXPECT_FALSE(stream.HasFailed());
}

TEST(DataStreamTest, OverlongStringLengthFailsCleanly) {
  TDataStream stream("Vorhelm-3-10");
  stream.WriteInt(1000);
  stream.WriteBytes("abc", 3);
  stream.Rewind();
  EXPECT_EQ(stream.ReadString(), "");
  EXPECT_TRUE(stream.HasFailed());
  EXPECT_EQ(stream.GetPosition(), stream.Body().size());
}

// A string that takes exactly the rest of the body reads whole; one byte more
// than the body holds fails without reading past it.
TEST(DataStreamTest, StringLengthAtTheEndOfTheBody) {
  for (const uint32_t extra : {0u, 1u}) {
    SCOPED_TRACE(extra);
    TDataStream stream;
    stream.WriteInt(3 + extra);
    stream.WriteBytes("abc", 3);
    stream.Rewind();
    EXPECT_EQ(stream.ReadString(), extra == 0 ? "abc" : "");
    EXPECT_EQ(stream.HasFailed(), extra != 0);
    EXPECT_EQ(stream.GetPosition(), 7u);
  }
}

TEST(DataStreamTest, SeekBeyondTheEndStopsAtTheEnd) {
  TDataStream stream("Vorhelm-3-10");
  stream.WriteInt(1);
  stream.Seek(100);
  EXPECT_EQ(stream.GetPosition(), 4u);
  EXPECT_TRUE(stream.HasFailed());
}

// ---------------------------------------------------------------- embedded streams

TEST(DataStreamTest, EmbeddedStreamRoundTrip) {
  TDataStream inner("Vorhelm-2-08");
  inner.SetName("Events");
  inner.WriteString("first event");
  inner.WriteInt(42);

  TDataStream outer("Vorhelm-3-10");
  outer.WriteInt(7);
  ASSERT_TRUE(inner.WriteEmbedded(outer));
  outer.WriteInt(99);

  outer.Rewind();
  EXPECT_EQ(outer.ReadInt(), 7u);
  TDataStream extracted("Vorhelm-3-10");
  ASSERT_TRUE(outer.ExtractStream(extracted));
  EXPECT_EQ(extracted.Body(), inner.Body());
  EXPECT_EQ(extracted.GetVersionTag(), "Vorhelm-2-08");
  EXPECT_FLOAT_EQ(extracted.GetVersion(), 2.08f);
  EXPECT_EQ(extracted.GetName(), "Events");
  EXPECT_FALSE(extracted.IsCompressed());
  EXPECT_EQ(extracted.GetPosition(), 0u);
  EXPECT_EQ(outer.ReadInt(), 99u);
  EXPECT_FALSE(outer.HasFailed());
}

TEST(DataStreamTest, EmbeddedStreamIsAlwaysWrittenRaw) {
  TDataStream inner("Vorhelm-3-10");
  inner.WriteByte(5);
  ASSERT_TRUE(inner.IsCompressed());
  TDataStream outer("Vorhelm-3-10");
  inner.WriteEmbedded(outer);

  Bytes expected;
  AppendText(expected, "Vorhelm-3-10");
  AppendText(expected, "GeneralDVX");
  expected.push_back(0);
  AppendU32(expected, 1);
  expected.push_back(5);
  EXPECT_EQ(outer.Body(), expected);
}

// Embedded headers that must be refused: a compressed flag, and lengths that
// run past the data.
TEST(DataStreamTest, DamagedEmbeddedStreamsFail) {
  struct Case {
    const char* what;
    uint8_t flag;
    uint32_t length;
    std::size_t bodyBytes;
  };
  const Case cases[] = {
      {"compressed flag", 1, 2, 2},
      {"length past the end", 0, 50, 2},
      {"huge length", 0, 0xFFFFFFFFu, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDataStream outer("Vorhelm-3-10");
    outer.WriteString("Vorhelm-3-10");
    outer.WriteString("GeneralDVX");
    outer.WriteByte(c.flag);
    outer.WriteInt(c.length);
    for (std::size_t i = 0; i < c.bodyBytes; ++i) outer.WriteByte(0x11);
    outer.Rewind();

    TDataStream extracted("Vorhelm-3-10");
    extracted.WriteInt(3);
    EXPECT_FALSE(outer.ExtractStream(extracted));
    EXPECT_TRUE(outer.HasFailed());
    EXPECT_TRUE(extracted.Body().empty());
  }
}

TEST(DataStreamTest, TruncatedEmbeddedHeaderFails) {
  TDataStream outer("Vorhelm-3-10");
  outer.WriteString("Vorhelm-3-10");
  outer.WriteInt(30);  // a name length with nothing after it
  outer.Rewind();
  TDataStream extracted("Vorhelm-3-10");
  EXPECT_FALSE(outer.ExtractStream(extracted));
  EXPECT_TRUE(outer.HasFailed());
}

// ---------------------------------------------------------------- version tags

TEST(DataStreamTest, ParseVersionTagCases) {
  struct Case {
    const char* tag;
    float version;
  };
  const Case cases[] = {
      {"Vorhelm-3-10", 3.10f}, {"Vorhelm-3-07", 3.07f}, {"Vorhelm-1-0", 1.0f},  {"Vorhelm-3-9", 3.9f},
      {"Vorhelm-1-059", 1.059f}, {"Vorhelm-2", 2.0f},   {"", 0.0f},             {"Vorhelm-", 0.0f},
      {"Vorhelm-x-1", 0.0f},    {"Vorhelm-inf", 0.0f},  {"Vorhelm-nan-1", 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    EXPECT_EQ(ParseVersionTag(c.tag), c.version);
  }
  EXPECT_GT(ParseVersionTag("Vorhelm-3-9"), ParseVersionTag("Vorhelm-3-10"));
}

TEST(DataStreamTest, ConstructorsTakeTheirTag) {
  TDataStream current;
  EXPECT_EQ(current.GetVersionTag(), GetVersionInfo()->Get()->GetVersionTag());
  EXPECT_EQ(current.GetVersionTag(), "Vorhelm-3-10");
  EXPECT_FLOAT_EQ(current.GetVersion(), 3.10f);
  EXPECT_EQ(current.GetName(), "GeneralDVX");
  EXPECT_TRUE(current.IsCompressed());
  EXPECT_EQ(current.GetPosition(), 0u);

  TDataStream old("Vorhelm-1-05");
  EXPECT_FLOAT_EQ(old.GetVersion(), 1.05f);
}

TEST_F(DataStreamFileTest, CheckVersionWindow) {
  struct Case {
    float version;
    EVersionCheck expected;
  };
  const Case cases[] = {
      {3.10f, EVersionCheck::Ok},      {3.1005f, EVersionCheck::Ok},     {3.102f, EVersionCheck::TooNew},
      {1.0f, EVersionCheck::Ok},       {0.9995f, EVersionCheck::Ok},     {0.998f, EVersionCheck::TooOld},
      {0.0f, EVersionCheck::TooOld},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    EXPECT_EQ(CheckVersion(c.version), c.expected);
  }
}

// ---------------------------------------------------------------- files

struct RoundTripCase {
  const char* tag;
  bool compressed;
  bool hasHeaderFields;
};

class DataStreamRoundTripTest : public DataStreamFileTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(DataStreamRoundTripTest, SavedFileLoadsBack) {
  const RoundTripCase& c = GetParam();
  TDataStream written(c.tag);
  written.SetName("TurnFile");
  written.SetCompressed(c.compressed);
  FillSample(written);
  ASSERT_TRUE(written.SaveToFile("game.dvx"));

  TDataStream loaded;
  loaded.WriteInt(1234);  // a load replaces whatever was there
  ASSERT_TRUE(loaded.LoadFromFile("game.dvx"));
  EXPECT_EQ(loaded.Body(), written.Body());
  EXPECT_EQ(loaded.GetPosition(), 0u);
  EXPECT_EQ(loaded.GetVersionTag(), c.tag);
  EXPECT_EQ(loaded.GetVersion(), ParseVersionTag(c.tag));
  EXPECT_EQ(loaded.GetName(), c.hasHeaderFields ? "TurnFile" : "GeneralDVX");
  EXPECT_EQ(loaded.IsCompressed(), c.hasHeaderFields && c.compressed);
  EXPECT_FALSE(loaded.HasFailed());

  EXPECT_EQ(loaded.ReadByte(), 0xAB);
  EXPECT_EQ(loaded.ReadShort(), 0xBEEF);
  EXPECT_EQ(loaded.ReadInt(), 0xDEADBEEFu);
  EXPECT_EQ(loaded.ReadFloat(), -12.75f);
  EXPECT_EQ(loaded.ReadString(), "Marine squad");
}

INSTANTIATE_TEST_SUITE_P(Tags, DataStreamRoundTripTest,
                         ::testing::Values(RoundTripCase{"Vorhelm-1-0", true, false},
                                           RoundTripCase{"Vorhelm-1-05", true, false},
                                           RoundTripCase{"Vorhelm-1-10", true, true},
                                           RoundTripCase{"Vorhelm-1-10", false, true},
                                           RoundTripCase{"Vorhelm-2-08", true, true},
                                           RoundTripCase{"Vorhelm-2-08", false, true},
                                           RoundTripCase{"Vorhelm-3-10", true, true},
                                           RoundTripCase{"Vorhelm-3-10", false, true}));

TEST_F(DataStreamFileTest, DefaultHeaderLayout) {
  TDataStream stream;
  FillSample(stream);
  ASSERT_TRUE(stream.SaveToFile("layout.dvx"));
  const Bytes file = folder_.ReadBytes("layout.dvx");

  Bytes header;
  AppendText(header, "Vorhelm-3-10");
  AppendText(header, "GeneralDVX");
  header.push_back(1);
  AppendU32(header, static_cast<uint32_t>(stream.Body().size()));
  ASSERT_GT(file.size(), header.size());
  EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(header.size())), header);

  const Bytes packed(file.begin() + static_cast<std::ptrdiff_t>(header.size()), file.end());
  EXPECT_LT(packed.size(), stream.Body().size());
  EXPECT_EQ(packed, Deflate(stream.Body()));
  EXPECT_EQ(Inflate(packed, stream.Body().size()), stream.Body());
}

TEST_F(DataStreamFileTest, OldestFormatLayoutIsTagAndRawBody) {
  TDataStream stream("Vorhelm-1-0");
  stream.WriteInt(0x0A0B0C0D);
  stream.WriteString("x");
  ASSERT_TRUE(stream.SaveToFile("old.dvx"));
  EXPECT_FALSE(stream.IsCompressed());

  Bytes expected;
  AppendText(expected, "Vorhelm-1-0");
  expected.insert(expected.end(), stream.Body().begin(), stream.Body().end());
  EXPECT_EQ(folder_.ReadBytes("old.dvx"), expected);
}

TEST_F(DataStreamFileTest, FilesOutsideTheVersionWindow) {
  struct Case {
    const char* tag;
    bool accepted;
    const char* message;
  };
  const Case cases[] = {
      {"Vorhelm-3-102", false, "Client exe out of date.  Please download newer version"},
      {"Vorhelm-3-1005", true, nullptr},
      {"Vorhelm-0-99", false, "Version of file too old"},
      {"Vorhelm-0-9995", true, nullptr},
      {"Nonsense", false, "Version of file too old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    TDataStream written(c.tag);
    written.WriteInt(77);
    ASSERT_TRUE(written.SaveToFile("version.dvx"));

    TDataStream loaded;
    EXPECT_EQ(loaded.LoadFromFile("version.dvx"), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(loaded.ReadInt(), 77u);
    } else {
      EXPECT_TRUE(loaded.Body().empty());
      EXPECT_NE(folder_.Read("VorhelmDocs/DVX.log").find(c.message), std::string::npos);
    }
  }
}

TEST_F(DataStreamFileTest, TruncatedHeadersFail) {
  TDataStream stream;
  stream.WriteInt(5);
  ASSERT_TRUE(stream.SaveToFile("whole.dvx"));
  const Bytes whole = folder_.ReadBytes("whole.dvx");
  // Inside the tag length, inside the tag, inside the name, before the flag,
  // inside the body length.
  for (std::size_t cut : {0u, 2u, 10u, 20u, 30u, 33u}) {
    SCOPED_TRACE(cut);
    folder_.WriteBytes("cut.dvx", Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
    TDataStream loaded;
    EXPECT_FALSE(loaded.LoadFromFile("cut.dvx"));
    EXPECT_TRUE(loaded.Body().empty());
  }
}

TEST_F(DataStreamFileTest, DamagedCompressedBodiesFail) {
  Bytes body(4000);
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 31 % 253);
  const Bytes packed = Deflate(body);

  auto fileWith = [&](uint32_t storedLength, Bytes data) {
    Bytes file;
    AppendText(file, "Vorhelm-3-10");
    AppendText(file, "GeneralDVX");
    file.push_back(1);
    AppendU32(file, storedLength);
    file.insert(file.end(), data.begin(), data.end());
    return file;
  };
  Bytes scrambled = packed;
  for (std::size_t i = 2; i < scrambled.size(); i += 3) scrambled[i] ^= 0x5A;
  const Bytes truncated(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed.size() / 2));

  struct Case {
    const char* what;
    Bytes file;
  };
  const Case cases[] = {
      {"scrambled zlib data", fileWith(4000, scrambled)},
      {"truncated zlib data", fileWith(4000, truncated)},
      {"stored length too short", fileWith(3999, packed)},
      {"stored length too long", fileWith(4001, packed)},
      {"huge stored length", fileWith(0xFFFFFFFFu, packed)},
      {"beyond the inflate ratio", fileWith(static_cast<uint32_t>(packed.size() * 1033), packed)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDataStream loaded;
    EXPECT_FALSE(loaded.LoadFromBytes(c.file));
    EXPECT_TRUE(loaded.Body().empty());
  }
  TDataStream sound;
  EXPECT_TRUE(sound.LoadFromBytes(fileWith(4000, packed)));
  EXPECT_EQ(sound.Body(), body);
}

// A body is bounded by what the game's own files can need, however well it
// would inflate: 64 MiB of zeros pass, one byte more is refused.
TEST_F(DataStreamFileTest, BodiesBeyondTheCapAreRefused) {
  for (const std::size_t size : {std::size_t{64} << 20, (std::size_t{64} << 20) + 1}) {
    SCOPED_TRACE(size);
    Bytes file;
    AppendText(file, "Vorhelm-3-10");
    AppendText(file, "GeneralDVX");
    file.push_back(1);
    AppendU32(file, static_cast<uint32_t>(size));
    const Bytes packed = Deflate(Bytes(size, 0));
    file.insert(file.end(), packed.begin(), packed.end());
    TDataStream loaded;
    EXPECT_EQ(loaded.LoadFromBytes(file), size <= (std::size_t{64} << 20));
    EXPECT_EQ(loaded.Body().size(), size <= (std::size_t{64} << 20) ? size : 0u);
  }
}

// Up to 1.079 a file is its tag and a raw body; from 1.08 on the name, the
// compression flag and the body length follow the tag.
TEST_F(DataStreamFileTest, HeaderFormatChangesBetween1079And108) {
  struct Case {
    const char* tag;
    bool fullHeader;
  };
  for (const Case& c : {Case{"Vorhelm-1-079", false}, Case{"Vorhelm-1-08", true}}) {
    SCOPED_TRACE(c.tag);
    TDataStream stream(c.tag);
    stream.SetCompressed(false);
    stream.WriteInt(0x01020304);
    ASSERT_TRUE(stream.SaveToFile("boundary.dvx"));
    Bytes expected;
    AppendText(expected, c.tag);
    if (c.fullHeader) {
      AppendText(expected, "GeneralDVX");
      expected.push_back(0);
      AppendU32(expected, 4);
    }
    AppendU32(expected, 0x01020304);
    EXPECT_EQ(folder_.ReadBytes("boundary.dvx"), expected);

    TDataStream loaded;
    ASSERT_TRUE(loaded.LoadFromFile("boundary.dvx"));
    EXPECT_EQ(loaded.ReadInt(), 0x01020304u);
    EXPECT_EQ(loaded.Remaining(), 0u);
  }
}

TEST_F(DataStreamFileTest, MissingFilesFail) {
  TDataStream stream;
  stream.WriteInt(1);
  EXPECT_FALSE(stream.LoadFromFile("absent.dvx"));
  EXPECT_TRUE(stream.Body().empty());
  EXPECT_FALSE(stream.LoadRaw("absent.dvx"));
  EXPECT_FALSE(TDataStream::IsFileReadable("absent.dvx"));
  EXPECT_FALSE(stream.SaveToFile("NoSuchFolder\\game.dvx"));
}

TEST_F(DataStreamFileTest, LoadRawTakesTheBytesAsTheyAre) {
  folder_.WriteBytes("raw.bin", Bytes{1, 2, 3});
  EXPECT_TRUE(TDataStream::IsFileReadable("raw.bin"));
  TDataStream stream;
  ASSERT_TRUE(stream.LoadRaw("raw.bin"));
  EXPECT_EQ(stream.Body(), (Bytes{1, 2, 3}));
  EXPECT_EQ(stream.GetPosition(), 0u);
}

TEST_F(DataStreamFileTest, GamePathsWithBackslashes) {
  std::filesystem::create_directory("Games");
  TDataStream stream;
  stream.WriteString("hello");
  ASSERT_TRUE(stream.Save("Games\\saved.dvx"));
  TDataStream loaded;
  ASSERT_TRUE(loaded.Load("Games\\saved.dvx"));
  EXPECT_EQ(loaded.ReadString(), "hello");
}

// ---------------------------------------------------------------- zlib helpers

TEST(DataStreamTest, CompressionHelpersAppendAndCheckSizes) {
  const Bytes source(3000, 0x42);
  Bytes packed = {0xEE};
  ASSERT_TRUE(CompressData(source, packed));
  EXPECT_EQ(packed[0], 0xEE);
  const Bytes zlibData(packed.begin() + 1, packed.end());

  Bytes out = {0x01};
  EXPECT_FALSE(DecompressData(zlibData, out, 2999));
  EXPECT_EQ(out.size(), 1u);
  EXPECT_FALSE(DecompressData(zlibData, out, 3001));
  EXPECT_EQ(out.size(), 1u);
  ASSERT_TRUE(DecompressData(zlibData, out, 3000));
  EXPECT_EQ(Bytes(out.begin() + 1, out.end()), source);

  Bytes emptyPacked;
  ASSERT_TRUE(CompressData(Bytes(), emptyPacked));
  Bytes emptyOut;
  EXPECT_TRUE(DecompressData(emptyPacked, emptyOut, 0));
  EXPECT_TRUE(emptyOut.empty());
}

}  // namespace
