#include "CTrendsPage.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "TrendChart.h"
#include "TrendTable.h"
#include "TrendsTexts.h"
#include "common/XMExtension.h"

namespace {

// The PNG picture that "Save Picture..." makes, in pixels.
constexpr int kPictureWidth = 1200;
constexpr int kPictureHeight = 800;
constexpr int kPictureMargin = 24;
// Dots per inch of the PDF page, so that the margins and fonts come out as on the PNG picture.
constexpr int kPdfResolution = 150;
// The series picker shows this many rows of names before it scrolls.
constexpr int kPickerRows = 3;

QPushButton* MakeButton(const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setAccessibleName(text);
  button->setEnabled(false);
  return button;
}

bool Contains(const std::vector<trends::SeriesKey>& keys, const trends::SeriesKey& key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

}  // namespace

CTrendsPage::CTrendsPage(XMResourceMgr& resources, QWidget* parent)
    : CTabPage(0, parent),
      m_resources(resources),
      m_data(*resources.GetPatientData()),
      m_picker(new QListWidget(this)),
      m_chart(new QChart),
      m_chartView(new QChartView(m_chart, this)),
      m_note(new QLabel(this)),
      m_table(new QTableWidget(this)),
      m_splitter(new QSplitter(this)),
      m_exportCsv(MakeButton(trends::texts::ExportCsv(), this)),
      m_savePicture(MakeButton(trends::texts::SavePicture(), this)) {
  setObjectName(QStringLiteral("TrendsPage"));
  setAccessibleName(trends::texts::TabTitle());
  m_picker->setObjectName(QStringLiteral("seriesPicker"));
  m_picker->setAccessibleName(trends::texts::SeriesListName());
  // The names flow in rows, so that many fit on a narrow screen.
  m_picker->setFlow(QListView::LeftToRight);
  m_picker->setWrapping(true);
  m_picker->setResizeMode(QListView::Adjust);
  m_picker->setFixedHeight(m_picker->fontMetrics().height() * (kPickerRows + 1) +
                           2 * m_picker->frameWidth());

  m_chartView->setObjectName(QStringLiteral("trendChart"));
  m_chartView->setAccessibleName(trends::texts::ChartName());
  m_chartView->setRenderHint(QPainter::Antialiasing);
  m_chartView->setFocusPolicy(Qt::StrongFocus);  // so that a screen reader can reach it
  m_chart->legend()->setAlignment(Qt::AlignBottom);
  m_chart->setMargins(QMargins(2, 2, 2, 2));

  m_note->setObjectName(QStringLiteral("chartNote"));
  m_note->setWordWrap(true);
  m_note->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);

  m_table->setObjectName(QStringLiteral("valueTable"));
  m_table->setAccessibleName(trends::texts::TableName());
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab leaves the table for the next control; the arrow keys move between its cells.
  m_table->setTabKeyNavigation(false);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->verticalHeader()->hide();
  m_table->horizontalHeader()->setStretchLastSection(true);

  auto* caption = new QLabel(trends::texts::SeriesCaption(), this);
  caption->setBuddy(m_picker);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(m_exportCsv);
  buttons->addWidget(m_savePicture);
  buttons->addStretch(1);
  auto* pick = new QVBoxLayout;
  pick->addWidget(caption);
  pick->addWidget(m_picker);
  auto* top = new QHBoxLayout;
  top->addLayout(pick, 1);
  top->addLayout(buttons);

  auto* chartSide = new QWidget(m_splitter);
  auto* chartLayout = new QVBoxLayout(chartSide);
  chartLayout->setContentsMargins(0, 0, 0, 0);
  chartLayout->addWidget(m_chartView, 1);
  chartLayout->addWidget(m_note);
  m_splitter->addWidget(chartSide);
  m_splitter->addWidget(m_table);
  m_splitter->setStretchFactor(0, 3);
  m_splitter->setStretchFactor(1, 2);
  m_splitter->setChildrenCollapsible(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 7);
  layout->addLayout(top);
  layout->addWidget(m_splitter, 1);
  // Tab follows the page from the top: the series, the buttons beside them, the chart and its
  // note, then the table.
  setTabOrder(m_picker, m_exportCsv);
  setTabOrder(m_exportCsv, m_savePicture);
  setTabOrder(m_savePicture, m_chartView);
  setTabOrder(m_chartView, m_note);
  setTabOrder(m_note, m_table);

  connect(m_picker, &QListWidget::itemChanged, this, &CTrendsPage::OnPickerItemChanged);
  connect(m_exportCsv, &QPushButton::clicked, this, &CTrendsPage::OnExportCsv);
  connect(m_savePicture, &QPushButton::clicked, this, &CTrendsPage::OnSavePicture);
}

CTrendsPage::~CTrendsPage() = default;

bool CTrendsPage::OnSetActive() {
  Reload();
  return true;
}

void CTrendsPage::OnPatientDataChanged() {
  if (isVisible()) {
    Reload();
  }
}

