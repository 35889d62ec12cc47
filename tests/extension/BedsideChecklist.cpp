// A small extension for the tests: "Bedside Checklist". It adds a chart page that shows the
// selected patient, a preference page, about and help texts, a patient listener and one command,
// and answers one registered message. It uses only the plugin interface and Qt, as every
// extension must, and only what interface version 1 offers: it stands for the extensions made
// before version 2, which the program must go on loading.

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

#include "common/XMExtension.h"
#include "common/ui/CTabPage.h"

namespace {

constexpr int kResetCommand = 15001;
constexpr const char* kRefreshMessage = "BedsideChecklistRefresh";

class ChecklistPage : public CTabPage {
 public:
  explicit ChecklistPage(const QString& patient) : CTabPage(0), m_label(new QLabel(this)) {
    setObjectName(QStringLiteral("BedsideChecklistPage"));
    m_label->setObjectName(QStringLiteral("patient"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    for (const char* step : {"Allergies checked", "Meds reconciled", "Fall risk assessed"}) {
      layout->addWidget(new QCheckBox(QString::fromLatin1(step), this));
    }
    layout->addStretch();
    SetPatient(patient);
  }

  void SetPatient(const QString& patient) {
    m_label->setText(patient.isEmpty() ? QStringLiteral("No patient selected")
                                       : QStringLiteral("Checklist for %1").arg(patient));
  }

  bool OnSetActive() override {
    ++activations;
    return true;
  }

  int activations = 0;

 private:
  QLabel* m_label;
};

class PreferencePage : public CTabPage {
 public:
  PreferencePage() : CTabPage(0) {
    setObjectName(QStringLiteral("BedsideChecklistPreferences"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QCheckBox(QStringLiteral("Remind at shift change"), this));
    layout->addStretch();
  }
};

class BedsideChecklist : public XMExtension, public IPatientListener {
 public:
  ~BedsideChecklist() override { QObject::disconnect(m_pageGone); }

  QString GetAboutText1() override { return QStringLiteral("Bedside Checklist 1.0"); }

  QString GetAboutText2() override {
    return QStringLiteral("Patients seen this session: %1").arg(m_seen);
  }

  QString GetHelpContents() override {
    return QStringLiteral(
        "<h3>Bedside Checklist</h3>\r\n<p>The Checklist tab lists the steps to check at the "
        "bedside of the selected patient.</p>\r\n");
  }

  void AddChartPages(ITabHost* host) override {
    if (host == nullptr) {
      return;
    }
    auto* page = new ChecklistPage(m_patient);
    if (!host->AddPage(QStringLiteral("Checklist"), page)) {
      delete page;
      return;
    }
    m_page = page;
    // The strip may delete the page before the extension ends.
    m_pageGone = QObject::connect(page, &QObject::destroyed, [this, page] {
      if (m_page == page) {
        m_page = nullptr;
      }
    });
  }

  void AddPreferencePages(ITabHost* host) override {
    if (host != nullptr) {
      auto* page = new PreferencePage;
      if (!host->AddPage(QStringLiteral("Checklist"), page)) {
        delete page;
      }
    }
  }

  void Initialize(XMResourceMgr* resources) override {
    if (resources != nullptr) {
      resources->AddPatientListener(this);
      resources->AddCommand(kResetCommand, QStringLiteral("Reset Checklist"));
    }
  }

  bool OnCmdMsg(int commandId) override {
    if (commandId != kResetCommand) {
      return false;
    }
    m_seen = 0;
    return true;
  }

  bool OnRegisteredMsg(const QString& message) override {
    return message == QLatin1String(kRefreshMessage);
  }

  void OnPatientSelected(const QString& name) override {
    m_patient = name;
    if (!name.isEmpty()) {
      ++m_seen;
    }
    if (m_page != nullptr) {
      m_page->SetPatient(name);
    }
  }

  void OnPatientDeleted(const QString& name) override {
    if (name == m_patient) {
      OnPatientSelected(QString());
    }
  }

 private:
  ChecklistPage* m_page = nullptr;  // owned by the tab strip it was added to
  QMetaObject::Connection m_pageGone;
  QString m_patient;
  int m_seen = 0;
};

}  // namespace

// Built for version 1, as every extension made before version 2 was.
constexpr int kBuiltForVersion = 1;

extern "C" __attribute__((visibility("default"))) XMExtension* OvelinCreateExtension(
    int interfaceVersion) {
  if (interfaceVersion != kBuiltForVersion) {
    return nullptr;
  }
  return new BedsideChecklist;
}
