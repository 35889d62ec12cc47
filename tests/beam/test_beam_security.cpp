// Secure beaming on loopback: devices pair through the real exchange, then beam over TLS; a
// stranger, a plain sender and a relay in the middle are refused before any record byte moves;
// what crosses the wire never shows a patient's name.

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <cstring>
#include <thread>

#include "beam/BeamTestSupport.h"
#include "common/CDBPatient.h"
#include "platform/BeamPairing.h"
#include "platform/BeamTransportSecure.h"
#include "support/TestGuard.h"

using namespace beam_test;

namespace {

const QString kAnn = QStringLiteral("Smith, Ann");
const QString kLoopback = QStringLiteral("127.0.0.1");
using Opening = platform::IBeamSocket::Opening;

platform::BeamSecurity SecurityOf(const QString& folder) {
  platform::BeamSecurity security;
  QString error;
  EXPECT_TRUE(security.Load(folder, error)) << error.toStdString();
  return security;
}

// A TCP transport on loopback that secures every connection with the device of folder.
std::unique_ptr<platform::TcpBeamTransport> SecureTransport(const QString& folder,
                                                            uint16_t peerPort = 0) {
  platform::TcpBeamSettings settings;
  settings.listen = {kLoopback, 0};
  settings.peers = {{kLoopback, peerPort}};
  settings.secureLoopback = true;
  settings.deviceFolder = folder;
  return std::make_unique<platform::TcpBeamTransport>(settings);
}

// A plain transport whose connections the test secures or relays itself.
std::unique_ptr<platform::TcpBeamTransport> RawTransport(uint16_t peerPort = 0) {
  platform::TcpBeamSettings settings;
  settings.listen = {kLoopback, 0};
  settings.peers = {{kLoopback, peerPort}};
  settings.callerSecures = true;
  return std::make_unique<platform::TcpBeamTransport>(settings);
}

// The port of the transport's listener, once another thread made it listen.
uint16_t PortOf(const platform::TcpBeamTransport& transport) {
  WaitUntil([&] { return transport.ListeningPort() != 0; });
  return transport.ListeningPort();
}

bool BeamAnn(CBeamEngine& engine) {
  CBeamRecord record;
  if (!record.FindPatient(kAnn)) {
    return false;
  }
  CBeamEngine::Socket socket = engine.OpenBeam(beam::kPatientTransfer, 0, false);
  return socket && engine.BeamRecord(*socket, record);
}

// Drives Open on a relay's own secure end until it is decided.
Opening OpenFully(platform::IBeamSocket& socket) {
  Opening opening = Opening::kPending;
  WaitUntil([&] {
    opening = socket.Open(5);
    return opening != Opening::kPending;
  });
  return opening;
}

// Copies bytes both ways between two sockets until either end closes, keeping what passed.
void Forward(platform::IBeamSocket& a, platform::IBeamSocket& b, QByteArray& seen) {
  uint8_t buffer[4096];
  WaitUntil([&] {
    for (auto [from, to] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
      const ptrdiff_t got = from->Receive(buffer, sizeof buffer, 2);
      if (got < 0) {
        return true;
      }
      if (got > 0) {
        seen.append(reinterpret_cast<const char*>(buffer), got);
        if (!WriteRaw(*to, std::vector<uint8_t>(buffer, buffer + got))) {
          return true;
        }
      }
    }
    return false;
  });
}

// A relay of the test's own between a sender and the receiver's port, started by the first
// connection of the sender; work gets both plain ends.
class Relay {
 public:
  using Work = std::function<void(std::unique_ptr<platform::IBeamSocket> fromSender,
                                  std::unique_ptr<platform::IBeamSocket> toReceiver)>;

