// The "Todo" tab in the running program: what another process files while the page is open, and
// the picture of the page.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "chart/CToDoPage.h"
#include "store/CDBToDo.h"
#include "support/Wait.h"
#include "test_app_support.h"

namespace {

constexpr int kTodoTab = 5;

class ToDoAppTest : public app_test::AppTest {
 protected:
  CToDoPage* ShowTodo() {
    EXPECT_TRUE(Strip()->SelectPage(kTodoTab));
    return dynamic_cast<CToDoPage*>(Strip()->GetPage(kTodoTab));
  }

  // Runs ovelin-cli on the test's device; answers its standard output.
  QByteArray Cli(const QStringList& arguments) {
    QProcess cli;
    cli.start(QStringLiteral(OVELIN_CLI_PATH),
              QStringList{QStringLiteral("--device"), m_device.folder()} + arguments);
    EXPECT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    return cli.readAllStandardOutput();
  }

  static void AddItem(const QString& patient, const QString& text, uint32_t flags,
                      const QString& note = {}) {
    CDBToDo store;
    store.patient = patient;
    store.text = text;
    store.flags = flags;
    store.note = note;
    EXPECT_NE(store.AddNew(false), 0u);
  }
};

TEST_F(ToDoAppTest, AnItemImportedWhileThePageIsOpenShowsAfterTheRefreshMessage) {
  const QString patient = app_test::AddPatient("Ann", "Smith", "Clinic");
  AddItem(patient, "Labs", 2);
  ASSERT_TRUE(Start());
  CToDoPage* page = ShowTodo();
  ASSERT_NE(page, nullptr);
  ASSERT_EQ(page->List()->GetItemCount(), 1);
  page->List()->topLevelItem(0)->setCheckState(0, Qt::Checked);  // an edit not yet saved

  // Another process writes the device while the page holds its store open.
  QJsonObject backup = QJsonDocument::fromJson(Cli({"export"})).object();
  QJsonArray patients = backup["patients"].toArray();
  ASSERT_EQ(patients.size(), 1);
  QJsonObject ann = patients[0].toObject();
  QJsonArray todos = ann["todos"].toArray();
  todos.append(QJsonObject{{"text", "Imported"},
                           {"note", "from the desk"},
                           {"timeStamp", "20240301120000"},
                           {"flags", 1},
                           {"desktopId", 0},
                           {"accessState", 0}});
  ann["todos"] = todos;
  patients[0] = ann;
  backup["patients"] = patients;
  QTemporaryDir folder;
  QFile file(folder.filePath("backup.json"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QJsonDocument(backup).toJson());
  file.close();
  Cli({"import", file.fileName()});
  EXPECT_EQ(page->List()->GetItemCount(), 1);

  Cli({"post", "OvelinRefreshScreen"});
  ASSERT_TRUE(test_wait::Until([page] { return page->List()->GetItemCount() == 2; }));
  EXPECT_EQ(page->List()->GetItemText(0, CToDoPage::kTextColumn), "Imported");
  EXPECT_EQ(page->List()->GetItemImage(0), 1);
  // The tick made before the refresh was saved, not lost.
  EXPECT_TRUE(page->List()->GetCheck(1));
  CDBToDo store;
  ASSERT_TRUE(store.FindFirstOfPatient(patient, 2));
  EXPECT_EQ(store.flags, 2u | CDBToDo::kCheckedFlag);
}

// Writes docs/todo.png when OVELIN_SCREENSHOT_DIR names a folder.
TEST_F(ToDoAppTest, Screenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  const QString patient = app_test::AddPatient("Edward", "Eames", "Clinic", "12", "MR-1");
  AddItem(patient, "Call the family about discharge", 1);
  AddItem(patient, "Repeat potassium in the morning", 2 | CDBToDo::kCheckedFlag, "K 3.1 yesterday");
  AddItem(patient, "Chest film before rounds", 2);
  AddItem(patient, "Physiotherapy referral", 4);
  AddItem(patient, "Order walker", 5 | CDBToDo::kCheckedFlag);
  ASSERT_TRUE(Start());
  CToDoPage* page = ShowTodo();
  ASSERT_NE(page, nullptr);
  page->List()->SelectRow(2);
  QCoreApplication::processEvents();
  if (QWidget* focused = QApplication::focusWidget()) {
    focused->clearFocus();
  }
  EXPECT_TRUE(Frame()->grab().save(folder + "/todo.png", "PNG"));
}

}  // namespace
