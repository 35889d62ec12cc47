// The stream transports by themselves: addresses and settings, TCP discovery and moves on
// loopback, and the in-memory link's cut, stall and chunking.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "beam/BeamTestSupport.h"
#include "platform/Registry.h"
#include "support/Ports.h"
#include "support/TempDevice.h"

using namespace beam_test;
using platform::BeamAddress;
using platform::IBeamConnector;
using Direction = platform::MemoryBeamTransport::Direction;

namespace {

// Connects a connector by discovery and accepts the other end.
struct Connection {
  std::unique_ptr<platform::IBeamSocket> sender;
  std::unique_ptr<platform::IBeamSocket> receiver;
};

Connection Join(platform::IBeamConnector& connector, platform::IBeamListener& listener) {
  Connection connection;
  WaitUntil([&] { return connector.Discover() == IBeamConnector::Probe::kFound; }, 5000);
  connection.sender = connector.Connect();
  WaitUntil([&] { return (connection.receiver = listener.Accept()) != nullptr; }, 5000);
  return connection;
}

TEST(BeamAddressText, ParsesHostAndPortForms) {
  BeamAddress address;
  ASSERT_TRUE(platform::ParseBeamAddress("127.0.0.1:47365", address));
  EXPECT_EQ(address, (BeamAddress{"127.0.0.1", 47365}));
  ASSERT_TRUE(platform::ParseBeamAddress(" localhost:0 ", address));
  EXPECT_EQ(address, (BeamAddress{"localhost", 0}));
  ASSERT_TRUE(platform::ParseBeamAddress("[::1]:9000", address));
  EXPECT_EQ(address, (BeamAddress{"::1", 9000}));
  EXPECT_EQ(platform::FormatBeamAddress(address), "[::1]:9000");
  for (const char* bad : {"", "127.0.0.1", "127.0.0.1:", ":80", "host:65536", "host:-1", "host:80x",
                          "::1:80", "a b:80"}) {
    EXPECT_FALSE(platform::ParseBeamAddress(bad, address)) << bad;
  }
  EXPECT_EQ(address, (BeamAddress{"::1", 9000}));  // untouched by a failed parse
}

TEST(BeamSettings, DefaultsAndRegistryOverrides) {
  TempDevice device;
  platform::TcpBeamSettings defaults = platform::TcpBeamSettings::FromRegistry();
  EXPECT_EQ(defaults.listen, (BeamAddress{"127.0.0.1", 47365}));
  ASSERT_EQ(defaults.peers.size(), 1u);
  EXPECT_EQ(defaults.peers[0], (BeamAddress{"127.0.0.1", 47365}));

  platform::RegistryKey key;
  ASSERT_TRUE(key.Create(platform::Hive::LocalMachine,
                         QString::fromLatin1(platform::TcpBeamSettings::kRegistryKey)));
  key.SetString("Listen", "0.0.0.0:5000");
  key.SetString("Peers", "10.1.1.2:5000, 127.0.0.1:5001");
  platform::TcpBeamSettings set = platform::TcpBeamSettings::FromRegistry();
  EXPECT_EQ(set.listen, (BeamAddress{"0.0.0.0", 5000}));
  ASSERT_EQ(set.peers.size(), 2u);
  EXPECT_EQ(set.peers[1], (BeamAddress{"127.0.0.1", 5001}));

  // A value that does not parse leaves the default.
  key.SetString("Listen", "nonsense");
  key.SetString("Peers", "127.0.0.1:1 bad");
  platform::TcpBeamSettings bad = platform::TcpBeamSettings::FromRegistry();
  EXPECT_EQ(bad.listen, defaults.listen);
  EXPECT_EQ(bad.peers, defaults.peers);
}

TEST(TcpBeamTransport, DiscoversTheFirstPeerThatListensAndMovesBytesBothWays) {
  platform::TcpBeamSettings receiving;
  receiving.listen = {"127.0.0.1", 0};
  platform::TcpBeamTransport receiverSide(receiving);
  std::unique_ptr<platform::IBeamListener> listener = receiverSide.Listen();
  ASSERT_TRUE(listener);
  ASSERT_NE(receiverSide.ListeningPort(), 0);
  // Only one listener at a time on the service address.
  platform::TcpBeamSettings same;
  same.listen = {"127.0.0.1", receiverSide.ListeningPort()};
  EXPECT_FALSE(platform::TcpBeamTransport(same).Listen());

  platform::TcpBeamSettings sending;
  const test_ports::RefusingPort nobody;
  sending.peers = {{"127.0.0.1", nobody.Number()}, {"127.0.0.1", receiverSide.ListeningPort()}};
  platform::TcpBeamTransport senderSide(sending);
  std::unique_ptr<IBeamConnector> connector = senderSide.CreateConnector();
  ASSERT_TRUE(connector);
  Connection connection = Join(*connector, *listener);
  ASSERT_TRUE(connection.sender && connection.receiver);
  EXPECT_FALSE(listener->Accept());  // one connection only

  const uint8_t out[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(connection.sender->Send(out, sizeof out, 100), 5);
  std::vector<uint8_t> in;
  ASSERT_TRUE(ReadRaw(*connection.receiver, 5, in));
  EXPECT_EQ(in, std::vector<uint8_t>(out, out + 5));
  EXPECT_EQ(connection.receiver->Send(out, 2, 100), 2);
  ASSERT_TRUE(ReadRaw(*connection.sender, 2, in));
  // Nothing to read: the move waits its time and moves nothing.
  uint8_t byte = 0;
  EXPECT_EQ(connection.receiver->Receive(&byte, 1, 1), 0);
  // A closed peer is reported as broken, on both moves.
  connection.sender.reset();
  EXPECT_TRUE(WaitUntil([&] { return connection.receiver->Receive(&byte, 1, 5) < 0; }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return connection.receiver->Send(out, 1, 5) < 0; }, 5000));
}

TEST(TcpBeamTransport, NoPeerListeningFindsNothing) {
  platform::TcpBeamSettings settings;
  const test_ports::RefusingPort nobody;
  settings.peers = {{"127.0.0.1", nobody.Number()}};
  platform::TcpBeamTransport transport(settings);
  std::unique_ptr<IBeamConnector> connector = transport.CreateConnector();
  ASSERT_TRUE(connector);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(connector->Discover(), IBeamConnector::Probe::kNone);
  }
  EXPECT_FALSE(connector->Connect());
}

