#include "support/TestGuard.h"

#include <vector>

#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/XMExtensionMgr.h"
#include "platform/Clock.h"

namespace {

std::vector<std::function<void()>>& ExtraResets() {
  static std::vector<std::function<void()>> resets;
  return resets;
}

}  // namespace

TestGuard::TestGuard() {
  ResetAll();
}

TestGuard::~TestGuard() {
  ResetAll();
}

void TestGuard::ResetAll() {
  clock_source::UseSystemTime();
  messages::Install(nullptr);
  messages::DefaultRecorder().Clear();
  CDBPatient::ClearReadOnlyCache();
  CDBPatient::ResetLastPatientWritten();
  XMExtensionMgr::Destroy();
  for (const std::function<void()>& reset : ExtraResets()) {
    reset();
  }
}

void TestGuard::AddReset(std::function<void()> reset) {
  ExtraResets().push_back(std::move(reset));
}
