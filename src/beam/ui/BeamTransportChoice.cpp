#include "beam/ui/BeamTransportChoice.h"

#include "platform/BeamTransportTcp.h"

namespace beam_ui {
namespace {

TransportFactory& Factory() {
  static TransportFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<platform::IBeamTransport> MakeTransport() {
  if (Factory()) {
    return Factory()();
  }
  return std::make_unique<platform::TcpBeamTransport>(platform::TcpBeamSettings::FromRegistry());
}

void SetTransportFactory(TransportFactory factory) {
  Factory() = std::move(factory);
}

}  // namespace beam_ui
