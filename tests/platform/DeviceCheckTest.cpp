// Damaged device files are reported as damage with their cause, never read as an empty device;
// the id counter survives the loss of its row; a device can be opened for reading only.

#include "platform/DeviceCheck.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <random>

#include "platform/PropertyDatabase.h"
#include "platform/Registry.h"
#include "support/DamagedFiles.h"

using damaged_files::Damage;
using platform::Device;
using platform::DeviceScope;
using platform::PropertyDatabase;
using platform::RecordId;
using platform::StoreErrorScope;
namespace device_check = platform::device_check;

namespace {

const QString kFiller = QStringLiteral("Filler");

void Exec(sqlite3* db, const char* sql) {
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
}

// Runs f with the device in folder current, opened afresh.
template <typename F>
void OnDevice(const QString& folder, F f, bool readOnly = false) {
  Device device(folder);
  device.SetReadOnly(readOnly);
  DeviceScope scope(device);
  f(device);
}

class DeviceCheck : public ::testing::Test {
 protected:
  QTemporaryDir dir;
};

TEST_F(DeviceCheck, ASoundDeviceAndANewOnePassBothChecks) {
  OnDevice(dir.path() + "/new", [](Device& device) {
    EXPECT_TRUE(device_check::QuickCheck(device).Ok());
    EXPECT_TRUE(device_check::FullCheck(device).Ok());
  });
  damaged_files::FillDevice(dir.path(), 300);
  OnDevice(dir.path(), [](Device& device) {
    const device_check::Result quick = device_check::QuickCheck(device);
    EXPECT_TRUE(quick.Ok()) << quick.Describe().toStdString();
    const device_check::Result full = device_check::FullCheck(device);
    EXPECT_TRUE(full.Ok()) << full.Describe().toStdString();
  });
}

TEST_F(DeviceCheck, TheQuickCheckFindsAFileCutShortABadHeaderOrAFolderInItsPlace) {
  for (const Damage damage : {Damage::kCutInHalf, Damage::kBadHeader, Damage::kFolder}) {
    SCOPED_TRACE(static_cast<int>(damage));
    QTemporaryDir device;
    damaged_files::FillDevice(device.path(), 300);
    damaged_files::DamageFile(damaged_files::ObjectStorePath(device.path()), damage);
    OnDevice(device.path(), [](Device& opened) {
      const device_check::Result result = device_check::QuickCheck(opened);
      EXPECT_TRUE(result.Damaged());
      EXPECT_TRUE(result.Describe().startsWith("objectstore.db: "))
          << result.Describe().toStdString();
      // Nothing answers as if the device were empty.
      StoreErrorScope scope;
      EXPECT_TRUE(PropertyDatabase::Names().empty());
      EXPECT_TRUE(scope.Failed());
    });
  }
}

TEST_F(DeviceCheck, AZeroedPageIsFoundByTheFullCheckAndFailsTheReadsThatMeetIt) {
  damaged_files::FillDevice(dir.path(), 600);
  damaged_files::DamageFile(damaged_files::ObjectStorePath(dir.path()), Damage::kZeroedPage);
  OnDevice(dir.path(), [](Device& device) {
    const device_check::Result full = device_check::FullCheck(device);
    EXPECT_TRUE(full.Damaged()) << full.Describe().toStdString();
    // A walk over the records reaches all of them, or stops with the damage as its cause.
    PropertyDatabase db;
    StoreErrorScope scope;
    int visited = 0;
    platform::Record record;
    if (db.Open(kFiller)) {
      for (RecordId id = db.SeekFirst(); id != 0 && db.Read(record); id = db.SeekNext()) {
        ++visited;
      }
    }
    EXPECT_TRUE(visited == 600 || (scope.Failed() && scope.Error().IsDamage()))
        << visited << " " << scope.Error().Describe().toStdString();
  });
}

// Once damage is met, by a statement or by the full check, nothing more is written through the
// device: a change begun before it is not committed, and a new one is refused with the damage
// named.
TEST_F(DeviceCheck, AfterDamageIsMetNothingMoreIsWritten) {
  damaged_files::FillDevice(dir.path(), 600);
  OnDevice(dir.path(), [](Device&) {
    ASSERT_TRUE(PropertyDatabase::Create(QStringLiteral("Other"), {{1, true}}));
  });
  damaged_files::DamageFile(damaged_files::ObjectStorePath(dir.path()), Damage::kZeroedPage);
  OnDevice(dir.path(), [](Device& device) {
    PropertyDatabase other;
    ASSERT_TRUE(other.Open(QStringLiteral("Other")));
    {
      platform::StoreTransaction task;
      ASSERT_NE(other.Add({{1, QStringLiteral("before")}}), 0u);
      ASSERT_TRUE(device_check::FullCheck(device).Damaged());
      EXPECT_FALSE(task.Commit());
    }
    EXPECT_EQ(other.Add({{1, QStringLiteral("after")}}), 0u);
    EXPECT_TRUE(other.LastError().IsDamage());
    EXPECT_TRUE(other.LastError().message.startsWith("nothing is written to a damaged device"))
        << other.LastError().Describe().toStdString();
    platform::RegistryKey key;
    EXPECT_FALSE(key.Create(platform::Hive::CurrentUser, QStringLiteral("Software\\Test")));
    EXPECT_EQ(other.RecordCount(), 0u);
  });
}

TEST_F(DeviceCheck, TheFullCheckFindsWhatNeedsTheStoresRulesAndCollations) {
  damaged_files::FillDevice(dir.path(), 20);
  OnDevice(dir.path(), [](Device& device) {
    ASSERT_TRUE(device_check::FullCheck(device).Ok());
    sqlite3* db = device.ObjectStore();
    // A key that no longer matches its property, and a property whose record is gone.
    Exec(db, "UPDATE v1_rec SET k1 = 'moved' WHERE id = 3");
    Exec(db, "DELETE FROM v1_rec WHERE id = 4");
    const QString found = device_check::FullCheck(device).Describe();
    EXPECT_TRUE(found.contains("filed under keys they do not hold")) << found.toStdString();
    EXPECT_TRUE(found.contains("properties of records that are gone")) << found.toStdString();
  });
}

TEST_F(DeviceCheck, TheFullCheckFindsAMatchIndexThatDisagreesWithItsRecords) {
  damaged_files::FillDevice(dir.path(), 20);
  OnDevice(dir.path(), [](Device& device) {
    PropertyDatabase db;
    ASSERT_TRUE(db.Open(kFiller));
    ASSERT_NE(db.SeekMatch(QStringLiteral("key 000003"), {{2, QString(200, QLatin1Char('x'))}}),
              0u);
    // Changes made through the handle and behind its back keep the index right.
    db.Add({{1, QStringLiteral("key 000100")}});
    Exec(device.ObjectStore(), "UPDATE v1_prop SET val = 'changed' WHERE rec = 2 AND pid = 2");
    Exec(device.ObjectStore(), "DELETE FROM v1_prop WHERE rec = 6 AND pid = 2");
    const device_check::Result sound = device_check::FullCheck(device);
    EXPECT_TRUE(sound.Ok()) << sound.Describe().toStdString();

    Exec(device.ObjectStore(), "UPDATE v1_match SET val = '2:ab' WHERE rec = 3");
    QString found = device_check::FullCheck(device).Describe();
    EXPECT_TRUE(found.contains("the match index of Filler disagrees with its records"))
        << found.toStdString();
    Exec(device.ObjectStore(), "DROP TABLE v1_match");
    found = device_check::FullCheck(device).Describe();
    EXPECT_TRUE(found.contains("the match index of Filler is missing")) << found.toStdString();
  });
}

TEST_F(DeviceCheck, AnIndexBuiltInAnotherOrderIsFoundOnlyWithTheProgramsCollation) {
  damaged_files::FillDevice(dir.path(), 20);
  // Another program, whose case-insensitive collation orders texts backwards, adds a record.
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(damaged_files::ObjectStorePath(dir.path()).toUtf8().constData(), &db),
              SQLITE_OK);
    const auto backwards = [](void*, int a, const void* x, int b, const void* y) {
      const int common = std::min(a, b);
      const int order = std::memcmp(x, y, static_cast<size_t>(common));
      return order != 0 ? -order : b - a;
    };
    sqlite3_create_collation(db, "ov_nocase", SQLITE_UTF16, nullptr, backwards);
    Exec(db, "INSERT INTO v1_rec(id, k1) VALUES(500, 'key 000005a')");
    Exec(db, "INSERT INTO v1_rec(id, k1) VALUES(501, 'a')");
    Exec(db, "INSERT INTO v1_prop VALUES(500, 1, 'key 000005a'), (501, 1, 'a')");
    Exec(db, "UPDATE store_meta SET value = 501 WHERE name = 'last_record_id'");
    Exec(db, "UPDATE record_id_copy SET value = 501");
    sqlite3_close(db);
  }
  OnDevice(dir.path(), [](Device& device) {
    EXPECT_TRUE(device_check::QuickCheck(device).Ok());
    EXPECT_TRUE(device_check::FullCheck(device).Damaged());
  });
}

