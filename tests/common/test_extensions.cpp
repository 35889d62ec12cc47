#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <utility>
#include <vector>

#include "common/XMExtensionMgr.h"
#include "support/TempDevice.h"

namespace {

// No patient and no records, as a program without a patient list has them.
class NoPatientData : public XMPatientData {
 public:
  QString CurrentPatient() override { return {}; }
  bool GetVitals(QList<XMValueRecord>& records, QString& /*error*/) override {
    records.clear();
    return true;
  }
  bool GetLabResults(QList<XMValueRecord>& records, QString& /*error*/) override {
    records.clear();
    return true;
  }
  void AddDataListener(IPatientDataListener* /*listener*/) override {}
};

// The program's side of the plugin interface, as the extensions see it.
class FakeResources : public XMResourceMgr {
 public:
  QWidget* GetCommandBar() override { return nullptr; }
  void AddPatientListener(IPatientListener* listener) override { listeners.push_back(listener); }
  void AddCommand(int commandId, const QString& text) override {
    commands.emplace_back(commandId, text);
  }
  XMPatientData* GetPatientData() override { return &data; }
  QString GetSaveFileName(QWidget* /*parent*/, const QString& /*caption*/,
                          const QString& /*proposed*/, const QString& /*filter*/,
                          const QString& /*defaultSuffix*/) override {
    return {};
  }
  bool WritePrivateFile(const QString& /*path*/, const QByteArray& /*bytes*/,
                        QString& /*error*/) override {
    return false;
  }
  void ShowWarning(const QString& /*text*/) override {}
  bool ExportFhir(const QString& /*patient*/, QByteArray& /*json*/, QString& /*summary*/,
                  QString& /*error*/) override {
    return false;
  }
  void ShowInformation(const QString& /*text*/) override {}
  bool Synchronise(QWidget* /*parent*/, QString& /*summary*/, QString& /*error*/) override {
    return false;
  }
  QString ReadUserSetting(const QString& /*key*/, const QString& /*value*/) override { return {}; }
  bool WriteUserSetting(const QString& /*key*/, const QString& /*value*/,
                        const QString& /*text*/) override {
    return false;
  }

  NoPatientData data;

  std::vector<IPatientListener*> listeners;
  std::vector<std::pair<int, QString>> commands;
};

// An extension made by the program itself, to see the order in which extensions are asked.
class Recording : public XMExtension {
 public:
  explicit Recording(QStringList* log) : m_log(log) {}
  QString GetAboutText1() override { return {}; }
  QString GetAboutText2() override { return {}; }
  QString GetHelpContents() override { return {}; }
  void AddChartPages(ITabHost* /*host*/) override {}
  void AddPreferencePages(ITabHost* /*host*/) override {}
  void Initialize(XMResourceMgr* /*resources*/) override {}
  bool OnCmdMsg(int commandId) override {
    m_log->append(QStringLiteral("cmd %1").arg(commandId));
    return commandId == 12000 || commandId == 10000;
  }
  bool OnRegisteredMsg(const QString& message) override {
    m_log->append(message);
    return false;
  }

 private:
  QStringList* m_log;
};

class ExtensionManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    XMExtensionMgr::Destroy();
    folder = device.device().PathOf(QString::fromLatin1(XMExtensionMgr::kFolderName));
    ASSERT_TRUE(QDir().mkpath(folder));
  }
  void TearDown() override { XMExtensionMgr::Destroy(); }

  // Puts the test extension into the device's extensions folder.
  void InstallTestExtension(const QString& name = QStringLiteral("checklist.so")) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(OVELIN_TEST_EXTENSION), folder + u'/' + name));
  }

  TempDevice device;
  QString folder;
  FakeResources resources;
};

TEST_F(ExtensionManagerTest, LoadsTheDevicesExtensionAndHandsItTheResourceManager) {
  InstallTestExtension();
  XMExtensionMgr* manager = XMExtensionMgr::Instance();
  manager->SetResourceMgr(&resources);
  EXPECT_EQ(manager->LoadResources(), 1);
  ASSERT_EQ(manager->GetSize(), 1);
  EXPECT_EQ(manager->GetExtension(1), nullptr);
  EXPECT_EQ(manager->GetExtension(-1), nullptr);
  // The test extension was built for interface version 1: the program, now at version 3, offers
  // it version 1 after it declined the newer ones.
  EXPECT_EQ(manager->GetInterfaceVersion(0), 1);
  EXPECT_EQ(manager->GetInterfaceVersion(1), 0);

  XMExtension* extension = manager->GetExtension(0);
  ASSERT_NE(extension, nullptr);
  EXPECT_EQ(extension->GetAboutText1(), QStringLiteral("Bedside Checklist 1.0"));
  EXPECT_TRUE(extension->GetHelpContents().contains(QStringLiteral("Bedside Checklist")));

  // At its start the extension registered its listener and its command.
  ASSERT_EQ(resources.listeners.size(), 1u);
  ASSERT_EQ(resources.commands.size(), 1u);
  EXPECT_EQ(resources.commands[0].first, 15001);
  EXPECT_EQ(resources.commands[0].second, QStringLiteral("Reset Checklist"));
}

