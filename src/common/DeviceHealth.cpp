#include "common/DeviceHealth.h"

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/DeviceCheck.h"

namespace device_health {

Report CheckOnOpen(platform::Device& device) {
  const platform::device_check::Result result = platform::device_check::QuickCheck(device);
  Report report;
  if (result.Ok()) {
    return report;
  }
  report.details = result.Describe();
  report.state = result.Damaged() ? State::kDamaged : State::kUnusable;
  report.canOpenReadOnly = result.Damaged() && result.readable;
  const int text = report.state == State::kUnusable ? ids::kDeviceUnusable
                   : report.canOpenReadOnly         ? ids::kDeviceDamagedReadable
                                                    : ids::kDeviceDamaged;
  report.message = strings::FormatId(text, report.details);
  return report;
}

}  // namespace device_health
