#include "display/image/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "display/image/jpeg_image.h"
#include "jpeg_test_files.h"
#include "support/temp_folder.h"

namespace {

using jpeg_test::TJpegBuilder;

struct TDecoded {
  int32_t constructed = 0;
  int32_t begun = 0;
  int32_t lastRow = 0;
  int32_t error = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerPixel = 0;
  int32_t rows = 0;
  std::vector<uint8_t> pixels;
};

// Memory whose reads fail once `readable` bytes have been handed out.
class TFailingStream : public TJpegMemoryStream {
 public:
  TFailingStream(const std::vector<uint8_t>& bytes, std::size_t readable)
      : TJpegMemoryStream(bytes.data(), bytes.size()), readable_(readable) {}
  int32_t Read(uint8_t* buffer, int32_t count, bool* endOfFile) override {
    if (given_ >= readable_) return -1;
    const int32_t got = TJpegMemoryStream::Read(
        buffer, static_cast<int32_t>(std::min<std::size_t>(static_cast<std::size_t>(count), readable_ - given_)),
        endOfFile);
    given_ += static_cast<std::size_t>(got);
    return got;
  }

 private:
  std::size_t readable_;
  std::size_t given_ = 0;
};

constexpr std::size_t kAllReadable = std::numeric_limits<std::size_t>::max();

TDecoded Decode(const std::vector<uint8_t>& bytes, const TJpegLimits& limits = {},
                std::size_t readable = kAllReadable) {
  TFailingStream stream(bytes, readable);
  TJpegDecoder decoder(&stream, false, limits);
  TDecoded result;
  result.constructed = decoder.GetErrorCode();
  result.begun = decoder.Begin();
  const uint8_t* row = nullptr;
  uint32_t length = 0;
  while ((result.lastRow = decoder.DecodeRow(&row, &length)) == 0) {
    result.pixels.insert(result.pixels.end(), row, row + length);
    ++result.rows;
  }
  result.error = decoder.GetErrorCode();
  result.width = decoder.GetWidth();
  result.height = decoder.GetHeight();
  result.bytesPerPixel = decoder.GetBytesPerPixel();
  return result;
}

// ------------------------------------------------------------ reference corpus

struct TCorpusCase {
  const char* name;
  int32_t width;
  int32_t height;
  int32_t channels;
  const char* options;
  uint8_t frame;  // the frame marker the options must produce
};

void PrintTo(const TCorpusCase& c, std::ostream* os) { *os << c.name; }

class JpegCorpus : public ::testing::TestWithParam<TCorpusCase> {};

TEST_P(JpegCorpus, MatchesTheReferenceDecoderWithinTwo) {
  ASSERT_TRUE(jpeg_test::HaveReferenceTools()) << "cjpeg/djpeg missing: install libjpeg-turbo-progs";
  const TCorpusCase& c = GetParam();
  TTempFolder folder;
  const std::vector<uint8_t> bytes =
      jpeg_test::Encode(jpeg_test::MakePicture(c.width, c.height, c.channels), c.options, "picture");
  ASSERT_FALSE(bytes.empty());
  ASSERT_NE(jpeg_test::FindMarker(bytes, c.frame), std::string::npos) << "not the intended kind of frame";
  jpeg_test::TPnm reference;
  ASSERT_TRUE(jpeg_test::ReferenceDecode("picture.jpg", reference));

  TJpegImage image;
  ASSERT_TRUE(image.Load("picture.jpg"));
  ASSERT_EQ(image.GetWidth(), static_cast<uint32_t>(c.width));
  ASSERT_EQ(image.GetHeight(), static_cast<uint32_t>(c.height));
  const uint32_t bytesPerPixel = c.channels == 1 ? 1 : 4;
  ASSERT_EQ(image.GetBytesPerPixel(), bytesPerPixel);
  const uint8_t* ours = image.GetPixels();
  int worst = 0;
  for (std::size_t p = 0; p < static_cast<std::size_t>(c.width) * c.height; ++p) {
    for (int32_t channel = 0; channel < c.channels; ++channel) {
      const int difference = std::abs(ours[p * bytesPerPixel + channel] - reference.pixels[p * c.channels + channel]);
      if (difference > worst) worst = difference;
      ASSERT_LE(difference, 2) << "pixel " << p % c.width << "," << p / c.width << " channel " << channel;
    }
    if (bytesPerPixel == 4) {
      ASSERT_EQ(ours[p * 4 + 3], 0);
    }
  }
  EXPECT_LE(worst, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Reference, JpegCorpus,
    ::testing::Values(
        TCorpusCase{"grey_baseline", 64, 48, 1, "-grayscale -baseline", 0xC0},
        TCorpusCase{"grey_odd_progressive", 37, 23, 1, "-grayscale -progressive", 0xC2},
        TCorpusCase{"grey_one_pixel", 1, 1, 1, "-grayscale", 0xC0},
        TCorpusCase{"grey_sampled_2x2_odd", 37, 23, 1, "-grayscale -sample 2x2", 0xC0},
        TCorpusCase{"grey_sampled_2x2_progressive", 43, 29, 1, "-grayscale -sample 2x2 -progressive", 0xC2},
        TCorpusCase{"h1v1_baseline", 40, 24, 3, "-sample 1x1 -quality 90", 0xC0},
        TCorpusCase{"h2v1_baseline_odd", 45, 19, 3, "-sample 2x1", 0xC0},
        TCorpusCase{"h1v2_baseline_odd", 21, 35, 3, "-sample 1x2", 0xC0},
        TCorpusCase{"h2v2_baseline_odd", 33, 17, 3, "-sample 2x2", 0xC0},
        TCorpusCase{"h2v2_one_pixel", 1, 1, 3, "-sample 2x2", 0xC0},
        TCorpusCase{"h1v1_progressive", 50, 30, 3, "-sample 1x1 -progressive", 0xC2},
        TCorpusCase{"h2v1_progressive_odd", 61, 27, 3, "-sample 2x1 -progressive", 0xC2},
        TCorpusCase{"h1v2_progressive_odd", 29, 43, 3, "-sample 1x2 -progressive", 0xC2},
        TCorpusCase{"h2v2_progressive_odd", 99, 71, 3, "-sample 2x2 -progressive", 0xC2},
        TCorpusCase{"h2v2_restart_rows", 70, 50, 3, "-sample 2x2 -restart 1", 0xC0},
        TCorpusCase{"h1v1_restart_blocks", 41, 29, 3, "-sample 1x1 -restart 3B", 0xC0},
        TCorpusCase{"h2v1_restart_blocks", 53, 21, 3, "-sample 2x1 -restart 5B", 0xC0},
        TCorpusCase{"h1v2_restart_progressive", 35, 45, 3, "-sample 1x2 -progressive -restart 2B", 0xC2},
        TCorpusCase{"grey_restart_progressive", 55, 40, 1, "-grayscale -progressive -restart 2B", 0xC2},
        TCorpusCase{"h2v2_progressive_restart", 66, 34, 3, "-sample 2x2 -progressive -restart 1", 0xC2},
        TCorpusCase{"h2v2_optimized", 80, 64, 3, "-optimize -quality 100", 0xC0},
        TCorpusCase{"extended_16bit_tables", 32, 32, 3, "-quality 1", 0xC1},
        TCorpusCase{"grey_extended_16bit_tables", 25, 9, 1, "-grayscale -quality 2", 0xC1},
        TCorpusCase{"wide_h2v2", 517, 9, 3, "-sample 2x2 -quality 75", 0xC0},
        // Many input buffers' worth of data, noise coded at high quality.
        TCorpusCase{"large_h2v2_progressive_odd", 641, 479, 3, "-sample 2x2 -progressive -quality 97", 0xC2},
        TCorpusCase{"large_h1v1_baseline_odd", 401, 301, 3, "-sample 1x1 -quality 98", 0xC0}));

// ------------------------------------------------------------ error codes

struct TErrorCase {
  const char* name;
  std::vector<uint8_t> bytes;
  int32_t expected;
};

void PrintTo(const TErrorCase& c, std::ostream* os) { *os << c.name; }

std::vector<uint8_t> Grey8(TJpegBuilder builder = jpeg_test::PlainGrey(8, 8)) { return builder.End().Bytes(); }

std::vector<uint8_t> WithCounts(uint8_t at15, uint8_t at16) {
  std::vector<uint8_t> payload(17 + at15 + at16, 0);
  payload[15] = at15;
  payload[16] = at16;
  return payload;
}

std::vector<TErrorCase> HeaderErrorCases() {
  const std::vector<uint8_t> greyComponent = {1, 0x11, 0};
  std::vector<TErrorCase> cases;
  cases.push_back({"dht_counts_over_255", TJpegBuilder().Segment(0xC4, WithCounts(200, 100)).End().Bytes(), -200});
  {
    std::vector<uint8_t> overfull(18 + 2, 0);
    overfull[1] = 3;  // three codes of length 1 cannot exist
    cases.push_back({"dht_codes_overfull", TJpegBuilder().Segment(0xC4, overfull).End().Bytes(), -200});
  }
  {
    std::vector<uint8_t> table(18, 0);
    table[0] = 0x05;
    table[1] = 1;
    cases.push_back({"dht_index_5", TJpegBuilder().Segment(0xC4, table).End().Bytes(), -201});
    table[0] = 0x21;
    cases.push_back({"dht_class_2", TJpegBuilder().Segment(0xC4, table).End().Bytes(), -201});
  }
  cases.push_back({"dht_length_1", TJpegBuilder().Raw({0xFF, 0xC4, 0x00, 0x01}).End().Bytes(), -202});
  {
    std::vector<uint8_t> table(18, 0);
    table[1] = 1;
    table[2] = 2;  // three symbols promised, one present
    cases.push_back({"dht_symbols_missing", TJpegBuilder().Segment(0xC4, table).End().Bytes(), -202});
  }
  cases.push_back({"dqt_length_1", TJpegBuilder().Raw({0xFF, 0xDB, 0x00, 0x01}).End().Bytes(), -203});
  cases.push_back({"dqt_index_4", TJpegBuilder().Quant(4).End().Bytes(), -204});
  cases.push_back({"dqt_too_short", TJpegBuilder().Segment(0xDB, std::vector<uint8_t>(30, 0)).End().Bytes(), -219});
  cases.push_back({"dqt_16bit_too_short", TJpegBuilder().Segment(0xDB, std::vector<uint8_t>(65, 0x10)).End().Bytes(), -219});
  {
    TJpegBuilder twelveBit;
    twelveBit.Segment(0xC0, {12, 0, 8, 0, 8, 1, 1, 0x11, 0});
    cases.push_back({"precision_12", twelveBit.End().Bytes(), -205});
  }
  cases.push_back({"height_0", TJpegBuilder().Frame(0xC0, 8, 0, greyComponent).End().Bytes(), -206});
  cases.push_back({"height_8193", TJpegBuilder().Frame(0xC0, 8, 8193, greyComponent).End().Bytes(), -206});
  cases.push_back({"width_0", TJpegBuilder().Frame(0xC0, 0, 8, greyComponent).End().Bytes(), -207});
  cases.push_back({"width_9000", TJpegBuilder().Frame(0xC1, 9000, 8, greyComponent).End().Bytes(), -207});
  cases.push_back({"five_components",
                   TJpegBuilder().Frame(0xC0, 8, 8, {1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 4, 0x11, 0, 5, 0x11, 0})
                       .End()
                       .Bytes(),
                   -208});
  cases.push_back({"frame_length_wrong", TJpegBuilder().Segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0, 0}).End().Bytes(), -209});
  cases.push_back({"app_length_1", TJpegBuilder().Raw({0xFF, 0xE1, 0x00, 0x01}).End().Bytes(), -210});
  cases.push_back({"dri_length_5", TJpegBuilder().Segment(0xDD, {0, 1, 0}).End().Bytes(), -211});
  cases.push_back({"sof9_arithmetic", TJpegBuilder().Frame(0xC9, 8, 8, greyComponent).End().Bytes(), -215});
  cases.push_back({"dac_arithmetic", TJpegBuilder().Segment(0xCC, {0, 0}).End().Bytes(), -215});
  cases.push_back({"rst_between_segments", TJpegBuilder().Raw({0xFF, 0xD3}).End().Bytes(), -216});
  cases.push_back({"tem_between_segments", TJpegBuilder().Raw({0xFF, 0x01}).End().Bytes(), -216});
  cases.push_back({"sof3_lossless", TJpegBuilder().Frame(0xC3, 8, 8, greyComponent).End().Bytes(), -218});
  cases.push_back({"eoi_before_frame", TJpegBuilder().End().Bytes(), -218});
  {
    std::vector<uint8_t> junk(600, 0x55);
    const std::vector<uint8_t> good = Grey8();
    junk.insert(junk.end(), good.begin(), good.end());
    cases.push_back({"soi_after_600_bytes", junk, -217});
    cases.push_back({"empty_file", {}, -217});
    cases.push_back({"soi_then_no_marker", {0x00, 0x00, 0xFF, 0xD8, 0x00, 0xFF, 0xC0}, -217});
  }
  return cases;
}

