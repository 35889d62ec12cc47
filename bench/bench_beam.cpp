// Beaming one patient with many records over TCP on loopback, next to what bounds it, all in one
// run: (a) a bare TCP ping-pong of the same frame sizes (the protocol waits for one
// acknowledgement per record) and (b) the store's durable single-record add (the receiver files
// each record before it acknowledges it). The figure that matters is the ratio of the beam's time
// per record to (a) + (b), and that the receiver's memory does not grow with the record count.
//
// The records are lab results, notes, tests and vital signs, each at its own time, so that the
// receiver's match for each record is one keyed lookup.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sqlite3.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "beam/CBeamEngine.h"
#include "common/CDBPatient.h"
#include "platform/BeamTransportTcp.h"
#include "platform/Device.h"
#include "store/CDBLabValues.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBVitals.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kKinds[] = {2, 4, 5, 7};

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

// Resident memory of the process, in KiB.
long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Heap in use outside SQLite (whose page caches are bounded per connection), in KiB.
long HeapKiB() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long>((info.uordblks - static_cast<size_t>(sqlite3_memory_used())) / 1024);
}

FILETIME Minute(int index) {
  SYSTEMTIME parts;
  parts.wYear = 2023;
  parts.wMonth = 1;
  parts.wDay = 1;
  FILETIME base;
  filetime::FromSystemTime(parts, base);
  return filetime::FromTicks(filetime::ToTicks(base) +
                             static_cast<uint64_t>(index) * 60 * filetime::kTicksPerSecond);
}

// Adds record number index of the patient, of kind kKinds[index % 4]; received records keep a
// desktop identifier, as synchronised ones do.
bool AddRecord(const QString& patient, int index, bool received) {
  const FILETIME when = Minute(index);
  const QString text = QStringLiteral("entry %1 with a little text to carry").arg(index);
  const auto fill = [&](CDBDatedStore& store) {
    store.patient = patient;
    store.date = store.time = store.timeStamp = when;
    store.desktopId = received ? index + 1 : 0;
    store.accessState = received ? 2 : 0;
  };
  switch (kKinds[index % 4]) {
    case 2: {
      CDBLabValues labs;
      fill(labs);
      labs.group = text;
      labs.values = QStringLiteral("Na\n140\nK\n4.1\nCl\n101\n");
      return labs.AddNew(received);
    }
    case 4: {
      CDBNotes notes;
      fill(notes);
      notes.noteText = text;
      notes.subjective = QStringLiteral("Feels better today, slept well.");
      notes.assessmentPlan = QStringLiteral("Continue current plan.");
      return notes.AddNew(received);
    }
    case 5: {
      CDBTest tests;
      fill(tests);
      tests.test = text;
      tests.result = QStringLiteral("normal");
      return tests.AddNew(received);
    }
    default: {
      CDBVitals vitals;
      fill(vitals);
      vitals.values = QStringLiteral("BP\n120/80\nHR\n72\nT\n36.8\n");
      return vitals.AddNew(received);
    }
  }
}

QString Seed(const QString& folder, const QString& first, int records) {
  platform::Device device(folder);
  device.Prepare();
  platform::DeviceScope scope(device);
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = QStringLiteral("Bench");
  patient.patientType = QStringLiteral("Hospital");
  patient.CreateRecord(false);
  for (int i = 0; i < records; ++i) {
    AddRecord(patient.name, i, false);
  }
  return patient.name;
}

class QuietProgress : public IBeamProgress {
 public:
  bool SetStatus(const QString& text, bool error) override {
    last = text;
    failed = failed || error;
    return false;
  }
  void SetItemProgress(uint32_t, uint32_t) override {
    if (sampleMemory && ++steps % 64 == 0) {
      peakKiB = std::max(peakKiB, ResidentKiB());
      peakHeapKiB = std::max(peakHeapKiB, HeapKiB());
    }
  }
  void SetOverallProgress(uint32_t, uint32_t) override {}
  void SetOverallText(const QString&) override {}
  bool IsCancelled() override { return false; }
  void WaitForDone() override {}

  QString last;
  bool failed = false;
  bool sampleMemory = false;
  long steps = 0;
  long peakKiB = 0;
  long peakHeapKiB = 0;
};

struct BeamRun {
  double seconds = 0;
  bool ok = false;
  long memoryGrowthKiB = 0;  // resident, SQLite's caches included
  long heapGrowthKiB = 0;    // the heap outside SQLite
};

