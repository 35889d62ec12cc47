#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "platform/FileTime.h"

// One row of an editable two-column "Item"/"Value" list: a label and a value, with what the row's
// in-place editor offers (free text, fixed choices, a pick list from a category list, a date) and
// the bookkeeping that the pages keep per row.
class CListItem {
 public:
  enum Kind : int {
    kText = 0,
    kTextLimited = 1,
    kAllergies = 2,
    kChoices = 3,
    kPickList = 7,
    kPickListMultiline = 8,
    kDate = 9,
  };

  struct Choice {
    QString text;
    int32_t id = 0;  // a string id for fixed choices, a record id for favourites, 0xFFFF for edit

    friend bool operator==(const Choice&, const Choice&) = default;
  };

  CListItem() = default;
  CListItem(int label, const QString& text) : labelId(label), value(text) {}

  void AddChoice(const QString& text, int32_t id = 0) { choices.push_back({text, id}); }
  void RemoveAllChoices() { choices.clear(); }
  // The date rows count a year below 1800 as no date.
  bool HasDate() const { return date.wYear >= 1800; }
  void ClearDate() { date = SYSTEMTIME{}; }

  int labelId = 0;
  QString value;
  int kind = kText;
  std::vector<Choice> choices;
  int32_t choiceId = 0;  // id of the selected fixed choice
  int listId = -1;       // category list of a pick-list row; -1 = none
  int limit = 0;         // longest value the editor takes; 0 = no limit
  uint8_t flags = 0;     // set on the diagnosis, allergies and problems rows
  uint32_t recordId = 0;
  QString note;
  bool changed = false;
  uint8_t accessState = 0;
  SYSTEMTIME date;
};