class JpegHeaderErrors : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(JpegHeaderErrors, ConstructorReportsTheCode) {
  const TDecoded decoded = Decode(GetParam().bytes);
  EXPECT_EQ(decoded.constructed, GetParam().expected);
  EXPECT_EQ(decoded.begun, -1);
  EXPECT_EQ(decoded.lastRow, -1);
  EXPECT_EQ(decoded.rows, 0);
}

INSTANTIATE_TEST_SUITE_P(Crafted, JpegHeaderErrors, ::testing::ValuesIn(HeaderErrorCases()));

std::vector<TErrorCase> SetUpErrorCases() {
  std::vector<TErrorCase> cases;
  const auto colour = [](std::vector<uint8_t> components) {
    TJpegBuilder builder;
    builder.Quant(0).Frame(0xC0, 16, 16, components).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0);
    return builder;
  };
  {
    TJpegBuilder empty;
    empty.Quant(0).Frame(0xC0, 8, 8, {1, 0x11, 0}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0).Scan({});
    cases.push_back({"scan_without_components", empty.End().Bytes(), -212});
  }
  cases.push_back({"sequential_scan_missing_a_component",
                   colour({1, 0x22, 0, 2, 0x11, 0, 3, 0x11, 0}).Scan({1, 0x00}).End().Bytes(), -212});
  {
    TJpegBuilder badId;
    badId.Quant(0).Frame(0xC0, 8, 8, {1, 0x11, 0}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0).Scan({7, 0x00});
    cases.push_back({"scan_component_not_in_frame", badId.End().Bytes(), -213});
  }
  cases.push_back({"scan_components_reordered",
                   colour({1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0}).Scan({2, 0, 1, 0, 3, 0}).End().Bytes(), -213});
  {
    TJpegBuilder noSos;
    noSos.Quant(0).Frame(0xC0, 8, 8, {1, 0x11, 0});
    cases.push_back({"eoi_instead_of_scan", noSos.End().Bytes(), -216});
  }
  {
    TJpegBuilder undefinedQuant;
    undefinedQuant.Quant(0).Frame(0xC0, 8, 8, {1, 0x11, 2}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0);
    cases.push_back({"undefined_quant_table", undefinedQuant.Scan({1, 0x00}).End().Bytes(), -222});
  }
  cases.push_back({"undefined_dc_table", Grey8(jpeg_test::TJpegBuilder()
                                                   .Quant(0)
                                                   .Frame(0xC0, 8, 8, {1, 0x11, 0})
                                                   .OneSymbolTable(0x10, 0)
                                                   .Scan({1, 0x00})),
                   -223});
  cases.push_back({"undefined_ac_table", Grey8(jpeg_test::TJpegBuilder()
                                                   .Quant(0)
                                                   .Frame(0xC0, 8, 8, {1, 0x11, 0})
                                                   .OneSymbolTable(0x00, 0)
                                                   .Scan({1, 0x03})),
                   -223});
  cases.push_back({"two_components", colour({1, 0x11, 0, 2, 0x11, 0}).End().Bytes(), -225});
  cases.push_back({"four_components_progressive",
                   TJpegBuilder().Frame(0xC2, 8, 8, {1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 4, 0x11, 0}).End().Bytes(),
                   -225});
  cases.push_back({"chroma_subsampled_twice", colour({1, 0x22, 0, 2, 0x21, 0, 3, 0x11, 0}).End().Bytes(), -226});
  cases.push_back({"luma_sampling_3", colour({1, 0x31, 0, 2, 0x11, 0, 3, 0x11, 0}).End().Bytes(), -226});
  cases.push_back({"grey_sampling_0", Grey8(TJpegBuilder().Frame(0xC0, 8, 8, {1, 0x00, 0})), -226});
  {
    TJpegBuilder spectral;
    spectral.Quant(0).Frame(0xC2, 8, 8, {1, 0x11, 0}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0);
    cases.push_back({"progressive_dc_with_ac", spectral.Scan({1, 0x00}, 0, 5).End().Bytes(), -230});
  }
  {
    TJpegBuilder spectral;
    spectral.Quant(0).Frame(0xC2, 8, 8, {1, 0x11, 0}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0);
    cases.push_back({"progressive_end_64", spectral.Scan({1, 0x00}, 1, 64).End().Bytes(), -230});
  }
  {
    TJpegBuilder spectral;
    spectral.Quant(0).Frame(0xC2, 8, 8, {1, 0x11, 0}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0);
    cases.push_back({"progressive_start_after_end", spectral.Scan({1, 0x00}, 9, 4).End().Bytes(), -230});
  }
  {
    TJpegBuilder interleavedAc;
    interleavedAc.Quant(0).Frame(0xC2, 16, 16, {1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0}).OneSymbolTable(0x10, 0);
    cases.push_back({"progressive_ac_of_two_components", interleavedAc.Scan({1, 0x00, 2, 0x00}, 1, 5).End().Bytes(), -230});
  }
  {
    TJpegBuilder successive;
    successive.Quant(0).Frame(0xC2, 8, 8, {1, 0x11, 0}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0);
    cases.push_back({"refinement_skips_a_bit", successive.Scan({1, 0x00}, 0, 0, 0x20).End().Bytes(), -231});
  }
  return cases;
}

