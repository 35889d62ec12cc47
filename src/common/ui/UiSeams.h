#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "common/MessageService.h"

class QComboBox;
class QDialog;
class QWidget;

// The places where the program waits for a person, other than message boxes (which go through
// messages::Show): modal dialogs and the save-file dialog. Tests install handlers that act on the
// dialog and answer for the person; without a handler the real dialog runs.
namespace ui_seams {

// Receives the dialog about to run modally (set up and ready to show), may act on its widgets,
// and answers the dialog's result (QDialog::Accepted, Rejected or any done() code).
using ModalHandler = std::function<int(QDialog& dialog)>;

// Runs every modal dialog of the program: the next scripted handler, else the installed
// handler, else dialog.exec(). The dialog's result() is set to the answer.
int RunModal(QDialog& dialog);

// A persistent handler for every dialog that no scripted handler takes (empty = real dialogs).
void SetModalHandler(ModalHandler handler);
// One-shot handlers, used in the order pushed; a dialog run from within a handler takes the next.
void PushModalHandler(ModalHandler handler);
int PendingModalHandlers();
void ClearModalHandlers();
// Window titles of the dialogs run so far, in order (for tests).
const QStringList& ModalTitles();
void ClearModalTitles();

// The save-file dialog. filter like "Text Files (*.txt)"; defaultSuffix without dot ("txt") is
// added when the chosen name has none. Answers the chosen path, empty when cancelled.
struct SaveFileRequest {
  QWidget* parent = nullptr;
  QString caption;
  QString directory;  // folder or proposed file path
  QString filter;
  QString defaultSuffix;
};
using SaveFileHandler = std::function<QString(const SaveFileRequest& request)>;
QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, const QString& defaultSuffix = {});
void SetSaveFileHandler(SaveFileHandler handler);  // empty = the real dialog

// Opens a drop-down's list, as a tap on a choice row does. Where there is no screen to show it
// on (the offscreen platform the tests run on), a pop-up would only grab the input: the list
// stays closed and is picked from through the combo box itself.
void OpenDropDown(QComboBox& combo);

// The window a message box or dialog belongs to: the active modal dialog, else the active window,
// else the program's main window; nullptr when none is shown.
QWidget* OwnerWindow();
// Places dialog over the middle of owner, inside it where it fits.
void CentreOn(QWidget& dialog, const QWidget* owner);

// Message boxes shown with QMessageBox, centred on the window they belong to: caption, text,
// buttons and icon as asked.
class QtMessageService : public messages::IMessageService {
 public:
  messages::Answer Show(const messages::Shown& message) override;
};
// Installs one QtMessageService for the process (the program does this at start-up).
void InstallQtMessageService();

}  // namespace ui_seams
