#include "beam/ui/CBeamCheckoutListDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "beam/BeamCommands.h"
#include "beam/ui/BeamTransportChoice.h"
#include "beam/ui/CBeamProgressDlg.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "print/CCheckoutPatientList.h"

namespace {

constexpr int kMargin = 4;
constexpr int kListGapPanelUp = 38;
constexpr int kListGapPanelDown = 70;

}  // namespace

CBeamCheckoutListDlg::CBeamCheckoutListDlg(const QString& type, bool desktopCompanion,
                                           QWidget* parent)
    : QDialog(parent),
      m_desktopCompanion(desktopCompanion),
      m_help(new QLabel(strings::Load(ids::kBeamCheckoutListHelp), this)),
      m_list(new CCheckoutPatientList(this)),
      m_beam(new CPictureButton(strings::Load(ids::kPictureBeam), this)),
      m_cancel(new CPictureButton(strings::Load(ids::kPictureCancel), this)),
      m_layout(new QVBoxLayout(this)) {
  setWindowTitle(strings::Load(ids::kBeamCheckoutListTitle));
  m_help->setWordWrap(true);
  m_help->setAccessibleName(m_help->text());
  m_beam->setAccessibleName(strings::Load(ids::kBeamButtonName));
  m_cancel->setAccessibleName(strings::Load(ids::kButtonCancel));
  for (CPictureButton* button : {m_beam, m_cancel}) {
    button->setFocusPolicy(Qt::TabFocus);
  }

  auto* top = new QHBoxLayout;
  top->addWidget(m_help, 1);
  top->addWidget(m_beam, 0, Qt::AlignTop);
  top->addWidget(m_cancel, 0, Qt::AlignTop);
  m_layout->addLayout(top);
  m_layout->addWidget(m_list, 1);

  connect(m_beam, &QAbstractButton::clicked, this, &CBeamCheckoutListDlg::OnBeam);
  connect(m_cancel, &QAbstractButton::clicked, this, &CBeamCheckoutListDlg::OnCancel);
  connect(m_list, &CCheckoutPatientList::marksChanged, this, &CBeamCheckoutListDlg::OnMarksChanged);

  input_panel::FollowPanel(*this, [this] { FitToInputPanel(); });
  setGeometry(input_panel::Desktop());
  FitToInputPanel();
  m_list->Fill(type);
}

int CBeamCheckoutListDlg::DoModal() {
  return ui_seams::RunModal(*this);
}

void CBeamCheckoutListDlg::OnMarksChanged(int marked) {
  m_beam->setEnabled(marked > 0);
}

void CBeamCheckoutListDlg::OnBeam() {
  const std::vector<QString> names = m_list->MarkedNames();
  if (names.empty()) {
    return;
  }
  {
    CBeamProgressDlg progress(this);
    const std::unique_ptr<platform::IBeamTransport> transport = beam_ui::MakeTransport();
    CBeamEngine engine(progress, *transport);
    beam_commands::BeamCheckoutList(engine, names, m_desktopCompanion);
  }
  done(0);
}

void CBeamCheckoutListDlg::OnCancel() {
  reject();
}

void CBeamCheckoutListDlg::FitToInputPanel() {
  m_layout->setContentsMargins(
      kMargin, kMargin, kMargin,
      input_panel::BottomGap(height(), kListGapPanelUp, kListGapPanelDown));
  m_layout->setGeometry(rect());
}