class JpegSetUpErrors : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(JpegSetUpErrors, BeginFailsWithTheCode) {
  const TDecoded decoded = Decode(GetParam().bytes);
  EXPECT_EQ(decoded.constructed, 0);
  EXPECT_EQ(decoded.begun, -1);
  EXPECT_EQ(decoded.error, GetParam().expected);
  EXPECT_EQ(decoded.lastRow, -1);
}

INSTANTIATE_TEST_SUITE_P(Crafted, JpegSetUpErrors, ::testing::ValuesIn(SetUpErrorCases()));

// Failures after set-up, and limits that no picture of at most 8192 x 8192
// reaches with the game's limits but that must still fail with their code.
enum class TStage { Constructor, Begin, Row };

struct TLateErrorCase {
  const char* name;
  std::vector<uint8_t> bytes;
  TStage stage;
  int32_t expected;
  TJpegLimits limits = {};
  std::size_t readable = kAllReadable;
};

void PrintTo(const TLateErrorCase& c, std::ostream* os) { *os << c.name; }

// A grey picture 8 pixels high, one MCU per 8 pixels across, a restart after
// every MCU; the entropy data is left to the caller.
TJpegBuilder GreyWithRestarts(uint16_t width) {
  TJpegBuilder builder;
  builder.Quant(0).Frame(0xC0, width, 8, {1, 0x11, 0}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0);
  builder.Segment(0xDD, {0, 1}).Scan({1, 0x00});
  return builder;
}

