#include "sound/sound_library.h"

#include "app/config_parser.h"
#include "app/files.h"
#include "sound/sound_nodes.h"
#include "sound/sound_system.h"

namespace {

constexpr const char* kBlanks = " \t\r\n";

std::string TrimBlanks(const std::string& text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return std::string();
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool HasType(const std::string& field, const char* type) { return field.find(type) != std::string::npos; }

// The value of the key when the field at the position holds that key's
// entry; otherwise the default stays.
float KeyedFloat(const std::vector<std::string>& fields, std::size_t position, const char* key, float fallback) {
  if (position >= fields.size()) return fallback;
  TConfigParser entry;
  entry.SetText(fields[position]);
  float value = fallback;
  entry.GetFloat(key, value);
  return value;
}

bool KeyedBool(const std::vector<std::string>& fields, std::size_t position, const char* key, bool fallback) {
  if (position >= fields.size()) return fallback;
  TConfigParser entry;
  entry.SetText(fields[position]);
  bool value = fallback;
  entry.GetBool(key, value);
  return value;
}

bool IsSoundOn() {
  tSoundSystem* system = tSoundSystem::Instance();
  return system != nullptr && system->IsSoundOn();
}

std::unique_ptr<TSound> MakeLeaf(const std::vector<std::string>& fields, const TVector3* position,
                                 bool copyPosition) {
  // With sound off nothing is read and no sample loads.
  if (!IsSoundOn()) return std::make_unique<TNullSound>();
  const std::string fileName = fields.size() > 1 ? fields[1] : std::string();
  const float volume = KeyedFloat(fields, 2, "Volume", 1.0f);
  const float pitch = KeyedFloat(fields, 3, "Pitch", 1.0f);
  const float priority = KeyedFloat(fields, 4, "Priority", 1.0f);
  const bool looped = KeyedBool(fields, 5, "Looped", false);
  return std::make_unique<TDirectSound>(position, copyPosition, fileName, volume, pitch, priority, looped);
}

// The composite a line's type word names, in the order the words are tested;
// null for a line of any other type.
std::unique_ptr<TCompositeSound> MakeComposite(const std::vector<std::string>& fields, const TVector3* position,
                                               bool copyPosition) {
  const std::string& type = fields[0];
  if (HasType(type, "RandomSound")) return std::make_unique<TRandomSound>(position, copyPosition);
  if (HasType(type, "SoundCycle")) {
    return std::make_unique<TSoundCycle>(position, copyPosition, KeyedFloat(fields, 1, "Rate", 0.0f),
                                         KeyedBool(fields, 2, "Clamped", false));
  }
  if (HasType(type, "SoundSwitch")) return std::make_unique<TSoundSwitch>(position, copyPosition);
  if (HasType(type, "SoundSequence")) return std::make_unique<TSoundSequence>(position, copyPosition);
  return nullptr;
}

}  // namespace

const char* const TSoundLibrary::kFileName = "Configs\\Sound.cfg";

std::vector<std::string> SplitSoundDefinition(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    std::string piece = TrimBlanks(text.substr(start, end - start));
    if (!piece.empty()) pieces.push_back(std::move(piece));
    start = end + 1;
  }
  return pieces;
}

TSoundLibrary::TSoundLibrary() : definitions_(std::make_unique<TConfigParser>()) {
  TTextBuffer text;
  if (text.Load(kFileName)) definitions_->SetText(text.Text());
}

TSoundLibrary::TSoundLibrary(const std::string& text) : definitions_(std::make_unique<TConfigParser>(text)) {}

TSoundLibrary::~TSoundLibrary() = default;

std::unique_ptr<TSound> TSoundLibrary::BuildSound(const TVector3* position, bool copyPosition,
                                                  const std::string& name) {
  if (!definitions_->SelectSection(name)) return std::make_unique<TNullSound>();
  lines_ = SplitSoundDefinition(definitions_->GetSectionBody(), '\n');
  lineIndex_ = 0;
  return CreateNode(position, copyPosition, 0);
}

std::unique_ptr<TSound> TSoundLibrary::CreateNode(const TVector3* position, bool copyPosition, int32_t depth) {
  if (lineIndex_ < 0 || static_cast<std::size_t>(lineIndex_) >= lines_.size()) return nullptr;
  const std::vector<std::string> fields = SplitSoundDefinition(lines_[static_cast<std::size_t>(lineIndex_)], '|');
  if (fields.empty()) return nullptr;
  const std::string& type = fields[0];
  if (HasType(type, "DirectSound")) {
    ++lineIndex_;
    return MakeLeaf(fields, position, copyPosition);
  }
  if (std::unique_ptr<TCompositeSound> composite = MakeComposite(fields, position, copyPosition)) {
    if (depth >= kMaxDepth) return nullptr;
    ++lineIndex_;
    ReadChildren(*composite, composite->GetPosition(), depth + 1);
    return composite;
  }
  if (HasType(type, "NullSound")) {
    ++lineIndex_;
    return std::make_unique<TNullSound>();
  }
  if (HasType(type, "End")) ++lineIndex_;
  return nullptr;
}

void TSoundLibrary::ReadChildren(TCompositeSound& parent, const TVector3* position, int32_t depth) {
  // Children never copy the position: they follow their parent's, so a root
  // that copied a caller's temporary vector leaves none of them dangling.
  std::unique_ptr<TSound> child = CreateNode(position, false, depth);
  while (child) {
    parent.AddChild(std::move(child));
    if (static_cast<std::size_t>(lineIndex_) >= lines_.size()) return;
    child = CreateNode(position, false, depth);
  }
}
