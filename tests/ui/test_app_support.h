#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QTabBar>
#include <memory>

#include "app/CMainFrame.h"
#include "app/COvelinApp.h"
#include "app/COvelinView.h"
#include "app/CPatientTabCtrl.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/XMExtensionMgr.h"
#include "common/ui/CTabPage.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "patients/CPatientListPage.h"
#include "platform/Clock.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"

namespace app_test {

// The widget tests need an application object; the test program's main makes one, and this
// makes one when a test runs in a program without it.
inline void EnsureApplication() {
  if (QApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    static QApplication application(argc, argv);
  }
}

// Stores a patient; the name is "Last, First".
inline QString AddPatient(const QString& first, const QString& last, const QString& type,
                          const QString& room = {}, const QString& mr = {}) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = type;
  patient.room = room;
  patient.mrNumber = mr;
  EXPECT_TRUE(patient.CreateRecord(false));
  return patient.name;
}

// A fresh device, a program started on it without start-up picture, and every dialog that no
// test scripted answered with Rejected.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApplication(); }

  void TearDown() override {
    m_app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  StartOptions Options() const {
    StartOptions options;
    options.deviceFolder = m_device.folder();
    options.showSplash = false;
    options.showWindow = true;
    options.askPassword = m_askPassword;
    return options;
  }

  // Starts the program; false when it ended at start-up.
  bool Start(const StartOptions& options) {
    m_app = std::make_unique<COvelinApp>();
    return m_app->Initialise(options);
  }
  bool Start() { return Start(Options()); }

  // The program as built, with the extensions beside it.
  bool StartAsBuilt() {
    m_app.reset();
    StartOptions options = Options();
    options.extensionsFolder = QFileInfo(QStringLiteral(OVELIN_TRENDS_MODULE)).absolutePath();
    return Start(options);
  }

  // The File menu's entry of that text, as a person chooses it.
  void ChooseMenuEntry(const QString& text) {
    for (QAction* action : Frame()->findChildren<QAction*>()) {
      if (action->text() == text) {
        action->trigger();
        return;
      }
    }
    ADD_FAILURE() << "no menu entry " << text.toStdString();
  }

  CMainFrame* Frame() const { return m_app->MainFrame(); }
  CPatientTabCtrl* Strip() const { return Frame()->View()->TabCtrl(); }
  CPatientListPage& ListPage() const { return Strip()->ListPage(); }

  TestGuard m_guard;
  TempDevice m_device;
  std::unique_ptr<COvelinApp> m_app;
  // With no time-out stored the password is asked at start-up; only the login tests answer it.
  bool m_askPassword = false;
};

}  // namespace app_test