std::vector<uint8_t> ZeroBytes(std::size_t count) { return std::vector<uint8_t>(count, 0); }

std::vector<TLateErrorCase> LateErrorCases() {
  std::vector<TLateErrorCase> cases;
  {
    // The tables' only codes are "0": a 1 bit matches no code of any length.
    TJpegBuilder builder = jpeg_test::PlainGrey(8, 8);
    cases.push_back({"code_matching_no_table_entry", builder.Raw({0xFF, 0x00, 0xFF, 0x00}).End().Bytes(), TStage::Row, -227});
  }
  {
    TJpegBuilder builder;
    builder.Quant(0).Frame(0xC0, 8, 8, {1, 0x11, 0}).OneSymbolTable(0x00, 17).OneSymbolTable(0x10, 0);
    cases.push_back({"dc_difference_of_17_bits", builder.Scan({1, 0x00}).Raw(ZeroBytes(8)).End().Bytes(), TStage::Row, -227});
  }
  cases.push_back({"restart_marker_missing", GreyWithRestarts(16).Raw(ZeroBytes(4)).End().Bytes(), TStage::Row, -228});
  cases.push_back({"restart_marker_out_of_order",
                   GreyWithRestarts(16).Raw({0x00, 0xFF, 0xD1, 0x00}).End().Bytes(), TStage::Row, -228});
  {
    std::vector<uint8_t> data = ZeroBytes(1600);
    data.insert(data.end(), {0xFF, 0xD0, 0x00});
    cases.push_back({"restart_marker_too_far", GreyWithRestarts(16).Raw(data).End().Bytes(), TStage::Row, -228});
  }
  {
    // The scan starts inside the first 4096 bytes; its data runs past them.
    TJpegBuilder builder;
    builder.Segment(0xE0, ZeroBytes(3900)).Quant(0).Frame(0xC0, 8, 8192, {1, 0x11, 0});
    builder.OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0).Scan({1, 0x00}).Raw(ZeroBytes(300));
    cases.push_back({"read_error_inside_the_scan", builder.End().Bytes(), TStage::Row, -232, {}, 4096});
  }
  cases.push_back({"read_error_in_the_header", Grey8(), TStage::Constructor, -232, {}, 20});
  cases.push_back({"table_beyond_the_memory_limit", Grey8(), TStage::Constructor, -233, TJpegLimits{100}});
  cases.push_back({"more_memory_blocks_than_allowed", Grey8(), TStage::Begin, -221, TJpegLimits{1u << 20, 3}});
  cases.push_back({"mcu_row_beyond_the_block_limit", Grey8(jpeg_test::PlainGrey(24, 8)), TStage::Begin, -229,
                   TJpegLimits{1u << 20, 100, 2}});
  return cases;
}

