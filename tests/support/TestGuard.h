#pragma once

#include <functional>

// Puts every piece of process-wide state that a test may change back to how a fresh program
// has it: the device clock, the message service and its recorder, the patient store's caches,
// the extension manager, and whatever a test program adds (the widget tests add the UI seams,
// the input panel and the shell opener). A fixture holds one as a member: the state is reset
// when the test starts and again when it ends, so no test sees another's leftovers.
class TestGuard {
 public:
  TestGuard();
  ~TestGuard();
  TestGuard(const TestGuard&) = delete;
  TestGuard& operator=(const TestGuard&) = delete;

  static void ResetAll();
  // Adds a reset to ResetAll for state that only this test program has (call it from main).
  static void AddReset(std::function<void()> reset);
};