void CTrendsPage::resizeEvent(QResizeEvent* event) {
  CTabPage::resizeEvent(event);
  // The table stands beside the chart where the page is wide enough, under it where it is tall;
  // the chart gets the larger share whenever the table moves.
  const Qt::Orientation orientation =
      event->size().width() > event->size().height() ? Qt::Horizontal : Qt::Vertical;
  if (orientation != m_splitter->orientation() || !m_splitterPlaced) {
    m_splitter->setOrientation(orientation);
    const int length =
        orientation == Qt::Horizontal ? event->size().width() : event->size().height();
    m_splitter->setSizes({length * 3 / 5, length * 2 / 5});
    m_splitterPlaced = true;
  }
}

// ---------------------------------------------------------------------------------------------
// Reading and choosing

void CTrendsPage::Reload() {
  m_patient = m_data.CurrentPatient();
  trends::PatientValues values;
  ReadValues(values);
  m_values = std::move(values);
  m_choices = m_values.Choices();
  FillPicker();
  Replot();
}

void CTrendsPage::ReadValues(trends::PatientValues& values) {
  QList<XMValueRecord> vitals;
  QList<XMValueRecord> labs;
  QString error;
  QStringList problems;
  if (!m_data.GetVitals(vitals, error)) {
    problems.append(trends::texts::VitalsUnreadable().arg(error));
  }
  if (!m_data.GetLabResults(labs, error)) {
    problems.append(trends::texts::LabsUnreadable().arg(error));
  }
  // What could be read is still shown, with what could not be told.
  values = trends::PatientValues(vitals, labs);
  m_readError = problems.join(QLatin1Char('\n'));
  if (!problems.isEmpty()) {
    m_resources.ShowWarning(m_readError);
  }
}

void CTrendsPage::FillPicker() {
  const QSignalBlocker blocker(m_picker);
  m_picker->clear();
  for (size_t index = 0; index < m_choices.size(); ++index) {
    auto* item = new QListWidgetItem(m_choices[index].label, m_picker);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Contains(m_chosen, m_choices[index].key) ? Qt::Checked : Qt::Unchecked);
    item->setData(Qt::UserRole, static_cast<int>(index));
  }
}

bool CTrendsPage::Choose(const QString& label, bool chosen) {
  const QList<QListWidgetItem*> found = m_picker->findItems(label, Qt::MatchExactly);
  if (found.isEmpty()) {
    return false;
  }
  found.first()->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
  return true;
}

std::vector<trends::SeriesKey> CTrendsPage::ChosenKeys() const {
  std::vector<trends::SeriesKey> keys;
  for (int row = 0; row < m_picker->count(); ++row) {
    const QListWidgetItem* item = m_picker->item(row);
    if (item->checkState() == Qt::Checked) {
      keys.push_back(m_choices[static_cast<size_t>(item->data(Qt::UserRole).toInt())].key);
    }
  }
  return keys;
}

void CTrendsPage::OnPickerItemChanged(QListWidgetItem* item) {
  const trends::SeriesKey& key =
      m_choices[static_cast<size_t>(item->data(Qt::UserRole).toInt())].key;
  std::erase(m_chosen, key);
  if (item->checkState() == Qt::Checked) {
    m_chosen.push_back(key);
  }
  Replot();
}

// ---------------------------------------------------------------------------------------------
// Showing

void CTrendsPage::Replot() {
  m_plot = m_values.PlotOf(ChosenKeys());
  ShowChart();
  ShowTable();
  ShowNote();
  const bool anything = !m_plot.lines.empty();
  m_exportCsv->setEnabled(anything);
  m_savePicture->setEnabled(anything);
}

void CTrendsPage::ShowChart() {
  trends::FillChart(*m_chart, m_plot);
  m_chartView->setAccessibleDescription(trends::DescribeChart(m_plot));
}

void CTrendsPage::ShowTable() {
  const std::vector<trends::TableRow> rows = trends::RowsOf(m_plot);
  m_table->clear();
  m_table->setColumnCount(static_cast<int>(m_plot.lines.size()) + 1);
  m_table->setRowCount(static_cast<int>(rows.size()));
  QStringList headings{trends::texts::TimeColumn()};
  for (const trends::Line& line : m_plot.lines) {
    headings.append(line.label);
  }
  m_table->setHorizontalHeaderLabels(headings);
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    const trends::TableRow& values = rows[static_cast<size_t>(row)];
    m_table->setItem(row, 0, new QTableWidgetItem(trends::FormatTime(values.time)));
    for (size_t column = 0; column < values.cells.size(); ++column) {
      if (values.cells[column].has_value()) {
        m_table->setItem(row, static_cast<int>(column) + 1,
                         new QTableWidgetItem(trends::FormatValue(*values.cells[column])));
      }
    }
  }
  m_table->resizeColumnsToContents();
}

void CTrendsPage::ShowNote() {
  const QString text = NoteText();
  m_note->setText(text);
  m_note->setAccessibleName(text.isEmpty() ? trends::texts::NoteName() : text);
  m_note->setVisible(!text.isEmpty());
}

