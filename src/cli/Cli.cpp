#include "cli/Cli.h"

#include <memory>

#include "cli/Command.h"
#include "common/MessageService.h"
#include "platform/Device.h"
#include "platform/DeviceCheck.h"

namespace cli {
namespace {

constexpr const char* kUsage =
    "Usage: ovelin-cli [--device DIR] [--quiet | --progress] COMMAND ...\n"
    "\n"
    "The device folder is DIR, else $OVELIN_DEVICE, else $XDG_DATA_HOME/ovelin/device.\n"
    "\n"
    "Commands:\n"
    "  patient add --first F --last L --type T [--mr M] [--room R] [--doctor D] [--age A]\n"
    "              [--sex S] [--race R] [--code C] [--dx D] [--allergies A] [--problems P]\n"
    "              [--dob YYYY-MM-DD] [--admit YYYY-MM-DD]\n"
    "  patient list [--type T]\n"
    "  patient delete NAME\n"
    "  reg get HKCU|HKLM KEY VALUE\n"
    "  reg set HKCU|HKLM KEY VALUE sz|dword|binary DATA\n"
    "  dump [VOLUME...]\n"
    "  export [--format backup|fhir] [--patient NAME] [--output FILE [--force]]\n"
    "  import FILE\n"
    "  check          check every file of the device in full (the quick check runs before\n"
    "                 every other command)\n"
    "  post MESSAGE   deliver a registered message to the program running on the device\n"
    "  generate [--patients N] [--seed S]\n"
    "                 fill an empty device with a made-up ward of N patients (default 2000),\n"
    "                 160 records each, for measuring the program\n"
    "  beam receive [--listen HOST:PORT] [--timeout SECONDS]\n"
    "  beam patient NAME | record TYPE ID | categories | checkout NAME...\n"
    "       [--peer HOST:PORT[,HOST:PORT...]] [--timeout SECONDS]\n"
    "                 beam to another device (default 127.0.0.1:47365); the timeout bounds the\n"
    "                 whole transfer\n"
    "  pair --show | --list | --remove NAME\n"
    "  pair --listen HOST:PORT | --peer HOST:PORT [--name NAME]\n"
    "                 pair with another device for secure beaming\n"
    "\n"
    "Options:\n"
    "  --device DIR   use the device folder DIR\n"
    "  --quiet        show no progress line, even on a terminal\n"
    "  --progress     show the progress line of long commands (import, export, generate,\n"
    "                 check) on standard error even when it is no terminal; by default it\n"
    "                 is shown on a terminal only\n"
    "  --help         show this text\n"
    "  --version      show the version\n";

// Messages that a command would show in a dialog are printed, on a line of their own; they are
// answered with OK.
class PrintingMessages : public messages::IMessageService {
 public:
  PrintingMessages(QTextStream& err, ProgressLine& progress) : m_err(err), m_progress(progress) {}
  messages::Answer Show(const messages::Shown& message) override {
    m_progress.Clear();
    m_err << message.caption << ": " << message.text.trimmed() << Qt::endl;
    return message.buttons == messages::Buttons::YesNo ||
                   message.buttons == messages::Buttons::YesNoCancel
               ? messages::Answer::Yes
               : messages::Answer::Ok;
  }

