// Game time. The frame loop advances every clock once per frame with the real
// elapsed seconds through the clock registry; the turn drivers advance a turn
// clock with fixed steps. A turn clock divides its time into turns of 10.0
// units and never runs past the end of the highest turn reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A clock is in the registry from its construction to its destruction.
class TClock {
 public:
  TClock();
  virtual ~TClock();
  // The registry holds the address: a copy or a move would leave it stale.
  TClock(const TClock&) = delete;
  TClock& operator=(const TClock&) = delete;

  virtual void Advance(float dt) = 0;
};

// The process's clocks, advanced together once per frame.
class TClockRegistry {
 public:
  // Made empty on first use.
  static TClockRegistry* Instance();
  // The registry if it exists, without making one (clocks leaving it).
  static TClockRegistry* Existing();
  static void Free();

  void Add(TClock* clock);
  // The first entry equal to the clock goes; the rest keep their order.
  void Remove(TClock* clock);
  // Hands the seconds since the last advance to every clock in the order the
  // clocks were added.
  void AdvanceAll();
  // Forgets the time spent since the last advance (set-up before play), so
  // the first frame of play does not carry it.
  void Reset();

  float GetDelta() const { return delta_; }
  std::size_t GetClockCount() const { return clocks_.size(); }
  const TClock* GetClock(std::size_t index) const { return clocks_[index]; }

 private:
  TClockRegistry() = default;

  std::vector<TClock*> clocks_;
  // Kept in double: the platform tick grows for ever, and a float of seconds
  // loses whole milliseconds of the frame step after a few hours.
  double lastTime_ = 0.0;
  float delta_ = 0.0f;
};

// A pausable clock with a rate: rate 0 means paused; Start restores the
// speed.
class TGameClock : public TClock {
 public:
  static constexpr float kDefaultSpeed = 1.0f;

  void Advance(float dt) override;
  virtual void Start() = 0;
  virtual void Stop();
  // Back to time 0, paused.
  virtual void Reset();

  bool IsPaused() const { return rate_ == 0.0f; }
  float GetTime() const { return time_; }
  // Rounds to 1/1000 of a unit so that fixed steps land on the same times
  // on every machine: computed in double, stored as a float.
  void SetTime(float t);
  float GetRate() const { return rate_; }
  float GetSpeed() const { return speed_; }
  void SetSpeed(float speed) { speed_ = speed; }

 protected:
  float time_ = 0.0f;
  float rate_ = 0.0f;
  float speed_ = kDefaultSpeed;
};

class TTurnClock : public TGameClock {
 public:
  static constexpr float kTurnLength = 10.0f;

  // Moves the time on by rate x dt (rounded), clamped to the end of the
  // highest turn reached; the turn follows the time. The clock keeps running
  // at the limit until CheckTurnEnd stops it.
  void Advance(float dt) override;
  void Start() override { rate_ = speed_; }
  // Rewinds to the start of the current turn, paused (a turn replayed).
  void Reset() override;

  // The play controls: pause, play and fast-forward.
  void SetRate(float rate) { rate_ = rate; }
  float GetTurnLength() const { return turnLength_; }
  int32_t GetTurn() const { return turn_; }
  int32_t GetHighestTurn() const { return highestTurn_; }
  float GetTurnEndTime() const;
  // The end of the highest turn reached: the time never passes it.
  float GetTimeLimit() const;

  // Moves to the start of turn n; the highest turn never goes down here.
  void SetTurn(int32_t turn);
  void NextTurn();
  // A restored game sets the highest turn it had reached.
  void SetHighestTurn(int32_t turn) { highestTurn_ = turn; }

  bool IsAtTurnStart() const;
  // Pauses the clock once it stands at the time limit.
  void CheckTurnEnd();

 private:
  // The end time of a turn, without overflow for any turn number.
  float TurnEnd(int32_t turn) const;

  float turnLength_ = kTurnLength;
  int32_t turn_ = 0;
  int32_t highestTurn_ = 0;
};
