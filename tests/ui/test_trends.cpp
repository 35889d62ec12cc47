// The Trends tab alone: the series worked out from a patient's stored vitals and labs, the CSV
// file, and the page with its chart, table, note and exports on the program's extension
// services.

#include <gtest/gtest.h>

#include <QChart>
#include <QChartView>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <map>

#include "CTrendsPage.h"
#include "TrendSeries.h"
#include "TrendTable.h"
#include "TrendsExtension.h"
#include "common/ui/UiSeams.h"
#include "shell/CPageTabCtrl.h"
#include "test_trends_support.h"

namespace {

using trends::Line;
using trends::Plot;
using trends::Point;
using trends::SeriesKey;
using trends_test::Local;

const QString kPatient = vs_tests_test::kPatient;

QStringList LabelsOf(const std::vector<trends::Choice>& choices) {
  QStringList labels;
  for (const trends::Choice& choice : choices) {
    labels.append(choice.label);
  }
  return labels;
}

const SeriesKey* KeyLabelled(const std::vector<trends::Choice>& choices, const QString& label) {
  for (const trends::Choice& choice : choices) {
    if (choice.label == label) {
      return &choice.key;
    }
  }
  return nullptr;
}

std::vector<std::pair<QDateTime, double>> PointsOf(const Line& line) {
  std::vector<std::pair<QDateTime, double>> points;
  for (const Point& point : line.points) {
    points.emplace_back(point.time, point.value);
  }
  return points;
}

XMValueRecord Record(const QDateTime& time, const QString& group,
                     std::vector<std::pair<QString, QString>> pairs) {
  XMValueRecord record;
  record.time = time;
  record.name = group;
  for (auto& pair : pairs) {
    record.pairs.append(pair);
  }
  return record;
}

// Device records read through the program's data interface, as the extension gets them.
class TrendsDataTest : public ::testing::Test {
 protected:
  trends::PatientValues Read() {
    QList<XMValueRecord> vitals;
    QList<XMValueRecord> labs;
    QString error;
    EXPECT_TRUE(m_services.GetPatientData()->GetVitals(vitals, error)) << error.toStdString();
    EXPECT_TRUE(m_services.GetPatientData()->GetLabResults(labs, error)) << error.toStdString();
    return trends::PatientValues(vitals, labs);
  }

  TestGuard m_guard;
  TempDevice m_device;
  trends_test::Services m_services;
};

TEST_F(TrendsDataTest, TheDataInterfaceGivesTheCurrentPatientsRecordsOldestFirst) {
  trends_test::StoreThreeDays(kPatient);
  vs_tests_test::AddVitals(test_time::At(2024, 3, 1, 9, 0), QStringLiteral("Pulse\n60\n"), 1,
                           QStringLiteral("Doe, Janet"));
  XMPatientData& data = *m_services.GetPatientData();
  QList<XMValueRecord> records;
  QString error;
  // Nobody selected: nothing, and no failure.
  EXPECT_TRUE(data.GetVitals(records, error));
  EXPECT_TRUE(records.isEmpty());

  m_services.PatientData().SetCurrentPatient(kPatient);
  EXPECT_EQ(data.CurrentPatient(), kPatient);
  ASSERT_TRUE(data.GetVitals(records, error));
  ASSERT_EQ(records.size(), 3);
  EXPECT_EQ(records[0].time, Local(2024, 3, 1, 8, 0));
  EXPECT_EQ(records[2].time, Local(2024, 3, 3, 20, 30));
  EXPECT_TRUE(records[0].name.isEmpty());
  EXPECT_EQ(records[1].values, QStringLiteral("Temp\nrefused\nPulse\n92\nBP\n130/85\nResp\n\n"));
  ASSERT_EQ(records[1].pairs.size(), 4);
  EXPECT_EQ(records[1].pairs[2], std::make_pair(QStringLiteral("BP"), QStringLiteral("130/85")));
  EXPECT_EQ(records[1].pairs[3], std::make_pair(QStringLiteral("Resp"), QString()));

  ASSERT_TRUE(data.GetLabResults(records, error));
  ASSERT_EQ(records.size(), 5);
  EXPECT_EQ(records[0].name, QStringLiteral("CBC"));
  EXPECT_EQ(records[2].name, QStringLiteral("UA"));
  EXPECT_EQ(records[2].time, Local(2024, 3, 2, 7, 0));
  EXPECT_EQ(records[4].pairs[0],
            std::make_pair(QStringLiteral("Value Name"), QStringLiteral("Lactate")));
}

TEST_F(TrendsDataTest, AStoreThatCannotBeReadIsAFailureWithItsCauseNotAnEmptyChart) {
  trends_test::StoreThreeDays(kPatient);
  m_services.PatientData().SetCurrentPatient(kPatient);
  // The lab store's property table gone, as from a damaged copy.
  sqlite3* db = m_device.device().ObjectStore();
  sqlite3_stmt* query = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT num FROM volumes WHERE name = 'OVLabValues'", -1, &query,
                               nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(query), SQLITE_ROW);
  const QByteArray drop =
      "DROP TABLE main.v" + QByteArray::number(sqlite3_column_int64(query, 0)) + "_prop";
  sqlite3_finalize(query);
  ASSERT_EQ(sqlite3_exec(db, drop.constData(), nullptr, nullptr, nullptr), SQLITE_OK);