  // Listens for the sender on a port of its own (Port()) and connects to receiverPort.
  Relay(uint16_t receiverPort, Work work) : m_listening(RawTransport()) {
    m_thread = std::thread([this, receiverPort, work = std::move(work)] {
      auto in = AcceptRaw(*m_listening);
      auto toReceiver = RawTransport(receiverPort);
      auto out = ConnectRaw(*toReceiver);
      if (in && out) {
        work(std::move(in), std::move(out));
      }
    });
  }
  ~Relay() { m_thread.join(); }
  Relay(const Relay&) = delete;
  Relay& operator=(const Relay&) = delete;

  uint16_t Port() const { return PortOf(*m_listening); }

 private:
  std::unique_ptr<platform::TcpBeamTransport> m_listening;
  std::thread m_thread;
};

class SecureBeamTest : public ::testing::Test {
 protected:
  // The two devices run the real pairing exchange on loopback; answers the digits each showed.
  std::pair<QString, QString> Pair(const QString& responder, const QString& initiator) {
    QString responderDigits;
    QString initiatorDigits;
    std::atomic<uint16_t> port{0};
    platform::PairingResult responded;
    DeviceThread listening(responder, [&] {
      platform::PairingHooks hooks;
      hooks.listening = [&](const platform::BeamAddress& bound) { port = bound.port; };
      hooks.confirm = [&](const platform::PairingOffer& offer) {
        responderDigits = offer.digits;
        return true;
      };
      responded = platform::PairOverTcp(responder, platform::PairingRole::kResponder,
                                        {kLoopback, 0}, "receiving desk", {}, hooks, 20'000);
    });
    EXPECT_TRUE(WaitUntil([&] { return port != 0; }));
    platform::PairingHooks hooks;
    hooks.confirm = [&](const platform::PairingOffer& offer) {
      initiatorDigits = offer.digits;
      return true;
    };
    const platform::PairingResult initiated =
        platform::PairOverTcp(initiator, platform::PairingRole::kInitiator, {kLoopback, port},
                              "sending cart", {}, hooks, 20'000);
    listening.Join();
    EXPECT_TRUE(initiated.paired) << initiated.error.toStdString();
    EXPECT_TRUE(responded.paired) << responded.error.toStdString();
    return {responderDigits, initiatorDigits};
  }

  // The receiver listens on a port of the system's choice; makeSender gets it and answers the
  // sending side's transport (which may lead through a relay of the test's own).
  using SenderFor = std::function<std::unique_ptr<platform::IBeamTransport>(uint16_t port)>;
  void Transfer(platform::TcpBeamTransport& receiving, const SenderFor& makeSender,
                TransferResult& result) {
    DeviceThread receiver(receiverDir.path(), [&] {
      CBeamEngine engine(result.receiver, receiving, FastTiming());
      result.received = engine.ReceiveBeam();
    });
    std::unique_ptr<platform::IBeamTransport> sending = makeSender(PortOf(receiving));
    DeviceThread sender(senderDir.path(), [&] {
      CBeamEngine engine(result.sender, *sending, FastTiming());
      result.sent = BeamAnn(engine);
    });
    sender.Join();
    receiver.Join();
  }

  SenderFor SecureSender() {
    return [this](uint16_t port) { return SecureTransport(senderDir.path(), port); };
  }

  bool ReceiverHasAnn() {
    bool found = false;
    OnDevice(receiverDir.path(), [&] { found = CDBPatient().FindByName(kAnn); });
    return found;
  }

  TestGuard m_guard;
  QTemporaryDir senderDir;
  QTemporaryDir receiverDir;
};

TEST_F(SecureBeamTest, PairedDevicesShowTheSameDigitsAndThenBeamAPatientOfEveryKindOverTls) {
  const auto [responderDigits, initiatorDigits] = Pair(receiverDir.path(), senderDir.path());
  EXPECT_EQ(responderDigits.size(), 6);
  EXPECT_EQ(responderDigits, initiatorDigits);
  platform::PairedDevices senderList;
  QString error;
  ASSERT_TRUE(senderList.Load(senderDir.path(), error));
  ASSERT_EQ(senderList.Devices().size(), 1u);
  EXPECT_EQ(senderList.Devices()[0].name, "receiving desk");
  EXPECT_EQ(senderList.Devices()[0].pin, SecurityOf(receiverDir.path()).identity.Pin());

  Snapshot sent;
  OnDevice(senderDir.path(), [&] {
    AddPatient("Ann", "Smith");
    AddRecordsOfEveryKind(kAnn, "secure", 2);
    sent = TakeSnapshot(kAnn);
  });
  auto receiving = SecureTransport(receiverDir.path());
  TransferResult result;
  Transfer(*receiving, SecureSender(), result);
  EXPECT_TRUE(result.sent) << result.sender.LastStatus().toStdString();
  EXPECT_TRUE(result.received) << result.receiver.LastStatus().toStdString();
  EXPECT_EQ(result.sender.peer, "receiving desk");
  EXPECT_EQ(result.receiver.peer, "sending cart");
  Snapshot arrived;
  OnDevice(receiverDir.path(), [&] { arrived = TakeSnapshot(kAnn); });
  EXPECT_EQ(sent.RecordCount(), 12u);
  EXPECT_EQ(arrived, sent);
}

TEST_F(SecureBeamTest, AStrangerOrAPlainSenderIsRefusedAndNothingIsFiled) {
  OnDevice(senderDir.path(), [] { AddPatient("Ann", "Smith"); });
  // The sender trusts the receiver, but the receiver never paired with the sender.
  platform::PairedDevices trusted;
  trusted.Put(
      {"desk", SecurityOf(receiverDir.path()).identity.Pin(), QDateTime::currentDateTimeUtc()});
  QString error;
  ASSERT_TRUE(trusted.Save(senderDir.path(), error));
  {
    auto receiving = SecureTransport(receiverDir.path());
    TransferResult result;
    Transfer(*receiving, SecureSender(), result);
    EXPECT_FALSE(result.received);
    EXPECT_FALSE(result.sent);
    EXPECT_TRUE(result.receiver.LastStatus().startsWith("\n127.0.0.1:"))
        << result.receiver.LastStatus().toStdString();
    EXPECT_TRUE(result.receiver.LastStatus().endsWith(" is not a paired device"));
    EXPECT_TRUE(
        result.sender.LastStatus().endsWith(" refused this device: it is not paired with it"))
        << result.sender.LastStatus().toStdString();
  }
  {
    // A sender that speaks plain beam bytes to a secure receiver.
    auto receiving = SecureTransport(receiverDir.path());
    TransferResult result;
    Transfer(
        *receiving,
        [](uint16_t port) {
          platform::TcpBeamSettings plain;
          plain.peers = {{kLoopback, port}};
          return std::make_unique<platform::TcpBeamTransport>(plain);
        },
        result);
    EXPECT_FALSE(result.received);
    EXPECT_TRUE(result.receiver.LastStatus().contains(" did not open a secure connection"))
        << result.receiver.LastStatus().toStdString();
  }
  {
    // A peer that connects and stays silent holds the receiver for the handshake's limit only.
    auto receiving = SecureTransport(receiverDir.path());
    RecordingProgress progress;
    bool received = true;
    DeviceThread receiver(receiverDir.path(), [&] {
      CBeamEngine engine(progress, *receiving, FastTiming());
      received = engine.ReceiveBeam();
    });
    auto silent = ConnectRaw(*RawTransport(PortOf(*receiving)));
    receiver.Join();
    EXPECT_FALSE(received);
    EXPECT_TRUE(
        progress.LastStatus().endsWith(" did not complete the secure connection within 5 "
                                       "seconds"))
        << progress.LastStatus().toStdString();
  }
  EXPECT_FALSE(ReceiverHasAnn());
}

TEST_F(SecureBeamTest, ARelayWithItsOwnCertificateStopsBothEndsBeforeAnyRecordByte) {
  Pair(receiverDir.path(), senderDir.path());
  OnDevice(senderDir.path(), [] { AddPatient("Ann", "Smith"); });
  QTemporaryDir relayDir;
  const platform::BeamSecurity relayKey = SecurityOf(relayDir.path());
  Opening senderSide = Opening::kPending;
  Opening receiverSide = Opening::kPending;
  std::unique_ptr<Relay> relay;
  auto receiving = SecureTransport(receiverDir.path());
  TransferResult result;
  Transfer(
      *receiving,
      [&](uint16_t receiverPort) {
        relay = std::make_unique<Relay>(receiverPort, [&](auto fromSender, auto toReceiver) {
          platform::SecureBeamSocket sender(std::move(fromSender), relayKey,
                                            platform::SecureRole::kServer,
                                            platform::PeerCheck::kAny);
          platform::SecureBeamSocket receiver(std::move(toReceiver), relayKey,
                                              platform::SecureRole::kClient,
                                              platform::PeerCheck::kAny);
          senderSide = OpenFully(sender);
          receiverSide = OpenFully(receiver);
        });
        return SecureTransport(senderDir.path(), relay->Port());
      },
      result);
  relay.reset();
  // Each end refused the relay's key, and told the relay so before a record could pass.
  EXPECT_EQ(senderSide, Opening::kRefused);
  EXPECT_EQ(receiverSide, Opening::kRefused);
  EXPECT_TRUE(result.sender.LastStatus().endsWith(" is not a paired device"))
      << result.sender.LastStatus().toStdString();
  EXPECT_TRUE(result.receiver.LastStatus().endsWith(" is not a paired device"))
      << result.receiver.LastStatus().toStdString();
  EXPECT_FALSE(ReceiverHasAnn());
}

TEST_F(SecureBeamTest, TheBytesOnTheWireNeverShowAPatientsNameUnlessTheBeamIsPlain) {
  Pair(receiverDir.path(), senderDir.path());
  OnDevice(senderDir.path(), [] {
    AddPatient("Ann", "Smith");
    AddRecordsOfEveryKind(kAnn, "private");
  });
  const auto wireOf = [&](bool secure) {
    std::unique_ptr<platform::TcpBeamTransport> receiving =
        secure ? SecureTransport(receiverDir.path()) : RawTransport();
    QByteArray seen;
    std::unique_ptr<Relay> relay;
    TransferResult result;
    Transfer(
        *receiving,
        [&](uint16_t receiverPort) -> std::unique_ptr<platform::IBeamTransport> {
          relay = std::make_unique<Relay>(receiverPort,
                                          [&](auto in, auto out) { Forward(*in, *out, seen); });
          return secure ? SecureTransport(senderDir.path(), relay->Port())
                        : RawTransport(relay->Port());
        },
        result);
    relay.reset();
    EXPECT_TRUE(result.received) << result.receiver.LastStatus().toStdString();
    return seen;
  };
  const auto showsName = [](const QByteArray& wire) {
    const QString name = QStringLiteral("Smith");
    const QByteArray utf16(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
    return wire.contains(name.toUtf8()) || wire.contains(utf16);
  };
  EXPECT_TRUE(showsName(wireOf(false)));  // what a relay reads of a plain beam
  const QByteArray secureWire = wireOf(true);
  EXPECT_GT(secureWire.size(), 1000);
  EXPECT_FALSE(showsName(secureWire));
}

TEST_F(SecureBeamTest, ARelayInThePairingMakesTheDigitsDiffer) {
  QTemporaryDir relayDir;
  const platform::BeamSecurity relayKey = SecurityOf(relayDir.path());
  std::atomic<uint16_t> port{0};
  QString responderDigits;
  DeviceThread listening(receiverDir.path(), [&] {
    platform::PairingHooks hooks;
    hooks.listening = [&](const platform::BeamAddress& bound) { port = bound.port; };
    hooks.confirm = [&](const platform::PairingOffer& offer) {
      responderDigits = offer.digits;
      return false;
    };
    platform::PairOverTcp(receiverDir.path(), platform::PairingRole::kResponder, {kLoopback, 0},
                          "desk", {}, hooks, 20'000);
  });
  ASSERT_TRUE(WaitUntil([&] { return port != 0; }));
  Relay relay(port, [&](auto fromInitiator, auto toResponder) {
    platform::SecureBeamSocket initiator(std::move(fromInitiator), relayKey,
                                         platform::SecureRole::kServer, platform::PeerCheck::kAny);
    platform::SecureBeamSocket responder(std::move(toResponder), relayKey,
                                         platform::SecureRole::kClient, platform::PeerCheck::kAny);
    QByteArray seen;
    if (OpenFully(initiator) == Opening::kReady && OpenFully(responder) == Opening::kReady) {
      Forward(initiator, responder, seen);
    }
  });
  QString initiatorDigits;
  platform::PairingHooks hooks;
  hooks.confirm = [&](const platform::PairingOffer& offer) {
    initiatorDigits = offer.digits;
    return false;
  };
  const platform::PairingResult result =
      platform::PairOverTcp(senderDir.path(), platform::PairingRole::kInitiator,
                            {kLoopback, relay.Port()}, "cart", {}, hooks, 20'000);
  listening.Join();
  EXPECT_FALSE(result.paired);
  ASSERT_EQ(initiatorDigits.size(), 6);
  ASSERT_EQ(responderDigits.size(), 6);
  EXPECT_NE(initiatorDigits, responderDigits);
}

TEST_F(SecureBeamTest, ANonceThatDoesNotMatchItsCommitmentOrAClosedWindowPairsNothing) {
  auto responding = RawTransport();
  const platform::BeamSecurity cheat = SecurityOf(receiverDir.path());
  std::thread cheater([&] {
    platform::SecureBeamSocket socket(AcceptRaw(*responding), cheat, platform::SecureRole::kServer,
                                      platform::PeerCheck::kAny);
    // Commits to the hash of one nonce (all zero bytes), then reveals another.
    const QByteArray committed =
        QCryptographicHash::hash(QByteArray(32, '\0'), QCryptographicHash::Sha256);
    QByteArray helloBytes = QByteArrayLiteral("\x01") + committed;
    helloBytes.append(char{4}).append(char{0}).append("evil");
    const std::vector<uint8_t> hello(helloBytes.begin(), helloBytes.end());
    std::vector<uint8_t> theirs;
    const size_t cartHello = 1 + 32 + 2 + std::strlen("cart 12345");
    if (OpenFully(socket) == Opening::kReady && WriteRaw(socket, hello) &&
        ReadRaw(socket, cartHello, theirs)) {
      WriteRaw(socket, std::vector<uint8_t>(32, 1));
      ReadRaw(socket, 1, theirs);
    }
  });
  const uint16_t port = PortOf(*responding);
  bool asked = false;
  platform::PairingHooks hooks;
  hooks.confirm = [&](const platform::PairingOffer&) { return asked = true; };
  const platform::PairingResult result =
      platform::PairOverTcp(senderDir.path(), platform::PairingRole::kInitiator, {kLoopback, port},
                            "cart 12345", {}, hooks, 20'000);
  cheater.join();
  EXPECT_FALSE(result.paired);
  EXPECT_FALSE(asked);
  EXPECT_TRUE(result.error.contains("does not match its commitment")) << result.error.toStdString();

  const platform::PairingResult alone = platform::PairOverTcp(
      senderDir.path(), platform::PairingRole::kResponder, {kLoopback, 0}, "cart", {}, hooks, 300);
  EXPECT_FALSE(alone.paired);
  EXPECT_TRUE(alone.error.startsWith("The pairing window closed")) << alone.error.toStdString();
  platform::PairedDevices list;
  QString error;
  ASSERT_TRUE(list.Load(senderDir.path(), error));
  EXPECT_TRUE(list.Devices().empty());
}

}  // namespace