// Every walk ends, whatever a damaged file answers: bytes flipped at random in the object store
// (as a failing disk or a hostile hand leaves them) can make an index answer a record already
// passed; such a step fails as damage instead of sending the walk round for ever.
TEST_F(DeviceCheck, EveryWalkEndsOnAStoreWithFlippedBytes) {
  constexpr int kRecords = 300;
  damaged_files::FillDevice(dir.path(), kRecords);
  QFile file(damaged_files::ObjectStorePath(dir.path()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray sound = file.readAll();
  file.close();
  int refusedSteps = 0;
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    QByteArray flipped = sound;
    for (int flip = 0; flip < 12; ++flip) {
      // Past the first page, so that the file still opens.
      const auto span = static_cast<uint32_t>(sound.size() - 4096);
      const auto at = static_cast<qsizetype>(4096 + random() % span);
      flipped[at] = static_cast<char>(flipped[at] ^ static_cast<char>(1 << (random() % 8)));
    }
    QTemporaryDir copy;
    QFile out(damaged_files::ObjectStorePath(copy.path()));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(flipped);
    out.close();
    ASSERT_TRUE(QFile::copy(damaged_files::RegistryPath(dir.path()),
                            damaged_files::RegistryPath(copy.path())));
    ASSERT_TRUE(QFile::copy(dir.path() + "/initialised", copy.path() + "/initialised"));
    OnDevice(copy.path(), [&](Device&) {
      StoreErrorScope scope;
      PropertyDatabase db;
      if (!db.Open(kFiller)) {
        return;
      }
      for (const bool forward : {true, false}) {
        int steps = 0;
        for (RecordId id = forward ? db.SeekFirst() : db.SeekLast(); id != 0 && steps <= kRecords;
             id = forward ? db.SeekNext() : db.SeekPrevious()) {
          ++steps;
        }
        EXPECT_LE(steps, kRecords) << "the walk went round";
        refusedSteps += db.LastError().message.contains("does not move on") ? 1 : 0;
      }
    });
  }
  RecordProperty("refusedSteps", refusedSteps);
}

TEST_F(DeviceCheck, RecordIdsAreNotHandedOutAgainWhenTheCounterRowIsLost) {
  RecordId deleted = 0;
  OnDevice(dir.path(), [&](Device&) {
    PropertyDatabase::Create(kFiller, {{1, true}});
    PropertyDatabase db;
    ASSERT_TRUE(db.Open(kFiller));
    db.Add({{1, QStringLiteral("a")}});
    deleted = db.Add({{1, QStringLiteral("b")}});
    ASSERT_TRUE(db.Delete(deleted));
  });
  for (const char* loss : {"DELETE FROM store_meta WHERE name = 'last_record_id'",
                           "UPDATE store_meta SET value = 0 WHERE name = 'last_record_id'",
                           "DELETE FROM record_id_copy"}) {
    SCOPED_TRACE(loss);
    OnDevice(dir.path(), [&](Device& device) { Exec(device.ObjectStore(), loss); });
    OnDevice(dir.path(), [&](Device& device) {
      PropertyDatabase db;
      ASSERT_TRUE(db.Open(kFiller));
      const RecordId next = db.Add({{1, QStringLiteral("c")}});
      EXPECT_GT(next, deleted);
      deleted = next;
      ASSERT_TRUE(db.Delete(next));
      EXPECT_TRUE(device_check::FullCheck(device).Ok());
    });
  }
}

TEST_F(DeviceCheck, AReadOnlyDeviceReadsButNeitherWritesNorMakesFiles) {
  damaged_files::FillDevice(dir.path(), 10);
  const QString path = damaged_files::ObjectStorePath(dir.path());
  const QDateTime modified = QFileInfo(path).lastModified();
  OnDevice(
      dir.path(),
      [](Device&) {
        PropertyDatabase db;
        ASSERT_TRUE(db.Open(kFiller));
        EXPECT_EQ(db.RecordCount(), 10u);
        EXPECT_EQ(db.Add({{1, QStringLiteral("new")}}), 0u);
        EXPECT_EQ(db.LastError().code & 0xFF, SQLITE_READONLY);
        EXPECT_FALSE(PropertyDatabase::Create(QStringLiteral("Other"), {{1, true}}));
      },
      true);
  EXPECT_EQ(QFileInfo(path).lastModified(), modified);
  OnDevice(
      dir.path() + "/absent",
      [](Device&) {
        StoreErrorScope scope;
        EXPECT_FALSE(PropertyDatabase::Exists(kFiller));
        EXPECT_FALSE(scope.Failed());
      },
      true);
  EXPECT_FALSE(QFileInfo::exists(dir.path() + "/absent"));
}

TEST_F(DeviceCheck, ADamagedRegistryIsAFailureNotAMissingValue) {
  OnDevice(dir.path(), [](Device&) {
    platform::RegistryKey key;
    ASSERT_TRUE(key.Create(platform::Hive::CurrentUser, QStringLiteral("Software\\Test")));
    ASSERT_TRUE(key.SetString(QStringLiteral("Password"), QStringLiteral("x")));
  });
  damaged_files::DamageFile(damaged_files::RegistryPath(dir.path()), Damage::kBadHeader);
  OnDevice(dir.path(), [](Device& device) {
    StoreErrorScope scope;
    platform::RegistryKey key;
    EXPECT_FALSE(key.Open(platform::Hive::CurrentUser, QStringLiteral("Software\\Test")));
    ASSERT_TRUE(scope.Failed());
    EXPECT_EQ(scope.Error().file, "registry.db");
    EXPECT_TRUE(scope.Error().IsDamage());
    EXPECT_TRUE(device_check::QuickCheck(device).Describe().startsWith("registry.db: "));
  });
  // A registry that was never written is empty, and that is no failure.
  QTemporaryDir fresh;
  OnDevice(fresh.path(), [](Device&) {
    StoreErrorScope scope;
    platform::RegistryKey key;
    EXPECT_FALSE(key.Open(platform::Hive::CurrentUser, QStringLiteral("Software")));
    EXPECT_TRUE(key.Open(platform::Hive::CurrentUser, QString()));
    EXPECT_FALSE(scope.Failed());
  });
}

}  // namespace