  QList<XMValueRecord> records{Record(Local(2024, 1, 1, 0, 0), {}, {})};
  QString error;
  EXPECT_FALSE(m_services.GetPatientData()->GetLabResults(records, error));
  EXPECT_TRUE(records.isEmpty());
  EXPECT_FALSE(error.isEmpty());
  // The other store still answers.
  EXPECT_TRUE(m_services.GetPatientData()->GetVitals(records, error));
  EXPECT_EQ(records.size(), 3);
}

TEST_F(TrendsDataTest, SeriesOfVitalsAndLabsAcrossSeveralDays) {
  trends_test::StoreThreeDays(kPatient);
  m_services.PatientData().SetCurrentPatient(kPatient);
  const trends::PatientValues values = Read();
  const std::vector<trends::Choice> choices = values.Choices();
  // Vitals first, each name where it first occurs; the empty "Resp" and the urine "Glu" ("neg")
  // have no number and are not offered, so the chemistry "Glu" needs no group; "RBC" has
  // numbers in two groups and is told apart by them.
  EXPECT_EQ(LabelsOf(choices), QStringList({"Temp", "Pulse", "BP", "Weight", "WBC", "Hb",
                                            "RBC (CBC)", "Na", "K", "Glu", "RBC (UA)", "Lactate"}));

  const SeriesKey* bp = KeyLabelled(choices, QStringLiteral("BP"));
  const SeriesKey* temp = KeyLabelled(choices, QStringLiteral("Temp"));
  const SeriesKey* hb = KeyLabelled(choices, QStringLiteral("Hb"));
  ASSERT_TRUE(bp != nullptr && temp != nullptr && hb != nullptr);
  const Plot plot = values.PlotOf({*bp, *temp, *hb});
  ASSERT_EQ(plot.lines.size(), 4u);
  EXPECT_EQ(plot.lines[0].label, QStringLiteral("BP systolic"));
  EXPECT_EQ(plot.lines[1].label, QStringLiteral("BP diastolic"));
  using Points = std::vector<std::pair<QDateTime, double>>;
  EXPECT_EQ(PointsOf(plot.lines[0]), (Points{{Local(2024, 3, 1, 8, 0), 120},
                                             {Local(2024, 3, 2, 8, 0), 130},
                                             {Local(2024, 3, 3, 20, 30), 125}}));
  EXPECT_EQ(PointsOf(plot.lines[1]), (Points{{Local(2024, 3, 1, 8, 0), 80},
                                             {Local(2024, 3, 2, 8, 0), 85},
                                             {Local(2024, 3, 3, 20, 30), 82}}));
  // "refused" is skipped and counted.
  EXPECT_EQ(plot.lines[2].label, QStringLiteral("Temp"));
  EXPECT_EQ(PointsOf(plot.lines[2]),
            (Points{{Local(2024, 3, 1, 8, 0), 37.2}, {Local(2024, 3, 3, 20, 30), 38.1}}));
  EXPECT_EQ(PointsOf(plot.lines[3]),
            (Points{{Local(2024, 3, 1, 6, 0), 12.9}, {Local(2024, 3, 3, 6, 0), 13.2}}));
  ASSERT_EQ(plot.skipped.size(), 1u);
  EXPECT_EQ(plot.skipped[0].label, QStringLiteral("Temp"));
  EXPECT_EQ(plot.skipped[0].notNumbers, 1);
  EXPECT_EQ(plot.SkippedCount(), 1);

  // A "Misc" result is plotted under the name its "Value Name" row gives; a unit joins the label.
  const Plot misc = values.PlotOf({*KeyLabelled(choices, QStringLiteral("Lactate")),
                                   *KeyLabelled(choices, QStringLiteral("Weight"))});
  EXPECT_EQ(PointsOf(misc.lines[0]), (Points{{Local(2024, 3, 3, 6, 30), 2.1}}));
  EXPECT_EQ(misc.lines[1].label, QStringLiteral("Weight (kg)"));
  EXPECT_EQ(misc.SkippedCount(), 0);
}

