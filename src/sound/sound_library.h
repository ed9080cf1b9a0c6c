// The sound definitions of "Configs\Sound.cfg": each section names a sound,
// and its lines describe the tree of nodes built each time it is asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TCompositeSound;
class TConfigParser;
class TSound;
class TVector3;

class TSoundLibrary {
 public:
  // Loads "Configs\Sound.cfg"; a missing file leaves every name unknown.
  TSoundLibrary();
  // Definitions from a text (tests, tools).
  explicit TSoundLibrary(const std::string& text);
  ~TSoundLibrary();
  TSoundLibrary(const TSoundLibrary&) = delete;
  TSoundLibrary& operator=(const TSoundLibrary&) = delete;

  // A new tree; a silent node for an unknown name, null for a definition
  // whose first line is "End" or of no known type.
  std::unique_ptr<TSound> BuildSound(const TVector3* position, bool copyPosition, const std::string& name);

  static const char* const kFileName;
  // Composites nest at most this deep; a deeper one is read as an unknown
  // line, so a crafted file cannot exhaust the stack.
  static constexpr int32_t kMaxDepth = 32;

 private:
  std::unique_ptr<TSound> CreateNode(const TVector3* position, bool copyPosition, int32_t depth);
  void ReadChildren(TCompositeSound& parent, const TVector3* position, int32_t depth);

  std::unique_ptr<TConfigParser> definitions_;
  int32_t lineIndex_ = 0;
  std::vector<std::string> lines_;
};

// The non-empty trimmed pieces of the text split at the separator.
std::vector<std::string> SplitSoundDefinition(const std::string& text, char separator);
