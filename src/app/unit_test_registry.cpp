#include "app/unit_test_registry.h"

#include <utility>

namespace {

std::unique_ptr<TUnitTestRegistry>& RegistryCell() {
  static std::unique_ptr<TUnitTestRegistry> registry;
  return registry;
}

}  // namespace

void TUnitTestRegistry::Register(std::unique_ptr<TUnitTest> test) {
  if (test) {
    tests_.push_back(std::move(test));
  }
}

void TUnitTestRegistry::Run(const std::string& name) {
  if (name == "All") {
    // By index: a test may register further tests while it runs.
    for (std::size_t i = 0; i < tests_.size(); ++i) {
      tests_[i]->Run();
    }
    return;
  }
  for (std::size_t i = 0; i < tests_.size(); ++i) {
    if (tests_[i]->GetName() == name) {
      tests_[i]->Run();
      return;
    }
  }
}

TUnitTestRegistry* GetUnitTestRegistry() {
  auto& registry = RegistryCell();
  if (!registry) {
    registry = std::make_unique<TUnitTestRegistry>();
  }
  return registry.get();
}

void DestroyUnitTestRegistry() { RegistryCell().reset(); }