TEST(TrendsValues, NumbersWithAUnitAreReadAndEverythingElseIsNot) {
  const struct {
    const char* text;
    double value;
    const char* unit;
  } numbers[] = {{"37.2", 37.2, ""},     {" 71 kg ", 71, "kg"}, {"95%", 95, "%"},
                 {"-3.5", -3.5, ""},     {".5", 0.5, ""},       {"5.4 mmol/L", 5.4, "mmol/L"},
                 {"98.6°F", 98.6, "°F"}, {"1e3", 1000, ""}};
  for (const auto& number : numbers) {
    trends::Reading reading;
    ASSERT_TRUE(trends::ReadNumber(QString::fromUtf8(number.text), reading)) << number.text;
    EXPECT_DOUBLE_EQ(reading.value, number.value) << number.text;
    EXPECT_EQ(reading.unit, QString::fromUtf8(number.unit)) << number.text;
  }
  for (const char* text : {"", "  ", "neg", "2+", "<0.1", ">100", "1,5", "inf", "nan", "1e999",
                           "12/8", "1.2.3", "7 8", "ca. 5", "trace"}) {
    trends::Reading reading;
    EXPECT_FALSE(trends::ReadNumber(QString::fromUtf8(text), reading)) << text;
  }

  trends::Reading high;
  trends::Reading low;
  ASSERT_TRUE(trends::ReadPressure(QStringLiteral(" 120 / 80 mmHg"), high, low));
  EXPECT_EQ(high.value, 120);
  EXPECT_EQ(low.value, 80);
  EXPECT_EQ(low.unit, QStringLiteral("mmHg"));
  for (const char* text : {"120", "120/", "/80", "abc/80", "120/80/60", "-120/80", "120-80"}) {
    EXPECT_FALSE(trends::ReadPressure(QString::fromUtf8(text), high, low)) << text;
  }
}

TEST(TrendsValues, ALineKeepsTheUnitOfItsFirstNumberAndCountsTheOthers) {
  const QList<XMValueRecord> vitals{
      Record(Local(2024, 3, 1, 8, 0), {}, {{"Weight", "71 kg"}, {"BP", "120/80"}}),
      Record(Local(2024, 3, 2, 8, 0), {}, {{"Weight", "160 lb"}, {"BP", "118/79 mmHg"}}),
      Record(Local(2024, 3, 3, 8, 0), {}, {{"Weight", "72 KG"}, {"BP", "122/81"}}),
      Record(Local(2024, 3, 4, 8, 0), {}, {{"Weight", "73"}, {"BP", "high"}}),
      Record(QDateTime(), {}, {{"Weight", "74 kg"}})};
  const trends::PatientValues values(vitals, {});
  const std::vector<trends::Choice> choices = values.Choices();
  ASSERT_EQ(LabelsOf(choices), QStringList({"Weight", "BP"}));
  const Plot plot = values.PlotOf({choices[0].key, choices[1].key});
  ASSERT_EQ(plot.lines.size(), 3u);
  EXPECT_EQ(plot.lines[0].label, QStringLiteral("Weight (kg)"));
  using Points = std::vector<std::pair<QDateTime, double>>;
  EXPECT_EQ(PointsOf(plot.lines[0]),
            (Points{{Local(2024, 3, 1, 8, 0), 71}, {Local(2024, 3, 3, 8, 0), 72}}));
  // Both halves of a pressure in another unit are left out together.
  EXPECT_EQ(plot.lines[1].points.size(), 2u);
  EXPECT_EQ(plot.lines[2].points.size(), 2u);
  ASSERT_EQ(plot.skipped.size(), 2u);
  EXPECT_EQ(plot.skipped[0].otherUnits, 2);  // 160 lb, 73
  EXPECT_EQ(plot.skipped[0].notNumbers, 0);
  EXPECT_EQ(plot.skipped[1].otherUnits, 1);  // mmHg
  EXPECT_EQ(plot.skipped[1].notNumbers, 1);  // high
}

