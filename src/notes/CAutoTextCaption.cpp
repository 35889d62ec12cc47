#include "notes/CAutoTextCaption.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPopupList.h"

CAutoTextCaption::CAutoTextCaption(int captionId, int listId, QPlainTextEdit* box, QWidget* parent)
    : QWidget(parent),
      m_caption(new QLabel(strings::Load(captionId), this)),
      m_popup(new CPopupList(this)),
      m_box(box) {
  m_caption->setObjectName(QStringLiteral("caption"));
  m_caption->setBuddy(box);
  m_caption->installEventFilter(this);
  m_popup->SetType(listId);
  m_popup->setAccessibleName(strings::Load(ids::kNameAutoText));
  m_popup->setFocusPolicy(Qt::TabFocus);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(m_caption);
  layout->addWidget(m_popup);
  layout->addStretch(1);
  connect(m_popup, &CPopupList::notify, this, &CAutoTextCaption::OnPopupNotify);
}

void CAutoTextCaption::OnPopupNotify(int code, const QString& text) {
  if (code != CPopupList::kNotifyPicked) {
    return;
  }
  QTextCursor end(m_box->document());
  end.movePosition(QTextCursor::End);
  end.insertText(text + QLatin1Char(' '));
}

bool CAutoTextCaption::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_caption && event->type() == QEvent::MouseButtonRelease) {
    const auto* release = static_cast<QMouseEvent*>(event);
    if (release->button() == Qt::LeftButton &&
        m_caption->rect().contains(release->position().toPoint())) {
      m_popup->DoPopup();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
