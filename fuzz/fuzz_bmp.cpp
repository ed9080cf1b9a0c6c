// BMP pictures read by the art commands are data a player can replace: a load either
// fails or yields as many pixel bytes as the image claims.
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstdlib>

#include "display/image/bmp_image.h"
#include "fuzz_image_file.h"
#include "fuzz_scratch_folder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Refusals are shown as messages: headless, they go to standard error and the log.
  setenv("DVX_HEADLESS", "1", 1);
  fuzz::EnterScratchFolder("bmp");
  std::atexit([] { std::remove("input.bmp"); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::WriteInput("input.bmp", data, size);
  TBmpImage image;
  if (image.Load("input.bmp")) fuzz::TouchPixels(image);
  return 0;
}
