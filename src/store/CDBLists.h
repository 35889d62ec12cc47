#pragma once

#include <QString>

#include "common/CDBBaseDatabase.h"

// The auto-text list store "OVLists": named lists of ready-made phrases that the note sheets offer
// and the auto-text editor edits. A list is keyed on its id (the string id of its name) as decimal
// text; its content is its entries, each followed by a line feed. The first creation of the
// database fills in the default lists.
class CDBLists : public CDBBaseDatabase {
 public:
  static constexpr const char* kVolumeName = "OVLists";

  enum Prop : PropId {
    kContentProp = 102,
    kTimeStampProp = 103,
  };

  // A default list: its id and the string ids of its entries, first to last.
  struct DefaultList {
    int listId;
    int firstEntry;
    int lastEntry;
  };
  // The default lists, in the order they are added.
  static const DefaultList kDefaultLists[15];

  CDBLists();

  // Creates the database sorted on the key, case-insensitive; when it was created here, adds the
  // default lists. False when it exists already or cannot be made.
  [[nodiscard]] bool CreateDB() override;
  // Reads the list whose key equals listId and remembers its id in recordId (0 when not found).
  bool FindByName(const QString& listId) override;
  void UnpackRecord(const platform::Record& record) override;
  // A list received whole: its id and content, stamped now.
  platform::Record ReceivedProperties() const override {
    return {{m_keyProp, patient}, {kContentProp, content}, {kTimeStampProp, GetCurrentTimeStamp()}};
  }

  // Adds the members as a new list stamped now; recordId becomes the new list's id.
  [[nodiscard]] bool AddNew();
  // Replaces the content of the list with that id and stamps it now; false when the id names no
  // list.
  [[nodiscard]] bool UpdateValues(RecordId id, const QString& newContent);

  // The default content of a list: the texts of the string ids first to last, each followed by a
  // line feed.
  static QString DefaultContent(int firstEntry, int lastEntry);

  QString patient;  // the list id as decimal text
  QString content;
  RecordId recordId = 0;
};
