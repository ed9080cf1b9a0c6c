// Self-tests that the command line can run by name ("All" runs every one).
// The program registers none of its own.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

class TUnitTest {
 public:
  explicit TUnitTest(std::string name) : name_(std::move(name)) {}
  virtual ~TUnitTest() = default;
  const std::string& GetName() const { return name_; }
  virtual void Run() = 0;

 private:
  std::string name_;
};

class TUnitTestRegistry {
 public:
  void Register(std::unique_ptr<TUnitTest> test);
  // "All" runs every test in order; any other name runs the first test of
  // that name, and nothing when there is none.
  void Run(const std::string& name);
  std::size_t Count() const { return tests_.size(); }

 private:
  std::vector<std::unique_ptr<TUnitTest>> tests_;
};

TUnitTestRegistry* GetUnitTestRegistry();
void DestroyUnitTestRegistry();