class JpegLateErrors : public ::testing::TestWithParam<TLateErrorCase> {};

TEST_P(JpegLateErrors, FailWithTheCodeAtTheirStage) {
  const TLateErrorCase& c = GetParam();
  const TDecoded decoded = Decode(c.bytes, c.limits, c.readable);
  EXPECT_EQ(decoded.error, c.expected);
  EXPECT_EQ(decoded.constructed, c.stage == TStage::Constructor ? c.expected : 0);
  EXPECT_EQ(decoded.begun, c.stage == TStage::Row ? 0 : -1);
  EXPECT_EQ(decoded.lastRow, c.stage == TStage::Row ? -227 : -1);
  if (c.stage == TStage::Row) {
    EXPECT_LT(decoded.rows, decoded.height);
  }
}

INSTANTIATE_TEST_SUITE_P(Crafted, JpegLateErrors, ::testing::ValuesIn(LateErrorCases()));

TEST(JpegErrorCodes, EveryCodeHasACraftedFile) {
  std::set<int32_t> reached;
  for (const TErrorCase& c : HeaderErrorCases()) reached.insert(c.expected);
  for (const TErrorCase& c : SetUpErrorCases()) reached.insert(c.expected);
  for (const TLateErrorCase& c : LateErrorCases()) reached.insert(c.expected);
  std::set<int32_t> all;
  for (int32_t code = -233; code <= -200; ++code) {
    if (code != -214 && code != -220 && code != -224) all.insert(code);
  }
  EXPECT_EQ(reached, all);
}

