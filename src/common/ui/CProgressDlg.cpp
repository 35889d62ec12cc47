#include "common/ui/CProgressDlg.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"

CProgressDlg::CProgressDlg(QWidget* parent)
    : QDialog(parent),
      m_status(new QLabel(this)),
      m_progress(new QProgressBar(this)),
      m_cancel(new QPushButton(strings::Load(ids::kButtonCancel), this)) {
  setWindowTitle(strings::Load(ids::kAppName));
  m_status->setWordWrap(true);
  m_status->setMinimumWidth(220);
  m_status->setObjectName(QStringLiteral("status"));
  m_progress->setRange(0, 100);
  m_progress->setValue(0);
  m_progress->setTextVisible(false);
  m_progress->setAccessibleName(strings::Load(ids::kProgressBarName));
  m_cancel->setObjectName(QStringLiteral("cancel"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_status);
  layout->addWidget(m_progress);
  layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
  connect(m_cancel, &QPushButton::clicked, this, &CProgressDlg::Cancel);
}

void CProgressDlg::Start(const QString& title) {
  if (!title.isEmpty()) {
    setWindowTitle(title);
  }
  m_bCancelled = false;
  show();
  QCoreApplication::processEvents();
}

void CProgressDlg::SetStatus(int stringId) {
  SetStatus(strings::Load(stringId));
}

void CProgressDlg::SetStatus(const QString& text) {
  // Status texts of the string table often start with a line feed to centre one line in two.
  m_status->setText(text.trimmed());
}

QString CProgressDlg::Status() const {
  return m_status->text();
}

void CProgressDlg::SetProgress(int position, int range) {
  if (range > 0) {
    m_progress->setRange(0, range);
  }
  m_progress->setValue(qBound(m_progress->minimum(), position, m_progress->maximum()));
}

int CProgressDlg::Position() const {
  return m_progress->value();
}

int CProgressDlg::Range() const {
  return m_progress->maximum();
}

bool CProgressDlg::IsCancelled() {
  QCoreApplication::processEvents();
  return m_bCancelled;
}

void CProgressDlg::Cancel() {
  m_bCancelled = true;
  m_cancel->setEnabled(false);
}

void CProgressDlg::reject() {
  // Escape and the close box cancel the work; the work closes the dialog when it stops.
  Cancel();
}
