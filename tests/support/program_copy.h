// The real program in a test's folder: the data set in the folder itself
// (where the test works) and a copy of the program with its own data set in
// "bin" (the program works in its own folder).
#pragma once

#include <filesystem>

namespace test_program {

inline std::filesystem::path CopyProgramWithData(const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  fs::copy(DVX_DATA_DIR, folder, fs::copy_options::recursive);
  fs::create_directories(folder / "bin");
  const fs::path program = folder / "bin" / "dvx";
  fs::copy_file(DVX_PROGRAM, program);
  fs::copy(DVX_DATA_DIR, folder / "bin", fs::copy_options::recursive);
  return program;
}

}  // namespace test_program