TEST_F(ExtensionManagerTest, RoutesCommandsListenerCallsAndRegisteredMessages) {
  InstallTestExtension();
  XMExtensionMgr* manager = XMExtensionMgr::Instance();
  manager->SetResourceMgr(&resources);
  ASSERT_EQ(manager->LoadResources(), 1);
  ASSERT_EQ(resources.listeners.size(), 1u);
  XMExtension* extension = manager->GetExtension(0);

  resources.listeners[0]->OnPatientSelected(QStringLiteral("Doe, Jane"));
  resources.listeners[0]->OnPatientSelected(QStringLiteral("Roe, Rick"));
  resources.listeners[0]->OnPatientSelected(QString());
  EXPECT_EQ(extension->GetAboutText2(), QStringLiteral("Patients seen this session: 2"));

  EXPECT_TRUE(manager->OnCmdMsg(15001));
  EXPECT_EQ(extension->GetAboutText2(), QStringLiteral("Patients seen this session: 0"));
  EXPECT_FALSE(manager->OnCmdMsg(15002));
  // Outside 10000 .. 20000 no extension is asked.
  EXPECT_FALSE(manager->OnCmdMsg(9999));
  EXPECT_FALSE(manager->OnCmdMsg(20001));

  EXPECT_TRUE(manager->OnRegisteredMsg(QStringLiteral("BedsideChecklistRefresh")));
  EXPECT_FALSE(manager->OnRegisteredMsg(QStringLiteral("SomethingElse")));
}

TEST_F(ExtensionManagerTest, OffersCommandsAndMessagesInOrderUntilOneHandlesThem) {
  QStringList log;
  XMExtensionMgr* manager = XMExtensionMgr::Instance();
  manager->AddExtension(std::make_unique<Recording>(&log));
  InstallTestExtension();
  ASSERT_EQ(manager->LoadResources(), 1);
  ASSERT_EQ(manager->GetSize(), 2);
  EXPECT_EQ(manager->GetInterfaceVersion(0), kXMExtensionInterfaceVersion);  // the program's own

  EXPECT_TRUE(manager->OnCmdMsg(12000));   // the first extension takes it
  EXPECT_TRUE(manager->OnCmdMsg(15001));   // the first declines, the second takes it
  EXPECT_TRUE(manager->OnCmdMsg(10000));   // the bounds are inclusive ...
  EXPECT_FALSE(manager->OnCmdMsg(20000));  // ... and asked, though nobody handles 20000
  EXPECT_EQ(log, QStringList({QStringLiteral("cmd 12000"), QStringLiteral("cmd 15001"),
                              QStringLiteral("cmd 10000"), QStringLiteral("cmd 20000")}));
}

TEST_F(ExtensionManagerTest, SkipsFilesThatAreNoExtensionAndLoadsEachLibraryOnce) {
  QFile bogus(folder + QStringLiteral("/notes.so"));
  ASSERT_TRUE(bogus.open(QIODevice::WriteOnly));
  bogus.write("not a library");
  bogus.close();
  InstallTestExtension();

  XMExtensionMgr* manager = XMExtensionMgr::Instance();
  EXPECT_EQ(manager->LoadResources(), 1);
  EXPECT_EQ(manager->LoadErrors().size(), 1);
  // Loading again adds nothing new.
  EXPECT_EQ(manager->LoadResources(), 0);
  EXPECT_EQ(manager->GetSize(), 1);
}

TEST_F(ExtensionManagerTest, NoExtensionsFolderLoadsNothing) {
  ASSERT_TRUE(QDir(folder).removeRecursively());
  XMExtensionMgr* manager = XMExtensionMgr::Instance();
  EXPECT_EQ(manager->LoadResources(), 0);
  EXPECT_EQ(manager->GetSize(), 0);
  EXPECT_FALSE(manager->OnRegisteredMsg(QStringLiteral("OvelinRefreshScreen")));
}

TEST_F(ExtensionManagerTest, DestroyEndsTheManagerAndInstanceMakesAFreshOne) {
  InstallTestExtension();
  ASSERT_EQ(XMExtensionMgr::Instance()->LoadResources(), 1);
  XMExtensionMgr::Destroy();
  EXPECT_EQ(XMExtensionMgr::Instance()->GetSize(), 0);
  // The library stays loaded: loading it again in the fresh manager works.
  EXPECT_EQ(XMExtensionMgr::Instance()->LoadResources(), 1);
}

}  // namespace