// ---------------------------------------------------------------------------------------------
// The table and the CSV file

Plot KnownPlot() {
  Plot plot;
  plot.lines.push_back({QStringLiteral("BP systolic"),
                        {{Local(2024, 3, 1, 8, 0), 120}, {Local(2024, 3, 3, 20, 30), 118}}});
  plot.lines.push_back({QStringLiteral("BP diastolic"),
                        {{Local(2024, 3, 1, 8, 0), 80}, {Local(2024, 3, 3, 20, 30), 76}}});
  plot.lines.push_back(
      {QStringLiteral("Temp"), {{Local(2024, 3, 1, 8, 0), 37.25}, {Local(2024, 3, 2, 8, 0), 38}}});
  return plot;
}

TEST(TrendsCsv, AKnownSeriesGivesKnownBytes) {
  EXPECT_EQ(trends::CsvOf(KnownPlot()), QByteArray("Date and time,BP systolic,BP diastolic,Temp\r\n"
                                                   "2024-03-01 08:00,120,80,37.25\r\n"
                                                   "2024-03-02 08:00,,,38\r\n"
                                                   "2024-03-03 20:30,118,76,\r\n"));
}

TEST(TrendsCsv, LabelsAreQuotedWhereNeededAndNeverReadAsFormulas) {
  Plot plot;
  const QDateTime time = Local(2024, 3, 1, 8, 0);
  plot.lines.push_back({QStringLiteral("=SUM(A1,A2)"), {{time, 1}}});
  plot.lines.push_back({QStringLiteral("Say \"hi\""), {{time, -2.5}}});
  plot.lines.push_back({QStringLiteral("@x"), {{time, 0.000125}}});
  plot.lines.push_back({QStringLiteral("Größe"), {{time, 1234567.5}}});
  EXPECT_EQ(trends::CsvOf(plot),
            QByteArray("Date and time,\"'=SUM(A1,A2)\",\"Say \"\"hi\"\"\",'@x,Gr\xc3\xb6\xc3\x9f"
                       "e\r\n2024-03-01 08:00,1,-2.5,0.000125,1234567.5\r\n"));
}

TEST(TrendsCsv, LabelsBeginningWithAMinusOrAPlusAreGuardedToo) {
  Plot plot;
  const QDateTime time = Local(2024, 3, 1, 8, 0);
  plot.lines.push_back({QStringLiteral("-2+3"), {{time, 1}}});
  plot.lines.push_back({QStringLiteral("+cmd"), {{time, 2}}});
  EXPECT_EQ(trends::CsvOf(plot),
            QByteArray("Date and time,'-2+3,'+cmd\r\n2024-03-01 08:00,1,2\r\n"));
}

TEST(TrendsCsv, TwoPointsOfOneLineAtOneTimeGetARowEach) {
  Plot plot;
  const QDateTime time = Local(2024, 3, 1, 6, 0);
  plot.lines.push_back({QStringLiteral("Hb"), {{time, 12.5}, {time, 12.9}}});
  plot.lines.push_back({QStringLiteral("WBC"), {{time, 7}}});
  const std::vector<trends::TableRow> rows = trends::RowsOf(plot);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].cells[0], 12.5);
  EXPECT_EQ(rows[0].cells[1], 7);
  EXPECT_EQ(rows[1].cells[0], 12.9);
  EXPECT_FALSE(rows[1].cells[1].has_value());
}

// ---------------------------------------------------------------------------------------------
// The page

class TrendsPageTest : public TrendsDataTest {
 protected:
  void SetUp() override {
    clock_source::Fix(test_time::At(2024, 3, 4, 9, 30));
    trends_test::StoreThreeDays(kPatient);
    m_services.PatientData().SetCurrentPatient(kPatient);
  }

