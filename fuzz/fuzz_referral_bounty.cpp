// "referral.dat" and "bounty.dat" in the documents folder: one string each,
// written by one run and read by another (or planted by anyone).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/files.h"
#include "fuzz_scratch_folder.h"
#include "platform/file_system.h"
#include "session/game_record.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("referral");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (!platform::WriteWholeFile(GetReferralFilePath(), data, size)) std::abort();
  if (!platform::WriteWholeFile(GetBountyFilePath(), data, size)) std::abort();
  const std::string referral = ReadReferral();
  const std::string bounty = ReadBounty();
  // Both read the same bytes, so both find the same string (or neither does).
  if (!bounty.empty() && referral != bounty) std::abort();
  if (!bounty.empty() && bounty.size() + 4 > size) std::abort();
  return 0;
}
