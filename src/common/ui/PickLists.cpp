#include "common/ui/PickLists.h"

#include "common/CDBCategories.h"

namespace pick_lists {
namespace {

AutoTextReader g_reader = nullptr;

}  // namespace

void SetAutoTextReader(AutoTextReader reader) {
  g_reader = reader;
}

int AutoTextListOf(int listId) {
  if (listId >= 2000) {
    return listId;
  }
  if (listId >= 50 && listId <= 57) {
    return listId + 2050;
  }
  if (listId >= 60 && listId <= 67) {
    return listId + 2240;
  }
  switch (listId) {
    case CDBCategories::kAllergiesList:
      return 2103;
    case 30:
      return 2100;
    case 31:
      return 2300;
    default:
      return 0;
  }
}

QStringList SplitContent(const QString& content) {
  QStringList entries = content.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (QString& entry : entries) {
    if (entry.endsWith(QLatin1Char('\r'))) {
      entry.chop(1);
    }
  }
  entries.removeAll(QString());
  return entries;
}

QStringList Entries(int listId) {
  QStringList entries;
  if (listId >= 0 && listId < 2000) {
    CDBCategories categories;
    entries = categories.GetListItems(listId);
  }
  const int autoText = AutoTextListOf(listId);
  QString content;
  if (autoText != 0 && g_reader != nullptr && g_reader(autoText, content)) {
    for (const QString& entry : SplitContent(content)) {
      if (!entries.contains(entry, Qt::CaseInsensitive)) {
        entries.append(entry);
      }
    }
  }
  return entries;
}

}  // namespace pick_lists
