#pragma once

#include <functional>
#include <memory>

#include "platform/BeamTransport.h"

// The transport over which the program's beam commands reach the other device: TCP with the
// addresses of the device's registry, unless a test put another in its place.
namespace beam_ui {

using TransportFactory = std::function<std::unique_ptr<platform::IBeamTransport>()>;

// A fresh transport for one transfer.
std::unique_ptr<platform::IBeamTransport> MakeTransport();
// Replaces the TCP transport (empty = TCP again).
void SetTransportFactory(TransportFactory factory);

}  // namespace beam_ui
