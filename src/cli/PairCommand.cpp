#include <QLocale>
#include <QTextStream>
#include <cstdio>

#include "cli/Command.h"
#include "platform/BeamPairing.h"
#include "platform/Device.h"
#include "platform/DeviceIdentity.h"

namespace cli {
namespace {

QString Folder() {
  return platform::Device::Current()->Folder();
}

int Show(Context& context) {
  platform::DeviceIdentity identity;
  QString error;
  if (!identity.LoadOrCreate(Folder(), error)) {
    return Failure(context, error);
  }
  context.out << identity.Fingerprint() << Qt::endl;
  return kSuccess;
}

int List(Context& context) {
  platform::PairedDevices paired;
  QString error;
  if (!paired.Load(Folder(), error)) {
    return Failure(context, error);
  }
  for (const platform::PairedDevice& device : paired.Devices()) {
    context.out << device.name << '\t' << platform::FormatFingerprint(device.pin) << '\t'
                << device.paired.toUTC().toString(Qt::ISODate) << Qt::endl;
  }
  return kSuccess;
}

int Remove(Context& context, const QString& name) {
  platform::PairedDevices paired;
  QString error;
  if (!paired.Load(Folder(), error)) {
    return Failure(context, error);
  }
  if (!paired.Remove(name)) {
    return BadInput(context, QStringLiteral("no paired device named %1").arg(name));
  }
  if (!paired.Save(Folder(), error)) {
    return Failure(context, error);
  }
  context.out << "unpaired " << name << Qt::endl;
  return kSuccess;
}

// Shows the digits and asks the person at this terminal; anything but y or yes is a no.
bool AskPerson(Context& context, const platform::PairingOffer& offer) {
  const QString where =
      offer.peerAddress.isEmpty() ? QString() : QStringLiteral(" at ") + offer.peerAddress;
  context.out << "Pairing with " << offer.peerName << where << Qt::endl
              << "Its fingerprint: " << platform::FormatFingerprint(offer.peerPin) << Qt::endl
              << "Digits: " << offer.digits.left(3) << ' ' << offer.digits.mid(3) << Qt::endl
              << "Do both screens show these digits? [y/N] " << Qt::flush;
  QTextStream in(stdin);
  const QString answer = in.readLine().trimmed().toLower();
  return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

int Pair(Context& context, platform::PairingRole role, const QString& addressText,
         const QString& localName) {
  platform::BeamAddress address;
  if (!platform::ParseBeamAddress(addressText, address)) {
    return BadInput(context,
                    QStringLiteral("%1 must be HOST:PORT")
                        .arg(role == platform::PairingRole::kResponder ? QStringLiteral("--listen")
                                                                       : QStringLiteral("--peer")));
  }
  platform::PairingHooks hooks;
  hooks.confirm = [&context](const platform::PairingOffer& offer) {
    return AskPerson(context, offer);
  };
  hooks.listening = [&context](const platform::BeamAddress& bound) {
    context.err << "ovelin-cli: waiting for the other device on "
                << platform::FormatBeamAddress(bound) << Qt::endl;
  };
  const platform::PairingResult result =
      platform::PairOverTcp(Folder(), role, address, platform::OwnDeviceName(), localName, hooks);
  if (!result.paired) {
    return Failure(context, result.error);
  }
  context.out << "paired with " << result.device.name << Qt::endl;
  return kSuccess;
}

}  // namespace

// pair --show | --list | --remove NAME | --listen HOST:PORT | --peer HOST:PORT [--name NAME]
int RunPair(Context& context, const QStringList& arguments) {
  Arguments args;
  QString error;
  if (!args.Parse(arguments, {"remove", "listen", "peer", "name"}, error, {"show", "list"})) {
    return BadInput(context, error);
  }
  if (!args.Words().isEmpty()) {
    return BadInput(context, QStringLiteral("unexpected argument %1").arg(args.Words().first()));
  }
  int actions = 0;
  for (const char* action : {"show", "list", "remove", "listen", "peer"}) {
    actions += args.Has(QString::fromLatin1(action)) ? 1 : 0;
  }
  if (actions != 1 || (args.Has("name") && !args.Has("listen") && !args.Has("peer"))) {
    return BadInput(context, QStringLiteral("pair needs one of --show, --list, --remove NAME, "
                                            "--listen HOST:PORT or --peer HOST:PORT"));
  }
  if (args.Has("show")) {
    return Show(context);
  }
  if (args.Has("list")) {
    return List(context);
  }
  if (const auto name = args.Option("remove")) {
    return Remove(context, *name);
  }
  const QString localName = args.OptionOr("name", QString());
  if (const auto listen = args.Option("listen")) {
    return Pair(context, platform::PairingRole::kResponder, *listen, localName);
  }
  return Pair(context, platform::PairingRole::kInitiator, *args.Option("peer"), localName);
}

}  // namespace cli