// Beams the patient from one folder to a fresh one over loopback.
BeamRun Beam(const QString& senderFolder, const QString& patient) {
  QTemporaryDir receiverFolder;
  platform::TcpBeamSettings listen;
  listen.listen = {QStringLiteral("127.0.0.1"), 0};
  platform::TcpBeamTransport receiving(listen);
  QuietProgress receiverProgress;
  QuietProgress senderProgress;
  receiverProgress.sampleMemory = true;
  bool received = false;
  bool sent = false;
  long startKiB = 0;

  const Clock::time_point start = Clock::now();
  std::thread receiver([&] {
    platform::Device device(receiverFolder.path());
    device.Prepare();
    platform::DeviceScope scope(device);
    CBeamEngine engine(receiverProgress, receiving);
    received = engine.ReceiveBeam();
  });
  while (receiving.ListeningPort() == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  startKiB = ResidentKiB();
  const long startHeapKiB = HeapKiB();
  receiverProgress.peakKiB = startKiB;
  receiverProgress.peakHeapKiB = startHeapKiB;
  platform::TcpBeamSettings peers;
  peers.peers = {{QStringLiteral("127.0.0.1"), receiving.ListeningPort()}};
  platform::TcpBeamTransport sending(peers);
  std::thread sender([&] {
    platform::Device device(senderFolder);
    platform::DeviceScope scope(device);
    CBeamEngine engine(senderProgress, sending);
    CBeamRecord record;
    CBeamEngine::Socket socket = engine.OpenBeam(beam::kPatientTransfer, 0, false);
    sent = record.FindPatient(patient) && socket && engine.BeamRecord(*socket, record);
  });
  sender.join();
  receiver.join();
  BeamRun run;
  run.seconds = Seconds(Clock::now() - start);
  run.ok = sent && received;
  run.memoryGrowthKiB = receiverProgress.peakKiB - startKiB;
  run.heapGrowthKiB = receiverProgress.peakHeapKiB - startHeapKiB;
  return run;
}

// Frame sizes of the patient's records, as the sender sends them.
std::vector<size_t> FrameSizes(const QString& folder, const QString& patient) {
  platform::Device device(folder);
  platform::DeviceScope scope(device);
  std::vector<size_t> sizes;
  CBeamRecord record;
  std::vector<uint8_t> bytes;
  for (uint8_t kind : kKinds) {
    for (bool found = record.FirstOf(kind, patient); found; found = record.NextOf(kind, patient)) {
      record.SerializeRecord(bytes);
      sizes.push_back(bytes.size());
    }
  }
  return sizes;
}

bool SendFully(int fd, const uint8_t* data, size_t length) {
  while (length > 0) {
    const ssize_t sent = ::send(fd, data, length, MSG_NOSIGNAL);
    if (sent <= 0) {
      return false;
    }
    data += sent;
    length -= static_cast<size_t>(sent);
  }
  return true;
}

bool ReceiveFully(int fd, uint8_t* data, size_t length) {
  while (length > 0) {
    const ssize_t got = ::recv(fd, data, length, 0);
    if (got <= 0) {
      return false;
    }
    data += got;
    length -= static_cast<size_t>(got);
  }
  return true;
}

// (a): each frame as the engine sends it (the length, then the bytes) answered by four bytes.
double PingPongSeconds(const std::vector<size_t>& sizes) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(listener, 1);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  const int on = 1;

  std::thread server([&] {
    const int fd = ::accept(listener, nullptr, nullptr);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::vector<uint8_t> buffer;
    uint8_t head[4];
    const uint8_t ack[4] = {1, 0, 0, 0};
    while (ReceiveFully(fd, head, 4)) {
      buffer.resize(static_cast<size_t>(head[0] | head[1] << 8 | head[2] << 16) |
                    static_cast<size_t>(head[3]) << 24);
      if (!ReceiveFully(fd, buffer.data(), buffer.size()) || !SendFully(fd, ack, 4)) {
        break;
      }
    }
    ::close(fd);
  });
  const int client = ::socket(AF_INET, SOCK_STREAM, 0);
  ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
  std::vector<uint8_t> frame;
  uint8_t ack[4];
  const Clock::time_point start = Clock::now();
  for (size_t length : sizes) {
    frame.assign(length, 0x5A);
    const uint8_t head[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                             static_cast<uint8_t>(length >> 16),
                             static_cast<uint8_t>(length >> 24)};
    SendFully(client, head, 4);
    SendFully(client, frame.data(), frame.size());
    ReceiveFully(client, ack, 4);
  }
  const double seconds = Seconds(Clock::now() - start);
  ::close(client);
  server.join();
  ::close(listener);
  return seconds;
}

// (b): records of the same kinds added one by one, durably, to a fresh device as received
// records.
double DurableAddSeconds(const QString& patient, int records) {
  QTemporaryDir folder;
  platform::Device device(folder.path());
  device.Prepare();
  platform::DeviceScope scope(device);
  AddRecord(patient, 0, true);  // creates the databases outside the measurement
  AddRecord(patient, 1, true);
  AddRecord(patient, 2, true);
  AddRecord(patient, 3, true);
  const Clock::time_point start = Clock::now();
  for (int i = 4; i < records + 4; ++i) {
    AddRecord(patient, i, true);
  }
  return Seconds(Clock::now() - start);
}

void BM_BeamPatient(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  QTemporaryDir senderFolder;
  const QString small = Seed(senderFolder.path(), QStringLiteral("Small"), records / 5);
  const QString big = Seed(senderFolder.path(), QStringLiteral("Big"), records);
  const std::vector<size_t> sizes = FrameSizes(senderFolder.path(), big);

  for (auto _ : state) {
    const BeamRun smallRun = Beam(senderFolder.path(), small);
    const BeamRun bigRun = Beam(senderFolder.path(), big);
    const double pingPong = PingPongSeconds(sizes);
    const int adds = std::min(records, 1000);
    const double add = DurableAddSeconds(big, adds);
    state.SetIterationTime(bigRun.seconds);
    if (!smallRun.ok || !bigRun.ok) {
      state.SkipWithError("a transfer failed");
      return;
    }
    const double perRecord = bigRun.seconds / records;
    const double bound = pingPong / records + add / adds;
    state.counters["records_per_s"] = records / bigRun.seconds;
    state.counters["beam_us_per_record"] = perRecord * 1e6;
    state.counters["pingpong_us"] = pingPong / records * 1e6;
    state.counters["durable_add_us"] = add / adds * 1e6;
    state.counters["ratio_to_a_plus_b"] = perRecord / bound;
    state.counters["rss_growth_kib_small"] = static_cast<double>(smallRun.memoryGrowthKiB);
    state.counters["rss_growth_kib_big"] = static_cast<double>(bigRun.memoryGrowthKiB);
    state.counters["heap_growth_kib_small"] = static_cast<double>(smallRun.heapGrowthKiB);
    state.counters["heap_growth_kib_big"] = static_cast<double>(bigRun.heapGrowthKiB);
  }
}
BENCHMARK(BM_BeamPatient)->Arg(5000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