TEST(MemoryBeamTransport, CutKeepsWhatWasDeliveredThenBreaksBothEnds) {
  platform::MemoryBeamTransport link;
  link.CutAfter(Direction::kToReceiver, 3);
  std::unique_ptr<platform::IBeamListener> listener = link.Listen();
  std::unique_ptr<IBeamConnector> connector = link.CreateConnector();
  Connection connection = Join(*connector, *listener);
  ASSERT_TRUE(connection.sender && connection.receiver);

  const uint8_t out[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(connection.sender->Send(out, 5, 1), 3);
  EXPECT_TRUE(link.IsCut());
  EXPECT_EQ(connection.sender->Send(out, 1, 1), -1);
  EXPECT_EQ(connection.receiver->Send(out, 1, 1), -1);
  uint8_t in[5] = {};
  EXPECT_EQ(connection.receiver->Receive(in, 5, 1), 3);
  EXPECT_EQ(in[2], 3);
  EXPECT_EQ(connection.receiver->Receive(in, 5, 1), -1);
}

TEST(MemoryBeamTransport, StallAndChunkLimitHoldBytesBack) {
  platform::MemoryBeamTransport link;
  link.StallAfter(Direction::kToSender, 2);
  link.SetChunkLimit(4);
  std::unique_ptr<platform::IBeamListener> listener = link.Listen();
  std::unique_ptr<IBeamConnector> connector = link.CreateConnector();
  Connection connection = Join(*connector, *listener);
  ASSERT_TRUE(connection.sender && connection.receiver);

  const uint8_t out[] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(connection.sender->Send(out, 6, 1), 4);
  EXPECT_EQ(connection.receiver->Send(out, 6, 1), 2);
  EXPECT_EQ(connection.receiver->Send(out, 6, 1), 0);  // stalled, still open
  EXPECT_FALSE(link.IsCut());
  EXPECT_EQ(link.Delivered(Direction::kToReceiver), 4u);
  uint8_t in[6] = {};
  EXPECT_EQ(connection.sender->Receive(in, 6, 1), 2);
  EXPECT_EQ(connection.sender->Receive(in, 6, 1), 0);
  // Closing one end breaks the other once it has read what was sent.
  connection.sender.reset();
  EXPECT_EQ(connection.receiver->Receive(in, 6, 1), 4);
  EXPECT_EQ(connection.receiver->Receive(in, 6, 1), -1);
}

}  // namespace
