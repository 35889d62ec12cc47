#include <QElapsedTimer>

#include "beam/BeamCommands.h"
#include "cli/Command.h"
#include "common/CDBPatient.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/BeamTransportTcp.h"
#include "platform/Device.h"
#include "platform/InstanceChannel.h"

namespace cli {
namespace {

const QStringList kSendOptions = {"peer", "timeout"};

// The transfer's progress as plain text: every new status and overall text on a line of its own.
// A timeout stands in for the user's Cancel, at any point of the transfer.
class PrintingProgress : public IBeamProgress {
 public:
  PrintingProgress(QTextStream& out, int timeoutSeconds)
      : m_out(out), m_timeoutMs(int64_t{timeoutSeconds} * 1000) {
    m_clock.start();
  }

  bool SetStatus(const QString& text, bool error) override {
    static_cast<void>(error);  // the exit code tells failure
    Print(text, m_status);
    return IsCancelled();
  }
  void SetItemProgress(uint32_t, uint32_t) override {}
  void SetOverallProgress(uint32_t, uint32_t) override {}
  void SetOverallText(const QString& text) override { Print(text, m_overall); }
  void SetPeer(const QString& name) override {
    m_out << strings::FormatId(ids::kBeamPairedPeer, name) << Qt::endl;
  }
  bool IsCancelled() override { return m_timeoutMs > 0 && m_clock.elapsed() >= m_timeoutMs; }
  void WaitForDone() override {}

 private:
  // The texts begin with a line feed that keeps a dialog's first line empty; a line feed inside
  // one becomes a blank so that one text stays one line.
  void Print(const QString& text, QString& last) {
    if (text == last) {
      return;
    }
    last = text;
    QString line = text.startsWith(QLatin1Char('\n')) ? text.mid(1) : text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_out << line << Qt::endl;
  }

  QTextStream& m_out;
  int64_t m_timeoutMs;
  QElapsedTimer m_clock;
  QString m_status;
  QString m_overall;
};

// Says where the receiver listens once it does (the port is the system's choice for port 0).
class AnnouncingTransport : public platform::IBeamTransport {
 public:
  AnnouncingTransport(platform::TcpBeamTransport& transport, QTextStream& err)
      : m_transport(transport), m_err(err) {}
  std::unique_ptr<platform::IBeamConnector> CreateConnector() override {
    return m_transport.CreateConnector();
  }
  std::unique_ptr<platform::IBeamListener> Listen() override {
    std::unique_ptr<platform::IBeamListener> listener = m_transport.Listen();
    if (listener) {
      platform::BeamAddress address = m_transport.Settings().listen;
      address.port = m_transport.ListeningPort();
      m_err << "ovelin-cli: listening on " << platform::FormatBeamAddress(address) << Qt::endl;
    }
    return listener;
  }

