// Benchmarks that load the shipped data set run in a copy of it in a
// temporary folder, found through DVX_DATA_DIR, else the source tree's data
// folder the build names, else beside the program. (The build folder holds
// the data set beside the program, but also every object file: a copy of it
// takes far longer than the benchmarks.)
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

namespace fs = std::filesystem;

inline fs::path FindDataSet() {
  if (const char* named = std::getenv("DVX_DATA_DIR")) return named;
  std::error_code error;
#ifdef DVX_BENCH_DATA_DIR
  if (fs::exists(fs::path(DVX_BENCH_DATA_DIR) / "Configs" / "Drannoc Data.cfg", error)) return DVX_BENCH_DATA_DIR;
#endif
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  for (fs::path folder = program.parent_path(); !folder.empty(); folder = folder.parent_path()) {
    if (fs::exists(folder / "Configs" / "Drannoc Data.cfg")) return folder;
    if (folder == folder.root_path()) break;
  }
  return {};
}

// The copy of the data set the benchmarks run in; removed at exit.
class TDataFolder {
 public:
  TDataFolder() {
    const fs::path source = FindDataSet();
    std::string pattern = (fs::temp_directory_path() / "dvx-bench-XXXXXX").string();
    if (source.empty() || mkdtemp(pattern.data()) == nullptr) return;
    path_ = pattern;
    std::error_code error;
    fs::copy(source, path_, fs::copy_options::recursive, error);
    if (error) return;
    previous_ = fs::current_path();
    fs::current_path(path_);
    ready_ = true;
  }
  ~TDataFolder() {
    std::error_code error;
    if (!previous_.empty()) fs::current_path(previous_, error);
    if (!path_.empty()) fs::remove_all(path_, error);
  }
  TDataFolder(const TDataFolder&) = delete;
  TDataFolder& operator=(const TDataFolder&) = delete;

  bool IsReady() const { return ready_; }

 private:
  fs::path path_;
  fs::path previous_;
  bool ready_ = false;
};

inline bool DataReady() {
  static TDataFolder folder;
  return folder.IsReady();
}

}  // namespace bench
