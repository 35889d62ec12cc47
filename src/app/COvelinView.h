#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "shell/CommandRegistry.h"

class CHelpViewer;
class CPatientTabCtrl;
class IShell;
class QLabel;

// The single view of the main window: a one-line header naming the current patient above the
// chart tabs. It carries out every command of the menu and the toolbar by dispatching it to the
// handler that the command's folder registered (or to the extensions, for their ids).
class COvelinView : public QWidget {
  Q_OBJECT

 public:
  explicit COvelinView(IShell& shell, QWidget* parent = nullptr);
  ~COvelinView() override;

  // Makes the chart tabs (hidden until start-up shows them).
  void Create();
  // Once, when the main window is first set up: lays the window out, fits the tabs to the input
  // panel, removes the start-up picture and selects the patient remembered in the registry.
  void OnInitialUpdate();
  // A settings-change notification: the input panel moved.
  void OnSettingChange();
  // Gives the tab strip the height the visible desktop leaves it.
  void FitTabStrip();

  // An extension's id goes to the extension manager, any other to its registered handler.
  void OnCommand(int commandId);
  CommandRegistry& Commands() { return m_commands; }

  // Opens a shortcut's target (a file or address); the tests replace it.
  using ShellOpener = std::function<bool(const QString& target)>;
  static void SetShellOpener(ShellOpener opener);

  CPatientTabCtrl* TabCtrl() const { return m_tabCtrl; }
  QLabel* Header() const { return m_header; }
  CHelpViewer* HelpViewer() const;

  // The view's own commands.
  void OnReader();
  void OnHelp();
  void OnAbout();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void RegisterOwnCommands();
  QString WindowsFolder() const;

  IShell& m_shell;
  CommandRegistry m_commands;
  QLabel* m_header;
  CPatientTabCtrl* m_tabCtrl;
  QPointer<CHelpViewer> m_helpViewer;
  bool m_initialUpdateDone = false;
};
