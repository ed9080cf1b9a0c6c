// An order list over the resolver's two-player floor, with every order kind
// of the game reading from the orders stream while a test runs, and the
// helpers the order tests share: adding orders, reading them back, and the
// events they recorded as lines of text.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/event.h"
#include "sim/resolver_test_world.h"
#include "sim/unit_events.h"
#include "units/order_factory.h"
#include "units/order_list.h"
#include "units/movement_order.h"
#include "units/order_registration.h"

namespace order_test {

// The point moved by (dx, dy) on the map plane.
inline TVector3 Shifted(const TVector3& point, float dx, float dy) {
  TVector3 moved = point;
  moved.Add(TVector3(dx, dy, 0.0f));
  return moved;
}

// A point of an orders stream read field by field; streams of the counted
// form carry the count 3 before the three floats.
inline TVector3 ReadStreamPoint(TDataStream& stream, bool counted) {
  if (counted) {
    EXPECT_EQ(stream.ReadInt(), 3u);
  }
  const float x = stream.ReadFloat();
  const float y = stream.ReadFloat();
  const float z = stream.ReadFloat();
  return TVector3(x, y, z);
}

// While held, every order kind of the game reads from the orders stream.
class TGameOrderReaders {
 public:
  TGameOrderReaders() { RegisterOrderReaders(); }
  ~TGameOrderReaders() {
    for (std::string_view name : TOrderFactory::OrderNames()) TOrderFactory::Instance().Unregister(name);
  }
  TGameOrderReaders(const TGameOrderReaders&) = delete;
  TGameOrderReaders& operator=(const TGameOrderReaders&) = delete;
};

class OrderWorldTest : public resolver_test::ResolverWorldTest {
 protected:
  void SetUp() override {
    ResolverWorldTest::SetUp();
    // The walking orders share one table of who blocks whom.
    TRouteOrder::ClearBlockers();
  }
  void TearDown() override {
    list_.Clear();
    ResolverWorldTest::TearDown();
  }

  template <typename TOrderClass>
  TOrderClass* Add(std::unique_ptr<TOrderClass> order) {
    TOrderClass* added = order.get();
    list_.Add(std::move(order));
    return added;
  }

  // The orders of the stream, read from its start; the whole stream must
  // be read.
  TOrderVector ReadBack(TDataStream& stream) {
    stream.Rewind();
    TOrderVector read;
    TRawIdMapper ids;
    EXPECT_TRUE(TOrderList::ReadOrders(read, *resolver_, ids, stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    return read;
  }
  // The list's orders written and read back.
  TOrderVector RoundTrip() {
    TDataStream stream;
    list_.WriteOrders(stream);
    return ReadBack(stream);
  }

  // Type and time of every recorded event, with its telling detail (the
  // state of an animation, the kind and policy of rules, a shield's switch).
  std::vector<std::string> Journal() const {
    std::vector<std::string> lines;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      const TEvent& event = *events_.GetEvent(i);
      std::string detail;
      if (const auto* animation = dynamic_cast<const TAnimationEvent*>(&event)) detail = animation->GetState();
      if (const auto* rules = dynamic_cast<const TRulesEvent*>(&event)) {
        detail = rules->GetKind() + " " + rules->GetPolicy();
      }
      if (const auto* shield = dynamic_cast<const TToggleShieldEvent*>(&event)) detail = shield->IsOn() ? "on" : "off";
      lines.push_back(At(std::string(event.TypeName()), event.GetTime(), detail));
    }
    return lines;
  }
  // The times of the recorded events of the type (animations: of the state
  // when one is given).
  std::vector<float> TimesOf(std::string_view type, std::string_view state = "") const {
    std::vector<float> times;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      const TEvent& event = *events_.GetEvent(i);
      if (event.TypeName() != type) continue;
      const auto* animation = dynamic_cast<const TAnimationEvent*>(&event);
      if (!state.empty() && (animation == nullptr || animation->GetState() != state)) continue;
      times.push_back(event.GetTime());
    }
    return times;
  }

  // One tick as the turn simulator runs it: the world moves its objects,
  // then the chains run at the same clock time.
  virtual void Tick(float now) {
    world_->Update(now);
    list_.RunTick(now);
  }
  // Ticks from first to last (both included) in steps.
  void RunTicks(float first, float last, float step) {
    const int32_t count = static_cast<int32_t>(std::lround((last - first) / step));
    for (int32_t i = 0; i <= count; ++i) Tick(first + static_cast<float>(i) * step);
  }

  static std::string At(const std::string& what, float time, const std::string& detail = "") {
    std::string line = what + " " + std::to_string(time);
    return detail.empty() ? line : line + " " + detail;
  }

  TGameOrderReaders readers_;
  TOrderList list_;
};

}  // namespace order_test