  void MakePage() {
    m_page = std::make_unique<CTrendsPage>(m_services);
    m_page->resize(472, 520);
    m_page->show();
    m_page->OnSetActive();
  }

  // The table's cells by heading and time text.
  std::map<std::pair<QString, QString>, QString> TableCells() const {
    std::map<std::pair<QString, QString>, QString> cells;
    QTableWidget& table = *m_page->Table();
    for (int row = 0; row < table.rowCount(); ++row) {
      for (int column = 1; column < table.columnCount(); ++column) {
        if (QTableWidgetItem* item = table.item(row, column)) {
          cells[{table.horizontalHeaderItem(column)->text(), table.item(row, 0)->text()}] =
              item->text();
        }
      }
    }
    return cells;
  }

  std::unique_ptr<CTrendsPage> m_page;
};

TEST_F(TrendsPageTest, TheTableShowsTheNumbersTheChartDraws) {
  MakePage();
  ASSERT_TRUE(m_page->Choose(QStringLiteral("BP")));
  ASSERT_TRUE(m_page->Choose(QStringLiteral("Temp")));
  ASSERT_TRUE(m_page->Choose(QStringLiteral("K")));
  EXPECT_FALSE(m_page->Choose(QStringLiteral("Resp")));

  const QList<QAbstractSeries*> series = m_page->Chart()->series();
  ASSERT_EQ(series.size(), 4);
  std::map<std::pair<QString, QString>, QString> drawn;
  for (QAbstractSeries* each : series) {
    auto* line = qobject_cast<QLineSeries*>(each);
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->pointsVisible());
    for (const QPointF& point : line->points()) {
      const QDateTime time = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(point.x()));
      drawn[{line->name(), trends::FormatTime(time)}] = trends::FormatValue(point.y());
    }
  }
  EXPECT_EQ(drawn.size(), 9u);  // 3 + 3 pressures, 2 temperatures, 1 potassium
  EXPECT_EQ(TableCells(), drawn);
  EXPECT_EQ(m_page->Table()->horizontalHeaderItem(0)->text(), QStringLiteral("Date and time"));
  EXPECT_EQ(m_page->Table()->item(0, 0)->text(), QStringLiteral("03/01/2024 08:00 AM"));
  EXPECT_EQ(
      drawn[std::make_pair(QStringLiteral("BP diastolic"), QStringLiteral("03/03/2024 08:30 PM"))],
      QStringLiteral("82"));

  EXPECT_EQ(m_page->Note()->text(), QStringLiteral("Not plotted: Temp: 1 not a number."));
  EXPECT_TRUE(m_page->Note()->isVisible());
  EXPECT_TRUE(m_page->ExportCsvButton()->isEnabled());
  EXPECT_TRUE(m_page->SavePictureButton()->isEnabled());

  // Taking a series away takes its line and its column.
  ASSERT_TRUE(m_page->Choose(QStringLiteral("BP"), false));
  EXPECT_EQ(m_page->Chart()->series().size(), 2);
  EXPECT_EQ(m_page->Table()->columnCount(), 3);
}

TEST_F(TrendsPageTest, EveryControlHasANameAndTheChartIsDescribed) {
  MakePage();
  ASSERT_TRUE(m_page->Choose(QStringLiteral("Pulse")));
  EXPECT_EQ(m_page->accessibleName(), QStringLiteral("Trends"));
  EXPECT_EQ(m_page->Picker()->accessibleName(), QStringLiteral("Series"));
  EXPECT_EQ(m_page->ChartView()->accessibleName(), QStringLiteral("Trend chart"));
  EXPECT_EQ(m_page->ChartView()->accessibleDescription(),
            QStringLiteral("Pulse: 3 points from 88 to 101"));
  EXPECT_EQ(m_page->Table()->accessibleName(), QStringLiteral("Plotted values"));
  EXPECT_EQ(m_page->ExportCsvButton()->accessibleName(), QStringLiteral("Export CSV..."));
  EXPECT_EQ(m_page->SavePictureButton()->accessibleName(), QStringLiteral("Save Picture..."));
  for (QWidget* control :
       std::initializer_list<QWidget*>{m_page->Picker(), m_page->ChartView(), m_page->Table(),
                                       m_page->ExportCsvButton(), m_page->SavePictureButton()}) {
    EXPECT_NE(control->focusPolicy() & Qt::TabFocus, 0) << control->objectName().toStdString();
  }
}