// ------------------------------------------------------------ decoding

TEST(JpegDecoder, PlainGreyPictureDecodesToMidGrey) {
  const TDecoded decoded = Decode(Grey8(jpeg_test::PlainGrey(13, 9)));
  EXPECT_EQ(decoded.begun, 0);
  EXPECT_EQ(decoded.lastRow, 1);
  EXPECT_EQ(decoded.bytesPerPixel, 1);
  EXPECT_EQ(decoded.rows, 9);
  EXPECT_EQ(decoded.pixels, std::vector<uint8_t>(13 * 9, 128));
}

// Entropy-coded bits as an encoder writes them: 1-bit padding, 0xFF stuffed.
class TBitWriter {
 public:
  void Put(uint32_t value, int32_t count) {
    for (int32_t i = count - 1; i >= 0; --i) PutBit((value >> i) & 1);
  }
  // A DC difference: its size as a 4-bit code (table below), then its bits.
  void PutDifference(int32_t difference) {
    int32_t size = 0;
    while ((std::abs(difference) >> size) != 0) ++size;
    Put(static_cast<uint32_t>(size), 4);
    Put(static_cast<uint32_t>(difference >= 0 ? difference : difference + (1 << size) - 1), size);
  }
  std::vector<uint8_t> Bytes() {
    while (filled_ != 0) PutBit(1);
    return bytes_;
  }

 private:
  void PutBit(uint32_t bit) {
    current_ = static_cast<uint8_t>((current_ << 1) | bit);
    if (++filled_ < 8) return;
    bytes_.push_back(current_);
    if (current_ == 0xFF) bytes_.push_back(0);
    current_ = 0;
    filled_ = 0;
  }
  std::vector<uint8_t> bytes_;
  uint8_t current_ = 0;
  int32_t filled_ = 0;
};