 private:
  platform::TcpBeamTransport& m_transport;
  QTextStream& m_err;
};

// The options every beam command shares; false (with the message) on bad input.
bool ReadOptions(const Arguments& args, platform::TcpBeamSettings& settings, int& timeoutSeconds,
                 QString& error) {
  settings = platform::TcpBeamSettings::FromRegistry();
  if (const auto peer = args.Option("peer");
      peer && !platform::TcpBeamSettings::ParsePeers(*peer, settings.peers)) {
    error = QStringLiteral("--peer must be HOST:PORT[,HOST:PORT...]");
    return false;
  }
  if (const auto listen = args.Option("listen");
      listen && !platform::ParseBeamAddress(*listen, settings.listen)) {
    error = QStringLiteral("--listen must be HOST:PORT");
    return false;
  }
  timeoutSeconds = 0;
  if (const auto timeout = args.Option("timeout")) {
    bool ok = false;
    timeoutSeconds = timeout->toInt(&ok);
    if (!ok || timeoutSeconds < 0) {
      error = QStringLiteral("--timeout must be a number of seconds");
      return false;
    }
  }
  return true;
}

// The engine's waits, with the time-out as the limit of the whole transfer (the progress's
// Cancel ends it at a status update; this ends it inside a move of bytes as well).
CBeamEngine::Timing TimingFor(int timeoutSeconds) {
  CBeamEngine::Timing timing;
  timing.transferLimitMs = static_cast<uint32_t>(timeoutSeconds) * 1000u;
  return timing;
}

int Finish(Context& context, const CBeamEngine& engine, bool succeeded, int timeoutSeconds) {
  if (engine.TimedOut()) {
    return Failure(context,
                   QStringLiteral("the transfer took longer than %1 seconds").arg(timeoutSeconds));
  }
  return succeeded ? kSuccess : kFailure;
}

int Receive(Context& context, platform::TcpBeamSettings settings, int timeoutSeconds) {
  platform::TcpBeamTransport tcp(std::move(settings));
  AnnouncingTransport transport(tcp, context.err);
  PrintingProgress progress(context.out, timeoutSeconds);
  CBeamEngine engine(progress, transport, TimingFor(timeoutSeconds));
  const bool received = engine.ReceiveBeam();
  // Whatever came, a program running on this device shows it now (when none runs, nobody hears).
  CDBPatient::ClearReadOnlyCache();
  instance_channel::Send(platform::Device::Current()->Folder(), "message OvelinRefreshScreen");
  return Finish(context, engine, received, timeoutSeconds);
}

int SendBeam(Context& context, const QString& action, const Arguments& args,
             platform::TcpBeamSettings settings, int timeoutSeconds) {
  const QStringList& words = args.Words();
  const bool companion = beam_commands::DesktopCompanionInstalled();
  uint32_t type = 0;
  platform::RecordId recordId = 0;
  if (action == QLatin1String("patient")) {
    if (words.size() != 1) {
      return BadInput(context, QStringLiteral("beam patient needs one NAME"));
    }
    CDBPatient patient;
    if (!patient.FindByName(words[0])) {
      return context.DeviceFailed()
                 ? DeviceFailure(context)
                 : BadInput(context, QStringLiteral("no patient named %1").arg(words[0]));
    }
    type = beam::kPatientRecord;
    recordId = patient.recordId;
  } else if (action == QLatin1String("record")) {
    bool typeOk = false;
    bool idOk = false;
    type = words.value(0).toUInt(&typeOk);
    recordId = words.value(1).toUInt(&idOk);
    if (words.size() != 2 || !typeOk || !idOk || type < beam::kPatientRecord ||
        type > beam::kVitalsRecord || recordId == 0) {
      return BadInput(context, QStringLiteral("beam record needs TYPE (1-7) and a record ID"));
    }
  } else if (action == QLatin1String("checkout")) {
    if (words.isEmpty()) {
      return BadInput(context, QStringLiteral("beam checkout needs at least one NAME"));
    }
    // A name not on file is bad input, as for "beam patient"; a patient on file that the
    // synchronisation rule holds back is a failure of the transfer (exit 1).
    for (const QString& name : words) {
      if (!CDBPatient().FindByName(name)) {
        return context.DeviceFailed()
                   ? DeviceFailure(context)
                   : BadInput(context, QStringLiteral("no patient named %1").arg(name));
      }
    }
  } else if (!words.isEmpty()) {
    return BadInput(context, QStringLiteral("unexpected argument %1").arg(words.first()));
  }

  platform::TcpBeamTransport transport(std::move(settings));
  PrintingProgress progress(context.out, timeoutSeconds);
  CBeamEngine engine(progress, transport, TimingFor(timeoutSeconds));
  if (action == QLatin1String("categories")) {
    const bool sent = engine.BeamCategories();
    return Finish(context, engine, sent, timeoutSeconds);
  }
  if (action == QLatin1String("checkout")) {
    const std::vector<QString> names(words.begin(), words.end());
    const beam_commands::CheckoutResult result =
        beam_commands::BeamCheckoutList(engine, names, companion);
    if (result.announced == 0) {
      return Failure(context, QStringLiteral("none of the patients can be beamed"));
    }
    return Finish(context, engine, result.ok, timeoutSeconds);
  }
  switch (beam_commands::BeamSelectedRecord(engine, type, recordId, companion)) {
    case beam_commands::BeamOutcome::kNoRecord:
      return BadInput(context,
                      QStringLiteral("no record of type %1 with id %2").arg(type).arg(recordId));
    case beam_commands::BeamOutcome::kSent:
      return kSuccess;
    case beam_commands::BeamOutcome::kNotSynced:
    case beam_commands::BeamOutcome::kFailed:
      break;
  }
  return Finish(context, engine, false, timeoutSeconds);
}

}  // namespace

// beam receive | patient | record | categories | checkout: one transfer over TCP.
int RunBeam(Context& context, const QStringList& arguments) {
  const QString action = arguments.value(0);
  const bool receiving = action == QLatin1String("receive");
  const bool sending = action == QLatin1String("patient") || action == QLatin1String("record") ||
                       action == QLatin1String("categories") || action == QLatin1String("checkout");
  if (!receiving && !sending) {
    return BadInput(context,
                    QStringLiteral("beam needs receive, patient, record, categories or checkout"));
  }
  Arguments args;
  QString error;
  if (!args.Parse(arguments.mid(1), receiving ? QStringList{"listen", "timeout"} : kSendOptions,
                  error)) {
    return BadInput(context, error);
  }
  platform::TcpBeamSettings settings;
  int timeoutSeconds = 0;
  if (!ReadOptions(args, settings, timeoutSeconds, error)) {
    return BadInput(context, error);
  }
  if (receiving) {
    if (!args.Words().isEmpty()) {
      return BadInput(context, QStringLiteral("unexpected argument %1").arg(args.Words().first()));
    }
    return Receive(context, std::move(settings), timeoutSeconds);
  }
  return SendBeam(context, action, args, std::move(settings), timeoutSeconds);
}

}  // namespace cli
