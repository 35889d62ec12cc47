#pragma once

#include <QHash>
#include <QMainWindow>
#include <QSize>

#include "shell/DeviceScreen.h"

class COvelinApp;
class COvelinView;
class QAction;
class QMenu;
class QSystemTrayIcon;
class QToolBar;

// The main window: the view above the command bar (the "File" menu, the seven record buttons and
// the input-panel toggle), and an icon in the notification area where the desktop has one.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(COvelinApp& app, QWidget* parent = nullptr);
  ~CMainFrame() override;

  static QSize DefaultSize() { return device_screen::Size(); }

  COvelinView* View() const { return m_view; }
  QToolBar* CommandBar() const { return m_commandBar; }
  QMenu* FileMenu() const { return m_fileMenu; }
  // The menu or toolbar action of a command id; nullptr when there is none.
  QAction* Action(int commandId) const { return m_actions.value(commandId); }
  QSystemTrayIcon* Tray() const { return m_tray; }

  // An extension's command in the "File" menu, above "Close".
  void AddExtensionCommand(int commandId, const QString& text);
  // The record buttons are enabled only while a patient is selected.
  void UpdateCommandUI();
  // Carries out a command of the menu or the toolbar.
  void OnCommand(int commandId);
  // True once the window has been closed: the program is ending.
  bool IsClosed() const { return m_closed; }

 signals:
  // The window closed ("Close", "Exit" in the password prompt, or a second copy with /d).
  void closed();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QAction* AddMenuCommand(int commandId, int textId);
  void AddToolbarCommand(int commandId, const char* picture, int tipId);
  void CreateTray();
  void OnTrayActivated(int reason);
  void TellDesktop();

  COvelinApp& m_app;
  COvelinView* m_view;
  QToolBar* m_commandBar;
  QMenu* m_fileMenu;
  QAction* m_closeAction = nullptr;
  QSystemTrayIcon* m_tray = nullptr;
  QHash<int, QAction*> m_actions;
  bool m_closed = false;
};
