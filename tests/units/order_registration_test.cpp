#include "units/order_registration.h"

#include <gtest/gtest.h>

#include <string_view>

#include "units/order_factory.h"

namespace {

TEST(OrderRegistrationTest, EveryOrderNameOfTheStreamHasAReader) {
  RegisterOrderReaders();
  for (std::string_view name : TOrderFactory::OrderNames()) {
    EXPECT_TRUE(TOrderFactory::Instance().IsRegistered(name)) << name;
  }
  for (std::string_view name : TOrderFactory::OrderNames()) TOrderFactory::Instance().Unregister(name);
}

}  // namespace
