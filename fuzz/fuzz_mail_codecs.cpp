// Hostile encoded mail text through the mail library's decoders: base64 and
// quoted-printable never produce more than their input allows, and whatever
// the encoder writes decodes back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "maillib/mail_codecs.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Check(maillib::MailDecodeBase64(text).size() <= size / 4 * 3 + 3);
  Check(maillib::MailDecodeQuotedPrintable(text).size() <= size);
  const std::string encoded = maillib::MailEncodeBase64Lines(text);
  const auto decoded = maillib::MailDecodeBase64(encoded);
  if (size >= 1) Check(std::string_view(reinterpret_cast<const char*>(decoded.data()), decoded.size()) == text);
  maillib::MailHmacMd5(text, text.substr(0, size / 2));
  return 0;
}
