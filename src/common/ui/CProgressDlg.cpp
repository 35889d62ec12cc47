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
      status_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      cancel_(new QPushButton(strings::Load(ids::kButtonCancel), this)) {
  setWindowTitle(strings::Load(ids::kAppName));
  status_->setWordWrap(true);
  status_->setMinimumWidth(220);
  status_->setObjectName(QStringLiteral("status"));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progress_->setAccessibleName(strings::Load(ids::kProgressBarName));
  cancel_->setObjectName(QStringLiteral("cancel"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(progress_);
  layout->addWidget(cancel_, 0, Qt::AlignHCenter);
  connect(cancel_, &QPushButton::clicked, this, &CProgressDlg::Cancel);
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
  status_->setText(text.trimmed());
}

QString CProgressDlg::Status() const {
  return status_->text();
}

void CProgressDlg::SetProgress(int position, int range) {
  if (range > 0) {
    progress_->setRange(0, range);
  }
  progress_->setValue(qBound(progress_->minimum(), position, progress_->maximum()));
}

int CProgressDlg::Position() const {
  return progress_->value();
}

int CProgressDlg::Range() const {
  return progress_->maximum();
}

bool CProgressDlg::IsCancelled() {
  QCoreApplication::processEvents();
  return m_bCancelled;
}

void CProgressDlg::Cancel() {
  m_bCancelled = true;
  cancel_->setEnabled(false);
}

void CProgressDlg::reject() {
  // Escape and the close box cancel the work; the work closes the dialog when it stops.
  Cancel();
}
