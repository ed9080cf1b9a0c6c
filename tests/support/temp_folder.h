// A temporary folder that a test works in: created empty, made the current
// folder, and removed with everything in it when the test ends. Each test
// process gets its own folder, so tests may run in parallel.
#pragma once

#include <stdlib.h>  // mkdtemp

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TTempFolder {
 public:
  TTempFolder() {
    previous_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "dvx-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      // Working on in the previous folder could write into the source tree.
      std::perror("dvx tests: cannot create a temporary folder");
      std::abort();
    }
    path_ = pattern;
    std::filesystem::current_path(path_);
  }
  ~TTempFolder() {
    std::error_code error;
    std::filesystem::current_path(previous_, error);
    std::filesystem::remove_all(path_, error);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path Path(const std::string& relative) const { return path_ / relative; }

  // Creates a folder (and the folders above it) relative to the temporary folder.
  void MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(path_ / relative);
  }

  // Writes a file (creating its folders) relative to the temporary folder.
  void Write(const std::string& relative, const std::string& content) const {
    OpenForWriting(relative) << content;
  }
  void WriteBytes(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    OpenForWriting(relative).write(reinterpret_cast<const char*>(bytes.data()),
                                   static_cast<std::streamsize>(bytes.size()));
  }

  // Reads a whole file relative to the temporary folder; empty when it is missing.
  std::string Read(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<uint8_t> ReadBytes(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::ofstream OpenForWriting(const std::string& relative) const {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    return std::ofstream(file, std::ios::binary);
  }

  std::filesystem::path previous_;
  std::filesystem::path path_;
};
