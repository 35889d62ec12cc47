#include "common/ui/CPopupList.h"

#include <QDialog>
#include <QIcon>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

#include "common/CDBCategories.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/PickLists.h"
#include "common/ui/UiSeams.h"

namespace popup_list {

QRect PlaceNextTo(const QRect& anchor, QSize size, const QWidget* owner) {
  // Within the owner's window, else within its screen.
  QRect area;
  if (owner != nullptr) {
    const QWidget* window = owner->window();
    area = QRect(window->mapToGlobal(QPoint()), window->size());
  }
  if (area.isEmpty() && owner != nullptr && owner->screen() != nullptr) {
    area = owner->screen()->availableGeometry();
  }
  if (area.isEmpty()) {
    return QRect(anchor.bottomLeft() + QPoint(0, 1), size);
  }
  size = size.boundedTo(area.size());
  // Below the control where it fits, else above it, else on the side with more room.
  const int roomBelow = area.bottom() - anchor.bottom();
  const int roomAbove = anchor.top() - area.top();
  int top = anchor.bottom() + 1;
  if (size.height() > roomBelow) {
    if (size.height() <= roomAbove || roomAbove > roomBelow) {
      size.setHeight(qMin(size.height(), roomAbove));
      top = anchor.top() - size.height();
    } else {
      size.setHeight(roomBelow);
    }
  }
  const int left = qBound(area.left(), anchor.left(), area.right() + 1 - size.width());
  return QRect(QPoint(left, top), size);
}

int Run(QWidget* owner, const QStringList& entries, QPoint point) {
  if (entries.isEmpty()) {
    return -1;
  }
  QDialog popup(owner, Qt::Popup);
  popup.setWindowTitle(strings::Load(ids::kPopupListTitle));
  auto* list = new QListWidget(&popup);
  list->setObjectName(QStringLiteral("entries"));
  list->setAccessibleName(popup.windowTitle());
  list->addItems(entries);
  list->setCurrentRow(-1);
  auto* layout = new QVBoxLayout(&popup);
  layout->setContentsMargins(1, 1, 1, 1);
  // The pop-up is as tall as its entries, not as tall as a list would like to be.
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  layout->addWidget(list);
  QObject::connect(list, &QListWidget::itemClicked, &popup, &QDialog::accept);
  QObject::connect(list, &QListWidget::itemActivated, &popup, &QDialog::accept);

  const int rowHeight = list->sizeHintForRow(0) > 0 ? list->sizeHintForRow(0) : 18;
  const int width = qMax(list->sizeHintForColumn(0) + 24, 120);
  const int height = qMin(static_cast<int>(entries.size()), 10) * rowHeight + 6;
  QRect anchor;
  if (!point.isNull()) {
    anchor = QRect(point, QSize(1, 1));
  } else if (owner != nullptr) {
    anchor = QRect(owner->mapToGlobal(QPoint()), owner->size());
  }
  popup.setGeometry(PlaceNextTo(anchor, QSize(width, height), owner));
  if (ui_seams::RunModal(popup) != QDialog::Accepted) {
    return -1;
  }
  return list->currentRow();
}

}  // namespace popup_list

CPopupList::CPopupList(QWidget* parent) : QToolButton(parent) {
  setObjectName(QStringLiteral("POPUP"));
  setFocusPolicy(Qt::NoFocus);
  setAutoRaise(true);
  setToolTip(strings::Load(ids::kPopupListTitle));
  CPictureButton picture(QStringLiteral("POPUP"));
  const QSize size = picture.sizeHint();
  setFixedSize(size);
  if (CPictureButton::HasPicture(QStringLiteral("POPUP"))) {
    setIcon(QIcon(picture.grab()));
    setIconSize(size);
  } else {
    setText(QStringLiteral("v"));
  }
  connect(this, &QToolButton::clicked, this, [this] { DoPopup(); });
}

void CPopupList::SetType(int listId) {
  m_listId = listId;
}

QStringList CPopupList::Entries() const {
  if (!m_entries.isEmpty()) {
    return m_entries;
  }
  return pick_lists::Entries(m_listId);
}

bool CPopupList::DoPopup() {
  const QStringList entries = Entries();
  const int index = popup_list::Run(this, entries, QPoint());
  if (index < 0 || index >= entries.size()) {
    return false;
  }
  const QString text = entries.at(index);
  emit notify(kNotifyPicked, text);
  emit picked(text);
  return true;
}

CPopupListCtrl::CPopupListCtrl(QObject* parent) : QObject(parent) {}

QString CPopupListCtrl::DoPopup(int /*unused1*/, int /*unused2*/, int listId, QWidget* owner,
                                QPoint point) {
  CDBCategories categories;
  const QStringList entries = categories.GetListItems(listId);
  const int index = popup_list::Run(owner, entries, point);
  if (index < 0 || index >= entries.size()) {
    return {};
  }
  const QString text = entries.at(index);
  emit notify(CPopupList::kNotifyPicked, text);
  emit picked(text);
  return text;
}
