#include "chart/CDeleteToDoDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/UiSeams.h"

CDeleteToDoDlg::CDeleteToDoDlg(int verbId, QWidget* parent)
    : QDialog(parent),
      verb(strings::Load(verbId)),
      message(strings::FormatId(ids::kAskDeleteScope, verb)),
      m_text(new QLabel(message, this)),
      m_currentOnly(new QPushButton(strings::Load(ids::kDeleteScopeCurrentOnly), this)),
      m_all(new QPushButton(strings::Load(ids::kDeleteScopeAll), this)),
      m_cancel(new QPushButton(strings::Load(ids::kDeleteScopeCancel), this)) {
  setWindowTitle(strings::Load(ids::kDeleteTodoTitle));
  m_text->setObjectName(QStringLiteral("message"));
  m_text->setTextFormat(Qt::PlainText);
  m_text->setWordWrap(true);
  m_text->setAccessibleName(strings::Load(ids::kTodoDeleteQuestionName));
  m_currentOnly->setObjectName(QStringLiteral("currentOnly"));
  m_all->setObjectName(QStringLiteral("all"));
  m_cancel->setObjectName(QStringLiteral("cancel"));

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {m_currentOnly, m_all, m_cancel}) {
    button->setAutoDefault(false);
    button->setAccessibleName(button->text());
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_text, 1);
  layout->addLayout(buttons);

  connect(m_currentOnly, &QPushButton::clicked, this, [this] { done(kCurrentOnly); });
  connect(m_all, &QPushButton::clicked, this, [this] { done(kAll); });
  connect(m_cancel, &QPushButton::clicked, this, &CDeleteToDoDlg::reject);
}

int CDeleteToDoDlg::DoModal() {
  const int answer = ui_seams::RunModal(*this);
  return answer == kCurrentOnly || answer == kAll ? answer : kCancel;
}

void CDeleteToDoDlg::reject() {
  done(kCancel);
}
