#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <vector>

#include "common/XMExtensionMgr.h"
#include "common/ui/CTabPage.h"
#include "shell/CExtensionServices.h"
#include "support/TempDevice.h"

namespace {

// A tab strip of the program, as extensions see it.
class TabHost : public ITabHost {
 public:
  void Release() override {}
  CTabPage* GetActivePage() override { return GetPage(tabs.currentIndex()); }
  int SelectPage(const QString& title) override {
    const int index = FindPage(title);
    if (index >= 0) {
      tabs.setCurrentIndex(index);
    }
    return index;
  }
  int FindPage(const QString& title) override {
    for (int i = 0; i < tabs.count(); ++i) {
      if (tabs.tabText(i) == title) {
        return i;
      }
    }
    return -1;
  }
  CTabPage* GetPage(int index) override {
    return index >= 0 && index < tabs.count() ? dynamic_cast<CTabPage*>(tabs.widget(index))
                                              : nullptr;
  }
  CTabPage* GetPage(const QString& title) override { return GetPage(FindPage(title)); }
  int GetPageCount() override { return tabs.count(); }
  bool AddPage(const QString& title, CTabPage* page) override {
    if (page == nullptr || !page->Create(&tabs)) {
      return false;
    }
    tabs.addTab(page, title);
    return true;
  }
  bool RemovePage(const QString& title) override {
    const int index = FindPage(title);
    if (index < 0 || index == tabs.currentIndex()) {
      return false;
    }
    delete tabs.widget(index);
    return true;
  }

  QTabWidget tabs;
};

class Resources : public CExtensionServices {
 public:
  QWidget* GetCommandBar() override { return nullptr; }
  void AddPatientListener(IPatientListener* listener) override { listeners.push_back(listener); }
  void AddCommand(int /*commandId*/, const QString& /*text*/) override {}
  std::vector<IPatientListener*> listeners;
};

TEST(ExtensionPagesTest, TheTestExtensionAddsAChartPageThatFollowsThePatient) {
  TempDevice device;
  const QString folder = device.device().PathOf(QString::fromLatin1(XMExtensionMgr::kFolderName));
  ASSERT_TRUE(QDir().mkpath(folder));
  ASSERT_TRUE(QFile::copy(QStringLiteral(OVELIN_TEST_EXTENSION), folder + "/checklist.so"));

  Resources resources;
  XMExtensionMgr::Destroy();
  XMExtensionMgr* manager = XMExtensionMgr::Instance();
  manager->SetResourceMgr(&resources);
  ASSERT_EQ(manager->LoadResources(), 1);

  TabHost chart;
  chart.AddPage(QStringLiteral("Main"), new CTabPage(0));
  manager->AddChartPages(&chart);
  ASSERT_EQ(chart.GetPageCount(), 2);
  EXPECT_EQ(chart.FindPage(QStringLiteral("Checklist")), 1);
  CTabPage* page = chart.GetPage(QStringLiteral("Checklist"));
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(page->IsCreated());
  EXPECT_TRUE(page->OnSetActive());
  auto* label = page->findChild<QLabel*>(QStringLiteral("patient"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), QStringLiteral("No patient selected"));

  ASSERT_EQ(resources.listeners.size(), 1u);
  resources.listeners[0]->OnPatientSelected(QStringLiteral("Doe, Jane"));
  EXPECT_EQ(label->text(), QStringLiteral("Checklist for Doe, Jane"));
  resources.listeners[0]->OnPatientDeleted(QStringLiteral("Doe, Jane"));
  EXPECT_EQ(label->text(), QStringLiteral("No patient selected"));

  TabHost preferences;
  manager->AddPreferencePages(&preferences);
  EXPECT_EQ(preferences.FindPage(QStringLiteral("Checklist")), 0);

  // The pages belong to their strips and outlive the manager.
  XMExtensionMgr::Destroy();
  EXPECT_EQ(chart.GetPage(1), page);
  EXPECT_TRUE(page->OnSetActive());
}

}  // namespace
