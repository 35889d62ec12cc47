#include "app/CMainFrame.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QIcon>
#include <QMenu>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>

#include "app/COvelinApp.h"
#include "app/COvelinView.h"
#include "app/CPatientTabCtrl.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/InputPanel.h"
#include "common/ui/WindowRoom.h"
#include "shell/CommandIds.h"

CMainFrame::CMainFrame(COvelinApp& app, QWidget* parent)
    : QMainWindow(parent),
      m_app(app),
      m_view(new COvelinView(app, this)),
      m_commandBar(new QToolBar(this)),
      m_fileMenu(new QMenu(strings::Load(ids::kMenuFile), this)) {
  // The window is not deleted when it closes: dialogs running at that moment may be its
  // children, on the stack of their handlers. The application object deletes it at the end.
  setWindowTitle(strings::Load(ids::kAppName));
  setWindowIcon(QIcon(QStringLiteral(":/pictures/ovelin.svg")));
  setCentralWidget(m_view);

  // The "File" menu.
  AddMenuCommand(command_ids::kPrintLog, ids::kMenuPrintLog);
  AddMenuCommand(command_ids::kPrintCheckoutList, ids::kMenuPrintCheckoutList);
  m_fileMenu->addSeparator();
  AddMenuCommand(command_ids::kReceiveBeam, ids::kMenuReceiveBeam);
  AddMenuCommand(command_ids::kBeam, ids::kMenuBeam);
  AddMenuCommand(command_ids::kBeamCategories, ids::kMenuBeamCategories);
  AddMenuCommand(command_ids::kBeamCheckoutList, ids::kMenuBeamCheckoutList);
  AddMenuCommand(command_ids::kPairDevice, ids::kMenuPairDevice);
  m_fileMenu->addSeparator();
  AddMenuCommand(command_ids::kPreferences, ids::kMenuPreferences);
  AddMenuCommand(command_ids::kHelp, ids::kMenuHelp);
  AddMenuCommand(command_ids::kAbout, ids::kMenuAbout);
  m_fileMenu->addSeparator();
  m_closeAction = AddMenuCommand(command_ids::kClose, ids::kMenuClose);

  // The command bar: the menu, then the seven record buttons between separators, then the
  // input-panel toggle.
  m_commandBar->setObjectName(QStringLiteral("commandBar"));
  m_commandBar->setAccessibleName(strings::Load(ids::kCommandBarName));
  m_commandBar->setMovable(false);
  m_commandBar->setFloatable(false);
  m_commandBar->setIconSize(QSize(28, 28));
  auto* fileButton = new QToolButton(m_commandBar);
  // The menu comes first: a screen reader may ask for the button's interface as soon as its
  // text is set, and the interface is chosen once, by whether the button opens a menu.
  fileButton->setMenu(m_fileMenu);
  fileButton->setPopupMode(QToolButton::InstantPopup);
  fileButton->setText(strings::Load(ids::kMenuFile));
  fileButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  fileButton->setObjectName(QStringLiteral("fileMenuButton"));
  m_commandBar->addWidget(fileButton);
  // F10 and Alt+F open the menu from anywhere in the window, as a tap on "File" does.
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_F10), QKeySequence(Qt::ALT | Qt::Key_F)}) {
    auto* opener = new QShortcut(keys, this);
    connect(opener, &QShortcut::activated, fileButton, &QToolButton::showMenu);
  }
  m_commandBar->addSeparator();
  AddToolbarCommand(command_ids::kNewPatient, "toolbar_newpatient", ids::kToolNewPatient);
  AddToolbarCommand(command_ids::kAddMeds, "toolbar_meds", ids::kToolAddMeds);
  AddToolbarCommand(command_ids::kAddLabs, "toolbar_labs", ids::kToolAddLabs);
  AddToolbarCommand(command_ids::kAddVitals, "toolbar_vitals", ids::kToolAddVitals);
  AddToolbarCommand(command_ids::kAddTest, "toolbar_test", ids::kToolAddTest);
  AddToolbarCommand(command_ids::kAddNote, "toolbar_note", ids::kToolAddNote);
  AddToolbarCommand(command_ids::kReader, "toolbar_reader", ids::kToolReader);
  m_commandBar->addSeparator();
  auto* spacer = new QWidget(m_commandBar);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  m_commandBar->addWidget(spacer);
  m_commandBar->addWidget(input_panel::CreateToggleButton(m_commandBar));
  addToolBar(Qt::BottomToolBarArea, m_commandBar);

  CreateTray();
  resize(DefaultSize());

  m_view->Commands().Register(command_ids::kPreferences,
                              [this](CommandContext&) { m_app.OnPreferences(); });
  m_view->Commands().Register(command_ids::kClose, [this](CommandContext&) { close(); });
  m_view->Create();
  connect(m_view->TabCtrl(), &CPatientTabCtrl::patientChanged, this, &CMainFrame::UpdateCommandUI);
  UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
  window_room::SetMainWindowSize(QSize());
}

