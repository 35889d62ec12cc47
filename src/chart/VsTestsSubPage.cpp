#include "chart/VsTestsSubPage.h"

#include <QBoxLayout>

#include "chart/CVSTestsPage.h"
#include "chart/VsTestsWidgets.h"
#include "common/StringIds.h"
#include "common/ui/CPictureButton.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"
#include "store/CDBLabValues.h"
#include "store/CDBTest.h"
#include "store/CDBVitals.h"

namespace {

// The page's lists end this far above the bottom of the page.
constexpr int kBottomGap = 7;

template <typename Store>
bool Remove(uint32_t recordId) {
  return Store().DeleteByCEOID(recordId);
}

// What tells the three sub-pages apart: their records, their layout's dialog id, and what DELETE
// asks and tells and how it deletes a record.
struct Kind {
  uint8_t recordType;
  int dialogId;
  int askDelete;
  int deleteFailed;
  bool (*remove)(uint32_t recordId);
  // A delete changes what the extensions read (vital signs, lab results).
  bool tellsExtensions;
};

constexpr Kind kKinds[] = {
    {CDBLabValues::kRecordType, 136, ids::kAskDeleteLabResult, ids::kLabDeleteFailed,
     Remove<CDBLabValues>, true},
    {CDBVitals::kRecordType, 137, ids::kAskDeleteVitals, ids::kVitalsDeleteFailed,
     Remove<CDBVitals>, true},
    {CDBTest::kRecordType, 138, ids::kAskDeleteTest, ids::kTestDeleteFailed, Remove<CDBTest>,
     false},
};

const Kind& KindOf(uint8_t recordType) {
  for (const Kind& kind : kKinds) {
    if (kind.recordType == recordType) {
      return kind;
    }
  }
  Q_UNREACHABLE();
}

}  // namespace

CVsTestsSubPage::CVsTestsSubPage(uint8_t recordType, CVSTestsPage& container)
    : CPatientTabPage(KindOf(recordType).dialogId, &container), m_container(container) {
  m_recordType = recordType;
}

bool CVsTestsSubPage::OnSetActive() {
  Refill(m_recordId);
  return true;
}

bool CVsTestsSubPage::GetSelectedRecord(int& type, uint32_t& recordId) {
  type = m_recordType;
  recordId = SelectedRecordId();
  return recordId != 0;
}

void CVsTestsSubPage::OnDelete() {
  const uint32_t id = SelectedRecordId();
  // A read-only record stays, whatever reached this handler.
  if (id == 0 || SelectedIsReadOnly()) {
    return;
  }
  const Kind& kind = KindOf(m_recordType);
  if (!vs_tests_widgets::ConfirmDelete(kind.askDelete)) {
    return;
  }
  if (!kind.remove(id)) {
    vs_tests_widgets::ReportFailure(kind.deleteFailed);
    return;
  }
  if (kind.tellsExtensions) {
    TellPatientDataChanged();
  }
  OnRecordDeleted(id);
}

void CVsTestsSubPage::MakeRecordButtons(RecordButtons buttons) {
  using vs_tests_widgets::MakeButton;
  if (buttons == RecordButtons::kSaveAndDelete) {
    m_save = MakeButton(ids::kPictureSave, ids::kSaveName, this);
    m_noSave = MakeButton(ids::kPictureNoSave, ids::kNoSaveName, this);
  }
  m_delete = MakeButton(ids::kPictureDelete, ids::kButtonDelete, this);
  m_noDelete = MakeButton(ids::kPictureNoDelete, ids::kNoDeleteName, this);
}

void CVsTestsSubPage::ShowAccessState(int state) {
  m_readOnly = state;
  const bool locked = state != 0;
  ShowReadOnlyLabel(locked);
  if (m_save != nullptr) {
    m_save->setVisible(!locked);
  }
  m_delete->setVisible(!locked);
  if (m_noSave != nullptr) {
    m_noSave->setVisible(locked);
  }
  m_noDelete->setVisible(locked);
}

void CVsTestsSubPage::SetPageMargins(QBoxLayout& layout) {
  layout.setContentsMargins(0, 0, 0, kBottomGap);
  layout.setSpacing(4);
}

QString CVsTestsSubPage::Patient() const {
  return m_container.CurrentPatient();
}

bool CVsTestsSubPage::IsShownSubPage() const {
  return m_container.CurrentSubPage() == this;
}

void CVsTestsSubPage::ShowReadOnlyLabel(bool shown) {
  if (IsShownSubPage()) {
    m_container.ShowReadOnlyLabel(shown);
  }
}

void CVsTestsSubPage::TellPatientDataChanged() const {
  if (IPageHost* host = m_container.Host()) {
    host->Shell().NotifyPatientDataChanged(Patient());
  }
}
