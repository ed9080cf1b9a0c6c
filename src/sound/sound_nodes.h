// A named sound is a small tree of nodes: leaves that play one sample (or
// nothing), and composites that play one selected, one random, each in turn,
// or step through their children at a fixed rate. The owner drives the tree
// through the virtual operations and deletes it when done.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"

class TSampleBuffer;

class TSound {
 public:
  // With copyPosition the node keeps its own copy of the position; otherwise
  // it follows the caller's vector.
  TSound(const TVector3* position, bool copyPosition);
  virtual ~TSound();
  TSound(const TSound&) = delete;
  TSound& operator=(const TSound&) = delete;

  // Starts at the given time of the owner's clock.
  virtual void Start(float time) = 0;
  virtual void Play() = 0;
  virtual void Stop() = 0;
  virtual bool IsPlaying() = 0;
  // Advances to the time, on the clock Start was given.
  virtual void Update(float time);
  virtual void Suspend();
  virtual bool IsNull() const { return false; }
  virtual void SetVolumeScale(float scale);

  const TVector3* GetPosition() const { return position_; }
  bool IsSuspended() const { return suspended_; }

 protected:
  void SetSuspended(bool suspended) { suspended_ = suspended; }

 private:
  std::unique_ptr<TVector3> ownPosition_;
  const TVector3* position_ = nullptr;
  bool suspended_ = true;
};

// Plays nothing; the node for an unknown name or with sound off.
class TNullSound : public TSound {
 public:
  TNullSound();
  void Start(float time) override;
  void Play() override;
  void Stop() override;
  bool IsPlaying() override { return false; }
  void Update(float time) override;
  bool IsNull() const override { return true; }
  void SetVolumeScale(float scale) override;

 private:
  static const TVector3 kOrigin;
};

class TDirectSound : public TSound {
 public:
  TDirectSound(const TVector3* position, bool copyPosition, const std::string& fileName, float volume, float pitch,
               float priority, bool looped);
  ~TDirectSound() override;

  void Start(float time) override;
  void Play() override;
  void Stop() override;
  bool IsPlaying() override;
  void Update(float time) override;
  void Suspend() override;
  void SetVolumeScale(float scale) override { volumeScale_ = scale; }

  // A distance factor on the node's own volume.
  void SetVolume(float factor);
  void SetPan(float pan);
  float GetPriority() const { return priority_; }
  const std::string& GetFileName() const { return fileName_; }
  TSampleBuffer* GetBuffer() const { return buffer_.get(); }
  float GetScheduledStart() const { return scheduledStart_; }
  bool IsStartPending() const { return startPending_; }

 private:
  std::string fileName_;
  std::unique_ptr<TSampleBuffer> buffer_;
  float volume_;
  float volumeScale_ = 1.0f;
  float pitch_;
  float priority_;
  float scheduledStart_ = -1.0f;
  bool startPending_ = false;
};

class TCompositeSound : public TSound {
 public:
  using TSound::TSound;

  void AddChild(std::unique_ptr<TSound> child);
  int32_t ChildCount() const { return static_cast<int32_t>(children_.size()); }
  TSound* Child(int32_t index) const;

  void Stop() override;
  bool IsPlaying() override;
  void Update(float time) override;
  void Suspend() override;
  void SetVolumeScale(float scale) override;

 private:
  std::vector<std::unique_ptr<TSound>> children_;
};

// Plays its selected child. Without children it plays nothing.
class TSoundSwitch : public TCompositeSound {
 public:
  using TCompositeSound::TCompositeSound;

  void Start(float time) override;
  void Play() override;
  void Update(float time) override;
  // Stops the current child; the new one starts at the next Update.
  void Select(int32_t index);
  int32_t GetCurrent() const { return current_; }
  bool IsChanged() const { return changed_; }

 protected:
  TSound* CurrentChild() const { return Child(current_); }

 private:
  int32_t current_ = 0;
  bool changed_ = false;
};

class TRandomSound : public TSoundSwitch {
 public:
  using TSoundSwitch::TSoundSwitch;

  void Start(float time) override;
  // Plays a random child and keeps the current index.
  void Play() override;

 private:
  int32_t RandomIndex() const;
};

// Plays its children one after another, from the first again after the last,
// until it is stopped.
class TSoundSequence : public TSoundSwitch {
 public:
  using TSoundSwitch::TSoundSwitch;

  void Start(float time) override;
  void Play() override;
  void Stop() override;
  void Update(float time) override;
  bool IsActive() const { return active_; }

 private:
  bool active_ = false;
};

// Starts child k at the k-th step of `rate` steps per time unit; a clamped
// cycle stays on its last child, an unclamped one wraps around.
class TSoundCycle : public TCompositeSound {
 public:
  TSoundCycle(const TVector3* position, bool copyPosition, float rate, bool clamped);

  void Start(float time) override;
  void Play() override;
  void Stop() override;
  bool IsPlaying() override { return active_; }
  void Update(float time) override;

  int32_t GetCurrent() const { return current_; }
  float GetRate() const { return rate_; }
  bool IsClamped() const { return clamped_; }

 private:
  int32_t current_ = -1;
  float rate_;
  bool active_ = false;
  float startTime_ = -1.0f;
  bool clamped_;
};