QAction* CMainFrame::AddMenuCommand(int commandId, int textId) {
  QAction* action = m_fileMenu->addAction(strings::Load(textId));
  action->setData(commandId);
  connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
  m_actions.insert(commandId, action);
  return action;
}

void CMainFrame::AddToolbarCommand(int commandId, const char* picture, int tipId) {
  const QIcon icon(QStringLiteral(":/pictures/%1.svg").arg(QLatin1String(picture)));
  QAction* action = m_commandBar->addAction(icon, strings::Load(tipId));
  action->setData(commandId);
  action->setObjectName(QLatin1String(picture));
  // Tab reaches the button; Space presses it.
  m_commandBar->widgetForAction(action)->setFocusPolicy(Qt::TabFocus);
  connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
  m_actions.insert(commandId, action);
}

void CMainFrame::AddExtensionCommand(int commandId, const QString& text) {
  auto* action = new QAction(text, m_fileMenu);
  action->setData(commandId);
  m_fileMenu->insertAction(m_closeAction, action);
  connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
  m_actions.insert(commandId, action);
}

void CMainFrame::UpdateCommandUI() {
  const bool selected = m_view->TabCtrl()->patientSelected;
  for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
    if (command_ids::NeedsPatient(it.key())) {
      it.value()->setEnabled(selected);
    }
  }
}

void CMainFrame::OnCommand(int commandId) {
  m_view->OnCommand(commandId);
}

void CMainFrame::CreateTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    return;
  }
  m_tray = new QSystemTrayIcon(QIcon(QStringLiteral(":/pictures/ovelin.svg")), this);
  m_tray->setToolTip(strings::Load(ids::kAppName));
  connect(m_tray, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) { OnTrayActivated(reason); });
  m_tray->show();
}

void CMainFrame::OnTrayActivated(int reason) {
  if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
    showNormal();
    update();
    raise();
    activateWindow();
  }
}

bool CMainFrame::event(QEvent* event) {
  if (event->type() == input_panel::SettingChangeEvent::EventType()) {
    m_view->OnSettingChange();
    return true;
  }
  return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // Dialogs still open are cancelled, so that their handlers end before the program does.
  for (int i = 0; i < 32; ++i) {
    auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (modal == nullptr) {
      break;
    }
    modal->reject();
  }
  QMainWindow::closeEvent(event);
  if (event->isAccepted() && !m_closed) {
    m_closed = true;
    if (m_view->TabCtrl() != nullptr) {
      m_view->TabCtrl()->ClosePages();
    }
    emit closed();
  }
}

void CMainFrame::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  TellDesktop();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  TellDesktop();
}

void CMainFrame::TellDesktop() {
  // The emulated input panel rises from the bottom of this window.
  input_panel::SetDesktop(frameGeometry());
  // Pages and dialogs use the room inside the frame.
  window_room::SetMainWindowSize(size());
  m_view->FitTabStrip();
}
