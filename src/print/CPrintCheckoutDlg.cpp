#include "print/CPrintCheckoutDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

#include "common/CAsciiPr.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CProgressDlg.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "print/CCheckoutPatientList.h"

namespace {

constexpr int kMargin = 4;
constexpr int kListGapPanelUp = 38;
constexpr int kListGapPanelDown = 70;

void TellPrinterFailure(int textId) {
  messages::Show(strings::Load(textId), strings::Load(ids::kAppName), messages::Buttons::Ok,
                 messages::Icon::Exclamation);
}

}  // namespace

CPrintCheckoutDlg::CPrintCheckoutDlg(const QString& type,
                                     const app_options::PrintSettings& settings, QWidget* parent)
    : QDialog(parent),
      m_settings(settings),
      m_contents(checkout_print::LoadContents()),
      m_help(new QLabel(strings::Load(ids::kPrintCheckoutHelp), this)),
      m_list(new CCheckoutPatientList(this)),
      m_print(new CPictureButton(strings::Load(ids::kPicturePrint), this)),
      m_cancel(new CPictureButton(strings::Load(ids::kPictureCancel), this)),
      m_itemsLabel(new QLabel(strings::Load(ids::kChecklistItemsLabel), this)),
      m_meds(new QCheckBox(strings::Load(ids::kChecklistMeds), this)),
      m_vitals(new QCheckBox(strings::Load(ids::kChecklistVitals), this)),
      m_todo(new QCheckBox(strings::Load(ids::kChecklistTodo), this)),
      m_choices(new QWidget(this)),
      m_layout(new QVBoxLayout(this)) {
  setWindowTitle(strings::Load(ids::kPrintCheckoutTitle));
  m_help->setWordWrap(true);
  m_help->setAccessibleName(m_help->text());
  m_itemsLabel->setAccessibleName(m_itemsLabel->text());
  m_choices->setAccessibleName(m_itemsLabel->text());
  m_print->setAccessibleName(strings::Load(ids::kPrintButtonName));
  m_cancel->setAccessibleName(strings::Load(ids::kButtonCancel));
  for (CPictureButton* button : {m_print, m_cancel}) {
    button->setFocusPolicy(Qt::TabFocus);
  }
  for (QCheckBox* box : {m_meds, m_vitals, m_todo}) {
    box->setAccessibleName(box->text());
  }

  auto* top = new QHBoxLayout;
  top->addWidget(m_help, 1);
  top->addWidget(m_print, 0, Qt::AlignTop);
  top->addWidget(m_cancel, 0, Qt::AlignTop);
  auto* boxes = new QHBoxLayout;
  boxes->addWidget(m_meds);
  boxes->addWidget(m_vitals);
  boxes->addWidget(m_todo);
  boxes->addStretch(1);
  auto* choices = new QVBoxLayout(m_choices);
  choices->setContentsMargins(0, 0, 0, 0);
  choices->addWidget(m_itemsLabel);
  choices->addLayout(boxes);
  m_layout->addLayout(top);
  m_layout->addWidget(m_list, 1);
  m_layout->addWidget(m_choices);

  connect(m_print, &QAbstractButton::clicked, this, &CPrintCheckoutDlg::OnPrint);
  connect(m_cancel, &QAbstractButton::clicked, this, &CPrintCheckoutDlg::OnCancel);
  connect(m_list->header(), &QHeaderView::sectionClicked, m_list,
          &CCheckoutPatientList::SortByColumn);

  input_panel::FollowPanel(*this, [this] { FitToInputPanel(); });
  setGeometry(input_panel::Desktop());
  FitToInputPanel();
  m_list->Fill(type);
  UpdateData(false);
}

int CPrintCheckoutDlg::DoModal() {
  return ui_seams::RunModal(*this);
}

void CPrintCheckoutDlg::UpdateData(bool save) {
  if (save) {
    m_contents.meds = m_meds->isChecked();
    m_contents.vitals = m_vitals->isChecked();
    m_contents.todo = m_todo->isChecked();
    return;
  }
  m_meds->setChecked(m_contents.meds);
  m_vitals->setChecked(m_contents.vitals);
  m_todo->setChecked(m_contents.todo);
}

void CPrintCheckoutDlg::OnPrint() {
  UpdateData(true);
  checkout_print::SaveContents(m_contents);
  PrintMarked();
  done(0);
}

void CPrintCheckoutDlg::PrintMarked() {
  const std::vector<QString> names = m_list->MarkedNames();
  const int count = static_cast<int>(names.size());
  CProgressDlg progress(this);
  progress.SetStatus(ids::kPrintInitializing);
  progress.SetProgress(0, count);
  progress.Start(strings::Load(ids::kPrintCheckoutTitle));

  CAsciiPr printer;
  if (printer.OpenPort(m_settings.linesPerPage, m_settings.pageWidth, m_settings.leftMargin,
                       m_settings.topMargin, m_settings.bottomMargin) != 0) {
    TellPrinterFailure(ids::kPrinterConnectError);
    return;
  }
  progress.SetStatus(ids::kPrintPrinting);
  progress.SetProgress(0, count);
  // Each patient is looked up again: one deleted meanwhile prints nothing but counts as done. The
  // cancel check after the last patient also shows the full bar.
  int printed = 0;
  while (!progress.IsCancelled() && printed < count) {
    checkout_print::PrintPatient(printer, names[static_cast<size_t>(printed)], m_contents);
    progress.SetProgress(++printed, 0);
  }
  printer.FormFeed();
  if (printer.ClosePort() != 0) {
    TellPrinterFailure(ids::kPrinterNotFound);
  }
}

void CPrintCheckoutDlg::OnCancel() {
  reject();
}

void CPrintCheckoutDlg::FitToInputPanel() {
  // The choices stand in the room the list leaves below it; where the desktop draws them taller
  // than that room, the list ends higher so that they stay above the input panel.
  const int below = m_choices->sizeHint().height() + m_layout->spacing();
  const int gap = input_panel::BottomGap(height(), qMax(kListGapPanelUp, below + kMargin),
                                         qMax(kListGapPanelDown, below + kMargin));
  m_layout->setContentsMargins(kMargin, kMargin, kMargin, gap - below);
  m_layout->setGeometry(rect());
}
