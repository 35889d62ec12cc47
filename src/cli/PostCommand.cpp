#include "cli/Command.h"
#include "platform/Device.h"
#include "platform/InstanceChannel.h"

namespace cli {

// Delivers a registered message (for example OvelinRefreshScreen after the desktop has changed
// the stores) to the program running on the device, over its instance channel.
int RunPost(Context& context, const QStringList& arguments) {
  if (arguments.size() != 1 || arguments.first().isEmpty()) {
    return BadInput(context, QStringLiteral("post needs one MESSAGE"));
  }
  const QString& message = arguments.first();
  // One line per connection: a message name never holds a line break or a blank.
  for (const QChar c : message) {
    if (c.isSpace()) {
      return BadInput(context, QStringLiteral("a message name holds no blanks"));
    }
  }
  const QString folder = platform::Device::Current()->Folder();
  if (!instance_channel::Send(folder, "message " + message.toUtf8())) {
    return Failure(context, QStringLiteral("no program is running on %1").arg(folder));
  }
  return kSuccess;
}

}  // namespace cli
