#include "common/ui/UiSeams.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPointer>
#include <deque>

#include "common/StringIds.h"
#include "common/StringTable.h"

namespace ui_seams {
namespace {

struct ModalState {
  ModalHandler persistent;
  std::deque<ModalHandler> scripted;
  QStringList titles;
};

ModalState& Modal() {
  static ModalState state;
  return state;
}

SaveFileHandler& SaveHandler() {
  static SaveFileHandler handler;
  return handler;
}

}  // namespace

int RunModal(QDialog& dialog) {
  ModalState& state = Modal();
  state.titles.append(dialog.windowTitle());
  ModalHandler handler;
  if (!state.scripted.empty()) {
    handler = std::move(state.scripted.front());
    state.scripted.pop_front();
  } else {
    handler = state.persistent;
  }
  // A dialog that does not place itself (the full-screen ones do) opens over its window.
  if (!dialog.testAttribute(Qt::WA_Moved)) {
    QWidget* parent = dialog.parentWidget();
    CentreOn(dialog, parent != nullptr ? parent->window() : OwnerWindow());
  }
  if (!handler) {
    return dialog.exec();
  }
  // The dialog is set up as exec() would leave it before showing, without a nested loop.
  dialog.setModal(true);
  const int result = handler(dialog);
  dialog.setResult(result);
  dialog.hide();
  return result;
}

void OpenDropDown(QComboBox& combo) {
  if (combo.isVisible() &&
      !QGuiApplication::platformName().startsWith(QLatin1String("offscreen"))) {
    combo.showPopup();
  }
}

void SetModalHandler(ModalHandler handler) {
  Modal().persistent = std::move(handler);
}

void PushModalHandler(ModalHandler handler) {
  Modal().scripted.push_back(std::move(handler));
}

int PendingModalHandlers() {
  return static_cast<int>(Modal().scripted.size());
}

void ClearModalHandlers() {
  Modal().scripted.clear();
}

const QStringList& ModalTitles() {
  return Modal().titles;
}

void ClearModalTitles() {
  Modal().titles.clear();
}

QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, const QString& defaultSuffix) {
  const SaveFileRequest request{parent, caption, directory, filter, defaultSuffix};
  QString path;
  if (SaveHandler()) {
    path = SaveHandler()(request);
  } else {
    QFileDialog dialog(parent, caption, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
      path = dialog.selectedFiles().constFirst();
    }
  }
  if (!path.isEmpty() && !defaultSuffix.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
    path += QLatin1Char('.') + defaultSuffix;
  }
  return path;
}

void SetSaveFileHandler(SaveFileHandler handler) {
  SaveHandler() = std::move(handler);
}

QWidget* OwnerWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    return modal;
  }
  if (QWidget* active = QApplication::activeWindow()) {
    return active;
  }
  // The program's main window, when nothing is active (a message at start-up).
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible() && window->inherits("QMainWindow")) {
      return window;
    }
  }
  return nullptr;
}

void CentreOn(QWidget& dialog, const QWidget* owner) {
  if (owner == nullptr) {
    return;
  }
  // A dialog that chose its own size keeps it; any other takes the size its layout asks for.
  if (!dialog.testAttribute(Qt::WA_Resized)) {
    dialog.adjustSize();
  }
  QRect placed(QPoint(), dialog.frameGeometry().size());
  placed.moveCenter(owner->frameGeometry().center());
  // Kept inside the owner where it fits, so that nothing of it stands off the window.
  const QRect within = owner->frameGeometry();
  if (placed.width() <= within.width()) {
    placed.moveLeft(qBound(within.left(), placed.left(), within.right() - placed.width() + 1));
  }
  if (placed.height() <= within.height()) {
    placed.moveTop(qBound(within.top(), placed.top(), within.bottom() - placed.height() + 1));
  }
  dialog.move(placed.topLeft());
}

