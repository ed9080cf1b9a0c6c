#include "app/key_map.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace {

std::unique_ptr<TKeyMap>& KeyMapCell() {
  static std::unique_ptr<TKeyMap> keyMap;
  return keyMap;
}

bool Contains(const std::vector<TKey>& keys, const TKey& key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

void Remove(std::vector<TKey>& keys, const TKey& key) {
  keys.erase(std::remove(keys.begin(), keys.end(), key), keys.end());
}

void KeepOnly(std::vector<TKey>& keys, const std::vector<TKey>& allowed) {
  keys.erase(std::remove_if(keys.begin(), keys.end(),
                            [&](const TKey& key) { return !Contains(allowed, key); }),
             keys.end());
}

}  // namespace

// ---------------------------------------------------------------------------
// TKey

TKey::TKey() : name_(InvalidName()) {}

TKey::TKey(std::string name, bool special) : name_(std::move(name)), special_(special ? 1 : 0) {}

bool TKey::IsValid() const { return name_ != InvalidName(); }

bool TKey::IsDown() const { return GetKeyMap()->IsKeyDown(*this); }

bool TKey::IsReleased() const { return GetKeyMap()->IsKeyReleased(*this); }

// ---------------------------------------------------------------------------
// TKeyListener

TKeyListener::TKeyListener() { GetKeyMap()->AddListener(this); }

TKeyListener::~TKeyListener() {
  // A listener outliving the key map at shutdown has nothing left to leave.
  if (KeyMapCell()) {
    KeyMapCell()->RemoveListener(this);
  }
}

// ---------------------------------------------------------------------------
// TKeyMap

TKeyMap::TKeyMap() { BuildKeyTable(); }

void TKeyMap::NameRange(int32_t firstCode, int32_t lastCode, char firstName, bool special) {
  for (int32_t code = firstCode; code <= lastCode; ++code) {
    keyTable_[code] = TKey(std::string(1, static_cast<char>(firstName + (code - firstCode))), special);
  }
}

// Later entries replace earlier ones with the same code, so the lower-case
// letters from 'k' on give way to the numeric-pad signs and the function keys.
void TKeyMap::BuildKeyTable() {
  NameRange('a', 'z', 'a', false);
  NameRange('A', 'Z', 'A', false);
  NameRange('0', '9', '0', false);
  keyTable_[46] = TKey(".", false);

  static const struct {
    int32_t code;
    const char* name;
    bool special;
  } kNamedKeys[] = {
      {38, "up", true},     {37, "left", true},   {40, "down", true},    {39, "right", true},
      {16, "shift", true},  {17, "control", true}, {32, "space", false}, {46, "delete", true},
      {8, "back", true},    {13, "return", true}, {9, "tab", true},      {27, "esc", true},
  };
  for (const auto& named : kNamedKeys) {
    keyTable_[named.code] = TKey(named.name, named.special);
  }

  for (int32_t number = 1; number <= 12; ++number) {
    keyTable_[111 + number] = TKey("F" + std::to_string(number), true);
  }
  keyTable_[109] = TKey("-", false);
  keyTable_[107] = TKey("+", false);
}

const TKey& TKeyMap::LookUp(int32_t code) { return keyTable_[code]; }

TKey TKeyMap::GetKey(int32_t code) const {
  auto found = keyTable_.find(code);
  return found == keyTable_.end() ? TKey() : found->second;
}

void TKeyMap::OnKeyDown(int32_t code) {
  const TKey key = LookUp(code);
  if (!key.IsValid()) {
    return;
  }
  if (!Contains(keysDown_, key)) {
    keysDown_.push_back(key);
  }
  lastKey_ = key;
  Remove(keysReleased_, key);
  Snapshot();
}

void TKeyMap::OnKeyUp(int32_t code) {
  const TKey key = LookUp(code);
  if (!key.IsValid()) {
    return;
  }
  if (!Contains(keysReleased_, key)) {
    keysReleased_.push_back(key);
  }
  Remove(keysDown_, key);
  if (lastKey_ == key) {
    lastKey_ = TKey();
  }
  Snapshot();
}

// Backspace is kept for the edit box but publishes nothing by itself: its
// key-down message has already made a snapshot.
void TKeyMap::OnChar(uint8_t character) {
  typedChar_ = character;
  if (character != 8) {
    Snapshot();
  }
}

uint8_t TKeyMap::TakeTypedChar() {
  const uint8_t character = typedChar_;
  typedChar_ = 0;
  return character;
}

void TKeyMap::Snapshot() {
  downSnapshot_ = keysDown_;
  releasedSnapshot_ = keysReleased_;
  NotifyListeners();
  keysReleased_.clear();
}

void TKeyMap::NotifyListeners() {
  listeners_.Notify([](TKeyListener& listener) { listener.OnKeyEvent(); });
}

bool TKeyMap::IsKeyDown(const TKey& key) const { return Contains(downSnapshot_, key); }

bool TKeyMap::IsKeyReleased(const TKey& key) const { return Contains(releasedSnapshot_, key); }

void TKeyMap::RestrictSnapshots(const std::vector<TKey>& keys) {
  KeepOnly(downSnapshot_, keys);
  KeepOnly(releasedSnapshot_, keys);
}

void TKeyMap::AddListener(TKeyListener* listener) { listeners_.AddOnce(listener); }

void TKeyMap::RemoveListener(TKeyListener* listener) { listeners_.Remove(listener); }

// ---------------------------------------------------------------------------

TKeyMap* GetKeyMap() {
  auto& keyMap = KeyMapCell();
  if (!keyMap) {
    keyMap = std::make_unique<TKeyMap>();
  }
  return keyMap.get();
}

void DestroyKeyMap() { KeyMapCell().reset(); }
