// Two processes on one device folder: this test program starts a copy of itself as the second
// process. The copy sees OVELIN_TEST_HELPER in its environment, does the helper's work before any
// test runs and exits with a code that tells the parent what it saw.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "support/TempDevice.h"

extern char** environ;

using platform::PropertyDatabase;
using platform::Record;
using platform::RecordId;

namespace {

constexpr platform::PropId kKey = 1;
constexpr int kPerProcess = 60;

enum HelperExit { kOk = 0, kNotCreated = 3, kFailed = 4 };

Record KeyRecord(const QString& key) {
  Record record;
  record.Add(kKey, key);
  return record;
}

// Blocks until the parent writes a byte to the pipe it named, so that both start together.
void WaitForGo() {
  const char* fd = std::getenv("OVELIN_TEST_GO_FD");
  if (fd) {
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(std::atoi(fd), &byte, 1);
  }
}

int RunHelper(const std::string& action, const QString& folder) {
  platform::Device device(folder);
  platform::DeviceScope scope(device);
  WaitForGo();
  if (action == "create") {
    return PropertyDatabase::Create("Race", {{kKey, true}}) ? kOk : kNotCreated;
  }
  if (action == "add") {
    PropertyDatabase db;
    if (!db.Open("Shared") || db.SeekEqual("parent before") == 0) {
      return kFailed;  // the parent's committed record must be visible
    }
    for (int i = 0; i < kPerProcess; ++i) {
      if (db.Add(KeyRecord(QStringLiteral("child %1").arg(i))) == 0) {
        return kFailed;
      }
    }
    return kOk;
  }
  return kFailed;
}

// Runs before main when this program was started as the helper.
[[maybe_unused]] const bool kHelperDone = [] {
  const char* action = std::getenv("OVELIN_TEST_HELPER");
  const char* folder = std::getenv("OVELIN_TEST_FOLDER");
  if (action && folder) {
    std::_Exit(RunHelper(action, QString::fromLocal8Bit(folder)));
  }
  return true;
}();

// A running copy of this program acting as the helper.
class Helper {
 public:
  Helper(const std::string& action, const QString& folder, bool waitForGo) {
    int fds[2] = {-1, -1};
    if (waitForGo && ::pipe(fds) != 0) {
      return;
    }
    // Everything the child needs is made before fork: after it only exec runs.
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
      environment.emplace_back(*entry);
    }
    environment.push_back("OVELIN_TEST_HELPER=" + action);
    environment.push_back("OVELIN_TEST_FOLDER=" + folder.toLocal8Bit().toStdString());
    if (waitForGo) {
      environment.push_back("OVELIN_TEST_GO_FD=" + std::to_string(fds[0]));
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
      envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    char name[] = "helper";
    char* argv[] = {name, nullptr};
    m_pid = ::fork();
    if (m_pid == 0) {
      ::execve("/proc/self/exe", argv, envp.data());
      ::_exit(127);
    }
    if (waitForGo) {
      ::close(fds[0]);
      m_go = fds[1];
    }
  }
  ~Helper() {
    if (m_go >= 0) {
      ::close(m_go);
    }
    if (m_pid > 0 && m_exit < 0) {
      Wait();
    }
  }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

  bool Started() const { return m_pid > 0; }
  void Go() {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_go, &byte, 1);
  }
  // The helper's exit code, -1 when it did not exit normally.
  int Wait() {
    int status = 0;
    if (::waitpid(m_pid, &status, 0) == m_pid && WIFEXITED(status)) {
      m_exit = WEXITSTATUS(status);
    }
    return m_exit;
  }

 private:
  pid_t m_pid = -1;
  int m_go = -1;
  int m_exit = -1;
};

TEST(TwoProcesses, BothAddAtOnceAndEachSeesTheOthersCommittedRecords) {
  TempDevice device;
  ASSERT_TRUE(PropertyDatabase::Create("Shared", {{kKey, true}}));
  PropertyDatabase db;
  ASSERT_TRUE(db.Open("Shared"));
  ASSERT_NE(db.Add(KeyRecord("parent before")), 0u);

  Helper helper("add", device.folder(), true);
  ASSERT_TRUE(helper.Started());
  helper.Go();
  for (int i = 0; i < kPerProcess; ++i) {
    ASSERT_NE(db.Add(KeyRecord(QStringLiteral("parent %1").arg(i))), 0u);
  }
  ASSERT_EQ(helper.Wait(), kOk);

  std::set<RecordId> ids;
  int children = 0;
  for (RecordId id = db.SeekFirst(); id != 0; id = db.SeekNext()) {
    ids.insert(id);
    Record record;
    ASSERT_TRUE(db.Read(record));
    children += record.Find(kKey)->value.startsWith("child ") ? 1 : 0;
  }
  EXPECT_EQ(children, kPerProcess);
  EXPECT_EQ(ids.size(), 2u * kPerProcess + 1);  // no id handed out twice
  EXPECT_EQ(db.RecordCount(), 2u * kPerProcess + 1);
}

TEST(TwoProcesses, OfTwoCreatingTheSameNameExactlyOneSucceeds) {
  TempDevice device;
  ASSERT_TRUE(PropertyDatabase::Create("Warm-up", {{kKey, true}}));  // the file exists
  Helper helper("create", device.folder(), true);
  ASSERT_TRUE(helper.Started());
  helper.Go();
  const bool created = PropertyDatabase::Create("Race", {{kKey, true}});
  const int child = helper.Wait();
  ASSERT_TRUE(child == kOk || child == kNotCreated) << child;
  EXPECT_NE(created, child == kOk);
  EXPECT_EQ(PropertyDatabase::Names(), (std::vector<QString>{"Warm-up", "Race"}));
}

}  // namespace
