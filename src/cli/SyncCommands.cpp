#include "cli/Command.h"
#include "common/DeviceHealth.h"
#include "platform/Device.h"
#include "platform/DeviceCheck.h"
#include "platform/InstanceChannel.h"
#include "platform/Registry.h"
#include "sync/Synchroniser.h"

namespace cli {
namespace {

// The last ward server used, so that a plain "ovelin-cli sync" repeats it. It never holds a
// password: a connection string with one is refused before it is used or kept.
constexpr const char* kSyncKey = "Software\\Quillfen\\Sync";
constexpr const char* kServerValue = "Server";

QString RememberedServer() {
  platform::RegistryKey key;
  QString server;
  if (key.Open(platform::Hive::CurrentUser, QString::fromLatin1(kSyncKey))) {
    key.QueryString(QString::fromLatin1(kServerValue), server);
  }
  return server;
}

bool RememberServer(const QString& server) {
  platform::RegistryKey key;
  return key.Create(platform::Hive::CurrentUser, QString::fromLatin1(kSyncKey)) &&
         key.SetString(QString::fromLatin1(kServerValue), server);
}

QString Plural(int count, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

void PrintReport(Context& context, const ward_sync::Report& report) {
  context.out << "Synchronised with " << report.server << ": "
              << Plural(report.sent, "change sent", "changes sent") << ", "
              << Plural(report.received, "change received", "changes received") << ", "
              << Plural(report.conflicts, "conflict", "conflicts") << "." << Qt::endl;
  if (report.refused > 0) {
    context.out << Plural(report.refused, "change was", "changes were")
                << " refused because the server holds the record read-only; the device has the "
                   "server's version again."
                << Qt::endl;
  }
  if (report.notMerged > 0) {
    context.out << Plural(report.notMerged, "patient has", "patients have")
                << " the name of another device's patient with another MR number and "
                   "stayed on this device only."
                << Qt::endl;
  }
  if (report.conflicts > 0) {
    context.out << "The versions that lost are kept on the server: ovelin-cli sync --conflicts "
                   "lists them."
                << Qt::endl;
  }
}

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
  const QString server = args.OptionOr(QStringLiteral("server"), RememberedServer());
  if (server.isEmpty()) {
    return BadInput(context, QStringLiteral("sync needs --server CONNINFO the first time"));
  }
  if (args.Has(QStringLiteral("conflicts"))) {
    return ListConflicts(context, server);
  }
  platform::Device& device = *platform::Device::Current();
  const device_health::Report health = device_health::CheckOnOpen(device);
  if (health.state != device_health::State::kSound) {
    return Failure(context, QStringLiteral("the device %1 cannot be synchronised: %2")
                                .arg(device.Folder(), health.details));
  }
  context.progress.Start(QStringLiteral("synchronising"), ProgressLine::Unit::kRecords);
  ward_sync::Report report;
  const bool done = ward_sync::Synchronise({server, context.progress.Callback()}, report, error);
  context.progress.Clear();
  if (report.deviceChanged) {
    // A running program shows the device as it now is (no program running is not a failure).
    instance_channel::Send(device.Folder(), "message OvelinRefreshScreen");
  }
  if (!done) {
    return Failure(context, error);
  }
  if (!RememberServer(server)) {
    return DeviceFailure(context);
  }
  PrintReport(context, report);
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
