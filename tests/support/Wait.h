#pragma once

#include <functional>

namespace test_wait {

// Lets the event loop run (posted events, timers, deferred deletes) until condition holds or
// timeoutMs passed, and answers whether it held. Use it as ASSERT_TRUE(test_wait::Until(...))
// so that a condition that never comes true fails the test: Qt's own QTRY_ macros report to
// Qt's test log, which a GoogleTest test never reads.
bool Until(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs the events already posted, once.
void Drain();

}  // namespace test_wait