TEST_F(TrendsPageTest, ANoteSaysWhyNothingIsDrawn) {
  MakePage();
  EXPECT_EQ(m_page->Note()->text(), QStringLiteral("Choose one or more series to plot."));
  EXPECT_FALSE(m_page->ExportCsvButton()->isEnabled());
  EXPECT_FALSE(m_page->SavePictureButton()->isEnabled());
  EXPECT_TRUE(m_page->Chart()->series().isEmpty());

  m_services.PatientData().SetCurrentPatient(QStringLiteral("Roe, Rick"));
  m_page->OnSetActive();
  EXPECT_EQ(m_page->Picker()->count(), 0);
  EXPECT_EQ(m_page->Note()->text(),
            QStringLiteral("This patient has no vital signs or lab values with numbers."));

  m_services.PatientData().SetCurrentPatient(QString());
  m_page->OnSetActive();
  EXPECT_EQ(m_page->Note()->text(), QStringLiteral("No patient selected."));
  EXPECT_EQ(m_page->Table()->rowCount(), 0);
}

// Answers every read with the failure of a damaged store.
class FailingData : public XMPatientData {
 public:
  QString CurrentPatient() override { return kPatient; }
  bool GetVitals(QList<XMValueRecord>& records, QString& error) override {
    records.clear();
    error = QStringLiteral("objectstore.db: disk I/O error");
    return false;
  }
  bool GetLabResults(QList<XMValueRecord>& records, QString& error) override {
    records = {Record(Local(2024, 3, 1, 6, 0), QStringLiteral("CBC"), {{"Hb", "12"}})};
    error.clear();
    return true;
  }
  void AddDataListener(IPatientDataListener* /*listener*/) override {}
};

class FailingServices : public trends_test::Services {
 public:
  XMPatientData* GetPatientData() override { return &data; }
  FailingData data;
};

TEST_F(TrendsPageTest, RecordsThatCannotBeReadAreToldAndTheRestShown) {
  FailingServices services;
  CTrendsPage page(services);
  page.OnSetActive();
  const auto& shown = vs_tests_test::Shown();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().text,
            QStringLiteral("The vital signs could not be read: objectstore.db: disk I/O error"));
  EXPECT_EQ(shown.back().icon, messages::Icon::Exclamation);
  EXPECT_EQ(page.Note()->text(), shown.back().text);
  EXPECT_EQ(page.Picker()->count(), 1);  // the labs that could be read
}

TEST_F(TrendsPageTest, TheTabFollowsTheCurrentPatientAndItsRecords) {
  TrendsExtension extension;
  extension.Initialize(&m_services);
  ASSERT_EQ(m_services.listeners.size(), 1u);
  const QString other = QStringLiteral("Roe, Rick");
  {
    CPageTabCtrl strip;
    strip.resize(480, 560);
    strip.show();
    extension.AddChartPages(&strip);
    ASSERT_EQ(strip.GetPageCount(), 1);
    EXPECT_EQ(strip.FindPage(QStringLiteral("Trends")), 0);
    CTrendsPage* page = extension.Page();
    ASSERT_NE(page, nullptr);
    strip.SelectPage(QStringLiteral("Trends"));
    ASSERT_TRUE(page->Choose(QStringLiteral("Pulse")));
    EXPECT_EQ(page->Table()->rowCount(), 3);

    // Another patient: the tab shows theirs, with the same series chosen.
    vs_tests_test::AddVitals(test_time::At(2024, 2, 1, 7, 0), QStringLiteral("Pulse\n64\n"), 0,
                             other);
    m_services.PatientData().SetCurrentPatient(other);
    m_services.listeners[0]->OnPatientSelected(other);
    ASSERT_EQ(page->Table()->rowCount(), 1);
    EXPECT_EQ(page->Table()->item(0, 1)->text(), QStringLiteral("64"));

    // A change to another patient's records leaves the tab; one to this patient's is shown.
    vs_tests_test::AddVitals(test_time::At(2024, 2, 2, 7, 0), QStringLiteral("Pulse\n70\n"), 0,
                             other);
    m_services.PatientData().NotifyChanged(kPatient);
    EXPECT_EQ(page->Table()->rowCount(), 1);
    m_services.PatientData().NotifyChanged(other);
    EXPECT_EQ(page->Table()->rowCount(), 2);
  }
  // The strip deleted its page before the extension ends; later notices reach no page.
  EXPECT_EQ(extension.Page(), nullptr);
  m_services.PatientData().NotifyChanged(QString());
  m_services.listeners[0]->OnPatientSelected(kPatient);
}

