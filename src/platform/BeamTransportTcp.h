#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/BeamTransport.h"

// The beam transport over TCP, standing in for the infrared link of the hand-held. The receiving
// device listens on one address (by default 127.0.0.1 and the service's fixed port 47365); the
// sending device probes its configured peers (by default the same address) and connects to the
// first that accepts. Two device folders on one machine therefore beam to each other without any
// setting. The addresses come from the device registry (see TcpBeamSettings) or are given by the
// caller.
namespace platform {

struct BeamAddress {
  QString host;
  uint16_t port = 0;

  friend bool operator==(const BeamAddress&, const BeamAddress&) = default;
};

// "HOST:PORT" or "[IPV6]:PORT"; the port 0-65535 (0 = any free port, for a listener). False, with
// out unchanged, for anything else.
bool ParseBeamAddress(const QString& text, BeamAddress& out);
QString FormatBeamAddress(const BeamAddress& address);

struct TcpBeamSettings {
  static constexpr uint16_t kDefaultPort = 47365;
  // HKEY_LOCAL_MACHINE key whose REG_SZ values "Listen" ("HOST:PORT") and "Peers" (addresses
  // separated by commas or blanks) replace the defaults.
  static constexpr const char* kRegistryKey = "Software\\Apps\\Quillfen, Inc. Ovelin\\Beam";

  BeamAddress listen{QStringLiteral("127.0.0.1"), kDefaultPort};
  std::vector<BeamAddress> peers{{QStringLiteral("127.0.0.1"), kDefaultPort}};
  // A connection to or from an address that is not loopback always runs over TLS with a paired
  // device (see BeamTransportSecure.h); the REG_DWORD "Secure" = 1 asks the same of loopback.
  bool secureLoopback = false;
  // The device folder whose identity and paired list a secure connection uses.
  QString deviceFolder;
  // Every connection is handed over plain, whatever its address: the caller secures it itself
  // (pairing, which accepts keys that are not yet paired).
  bool callerSecures = false;

  // The defaults, with what the current device's registry sets (and the current device's
  // folder); a value that does not parse leaves its default.
  static TcpBeamSettings FromRegistry();
  // A list of addresses separated by commas or blanks; false when one does not parse or the list
  // is empty.
  static bool ParsePeers(const QString& text, std::vector<BeamAddress>& out);
};

class TcpBeamTransport : public IBeamTransport {
 public:
  explicit TcpBeamTransport(TcpBeamSettings settings);

  // Resolves the peers; nullptr when none of them resolves.
  std::unique_ptr<IBeamConnector> CreateConnector() override;
  // Binds the listen address with a backlog of one; nullptr when that fails. The listener
  // accepts one connection at a time.
  std::unique_ptr<IBeamListener> Listen() override;

  // The port that the most recent listener is bound to (the chosen one when the settings say 0);
  // 0 before the first successful Listen.
  uint16_t ListeningPort() const { return m_listeningPort.load(); }
  const TcpBeamSettings& Settings() const { return m_settings; }

 private:
  TcpBeamSettings m_settings;
  std::atomic<uint16_t> m_listeningPort{0};
};

}  // namespace platform
