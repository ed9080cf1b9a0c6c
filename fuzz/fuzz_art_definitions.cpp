// Feeds arbitrary 3D visual definitions, hand-made 2D definitions and map-view
// image lists to the art generation. The images they name do not exist in the
// scratch folder, so every pass runs over text only; any crash, runaway loop
// or write outside the scratch folder is a finding.
#include <fuzzer/FuzzedDataProvider.h>

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "app/config_parser.h"
#include "app/message_stream.h"
#include "display/arttools/art_generator.h"
#include "display/arttools/art_run.h"
#include "fuzz_scratch_folder.h"

namespace {

void WriteFile(const char* name, const std::string& text) { std::ofstream(name, std::ios::binary) << text; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("art_definitions");
  mkdir("Configs", 0700);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string definitions = provider.ConsumeRandomLengthString(4096);
  const std::string handMade = provider.ConsumeRandomLengthString(2048);
  const std::string mapViewList = provider.ConsumeRemainingBytesAsString();
  WriteFile("Configs/DDVisuals.cfg", handMade);
  WriteFile("Configs/MapView.cfg", mapViewList);

  TArtRun run(".");
  TArtGenerator generator(run);
  TConfigParser parser(definitions);
  generator.GenerateFloors(parser);
  generator.GenerateEffectSprites(parser);
  generator.ConvertVisualTypes(parser);
  generator.GenerateMapView();
  TMessageStream::Instance()->Clear();
  return 0;
}