 private:
  QTextStream& m_err;
  ProgressLine& m_progress;
};

struct Group {
  const char* name;
  int (*run)(Context&, const QStringList&);
  const char* usage;
};

constexpr Group kGroups[] = {
    {"patient", RunPatient,
     "Usage:\n"
     "  ovelin-cli patient add --first F --last L --type T [--mr M] [--room R] [--doctor D]\n"
     "              [--age A] [--sex S] [--race R] [--code C] [--dx D] [--allergies A]\n"
     "              [--problems P] [--dob YYYY-MM-DD] [--admit YYYY-MM-DD]\n"
     "  ovelin-cli patient list [--type T]\n"
     "  ovelin-cli patient delete NAME\n"
     "Adds a patient (and prints the full name), lists the patients of a type or of all types,\n"
     "or deletes a patient with every record of the patient.\n"},
    {"reg", RunRegistry,
     "Usage:\n"
     "  ovelin-cli reg get HKCU|HKLM KEY VALUE\n"
     "  ovelin-cli reg set HKCU|HKLM KEY VALUE sz|dword|binary DATA\n"
     "Reads or writes a value of the device's registry (binary DATA in hexadecimal).\n"},
    {"dump", RunDump,
     "Usage: ovelin-cli dump [VOLUME...]\n"
     "Prints every record of the named databases (all of them by default) with its id and\n"
     "properties.\n"},
    {"export", RunExport,
     "Usage: ovelin-cli export [--format backup|fhir] [--patient NAME] [--output FILE [--force]]\n"
     "Writes a backup of the device (or of one patient) as JSON to FILE or standard output.\n"
     "An existing FILE is replaced only by a backup of at least as many patients, unless\n"
     "--force is given. --format fhir writes the charts as one FHIR R4 Bundle instead and\n"
     "says on standard error how many values could not be coded.\n"},
    {"import", RunImport,
     "Usage: ovelin-cli import FILE\n"
     "Stores a backup made by export: all of it, or nothing when any of it is refused.\n"},
    {"post", RunPost,
     "Usage: ovelin-cli post MESSAGE\n"
     "Delivers a registered message (such as OvelinRefreshScreen) to the program running on\n"
     "the device.\n"},
    {"beam", RunBeam,
     "Usage:\n"
     "  ovelin-cli beam receive [--listen HOST:PORT] [--timeout SECONDS]\n"
     "  ovelin-cli beam patient NAME | record TYPE ID | categories | checkout NAME...\n"
     "       [--peer HOST:PORT[,HOST:PORT...]] [--timeout SECONDS]\n"
     "Receives from or beams to another device (default 127.0.0.1:47365); the timeout bounds\n"
     "the whole transfer.\n"},
    {"pair", RunPair,
     "Usage:\n"
     "  ovelin-cli pair --show             this device's fingerprint\n"
     "  ovelin-cli pair --list             the paired devices\n"
     "  ovelin-cli pair --remove NAME      unpair a device\n"
     "  ovelin-cli pair --listen HOST:PORT [--name NAME]\n"
     "  ovelin-cli pair --peer HOST:PORT [--name NAME]\n"
     "Pairs this device with another for secure beaming: one side listens, the other connects,\n"
     "both show six digits, and each person answers y when the two screens show the same.\n"
     "The other device is kept under NAME, else under the name it gives itself. The pairing\n"
     "window closes after 60 seconds.\n"},
    {"check", RunCheck,
     "Usage: ovelin-cli check\n"
     "Checks every file of the device in full and prints ok, or one line per problem.\n"},
    {"generate", RunGenerate,
     "Usage: ovelin-cli generate [--patients N] [--seed S]\n"
     "Fills an empty device with a made-up ward of N patients (default 2000), 160 records each,\n"
     "for measuring the program; the same seed gives the same ward.\n"},
    {"sync", RunSync,
     "Usage: ovelin-cli sync [--server CONNINFO] [--conflicts]\n"
     "Synchronises the device with a ward server (PostgreSQL), both ways: sends what changed\n"
     "here since the last sync and takes what changed there. CONNINFO is a libpq connection\n"
     "string or URI without a password (use ~/.pgpass, PGPASSWORD or a client certificate);\n"
     "the last one used is remembered. --conflicts lists the records that were changed on two\n"
     "sides, whose losing versions the server keeps.\n"},
    {"server", RunServer,
     "Usage: ovelin-cli server init CONNINFO\n"
     "Creates the ward schema on an empty PostgreSQL database, or says which version it holds.\n"},
};

// "COMMAND --help" (or -h) anywhere after the command asks for the command's usage.
bool AsksForHelp(const QStringList& arguments) {
  return arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"));
}

// Before a command touches the device: the quick check. A damaged device is refused, so that
// nothing reads it as empty and nothing writes to it.
bool DeviceUsable(Context& context, platform::Device& device) {
  const platform::device_check::Result result = platform::device_check::QuickCheck(device);
  if (result.Ok()) {
    return true;
  }
  context.err << "ovelin-cli: the device " << device.Folder()
              << (result.Damaged() ? " is damaged:" : " cannot be used:") << Qt::endl
              << result.Describe() << Qt::endl;
  if (result.Damaged()) {
    context.err << "ovelin-cli: nothing was changed. Restore the device folder from a backup; "
                   "'ovelin-cli check' examines it in full."
                << Qt::endl;
  }
  return false;
}

int RunGroup(const Group& group, Context& outer, platform::Device& device,
             const QStringList& arguments) {
  platform::DeviceScope scope(device);
  platform::StoreErrorScope failures;
  Context context{outer.out, outer.err, failures, outer.progress};
  if (group.run != RunCheck && !DeviceUsable(context, device)) {
    return kFailure;
  }
  PrintingMessages printing(context.err, context.progress);
  messages::Install(&printing);
  const int code = group.run(context, arguments);
  messages::Install(nullptr);
  context.progress.Clear();
  // Whatever the command made of it, a failure of the device is the answer.
  if (failures.Failed() && code != kFailure) {
    return DeviceFailure(context);
  }
  return code;
}

// The options before the command.
struct GlobalOptions {
  enum class Progress { kOnTerminal, kNever, kAlways };
  QString deviceFolder;
  Progress progress = Progress::kOnTerminal;
  bool help = false;
  bool version = false;
};

// Takes the options off the front of rest; false with the error on an unknown or incomplete one.
bool ParseGlobalOptions(QStringList& rest, GlobalOptions& options, QString& error) {
  while (!rest.isEmpty() && rest.first().startsWith(QLatin1String("--"))) {
    const QString option = rest.takeFirst();
    options.help = option == QLatin1String("--help");
    options.version = option == QLatin1String("--version");
    if (options.help || options.version) {
      return true;
    }
    if (option == QLatin1String("--quiet")) {
      options.progress = GlobalOptions::Progress::kNever;
    } else if (option == QLatin1String("--progress")) {
      options.progress = GlobalOptions::Progress::kAlways;
    } else if (option == QLatin1String("--device") && !rest.isEmpty()) {
      options.deviceFolder = rest.takeFirst();
    } else {
      error = option == QLatin1String("--device") ? QStringLiteral("--device needs a folder")
                                                  : QStringLiteral("unknown option %1").arg(option);
      return false;
    }
  }
  return true;
}

bool ShowsProgress(GlobalOptions::Progress setting, bool errIsTerminal) {
  return setting == GlobalOptions::Progress::kAlways ||
         (setting == GlobalOptions::Progress::kOnTerminal && errIsTerminal);
}

int RunCommand(Context& context, QStringList rest, const QString& deviceFolder) {
  const QString command = rest.takeFirst();
  for (const Group& group : kGroups) {
    if (command != QLatin1String(group.name)) {
      continue;
    }
    if (AsksForHelp(rest)) {
      context.out << group.usage;
      return kSuccess;
    }
    platform::Device device(platform::Device::ResolveFolder(deviceFolder));
    QString error;
    if (!device.Prepare(&error)) {
      return Failure(context, error);
    }
    return RunGroup(group, context, device, rest);
  }
  return BadInput(context, QStringLiteral("unknown command %1 (see --help)").arg(command));
}

}  // namespace

int Run(const QStringList& arguments, QTextStream& out, QTextStream& err, bool errIsTerminal) {
  const platform::StoreErrorScope noDevice;
  ProgressLine hidden(err, false);
  Context bare{out, err, noDevice, hidden};
  QStringList rest = arguments;
  GlobalOptions options;
  QString error;
  if (!ParseGlobalOptions(rest, options, error)) {
    return BadInput(bare, error);
  }
  if (options.help || options.version) {
    out << (options.help ? QString::fromLatin1(kUsage)
                         : QStringLiteral("ovelin-cli %1\n").arg(OVELIN_VERSION));
    out.flush();
    return kSuccess;
  }
  if (rest.isEmpty()) {
    err << kUsage;
    return kBadInput;
  }
  ProgressLine progress(err, ShowsProgress(options.progress, errIsTerminal));
  Context context{out, err, noDevice, progress};
  return RunCommand(context, rest, options.deviceFolder);
}

int BadInput(Context& context, const QString& message) {
  context.progress.Clear();
  context.err << "ovelin-cli: " << message << Qt::endl;
  return kBadInput;
}

int Failure(Context& context, const QString& message) {
  context.progress.Clear();
  context.err << "ovelin-cli: " << message;
  if (context.failures.Failed()) {
    context.err << ": " << context.failures.Error().Describe();
  }
  context.err << Qt::endl;
  return kFailure;
}

int DeviceFailure(Context& context) {
  return Failure(context, QStringLiteral("the device failed"));
}

int RunCheck(Context& context, const QStringList& arguments) {
  if (!arguments.isEmpty()) {
    return BadInput(context, QStringLiteral("usage: check"));
  }
  platform::Device* device = platform::Device::Current();
  context.progress.Start(QStringLiteral("checking the device"), ProgressLine::Unit::kRecords);
  const platform::device_check::Result result =
      platform::device_check::FullCheck(*device, context.progress.Callback());
  context.progress.Clear();
  if (!result.Ok()) {
    context.err << result.Describe() << Qt::endl;
    return Failure(context, QStringLiteral("the device %1 failed the check").arg(device->Folder()));
  }
  context.out << "ok" << Qt::endl;
  return kSuccess;
}

bool Arguments::Parse(const QStringList& arguments, const QStringList& known, QString& error,
                      const QStringList& valueless) {
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (!argument.startsWith(QLatin1String("--"))) {
      m_words.append(argument);
      continue;
    }
    const QString name = argument.mid(2);
    if (!known.contains(name) && !valueless.contains(name)) {
      error = QStringLiteral("unknown option %1").arg(argument);
      return false;
    }
    if (valueless.contains(name)) {
      m_options.insert(name, QString());
      continue;
    }
    if (i + 1 >= arguments.size()) {
      error = QStringLiteral("%1 needs a value").arg(argument);
      return false;
    }
    m_options.insert(name, arguments[++i]);
  }
  return true;
}

std::optional<QString> Arguments::Option(const QString& name) const {
  const auto found = m_options.constFind(name);
  if (found == m_options.constEnd()) {
    return std::nullopt;
  }
  return found.value();
}

QString Arguments::OptionOr(const QString& name, const QString& fallback) const {
  return m_options.value(name, fallback);
}

}  // namespace cli