namespace {

// A screen reader says what the box's icon means ("Warning"), as a look at it tells.
void NameIcon(QMessageBox& box, int nameId) {
  for (QLabel* label : box.findChildren<QLabel*>()) {
    if (label->text().isEmpty() && !label->pixmap().isNull()) {
      label->setAccessibleName(nameId != 0 ? strings::Load(nameId) : QString());
    }
  }
}

// A message box no wider than the window it belongs to. The box sizes itself after the screen
// (up to half of it, 500 pixels), which runs past a narrow program window and, centred on it, off
// the screen's edge with the icon; here the text wraps to the window's width instead. The box
// sizes itself again whenever its layout changes, so the fit follows every sizing.
class FittedMessageBox : public QMessageBox {
 public:
  explicit FittedMessageBox(QWidget* owner) : QMessageBox(owner), m_owner(owner) {}

 protected:
  bool event(QEvent* event) override {
    const bool handled = QMessageBox::event(event);
    if (event->type() == QEvent::LayoutRequest) {
      FitWithinOwner();
    }
    return handled;
  }

  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    FitWithinOwner();
  }

 private:
  void FitWithinOwner() {
    if (m_owner == nullptr || layout() == nullptr) {
      return;
    }
    const int frame = frameGeometry().width() - width();
    const int room = m_owner->frameGeometry().width() - frame;
    if (width() <= room) {
      return;
    }
    if (auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      label->setWordWrap(true);
    }
    const int fitted = qMax(room, layout()->totalMinimumSize().width());
    const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(fitted)
                                                     : layout()->totalSizeHint().height();
    setFixedSize(fitted, qMax(height, layout()->totalMinimumSize().height()));
    CentreOn(*this, m_owner);
  }

  QPointer<QWidget> m_owner;
};

}  // namespace

messages::Answer QtMessageService::Show(const messages::Shown& message) {
  QWidget* owner = OwnerWindow();
  FittedMessageBox box(owner);
  box.setWindowTitle(message.caption);
  box.setText(message.text);
  int iconName = 0;
  switch (message.icon) {
    case messages::Icon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case messages::Icon::Information:
      box.setIcon(QMessageBox::Information);
      iconName = ids::kInformationIconName;
      break;
    case messages::Icon::Exclamation:
      box.setIcon(QMessageBox::Warning);
      iconName = ids::kWarningIconName;
      break;
    case messages::Icon::Stop:
      box.setIcon(QMessageBox::Critical);
      iconName = ids::kErrorIconName;
      break;
    case messages::Icon::Question:
      box.setIcon(QMessageBox::Question);
      iconName = ids::kQuestionIconName;
      break;
  }
  NameIcon(box, iconName);
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton preferred = QMessageBox::Ok;
  switch (message.buttons) {
    case messages::Buttons::Ok:
      buttons = QMessageBox::Ok;
      break;
    case messages::Buttons::OkCancel:
      buttons = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case messages::Buttons::YesNo:
      buttons = QMessageBox::Yes | QMessageBox::No;
      preferred = QMessageBox::Yes;
      break;
    case messages::Buttons::YesNoCancel:
      buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      preferred = QMessageBox::Yes;
      break;
  }
  box.setStandardButtons(buttons);
  box.setDefaultButton(preferred);
  CentreOn(box, owner);
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return messages::Answer::Cancel;
    case QMessageBox::Yes:
      return messages::Answer::Yes;
    case QMessageBox::No:
      return messages::Answer::No;
    case QMessageBox::Ok:
      return messages::Answer::Ok;
    default:
      // Closed by the window's close box: the safe answer of each button set.
      return message.buttons == messages::Buttons::Ok      ? messages::Answer::Ok
             : message.buttons == messages::Buttons::YesNo ? messages::Answer::No
                                                           : messages::Answer::Cancel;
  }
}

void InstallQtMessageService() {
  static QtMessageService service;
  messages::Install(&service);
}

}  // namespace ui_seams
