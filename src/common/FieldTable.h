#pragma once

#include <QString>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/CDBCategories.h"
#include "common/CListItem.h"
#include "common/DateChoices.h"
#include "common/StringTable.h"
#include "platform/FileTime.h"

// A form's rows described once: what each row shows (its label, the kind of its in-place editor,
// its pick list, its length limit, its fixed choices) and the member of the record it stands
// for. The same description builds the rows and moves their values between the record and the
// rows in both directions, so that two forms of one record cannot drift apart.
namespace field_table {

template <typename Record>
struct Row {
  int labelId = 0;
  int kind = CListItem::kText;
  // The category list of a pick-list row; for a fixed-choice row, the category list whose
  // entries are its choices. -1 = none.
  int listId = -1;
  int limit = 0;  // 0 = no limit
  // Fixed choices by string id (a fixed-choice row without a category list).
  std::vector<int> choiceIds = {};
  uint8_t flags = 0;  // set on the multi-line rows of the diagnosis, allergies and problems
  // The member the row stands for: a text, or a date (date rows; zero = no date).
  QString Record::*text = nullptr;
  FILETIME Record::*date = nullptr;
  // A row made of several members (the age: value and unit) moves its value through these.
  void (*load)(const Record& record, CListItem& item) = nullptr;
  void (*save)(const CListItem& item, Record& record) = nullptr;
};

template <typename Record>
using Table = std::vector<Row<Record>>;

// The rows with empty values, their choices filled.
template <typename Record>
std::vector<CListItem> Build(const Table<Record>& table) {
  std::vector<CListItem> items;
  items.reserve(table.size());
  for (const Row<Record>& row : table) {
    CListItem item(row.labelId, QString());
    item.kind = row.kind;
    item.listId = row.listId;
    item.limit = row.limit;
    item.flags = row.flags;
    for (const int id : row.choiceIds) {
      item.AddChoice(strings::Load(id), id);
    }
    if (row.kind == CListItem::kChoices && row.listId >= 0) {
      CDBCategories().GetListItems(row.listId, item);
    }
    items.push_back(std::move(item));
  }
  return items;
}

namespace detail {

template <typename Record>
void Load(const Row<Record>& row, const Record& record, CListItem& item) {
  if (row.load != nullptr) {
    row.load(record, item);
  } else if (row.text != nullptr) {
    item.value = record.*(row.text);
    for (const CListItem::Choice& choice : item.choices) {
      if (choice.text == item.value) {
        item.choiceId = choice.id;
      }
    }
  } else if (row.date != nullptr) {
    SYSTEMTIME fields;
    const FILETIME& stored = record.*(row.date);
    if (!filetime::IsZero(stored) && filetime::ToSystemTime(stored, fields)) {
      item.date = fields;
      item.value = date_choices::DateText(fields);
    }
  }
}

template <typename Record>
void Save(const Row<Record>& row, const CListItem& item, Record& record) {
  if (row.save != nullptr) {
    row.save(item, record);
  } else if (row.text != nullptr) {
    record.*(row.text) = item.value;
  } else if (row.date != nullptr) {
    // A date row holds a date from the year 1800 on; anything earlier is no date.
    FILETIME stored;
    const bool dated = item.HasDate() && filetime::FromSystemTime(item.date, stored);
    record.*(row.date) = dated ? stored : FILETIME{};
  }
}

}  // namespace detail

// Moves the values between the record and the rows (items[i] is row i of the table): into the
// rows when save is false, into the record when it is true.
template <typename Record>
void Exchange(const Table<Record>& table, std::vector<CListItem>& items, Record& record,
              bool save) {
  const size_t count = std::min(table.size(), items.size());
  for (size_t i = 0; i < count; ++i) {
    if (save) {
      detail::Save(table[i], items[i], record);
    } else {
      detail::Load(table[i], record, items[i]);
    }
  }
}

// The rows of table whose label is not one of labelIds, in order: a shorter form of the same
// record.
template <typename Record>
Table<Record> Without(const Table<Record>& table, const std::vector<int>& labelIds) {
  Table<Record> kept;
  for (const Row<Record>& row : table) {
    if (std::find(labelIds.begin(), labelIds.end(), row.labelId) == labelIds.end()) {
      kept.push_back(row);
    }
  }
  return kept;
}

}  // namespace field_table