QString CTrendsPage::NoteText() const {
  if (!m_readError.isEmpty()) {
    return m_readError;
  }
  if (m_patient.isEmpty()) {
    return trends::texts::NoPatient();
  }
  if (m_choices.empty()) {
    return trends::texts::NothingToChoose();
  }
  if (m_plot.lines.empty()) {
    return trends::texts::ChooseSeries();
  }
  QStringList parts;
  for (const trends::Skipped& skipped : m_plot.skipped) {
    if (skipped.notNumbers > 0) {
      parts.append(trends::texts::NotNumbers().arg(skipped.label).arg(skipped.notNumbers));
    }
    if (skipped.otherUnits > 0) {
      parts.append(trends::texts::OtherUnits().arg(skipped.label).arg(skipped.otherUnits));
    }
  }
  return parts.isEmpty() ? QString()
                         : trends::texts::NotPlotted().arg(parts.join(QStringLiteral("; ")));
}

// ---------------------------------------------------------------------------------------------
// Export CSV... and Save Picture...

QString CTrendsPage::ProposedPath(const QString& suffix) const {
  QString name = m_patient;
  name.replace(QLatin1Char('/'), QLatin1Char('-'));
  return trends::texts::FileName().arg(name, suffix);
}

void CTrendsPage::WriteFile(const QString& path, const QByteArray& bytes) {
  QString error;
  if (!m_resources.WritePrivateFile(path, bytes, error)) {
    m_resources.ShowWarning(trends::texts::NotWritten().arg(path, error));
  }
}

void CTrendsPage::OnExportCsv() {
  if (m_plot.lines.empty()) {
    return;
  }
  const QString path = m_resources.GetSaveFileName(
      this, trends::texts::ExportCaption(), ProposedPath(QStringLiteral("csv")),
      trends::texts::CsvFilter(), QStringLiteral("csv"));
  if (!path.isEmpty()) {
    WriteFile(path, trends::CsvOf(m_plot));
  }
}

void CTrendsPage::OnSavePicture() {
  if (m_plot.lines.empty()) {
    return;
  }
  const QString path = m_resources.GetSaveFileName(
      this, trends::texts::PictureCaption(), ProposedPath(QStringLiteral("png")),
      trends::texts::PngFilter() + QStringLiteral(";;") + trends::texts::PdfFilter(),
      QStringLiteral("png"));
  if (path.isEmpty()) {
    return;
  }
  const bool pdf = QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
  const QByteArray bytes = PictureBytes(pdf);
  if (bytes.isEmpty()) {
    m_resources.ShowWarning(trends::texts::NotWritten().arg(path, trends::texts::PictureNotMade()));
    return;
  }
  WriteFile(path, bytes);
}

namespace {

// The patient's name above, the chart in the middle and the note below, filling area.
void PaintPicture(QPainter& painter, const QRect& area, const QString& title, const QString& note,
                  const trends::Plot& plot) {
  painter.fillRect(area, Qt::white);
  const QRect inner =
      area.adjusted(kPictureMargin, kPictureMargin, -kPictureMargin, -kPictureMargin);
  QFont font = painter.font();
  font.setPixelSize(std::max(12, inner.height() / 30));
  font.setBold(true);
  painter.setFont(font);
  const int line = painter.fontMetrics().height();
  painter.drawText(inner.left(), inner.top(), inner.width(), line, Qt::AlignLeft, title);
  font.setBold(false);
  painter.setFont(font);
  const QRect noteArea = painter.fontMetrics().boundingRect(inner, Qt::TextWordWrap, note);
  const int noteHeight = note.isEmpty() ? 0 : noteArea.height();
  const QRect chartArea(inner.left(), inner.top() + line + kPictureMargin / 2, inner.width(),
                        inner.height() - line - noteHeight - kPictureMargin);
  if (noteHeight > 0) {
    painter.drawText(
        QRect(inner.left(), chartArea.bottom() + kPictureMargin / 2, inner.width(), noteHeight),
        Qt::TextWordWrap, note);
  }
  // A chart of its own, laid out at the picture's size whatever the size of the page.
  QGraphicsScene scene;
  auto* chart = new QChart;
  scene.addItem(chart);
  chart->legend()->setAlignment(Qt::AlignBottom);
  trends::FillChart(*chart, plot);
  chart->resize(chartArea.size());
  painter.setRenderHint(QPainter::Antialiasing);
  scene.render(&painter, chartArea, QRectF(QPointF(0, 0), chartArea.size()));
}

}  // namespace

QByteArray CTrendsPage::PictureBytes(bool pdf) const {
  QByteArray bytes;
  if (pdf) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfResolution);
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.setTitle(m_patient);
    QPainter painter;
    if (!painter.begin(&writer)) {
      return {};
    }
    PaintPicture(painter, QRect(0, 0, writer.width(), writer.height()), m_patient, NoteText(),
                 m_plot);
    painter.end();
    return bytes;
  }
  QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    PaintPicture(painter, image.rect(), m_patient, NoteText(), m_plot);
  }
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  return image.save(&buffer, "PNG") ? bytes : QByteArray();
}
