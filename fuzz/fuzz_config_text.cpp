// Feeds arbitrary text to the config parser and drives every look-up and edit
// over it. Any out-of-range index, overflow or runaway loop is a finding; the
// checks below also trap when the selection stops describing the text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/config_parser.h"
#include "app/text_utils.h"
#include "display/colour.h"
#include "ui/screen_position.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

// The selection always lies inside the text, and a selected header is a "[".
void CheckSelection(const TConfigParser& parser) {
  const std::string& text = parser.GetText();
  Check(parser.GetSectionStart() <= parser.GetSectionEnd());
  Check(parser.GetSectionEnd() <= text.size());
  if (!parser.GetSectionName().empty()) {
    Check(text[parser.GetSectionStart()] == '[');
  }
}

void ReadEverything(TConfigParser& parser, const std::string& key) {
  std::string text;
  int32_t number = 0;
  float real = 0.0f;
  bool flag = false;
  parser.GetString(key, text);
  parser.GetInt(key, number);
  parser.GetFloat(key, real);
  parser.GetBool(key, flag);
  parser.GetSectionBody();
  CheckSelection(parser);
}

void ParseValues(const std::string& value) {
  ParseVector3(value);
  std::unique_ptr<TColour> colour(ParseColour(value));
  ParseScreenPosition(value);
  SplitString(value, ",");
  FloatToString(StringToFloat(value), static_cast<int>(value.size() % 8));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string key = provider.ConsumeRandomLengthString(24);
  const std::string name = provider.ConsumeRandomLengthString(24);
  const std::string value = provider.ConsumeRandomLengthString(24);
  const uint8_t operations = provider.ConsumeIntegral<uint8_t>();
  const std::string text = provider.ConsumeRemainingBytesAsString();

  // Unselected: only index 0 could match.
  TConfigParser raw(text);
  ReadEverything(raw, key);

  // Keys above the first header, then every record in turn.
  TConfigParser parser;
  parser.SetText(text);
  ReadEverything(parser, key);
  std::string found;
  if (parser.GetString(key, found)) {
    ParseValues(found);
  }
  while (parser.NextSection()) {
    ReadEverything(parser, key);
  }

  // Edits keep the selection usable and read back what they wrote.
  parser.SetText(text);
  if (operations & 1) {
    parser.SelectSection(name);
  }
  if (operations & 2) {
    parser.AddSection(name);
  }
  CheckSelection(parser);
  // A value that opens braces or starts with "=" would read back as
  // something else: it is refused.
  const std::size_t firstShown = value.find_first_not_of(' ');
  const bool readsBackDifferently =
      firstShown != std::string::npos && (value[firstShown] == '{' || value[firstShown] == '=');
  if (parser.SetValue(key, value)) {
    Check(!readsBackDifferently);
    CheckSelection(parser);
    std::string written;
    const std::string expected = TrimText(value);
    if (!expected.empty() && value.find('}') == std::string::npos) {
      Check(parser.GetString(key, written));
      Check(written == expected);
    }
  }
  if (operations & 4) {
    parser.SetSectionBody(value);
    CheckSelection(parser);
  }
  ReadEverything(parser, key);
  // Each edit moves the rest of the text: edits stay few, so that a large
  // text measures the parser rather than this loop.
  int edits = 0;
  while (parser.NextSection()) {
    ReadEverything(parser, key);
    if ((operations & 8) && ++edits <= 64) {
      parser.SetValue(key, value);
      CheckSelection(parser);
    }
  }
  TConfigParser first(text, true);
  ReadEverything(first, name);
  ParseValues(text.substr(0, 256));
  return 0;
}
