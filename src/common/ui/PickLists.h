#pragma once

#include <QStringList>

// The entries that pick lists and pop-up lists offer for a list id: the category list of that id
// (common/CDBCategories.h), followed by the entries of the auto-text list that goes with it
// (store/CDBLists.h) that the category list does not have already.
namespace pick_lists {

// The auto-text list that goes with a pick-list id, or 0 when none: the history rows' lists
// 50 .. 57 go with the auto-text lists 2100 .. 2107, the examination rows' lists 60 .. 67 with
// 2300 .. 2307, the allergies list 48 with 2103, the subjective pop-up 30 with the complaints
// 2100 and the objective pop-up 31 with the general findings 2300. An id that is itself an
// auto-text list id (2000 and above) is its own.
int AutoTextListOf(int listId);

// The category entries, then the auto-text entries not already offered (letter case ignored).
QStringList Entries(int listId);

// Reads an auto-text list's content by its id; false when the list is not on file. The shared
// controls do not include the application's stores: the program installs the reader of its
// auto-text store at start-up (shell/AutoTextReader.h). Without one, pick lists offer their
// category entries only.
using AutoTextReader = bool (*)(int autoTextListId, QString& content);
void SetAutoTextReader(AutoTextReader reader);

// The lines of an auto-text list's content: each entry is followed by a line feed; empty lines
// are skipped.
QStringList SplitContent(const QString& content);

}  // namespace pick_lists
