// The listeners of one input source (the key map, the mouse), told of each
// event in the order they joined.
#pragma once

#include <algorithm>
#include <vector>

template <typename Listener>
class TListenerList {
 public:
  // Appended without a duplicate test.
  void Add(Listener* listener) { listeners_.push_back(listener); }
  // Appended unless already listed.
  void AddOnce(Listener* listener) {
    if (!Contains(listener)) listeners_.push_back(listener);
  }
  // Removes the first equal entry.
  void Remove(Listener* listener) {
    auto found = std::find(listeners_.begin(), listeners_.end(), listener);
    if (found != listeners_.end()) listeners_.erase(found);
  }
  bool Contains(Listener* listener) const {
    return std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end();
  }

  // Listeners may add or remove listeners while they are told: the round runs
  // over the list as it stood, skipping any that left in the meantime.
  template <typename Tell>
  void Notify(Tell tell) const {
    const std::vector<Listener*> round = listeners_;
    for (Listener* listener : round) {
      if (Contains(listener)) tell(*listener);
    }
  }

 private:
  std::vector<Listener*> listeners_;
};
