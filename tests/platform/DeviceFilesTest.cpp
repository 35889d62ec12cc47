#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QFile>
#include <QTemporaryDir>

#include "platform/Device.h"
#include "platform/PropertyDatabase.h"
#include "platform/Registry.h"

namespace {

mode_t ModeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
    return 0;
  }
  return info.st_mode & 07777;
}

// Restores the process's umask when it goes.
class Umask {
 public:
  explicit Umask(mode_t mask) : m_previous(::umask(mask)) {}
  ~Umask() { ::umask(m_previous); }
  Umask(const Umask&) = delete;
  Umask& operator=(const Umask&) = delete;

 private:
  mode_t m_previous;
};

TEST(DeviceFiles, PatientDataIsReadableByItsOwnerOnly) {
  QTemporaryDir parent;
  ASSERT_TRUE(parent.isValid());
  const QString folder = parent.path() + "/device";
  {
    const Umask permissive(0);  // even so, nothing is made readable by others
    platform::Device device(folder);
    platform::DeviceScope scope(device);
    ASSERT_TRUE(platform::PropertyDatabase::Create("OVMeds", {{1, true}}));
    platform::PropertyDatabase db;
    ASSERT_TRUE(db.Open("OVMeds"));
    ASSERT_NE(db.Add({{1, "Doe, Jane"}}), 0u);
    platform::RegistryKey key;
    ASSERT_TRUE(key.Create(platform::Hive::CurrentUser, "Software\\Quillfen\\Options"));
    ASSERT_TRUE(key.SetDword("Timeout", 0));

    EXPECT_EQ(ModeOf(folder), 0700u);
    for (const char* file : {"objectstore.db", "objectstore.db-wal", "objectstore.db-shm",
                             "registry.db", "registry.db-wal", "registry.db-shm"}) {
      const QString path = folder + "/" + file;
      ASSERT_TRUE(QFile::exists(path)) << file;
      EXPECT_EQ(ModeOf(path), 0600u) << file;
    }
  }
}

}  // namespace
