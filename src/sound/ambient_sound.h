// The looping background sound of a battle ("Ambient"), as the world sees it:
// a node it starts, asks whether it still plays and updates at a turn's end.
// Without a sound system the node is silent; the world keeps starting it on
// the same ticks either way.
#pragma once

#include <memory>
#include <string_view>

class TAmbientSound {
 public:
  virtual ~TAmbientSound() = default;
  virtual void Play() = 0;
  virtual bool IsPlaying() const = 0;
  virtual void Update() = 0;
};

// The node of the Sound.cfg name; never null.
std::unique_ptr<TAmbientSound> MakeAmbientSound(std::string_view name);
