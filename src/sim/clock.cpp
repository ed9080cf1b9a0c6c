#include "sim/clock.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "app/system_clock.h"

namespace {

constexpr float kTimeTolerance = 0.0001f;
constexpr double kTimeResolution = 1000.0;

std::unique_ptr<TClockRegistry>& RegistryCell() {
  static std::unique_ptr<TClockRegistry> registry;
  return registry;
}

double NowSeconds() { return TSystemClock::Instance()->GetSeconds(); }

}  // namespace

// --- TClock ----------------------------------------------------------------------

TClock::TClock() { TClockRegistry::Instance()->Add(this); }

// A clock outliving a freed registry must not bring a new one to life.
TClock::~TClock() {
  if (TClockRegistry* registry = TClockRegistry::Existing()) registry->Remove(this);
}

// --- TClockRegistry ----------------------------------------------------------------

TClockRegistry* TClockRegistry::Instance() {
  auto& registry = RegistryCell();
  if (!registry) registry.reset(new TClockRegistry());
  return registry.get();
}

TClockRegistry* TClockRegistry::Existing() { return RegistryCell().get(); }

void TClockRegistry::Free() { RegistryCell().reset(); }

void TClockRegistry::Add(TClock* clock) { clocks_.push_back(clock); }

void TClockRegistry::Remove(TClock* clock) {
  const auto found = std::find(clocks_.begin(), clocks_.end(), clock);
  if (found != clocks_.end()) clocks_.erase(found);
}

void TClockRegistry::AdvanceAll() {
  const double now = NowSeconds();
  delta_ = static_cast<float>(now - lastTime_);
  lastTime_ = now;
  // By index: a clock may add clocks while it advances.
  for (std::size_t i = 0; i < clocks_.size(); ++i) clocks_[i]->Advance(delta_);
}

void TClockRegistry::Reset() {
  lastTime_ = NowSeconds();
  delta_ = 0.0f;
}

// --- TGameClock --------------------------------------------------------------------

void TGameClock::Advance(float dt) { time_ += dt * rate_; }

void TGameClock::Stop() { rate_ = 0.0f; }

void TGameClock::Reset() {
  time_ = 0.0f;
  Stop();
}

void TGameClock::SetTime(float t) {
  time_ = static_cast<float>(std::floor(static_cast<double>(t) * kTimeResolution + 0.5) / kTimeResolution);
}

// --- TTurnClock --------------------------------------------------------------------

void TTurnClock::Advance(float dt) {
  if (IsPaused()) return;
  // The step is a float before it is added, as every machine computes it.
  const float step = rate_ * dt;
  SetTime(time_ + step);
  const float limit = GetTimeLimit();
  if (time_ >= limit) {
    SetTime(limit);
    return;
  }
  if (time_ >= TurnEnd(turn_) && turn_ < std::numeric_limits<int32_t>::max()) ++turn_;
}

void TTurnClock::Reset() {
  SetTime(static_cast<float>(turn_) * turnLength_);
  Stop();
}

float TTurnClock::TurnEnd(int32_t turn) const {
  return static_cast<float>(static_cast<int64_t>(turn) + 1) * turnLength_;
}

float TTurnClock::GetTurnEndTime() const { return TurnEnd(turn_); }

float TTurnClock::GetTimeLimit() const { return TurnEnd(highestTurn_); }

void TTurnClock::SetTurn(int32_t turn) {
  turn_ = turn;
  highestTurn_ = std::max(highestTurn_, turn);
  SetTime(static_cast<float>(turn) * turnLength_);
}

void TTurnClock::NextTurn() {
  if (turn_ < std::numeric_limits<int32_t>::max()) SetTurn(turn_ + 1);
}

bool TTurnClock::IsAtTurnStart() const {
  const float start = static_cast<float>(turn_) * turnLength_;
  return time_ - kTimeTolerance < start && start < time_ + kTimeTolerance;
}

void TTurnClock::CheckTurnEnd() {
  if (time_ >= GetTimeLimit()) Stop();
}
