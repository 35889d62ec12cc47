#include "chart/CRemoveMedFavoritesDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/QtControls.h"
#include "common/ui/UiSeams.h"
#include "store/CDBMedsFavorites.h"

CRemoveMedFavoritesDlg::CRemoveMedFavoritesDlg(QWidget* parent)
    : QDialog(parent),
      m_list(new QListWidget(this)),
      m_ok(new QPushButton(strings::Load(ids::kButtonOk), this)),
      m_delete(new QPushButton(strings::Load(ids::kButtonDelete), this)) {
  const QString title = strings::Load(ids::kRemoveMedFavoritesTitle);
  setWindowTitle(title);
  auto* caption = new QLabel(title, this);
  caption->setBuddy(m_list);
  m_list->setObjectName(QStringLiteral("favorites"));
  m_list->setAccessibleName(strings::Load(ids::kFavoritesListName));
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  m_ok->setObjectName(QStringLiteral("ok"));
  m_delete->setObjectName(QStringLiteral("delete"));
  m_ok->setDefault(true);
  m_delete->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addWidget(m_delete);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption);
  layout->addWidget(m_list, 1);
  layout->addLayout(buttons);

  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_delete, &QPushButton::clicked, this, &CRemoveMedFavoritesDlg::OnDelete);

  qt_controls::ListBox favorites(*m_list);
  CDBMedsFavorites().FillListBox(favorites);
}

int CRemoveMedFavoritesDlg::DoModal() {
  return ui_seams::RunModal(*this);
}

void CRemoveMedFavoritesDlg::OnDelete() {
  const QList<QListWidgetItem*> selected = m_list->selectedItems();
  if (selected.isEmpty()) {
    return;
  }
  const int row = m_list->row(selected.constFirst());
  CDBMedsFavorites favorites;
  if (!favorites.RemoveByCEOID(qt_controls::ItemData(*m_list, row))) {
    messages::Show(strings::Load(ids::kFavoriteNotRemoved), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
    return;
  }
  delete m_list->takeItem(row);
}
