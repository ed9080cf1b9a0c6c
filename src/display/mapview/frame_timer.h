// Measures the frame rate shown in the corner of the screen. The count of
// frames is taken over windows of at least half a second and doubled, so
// the figure moves in steps of two and changes at most twice a second.
#pragma once

#include <cstdint>

class TFrameTimer {
 public:
  // Ticks of the platform clock: milliseconds.
  static constexpr float kTicksPerSecond = 1000.0f;

  TFrameTimer() = default;

  // The figure until the first measurement; starts the first window now.
  void SetRate(float rate);
  // Counts a frame; when more than half a second has passed since the last
  // measurement, the frames of that window (this one included), doubled,
  // become the figure and a new window starts.
  void Tick();
  // The platform clock's reading in ticks.
  int64_t Now() const;

  float GetFramesPerSecond() const { return framesPerSecond_; }
  // Frames counted in the window now open.
  uint32_t GetFrameCount() const { return frameCount_; }

 private:
  float ticksPerSecond_ = kTicksPerSecond;
  float framesPerSecond_ = 0.0f;
  int64_t lastMeasurement_ = 0;
  uint32_t frameCount_ = 0;
};
