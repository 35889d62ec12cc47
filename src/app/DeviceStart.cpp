#include "app/DeviceStart.h"

#include "common/DeviceHealth.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

namespace device_start {

Outcome Check(platform::Device& device, bool interactive, QString& message) {
  const device_health::Report health = device_health::CheckOnOpen(device);
  if (health.state == device_health::State::kSound) {
    return Outcome::kUse;
  }
  message = health.details;
  if (!interactive) {
    return Outcome::kQuit;
  }
  const QString caption = strings::Load(ids::kAppName);
  if (health.state == device_health::State::kDamaged && health.canOpenReadOnly) {
    // OK opens the device read-only, Cancel quits.
    const messages::Answer answer = messages::Show(
        health.message, caption, messages::Buttons::OkCancel, messages::Icon::Exclamation);
    return answer == messages::Answer::Ok ? Outcome::kOpenReadOnly : Outcome::kQuit;
  }
  messages::Show(health.message, caption, messages::Buttons::Ok, messages::Icon::Stop);
  return Outcome::kQuit;
}

}  // namespace device_start
