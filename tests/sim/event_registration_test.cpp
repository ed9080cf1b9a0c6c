#include "sim/event_registration.h"

#include <gtest/gtest.h>

#include "sim/event_factory.h"

namespace {

TEST(EventRegistrationTest, EveryBuiltEventTypeCanBeRead) {
  TEventFactory& factory = TEventFactory::Instance();
  for (const char* name : {"Damage", "RenewGoo", "Bounce"}) factory.Unregister(name);
  RegisterEventReaders();
  for (const char* name : {"Damage", "RenewGoo", "Bounce"}) EXPECT_TRUE(factory.IsRegistered(name)) << name;
}

}  // namespace
