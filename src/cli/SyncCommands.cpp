#include "cli/Command.h"
#include "platform/Device.h"
#include "platform/InstanceChannel.h"
#include "sync/Synchroniser.h"
#include "sync/WardSettings.h"

namespace cli {
namespace {

int ListConflicts(Context& context, const QString& server) {
  std::vector<QString> lines;
  QString error;
  if (!ward_sync::ListConflicts(server, lines, error)) {
    return Failure(context, error);
  }
  if (lines.empty()) {
    context.out << "No conflicts." << Qt::endl;
  }
  for (const QString& line : lines) {
    context.out << line << Qt::endl;
  }
  return kSuccess;
}

}  // namespace

int RunSync(Context& context, const QStringList& arguments) {
  Arguments args;
  QString error;
  if (!args.Parse(arguments, {"server", "conflicts"}, error, {"conflicts"}) ||
      !args.Words().isEmpty()) {
    return BadInput(context, error.isEmpty() ? QStringLiteral("sync takes no words") : error);
  }
  ward_sync::Settings settings = ward_sync::LoadSettings();
  const std::optional<QString> given = args.Option(QStringLiteral("server"));
  if (given) {
    settings.server = *given;
    settings.user.clear();  // a server given here names its user itself
  }
  const QString server = ward_sync::ConnectionString(settings);
  if (server.isEmpty()) {
    return BadInput(context, QStringLiteral("sync needs --server CONNINFO the first time"));
  }
  if (args.Has(QStringLiteral("conflicts"))) {
    return ListConflicts(context, server);
  }
  // A damaged device never gets here: every command refuses it when the device is opened.
  const platform::Device& device = *platform::Device::Current();
  context.progress.Start(QStringLiteral("synchronising"), ProgressLine::Unit::kRecords);
  ward_sync::Report report;
  const bool done =
      ward_sync::Synchronise({server, context.progress.Callback(), {}}, report, error);
  context.progress.Clear();
  if (report.deviceChanged) {
    // A running program shows the device as it now is (no program running is not a failure).
    instance_channel::Send(device.Folder(), "message OvelinRefreshScreen");
  }
  if (!done) {
    return Failure(context, error);
  }
  // The server is remembered once a sync with it worked, so a plain "sync" repeats it.
  if (given && !ward_sync::SaveSettings(settings)) {
    return DeviceFailure(context);
  }
  for (const QString& line : ward_sync::Describe(report)) {
    context.out << line << Qt::endl;
  }
  return kSuccess;
}

int RunServer(Context& context, const QStringList& arguments) {
  if (arguments.size() != 2 || arguments.first() != QLatin1String("init")) {
    return BadInput(context, QStringLiteral("usage: ovelin-cli server init CONNINFO"));
  }
  QString message;
  QString error;
  if (!ward_sync::InitialiseServer(arguments.at(1), message, error)) {
    return Failure(context, error);
  }
  context.out << message << Qt::endl;
  return kSuccess;
}

}  // namespace cli
