#include "chart/CVSTestsPage.h"

#include <QLabel>

#include "chart/CLabsPage.h"
#include "chart/CTestsPage.h"
#include "chart/CVitalsPage.h"
#include "chart/VsTestsWidgets.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"

namespace {

// The sub-pages stand 2 pixels in from the left and 3 from the right, 3 pixels below the row
// of buttons, and reach the container's bottom.
constexpr int kSideGap = 2;
constexpr int kRightGap = 3;
constexpr int kButtonTop = 2;
constexpr int kButtonGap = 2;
constexpr int kBelowButtons = 3;

}  // namespace

CVSTestsPage::CVSTestsPage(QWidget* parent)
    : CPatientTabPage(kDialogId, parent),
      m_buttons{vs_tests_widgets::MakeButton(ids::kPictureShowLabs, ids::kLabsButtonName, this),
                vs_tests_widgets::MakeButton(ids::kPictureShowVitals, ids::kVitalsButtonName, this),
                vs_tests_widgets::MakeButton(ids::kPictureShowTests, ids::kTestsButtonName, this)},
      m_readOnly(new QLabel(strings::Load(ids::kAccessStateReadOnly), this)),
      m_labs(new CLabsPage(*this)),
      m_vitals(new CVitalsPage(*this)),
      m_tests(new CTestsPage(*this)) {
  m_readOnly->setObjectName(QStringLiteral("readOnlyLabel"));
  m_readOnly->hide();
  for (CVsTestsSubPage* page : SubPages()) {
    page->hide();
  }
  connect(m_buttons[0], &QAbstractButton::clicked, this, &CVSTestsPage::OnShowLabs);
  connect(m_buttons[1], &QAbstractButton::clicked, this, &CVSTestsPage::OnShowVitals);
  connect(m_buttons[2], &QAbstractButton::clicked, this, &CVSTestsPage::OnShowTests);
  Layout();
  OnShowLabs();
}

CVSTestsPage::~CVSTestsPage() = default;

std::array<CVsTestsSubPage*, 3> CVSTestsPage::SubPages() const {
  return {m_labs, m_vitals, m_tests};
}

void CVSTestsPage::OnShowLabs() {
  Switch(m_labs);
}

void CVSTestsPage::OnShowVitals() {
  Switch(m_vitals);
}

void CVSTestsPage::OnShowTests() {
  Switch(m_tests);
}

void CVSTestsPage::Switch(CVsTestsSubPage* page) {
  if (m_current != nullptr) {
    m_current->OnKillActive();
    m_current->hide();
  }
  m_current = page;
  page->show();
  page->OnSetActive();
  m_buttons[0]->SetPushed(page == m_labs);
  m_buttons[1]->SetPushed(page == m_vitals);
  m_buttons[2]->SetPushed(page == m_tests);
}

bool CVSTestsPage::OnSetActive() {
  CPatientTabPage::OnSetActive();
  if (m_current != nullptr) {
    m_current->OnSetActive();
  }
  return true;
}

bool CVSTestsPage::GetSelectedRecord(int& type, uint32_t& recordId) {
  if (m_current == nullptr) {
    return CPatientTabPage::GetSelectedRecord(type, recordId);
  }
  return m_current->GetSelectedRecord(type, recordId);
}

void CVSTestsPage::ShowReadOnlyLabel(bool shown) {
  m_readOnly->setVisible(shown);
}

void CVSTestsPage::UpdateSize() {
  Layout();
}

void CVSTestsPage::resizeEvent(QResizeEvent* event) {
  CPatientTabPage::resizeEvent(event);
  Layout();
}

void CVSTestsPage::Layout() {
  int x = kSideGap;
  int buttonBottom = kButtonTop;
  for (CPictureButton* button : m_buttons) {
    button->move(x, kButtonTop);
    x += button->width() + kButtonGap;
    buttonBottom = qMax(buttonBottom, kButtonTop + button->height());
  }
  m_readOnly->adjustSize();
  m_readOnly->move(width() - m_readOnly->width() - kRightGap - kSideGap,
                   kButtonTop + (buttonBottom - kButtonTop - m_readOnly->height()) / 2);
  const int top = buttonBottom + kBelowButtons;
  const QRect place(kSideGap, top, qMax(0, width() - kSideGap - kRightGap),
                    qMax(0, height() - top));
  for (CVsTestsSubPage* page : SubPages()) {
    page->setGeometry(place);
    page->UpdateSize();
  }
}
