#pragma once

#include <QString>

// The plugin interface of the program: what an extension library sees of the program and what it
// gives back. Every class here is a pure interface, so an extension compiled against this header
// (and Qt) needs no other symbol of the program. docs/extensions.md describes how to write one.

class CTabPage;  // a page of a tab strip (common/ui/CTabPage.h)
class QWidget;

// Version of this interface; the factory of an extension is handed it and answers nullptr for a
// version that it was not built for.
inline constexpr int kXMExtensionInterfaceVersion = 1;

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
