#include "common/ui/CAutoListCtrl.h"

#include <QHeaderView>

#include "common/StringIds.h"
#include "common/StringTable.h"

CAutoListCtrl::CAutoListCtrl(QWidget* parent) : CBaseListCtrl(parent) {
  setColumnCount(1);
  InsertColumn(0, strings::Load(ids::kColumnValue), 200);
  header()->setStretchLastSection(true);
  // The phrase itself is the edited text: column 0 is both label and value here.
  SetChoiceColumn(-1);
}

int CAutoListCtrl::AddPhrase(const QString& phrase) {
  const int row = InsertItem(GetItemCount(), phrase);
  // The row item makes the phrase editable in place.
  SetRowItem(row, std::make_unique<CListItem>());
  return row;
}

QString CAutoListCtrl::PackSingleString() const {
  QString packed;
  for (int row = 0; row < GetItemCount(); ++row) {
    const QString phrase = GetItemText(row, 0);
    if (phrase.isEmpty()) {
      continue;
    }
    packed += phrase;
    packed += QLatin1Char('\n');
  }
  return packed;
}

void CAutoListCtrl::UnpackSingleString(const QString& text) {
  DeleteAllItems();
  for (QString phrase : text.split(QLatin1Char('\n'))) {
    if (phrase.endsWith(QLatin1Char('\r'))) {
      phrase.chop(1);
    }
    if (!phrase.isEmpty()) {
      AddPhrase(phrase);
    }
  }
}