TEST_F(TrendsPageTest, ExportCsvWritesThePlottedValuesForTheOwnerOnly) {
  MakePage();
  ASSERT_TRUE(m_page->Choose(QStringLiteral("BP")));
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("bp.csv"));
  ui_seams::SaveFileRequest asked;
  ui_seams::SetSaveFileHandler([&](const ui_seams::SaveFileRequest& request) {
    asked = request;
    return path;
  });
  m_page->ExportCsvButton()->click();
  EXPECT_EQ(asked.caption, QStringLiteral("Export CSV"));
  EXPECT_EQ(asked.directory, QStringLiteral("Doe, Jane trends.csv"));
  EXPECT_EQ(asked.filter, QStringLiteral("CSV files (*.csv)"));
  EXPECT_EQ(asked.defaultSuffix, QStringLiteral("csv"));
  QFile written(path);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(), QByteArray("Date and time,BP systolic,BP diastolic\r\n"
                                          "2024-03-01 08:00,120,80\r\n"
                                          "2024-03-02 08:00,130,85\r\n"
                                          "2024-03-03 20:30,125,82\r\n"));
  EXPECT_EQ(written.permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
  EXPECT_TRUE(vs_tests_test::Shown().empty());

  // Cancelled: nothing written. Refused by the disk: told, with the file's name.
  ui_seams::SetSaveFileHandler([](const ui_seams::SaveFileRequest&) { return QString(); });
  m_page->OnExportCsv();
  EXPECT_TRUE(vs_tests_test::Shown().empty());
  const QString nowhere = folder.filePath(QStringLiteral("missing/bp.csv"));
  ui_seams::SetSaveFileHandler([&](const ui_seams::SaveFileRequest&) { return nowhere; });
  m_page->OnExportCsv();
  ASSERT_EQ(vs_tests_test::Shown().size(), 1u);
  EXPECT_TRUE(vs_tests_test::Shown()[0].text.startsWith(nowhere +
                                                        QStringLiteral(" could not be written: ")));
  EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(TrendsPageTest, SavePictureWritesAPngOrAPdfByTheChosenName) {
  MakePage();
  ASSERT_TRUE(m_page->Choose(QStringLiteral("Pulse")));
  ASSERT_TRUE(m_page->Choose(QStringLiteral("Temp")));
  QTemporaryDir folder;
  QString path = folder.filePath(QStringLiteral("trend.png"));
  ui_seams::SaveFileRequest asked;
  ui_seams::SetSaveFileHandler([&](const ui_seams::SaveFileRequest& request) {
    asked = request;
    return path;
  });
  m_page->SavePictureButton()->click();
  EXPECT_EQ(asked.caption, QStringLiteral("Save Picture"));
  EXPECT_EQ(asked.filter, QStringLiteral("PNG pictures (*.png);;PDF documents (*.pdf)"));
  EXPECT_EQ(asked.defaultSuffix, QStringLiteral("png"));
  const QImage picture(path);
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(1200, 800));
  EXPECT_EQ(QFile(path).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);

  path = folder.filePath(QStringLiteral("trend.PDF"));
  m_page->OnSavePicture();
  QFile pdf(path);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.readAll().startsWith("%PDF-"));
  EXPECT_TRUE(vs_tests_test::Shown().empty());
  const QString keep = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (!keep.isEmpty()) {
    QFile::remove(keep + QStringLiteral("/trends-picture.png"));
    EXPECT_TRUE(QFile::copy(folder.filePath(QStringLiteral("trend.png")),
                            keep + QStringLiteral("/trends-picture.png")));
  }
}

}  // namespace
