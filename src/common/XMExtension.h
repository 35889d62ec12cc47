#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <utility>

// The plugin interface of the program: what an extension library sees of the program and what it
// gives back. Every class here is a pure interface, so an extension compiled against this header
// (and Qt) needs no other symbol of the program. docs/extensions.md describes how to write one.

class CTabPage;  // a page of a tab strip (common/ui/CTabPage.h)
class QWidget;

// Version of this interface. The program offers its newest version first and then each older
// one it still serves, down to kXMExtensionOldestVersion; the factory of an extension answers
// nullptr for a version that it was not built for. Each version only adds to the one before: the
// classes keep their operations in the same slots, and what a version adds comes after them, so
// an extension built for an older version runs unchanged.
inline constexpr int kXMExtensionInterfaceVersion = 4;
inline constexpr int kXMExtensionOldestVersion = 1;

// Told about the patient the user is working on. Registered through
// XMResourceMgr::AddPatientListener; the program does not own it.
class IPatientListener {
 public:
  virtual ~IPatientListener() = default;
  // name is the patient's full name; empty when no patient is selected any more.
  virtual void OnPatientSelected(const QString& name) = 0;
  virtual void OnPatientDeleted(const QString& name) = 0;
};

// A tab strip to which extensions add pages: the chart tabs of the main window and the tabs of
// the preferences dialog. Owned by the program; valid during the call that hands it over.
class ITabHost {
 public:
  // Nothing to release: the strip belongs to the program. Kept so that extensions that call it
  // when they are done with a host stay correct.
  virtual void Release() = 0;
  virtual CTabPage* GetActivePage() = 0;
  // Selects the page with that tab title; answers its index, or -1 when no tab has that title.
  virtual int SelectPage(const QString& title) = 0;
  // Index of the page with that tab title (compared exactly), or -1.
  virtual int FindPage(const QString& title) = 0;
  // nullptr outside 0 .. GetPageCount() - 1.
  virtual CTabPage* GetPage(int index) = 0;
  virtual CTabPage* GetPage(const QString& title) = 0;
  virtual int GetPageCount() = 0;
  // Creates page as a child of the strip (CTabPage::Create) and appends it with a tab titled
  // title. The strip's window then owns the page.
  virtual bool AddPage(const QString& title, CTabPage* page) = 0;
  // Removes the page with that title; refused (false) for the current page.
  virtual bool RemovePage(const QString& title) = 0;

 protected:
  virtual ~ITabHost() = default;
};

// Version 2. One stored record of named values of the current patient: a vital-signs entry or a
// lab result. The record is a copy; changing it changes nothing stored.
struct XMValueRecord {
  // When the entry was taken or the lab drawn, in the device's local time.
  QDateTime time;
  // The lab group ("CBC", "Chemistry", "Misc", ...); empty for a vital-signs entry.
  QString name;
  // The values exactly as stored: name, line feed, value, line feed for each pair.
  QString values;
  // The same values split into (name, value) pairs, in stored order, names and values as they
  // stand. In a "Misc" lab the value of a "Value Name" pair names the values after it.
  QList<std::pair<QString, QString>> pairs;
  // 0 made on the device, 1 read-only from the desktop, 2 read/write from the desktop.
  int accessState = 0;
};

// Version 2. Told when the vital signs or lab results of a patient may have changed: an entry was
// saved, edited or deleted, a beam was received, or the screen was refreshed on request
// ("OvelinRefreshScreen"). A listener reads again what it shows.
class IPatientDataListener {
 public:
  virtual ~IPatientDataListener() = default;
  // name is the patient's full name; empty when any patient's records may have changed.
  virtual void OnPatientDataChanged(const QString& name) = 0;
};

// Version 2. Read-only access to the records of the patient the user is working on. Owned by the
// program; valid as long as the XMResourceMgr that handed it out.
class XMPatientData {
 public:
  // The current patient's full name; empty when no patient is selected.
  virtual QString CurrentPatient() = 0;
  // The current patient's vital-signs entries, oldest first. False, with records empty and error
  // saying why, when the store could not be read; true with no records when there are none or
  // no patient is selected.
  virtual bool GetVitals(QList<XMValueRecord>& records, QString& error) = 0;
  // The current patient's lab results, oldest first, as GetVitals.
  virtual bool GetLabResults(QList<XMValueRecord>& records, QString& error) = 0;
  // Appends a listener; not owned. Listeners are told in the order they were added.
  virtual void AddDataListener(IPatientDataListener* listener) = 0;