TEST(JpegDecoder, ColourConversionIsExactForEverySampling) {
  // Flat MCUs of known Y, Cb, Cr, and the colour each must give (worked out
  // by hand from the JFIF equations, rounded, clamped).
  struct TColour {
    int32_t y, cb, cr;
    uint8_t r, g, b;
  };
  const TColour colours[] = {{150, 90, 170, 209, 133, 83}, {100, 200, 50, 0, 131, 228}, {250, 128, 200, 255, 199, 250},
                             {128, 128, 128, 128, 128, 128}, {0, 255, 0, 0, 48, 225}};
  constexpr int32_t kCount = static_cast<int32_t>(std::size(colours));
  // DC sizes 0 to 11 as 4-bit codes 0 to 11; the only AC code "0" ends the block.
  std::vector<uint8_t> dcTable(17 + 12, 0);
  dcTable[4] = 12;
  for (uint8_t size = 0; size < 12; ++size) dcTable[17 + size] = size;
  for (const int32_t sampling : {0x11, 0x21, 0x12, 0x22}) {
    const int32_t h = sampling >> 4;
    const int32_t v = sampling & 15;
    TBitWriter bits;
    int32_t predictions[3] = {};
    for (const TColour& colour : colours) {
      const int32_t samples[3] = {colour.y, colour.cb, colour.cr};
      for (int32_t c = 0; c < 3; ++c) {
        // A flat block of sample s has the DC coefficient 8 x (s - 128).
        const int32_t dc = 8 * (samples[c] - 128);
        for (int32_t block = 0; block < (c == 0 ? h * v : 1); ++block) {
          bits.PutDifference(dc - predictions[c]);
          predictions[c] = dc;
          bits.Put(0, 1);
        }
      }
    }
    const int32_t width = 8 * h * kCount;
    const int32_t height = 8 * v;
    TJpegBuilder builder;
    builder.Quant(0).Frame(0xC0, static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                           {1, static_cast<uint8_t>(sampling), 0, 2, 0x11, 0, 3, 0x11, 0});
    builder.Raw({0xFF, 0xC4, 0, static_cast<uint8_t>(2 + dcTable.size())}).Raw(dcTable).OneSymbolTable(0x10, 0);
    builder.Scan({1, 0x00, 2, 0x00, 3, 0x00}).Raw(bits.Bytes()).End();
    const TDecoded decoded = Decode(builder.Bytes());
    ASSERT_EQ(decoded.error, 0) << std::hex << sampling;
    ASSERT_EQ(decoded.rows, height) << std::hex << sampling;
    for (int32_t x = 0; x < width; ++x) {
      const TColour& colour = colours[x / (8 * h)];
      for (int32_t y = 0; y < height; ++y) {
        const uint8_t* pixel = &decoded.pixels[(static_cast<std::size_t>(y) * width + x) * 4];
        ASSERT_EQ(std::vector<uint8_t>(pixel, pixel + 4), (std::vector<uint8_t>{colour.r, colour.g, colour.b, 0}))
            << "sampling " << std::hex << sampling << std::dec << " pixel " << x << "," << y;
      }
    }
  }
}

TEST(JpegDecoder, SoiFoundAfter300BytesOfOtherData) {
  std::vector<uint8_t> bytes(300, 0x20);
  const std::vector<uint8_t> good = Grey8();
  bytes.insert(bytes.end(), good.begin(), good.end());
  const TDecoded decoded = Decode(bytes);
  EXPECT_EQ(decoded.error, 0);
  EXPECT_EQ(decoded.rows, 8);
}

TEST(JpegDecoder, AcRunPastTheBlockFailsTheRow) {
  // The AC table's only code means "15 zeros, then a coefficient": four in a row overrun.
  TJpegBuilder builder;
  builder.Quant(0).Frame(0xC0, 8, 8, {1, 0x11, 0}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0xF1);
  builder.Scan({1, 0x00}).Raw(std::vector<uint8_t>(8, 0)).End();
  TJpegMemoryStream stream(builder.Bytes().data(), builder.Bytes().size());
  TJpegDecoder decoder(&stream);
  ASSERT_EQ(decoder.Begin(), 0);
  const uint8_t* row = nullptr;
  uint32_t length = 0;
  EXPECT_EQ(decoder.DecodeRow(&row, &length), -227);
  EXPECT_EQ(decoder.GetErrorCode(), -227);
  EXPECT_EQ(decoder.DecodeRow(&row, &length), -1);
  EXPECT_EQ(decoder.Begin(), -1);
}

