// The whole receiving side of a transfer, fed by a sender whose bytes are the input: the header,
// record frames, patient blocks, category blocks. When the input is spent the connection closes;
// the clock steps on every read so that the waits of the protocol end at once.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzDevice.h"
#include "beam/CBeamEngine.h"
#include "common/CDBPatient.h"
#include "platform/Clock.h"

namespace {

class ScriptedSocket : public platform::IBeamSocket {
 public:
  ScriptedSocket(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  ptrdiff_t Send(const uint8_t*, size_t length, int) override {
    return static_cast<ptrdiff_t>(length);
  }
  ptrdiff_t Receive(uint8_t* out, size_t length, int) override {
    if (m_offset >= m_size) {
      return -1;
    }
    // Small pieces, as a slow link delivers them.
    const size_t count = std::min({length, m_size - m_offset, size_t{7}});
    std::memcpy(out, m_data + m_offset, count);
    m_offset += count;
    return static_cast<ptrdiff_t>(count);
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_offset = 0;
};

class OneSender : public platform::IBeamTransport, public platform::IBeamListener {
 public:
  OneSender(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  std::unique_ptr<platform::IBeamConnector> CreateConnector() override { return nullptr; }
  std::unique_ptr<platform::IBeamListener> Listen() override {
    return std::make_unique<Forward>(*this);
  }
  std::unique_ptr<platform::IBeamSocket> Accept() override {
    return std::make_unique<ScriptedSocket>(m_data, m_size);
  }

 private:
  struct Forward : platform::IBeamListener {
    explicit Forward(OneSender& owner) : owner(owner) {}
    std::unique_ptr<platform::IBeamSocket> Accept() override { return owner.Accept(); }
    OneSender& owner;
  };
  const uint8_t* m_data;
  size_t m_size;
};

class SilentProgress : public IBeamProgress {
 public:
  bool SetStatus(const QString&, bool) override { return false; }
  void SetItemProgress(uint32_t, uint32_t) override {}
  void SetOverallProgress(uint32_t, uint32_t) override {}
  void SetOverallText(const QString&) override {}
  bool IsCancelled() override { return false; }
  void WaitForDone() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDevice device;
  static bool ready =
      (FuzzQuietQt(), clock_source::Fix(filetime::FromTicks(130'000'000'000'000'000ull)),
       clock_source::SetStepPerRead(1000), true);
  static_cast<void>(ready);
  device.Next();
  OneSender sender(data, size);
  SilentProgress progress;
  CBeamEngine::Timing timing;
  timing.pollPauseMs = 0;
  timing.ioWaitMs = 0;
  timing.sleep = [](int) {};
  CBeamEngine engine(progress, sender, timing);
  engine.ReceiveBeam();
  CDBPatient::ClearReadOnlyCache();
  return 0;
}