 protected:
  virtual ~XMPatientData() = default;
};

// What the program offers its extensions.
class XMResourceMgr {
 public:
  // The main window's command bar (a QToolBar), nullptr before the main window exists.
  virtual QWidget* GetCommandBar() = 0;
  // Appends a listener to the program's listener list; not owned.
  virtual void AddPatientListener(IPatientListener* listener) = 0;
  // Offers a command in the program's menu under the text given. Choosing it sends commandId
  // (10000 .. 20000) to the view, which routes it to XMExtensionMgr::OnCmdMsg.
  virtual void AddCommand(int commandId, const QString& text) = 0;

 protected:
  virtual ~XMResourceMgr() = default;

  // Version 2, after every operation of version 1. Only an extension made for version 2 or later
  // may call these.
 public:
  // The current patient's vital signs and lab results; never nullptr.
  virtual XMPatientData* GetPatientData() = 0;
  // The program's save-file dialog: filter like "CSV files (*.csv)", proposed a folder or file
  // path, defaultSuffix (without dot) added to a chosen name that has none. The chosen path, or
  // empty when the person cancelled.
  virtual QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& proposed,
                                  const QString& filter, const QString& defaultSuffix) = 0;
  // Writes bytes as the whole new content of the file, readable by its owner only, so that a
  // reader sees the old file or the whole new one. False with the reason when it fails.
  virtual bool WritePrivateFile(const QString& path, const QByteArray& bytes, QString& error) = 0;
  // Tells the person something went wrong, in the program's message box (caption "Ovelin", OK).
  virtual void ShowWarning(const QString& text) = 0;

  // Version 3, after every operation of version 2.
  // The chart of the patient of that name as one FHIR R4 Bundle in JSON (docs/fhir.md), and a
  // line saying what could not be coded. False with the reason when the device could not be read
  // whole or has no such patient.
  virtual bool ExportFhir(const QString& patient, QByteArray& json, QString& summary,
                          QString& error) = 0;
  // Tells the person something, in the program's message box (caption "Ovelin", OK).
  virtual void ShowInformation(const QString& text) = 0;

  // Version 4, after every operation of version 3.
  // Synchronises the device with the ward server of the user's settings (the "Sync" settings,
  // docs/sync.md) under the program's progress dialog, whose Cancel stops it until the server has
  // taken the exchange; afterwards every page shows the device as it now is. True with the result
  // in plain words, a sentence a line; false with the reason (no server set, the server
  // unreachable, cancelled, ...).
  virtual bool Synchronise(QWidget* parent, QString& summary, QString& error) = 0;
  // A text setting of the device's user, HKCU\Software\Quillfen\KEY, VALUE; empty when not set.
  virtual QString ReadUserSetting(const QString& key, const QString& value) = 0;
  // False when it could not be written.
  virtual bool WriteUserSetting(const QString& key, const QString& value, const QString& text) = 0;
};

// One extension. The first five operations are the ones the program has always called, in this
// order; the rest follow them.
class XMExtension {
 public:
  virtual ~XMExtension() = default;

  // Lines for the About box; empty = none.
  virtual QString GetAboutText1() = 0;
  virtual QString GetAboutText2() = 0;
  // Help text appended to the program's help file; empty = none.
  virtual QString GetHelpContents() = 0;
  // Called once when the chart tabs exist: the extension may add pages with host->AddPage.
  virtual void AddChartPages(ITabHost* host) = 0;
  // Called each time the preferences dialog is made.
  virtual void AddPreferencePages(ITabHost* host) = 0;

  // Called once, right after the extension is loaded; resources stays valid until the
  // extension is destroyed and may be nullptr in a program without a main window.
  virtual void Initialize(XMResourceMgr* resources) = 0;
  // A command id in 10000 .. 20000; true when the extension handled it.
  virtual bool OnCmdMsg(int commandId) = 0;
  // A registered message by name (for example one posted with `ovelin-cli post NAME`); true when
  // the extension handled it.
  virtual bool OnRegisteredMsg(const QString& message) = 0;
};

// The one function an extension library exports:
//   extern "C" XMExtension* OvelinCreateExtension(int interfaceVersion);
// It answers a new extension object, which the program deletes, or nullptr to decline.
using XMExtensionFactory = XMExtension* (*)(int interfaceVersion);
inline constexpr const char* kXMExtensionFactoryName = "OvelinCreateExtension";