TEST(JpegDecoder, RestartNumbersWrapAfterSevenAndJunkBeforeThemIsSkipped) {
  // Ten MCUs, a restart after each: RST0 to RST7, then RST0 again.
  std::vector<uint8_t> data = {0x00};
  for (uint8_t i = 0; i < 9; ++i) data.insert(data.end(), {0xFF, static_cast<uint8_t>(0xD0 + i % 8), 0x00});
  TDecoded decoded = Decode(GreyWithRestarts(80).Raw(data).End().Bytes());
  EXPECT_EQ(decoded.error, 0);
  EXPECT_EQ(decoded.rows, 8);
  EXPECT_EQ(decoded.pixels, std::vector<uint8_t>(80 * 8, 128));
  // Up to 1536 bytes may stand between an interval's data and its marker.
  data = ZeroBytes(1000);
  data.insert(data.end(), {0xFF, 0xD0, 0x00});
  decoded = Decode(GreyWithRestarts(16).Raw(data).End().Bytes());
  EXPECT_EQ(decoded.error, 0);
  EXPECT_EQ(decoded.rows, 8);
}

TEST(JpegDecoder, ReadErrorOfTheStream) {
  struct TBrokenStream : TJpegStream {
    int32_t Read(uint8_t*, int32_t, bool*) override { return -1; }
  } stream;
  TJpegDecoder decoder(&stream);
  EXPECT_EQ(decoder.GetErrorCode(), -232);
}

TEST(JpegDecoder, StreamIsToldWhenReleased) {
  struct TCountingStream : TJpegMemoryStream {
    using TJpegMemoryStream::TJpegMemoryStream;
    void OnAttach() override { ++attached; }
    void OnRelease() override { ++released; }
    int attached = 0;
    int released = 0;
  };
  const std::vector<uint8_t> bytes = Grey8();
  TCountingStream stream(bytes.data(), bytes.size());
  {
    TJpegDecoder decoder(&stream);
    EXPECT_EQ(stream.attached, 1);
    decoder.FreeAllBlocks();
    decoder.FreeAllBlocks();
  }
  EXPECT_EQ(stream.released, 1);
}

TEST(JpegDecoder, MemoryBeyondTheLimitFails) {
  TJpegBuilder builder;
  builder.Quant(0).Frame(0xC2, 8192, 8192, {1, 0x22, 0, 2, 0x11, 0, 3, 0x11, 0}).End();
  EXPECT_EQ(Decode(builder.Bytes(), TJpegLimits{64u << 20}).error, -233);
}

class JpegFromReference : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(jpeg_test::HaveReferenceTools()) << "install libjpeg-turbo-progs"; }
  TTempFolder folder_;
};

TEST_F(JpegFromReference, MissingOrMisorderedRestartMarkerFails) {
  const std::vector<uint8_t> bytes =
      jpeg_test::Encode(jpeg_test::MakePicture(64, 64, 3), "-sample 1x1 -restart 1", "restart");
  const std::size_t first = jpeg_test::FindMarker(bytes, 0xD0);
  ASSERT_NE(first, std::string::npos);
  std::vector<uint8_t> missing = bytes;
  missing.erase(missing.begin() + static_cast<std::ptrdiff_t>(first), missing.begin() + static_cast<std::ptrdiff_t>(first) + 2);
  EXPECT_EQ(Decode(missing).error, -228);
  std::vector<uint8_t> misordered = bytes;
  misordered[first + 1] = 0xD1;
  EXPECT_EQ(Decode(misordered).error, -228);
  EXPECT_EQ(Decode(bytes).error, 0);
}

TEST_F(JpegFromReference, TruncatedFileDeliversEveryRow) {
  for (const char* options : {"-sample 2x2", "-sample 2x2 -progressive"}) {
    std::vector<uint8_t> bytes = jpeg_test::Encode(jpeg_test::MakePicture(47, 39, 3), options, "cut");
    bytes.resize(bytes.size() * 2 / 3);
    const TDecoded decoded = Decode(bytes);
    EXPECT_EQ(decoded.error, 0) << options;
    EXPECT_EQ(decoded.rows, 39) << options;
    EXPECT_EQ(decoded.pixels.size(), 47u * 39u * 4u) << options;
  }
}

TEST_F(JpegFromReference, ImageLoadFailsOnACorruptRow) {
  TJpegBuilder builder;
  builder.Quant(0).Frame(0xC0, 8, 8, {1, 0x11, 0}).OneSymbolTable(0x00, 0).OneSymbolTable(0x10, 0xF1);
  builder.Scan({1, 0x00}).End();
  folder_.WriteBytes("bad.jpg", builder.Bytes());
  TJpegImage image;
  EXPECT_FALSE(image.Load("bad.jpg"));
  EXPECT_EQ(image.GetDecoderError(), -227);
  EXPECT_FALSE(image.Load("missing.jpg"));
}

}  // namespace
