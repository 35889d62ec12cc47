#include "beam/ui/CBeamProgressDlg.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/UiSeams.h"

namespace {

// Rows of the window, top to bottom once the overall pane is shown.
enum Row { kPeerRow = 0, kOverallTextRow, kOverallBarRow, kStatusRow, kItemBarRow, kButtonRow };

constexpr int kSpacing = 5;
constexpr int kWidth = 300;
// The status text has room for three lines (the first stays empty).
constexpr int kStatusLines = 3;
// The whole count of a bar is kept here, since a scaled bar does not show it.
constexpr const char* kRangeProperty = "beamRange";

}  // namespace

namespace beam_bar {

Shown Scale(uint32_t position, uint32_t range) {
  position = std::min(position, range);
  if (range <= kMaxSteps) {
    return {static_cast<int>(range), static_cast<int>(position)};
  }
  const uint64_t scaled = uint64_t{position} * kMaxSteps / range;
  return {static_cast<int>(kMaxSteps), static_cast<int>(scaled)};
}

void Apply(QProgressBar& bar, uint32_t position, uint32_t range) {
  if (range != 0) {
    bar.setProperty(kRangeProperty, range);
  }
  const Shown shown = Scale(position, bar.property(kRangeProperty).toUInt());
  bar.setRange(0, shown.maximum);
  bar.setValue(shown.value);
}

}  // namespace beam_bar

CBeamProgressDlg::CBeamProgressDlg(QWidget* owner)
    : QDialog(owner),
      m_status(new QLabel(this)),
      m_itemBar(new QProgressBar(this)),
      m_cancel(new QPushButton(strings::Load(ids::kBeamCancel), this)),
      m_overall(new QLabel(this)),
      m_overallBar(new QProgressBar(this)),
      m_peer(new QLabel(this)),
      m_layout(new QGridLayout(this)) {
  setWindowTitle(strings::Load(ids::kBeamProgressTitle));
  m_status->setObjectName(QStringLiteral("status"));
  m_overall->setObjectName(QStringLiteral("overall"));
  m_itemBar->setObjectName(QStringLiteral("itemBar"));
  m_overallBar->setObjectName(QStringLiteral("overallBar"));
  m_peer->setObjectName(QStringLiteral("peer"));
  m_peer->setTextFormat(Qt::PlainText);
  m_peer->setAccessibleName(strings::Load(ids::kBeamPeerName));
  m_cancel->setObjectName(QStringLiteral("cancel"));
  m_status->setAccessibleName(strings::Load(ids::kBeamStatusName));
  m_overall->setAccessibleName(strings::Load(ids::kBeamOverallName));
  m_itemBar->setAccessibleName(strings::Load(ids::kBeamItemBarName));
  m_overallBar->setAccessibleName(strings::Load(ids::kBeamOverallBarName));
  m_cancel->setAccessibleName(m_cancel->text());
  for (QLabel* text : {m_status, m_overall}) {
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setMinimumHeight(text->fontMetrics().lineSpacing() * kStatusLines);
  }
  for (QProgressBar* bar : {m_itemBar, m_overallBar}) {
    beam_bar::Apply(*bar, 0, 100);
  }
  m_cancel->setAutoDefault(false);

  m_layout->setSpacing(kSpacing);
  m_layout->addWidget(m_peer, kPeerRow, 0);
  m_layout->addWidget(m_overall, kOverallTextRow, 0);
  m_layout->addWidget(m_overallBar, kOverallBarRow, 0);
  m_layout->addWidget(m_status, kStatusRow, 0);
  m_layout->addWidget(m_itemBar, kItemBarRow, 0);
  m_layout->addWidget(m_cancel, kButtonRow, 0, Qt::AlignLeft);
  m_overall->hide();
  m_overallBar->hide();
  m_peer->hide();
  connect(m_cancel, &QPushButton::clicked, this, &CBeamProgressDlg::OnCancel);
  FitWindow();
}

void CBeamProgressDlg::FitWindow() {
  // A small window of fixed size: as tall as its shown controls need at its width.
  m_layout->activate();
  const int height = m_layout->hasHeightForWidth() ? m_layout->totalHeightForWidth(kWidth)
                                                   : m_layout->totalSizeHint().height();
  setFixedSize(kWidth, height);
}

void CBeamProgressDlg::Show() {
  show();
  raise();
  QCoreApplication::processEvents();
}

void CBeamProgressDlg::UpdateData() {
  m_status->setText(statusText);
  m_overall->setText(overallText);
  PaintNow();
}

void CBeamProgressDlg::PaintNow() {
  // The transfer holds the event loop between its checks for Cancel, so a change waiting for
  // the loop to paint it could be seen late or never ("Searching..." still shown beside "Done").
  if (isVisible()) {
    repaint();
  }
}

bool CBeamProgressDlg::SetStatus(const QString& text, bool error) {
  if (error) {
    ShowErrorView();
  }
  statusText = text;
  UpdateData();
  return IsCancelled();
}

void CBeamProgressDlg::ShowErrorView() {
  if (errorShown) {
    return;
  }
  errorShown = true;
  // The status text keeps its place and width and reaches down to where the item bar ended.
  m_itemBar->hide();
  m_layout->removeWidget(m_status);
  m_layout->addWidget(m_status, kStatusRow, 0, 2, 1);
}

void CBeamProgressDlg::ShowOverallPane() {
  overallShown = true;
  m_overall->show();
  m_overallBar->show();
  FitWindow();
}

void CBeamProgressDlg::SetItemProgress(uint32_t position, uint32_t range) {
  beam_bar::Apply(*m_itemBar, position, range);
  PaintNow();
}

void CBeamProgressDlg::SetOverallProgress(uint32_t position, uint32_t range) {
  beam_bar::Apply(*m_overallBar, position, range);
  PaintNow();
}

void CBeamProgressDlg::SetOverallText(const QString& text) {
  if (!overallShown) {
    ShowOverallPane();
  }
  overallText = text;
  UpdateData();
}

void CBeamProgressDlg::SetPeer(const QString& name) {
  m_peer->setText(strings::FormatId(ids::kBeamPairedPeer, name));
  m_peer->setAccessibleName(m_peer->text());
  m_peer->show();
  FitWindow();
  PaintNow();
}

bool CBeamProgressDlg::IsCancelled() {
  // The window, "Cancel" and the program's other windows are served here, and only here, while
  // the transfer runs.
  QCoreApplication::processEvents();
  return cancelRequested || closeRequested;
}

void CBeamProgressDlg::WaitForDone() {
  finished = true;
  m_cancel->setText(strings::Load(ids::kBeamDone));
  m_cancel->setAccessibleName(m_cancel->text());
  PaintNow();
  if (!closeRequested) {
    ui_seams::RunModal(*this);
  }
  closeRequested = true;
  hide();
}

void CBeamProgressDlg::OnCancel() {
  if (!finished) {
    cancelRequested = true;
    return;
  }
  closeRequested = true;
  done(QDialog::Accepted);
}

void CBeamProgressDlg::reject() {
  // Escape and the close box act as the button does: the window closes only after "Done".
  OnCancel();
}
