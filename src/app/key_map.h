// Keyboard state: the names of the keys by Windows virtual-key code, the keys
// held down and released, and the snapshots of both that the screens poll.
// The window procedure feeds it key and character messages; the scripted
// opponent drives it with synthetic presses.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/listener_list.h"

// A key by name; two keys are the same key when their names are equal.
class TKey {
 public:
  // The key the table does not know.
  TKey();
  TKey(std::string name, bool special);

  const std::string& GetName() const { return name_; }
  bool IsSpecial() const { return special_ != 0; }
  bool IsReserved() const { return reserved_ != 0; }
  bool IsValid() const;

  // Asks the key map's snapshots about this key.
  bool IsDown() const;
  bool IsReleased() const;

  bool operator==(const TKey& other) const { return name_ == other.name_; }
  bool operator!=(const TKey& other) const { return !(*this == other); }

  static const char* InvalidName() { return "INVALID"; }

 private:
  std::string name_;
  uint8_t reserved_ = 0;
  uint8_t special_ = 0;
};

// Told after every snapshot of the key map. Registers itself with the key map
// on construction and leaves it on destruction.
class TKeyListener {
 public:
  TKeyListener();
  virtual ~TKeyListener();
  TKeyListener(const TKeyListener&) = delete;
  TKeyListener& operator=(const TKeyListener&) = delete;

  virtual void OnKeyEvent() = 0;
};

class TKeyMap {
 public:
  TKeyMap();

  // Window messages: key down and up by virtual-key code, typed characters as
  // Windows-1252 bytes.
  void OnKeyDown(int32_t code);
  void OnKeyUp(int32_t code);
  void OnChar(uint8_t character);

  uint8_t TakeTypedChar();
  void ClearTypedChar() { typedChar_ = 0; }

  // Publishes the live lists to the queries, tells the listeners, and starts
  // a new list of releases.
  void Snapshot();
  bool IsKeyDown(const TKey& key) const;
  bool IsKeyReleased(const TKey& key) const;
  // Hides every key but the given ones from the queries until the next
  // snapshot; edit boxes use it while the player types.
  void RestrictSnapshots(const std::vector<TKey>& keys);

  void AddListener(TKeyListener* listener);
  void RemoveListener(TKeyListener* listener);

  // The key of a code; "INVALID" for a code the table does not name.
  TKey GetKey(int32_t code) const;
  const std::map<int32_t, TKey>& GetKeyTable() const { return keyTable_; }
  const std::vector<TKey>& GetKeysDown() const { return keysDown_; }
  const std::vector<TKey>& GetKeysReleased() const { return keysReleased_; }
  // The key pressed last while it is still held; "INVALID" when none.
  const TKey& GetLastKey() const { return lastKey_; }

 private:
  void BuildKeyTable();
  void NameRange(int32_t firstCode, int32_t lastCode, char firstName, bool special);
  // Looks the code up; an unknown code is entered as "INVALID".
  const TKey& LookUp(int32_t code);
  void NotifyListeners();

  TListenerList<TKeyListener> listeners_;
  std::vector<TKey> keysDown_;
  std::vector<TKey> keysReleased_;
  std::vector<TKey> downSnapshot_;
  std::vector<TKey> releasedSnapshot_;
  std::map<int32_t, TKey> keyTable_;
  TKey lastKey_;
  uint8_t typedChar_ = 0;
};

TKeyMap* GetKeyMap();
void DestroyKeyMap();
