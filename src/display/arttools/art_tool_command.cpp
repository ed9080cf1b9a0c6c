#include "display/arttools/art_tool_command.h"

#include <cstdlib>
#include <iostream>

#include "app/files.h"
#include "display/arttools/art_generator.h"
#include "display/arttools/art_run.h"

bool RunArtGeneration(const std::string& root, std::ostream* echo) {
  TArtRun run(root, echo);
  TArtGenerator generator(run);
  return generator.GenerateArt();
}

int RunArtToolCommand(const std::vector<std::string>& arguments) {
  static const char* const kUsage = "usage: dvx --arttool [DATAFOLDER]";
  if (arguments.size() > 1) {
    std::cerr << kUsage << "\n";
    return 2;
  }
  const std::string root = arguments.empty() ? std::string(".") : arguments.front();
  if (root.empty() || !FolderExists(root)) {
    std::cerr << "The data folder \"" << root << "\" does not exist\n" << kUsage << "\n";
    return 2;
  }
  // The tool draws nothing; image readers report through the headless path.
  setenv("DVX_HEADLESS", "1", 1);
  TArtRun run(root, &std::cout);
  TArtGenerator generator(run);
  if (generator.GenerateArt()) return 0;
  std::cerr << run.Problems().size() << " problem(s) in the art generation:\n";
  for (const std::string& problem : run.Problems()) std::cerr << "  " << problem << "\n";
  return 1;
}
