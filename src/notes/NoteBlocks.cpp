#include "notes/NoteBlocks.h"

#include <QComboBox>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/QtControls.h"
#include "notes/CMarkedRecordList.h"
#include "store/CDBLabValues.h"
#include "store/CDBTest.h"
#include "store/CDBVitals.h"

namespace note_blocks {

void FillTests(CMarkedRecordList& list, const QString& patient) {
  // Every test starts unmarked.
  list.Populate([&list, &patient] {
    CDBTest().FillList(list, patient, list.dates, list.names, list.ids, false);
    list.marks.assign(list.ids.size(), 0);
  });
}

QString TestsBlock(const CMarkedRecordList& list) {
  QString lines;
  for (const uint32_t id : list.MarkedIds()) {
    CDBTest test;
    if (test.LoadByCEOID(id)) {
      lines += strings::FormatId(ids::kNoteTestLine, CDBTest::GetFormattedDateTime(test.date, true),
                                 test.test, test.result);
    }
  }
  return lines.isEmpty() ? QString() : strings::FormatId(ids::kTestsSection, lines);
}

void FillLabs(CMarkedRecordList& list, const QString& patient) {
  // The results' changed flags, all 0, serve as the marks.
  std::vector<uint8_t> accessStates;
  list.Populate([&list, &patient, &accessStates] {
    CDBLabValues().FillList(list, patient, list.dates, list.names, list.ids, list.marks,
                            accessStates, false);
  });
}

QString LabsBlock(const CMarkedRecordList& list) {
  QString text;
  for (const uint32_t id : list.MarkedIds()) {
    CDBLabValues result;
    if (result.LoadByCEOID(id)) {
      text += result.FormatResultText() + QLatin1String("\r\n\r\n");
    }
  }
  return text.isEmpty() ? QString() : strings::FormatId(ids::kLabsSection, text);
}

void FillVitals(QComboBox& combo, const QString& patient) {
  qt_controls::ComboBox entries(combo);
  CDBVitals vitals;
  vitals.FillDateCombo(entries, patient, false);
  combo.setCurrentIndex(-1);
}

QString VitalsBlock(const QComboBox& combo, const QString& kept) {
  const int chosen = combo.currentIndex();
  if (chosen < 0) {
    return kept;
  }
  CDBVitals entry;
  if (!entry.LoadByCEOID(qt_controls::ItemData(combo, chosen))) {
    return kept;
  }
  return entry.FormatVitalsText();
}

QString Head(const FILETIME& date, const FILETIME& time) {
  const FILETIME when = CDBBaseDatabase::StringToTime(CDBBaseDatabase::TimeToDayString(date) +
                                                      CDBBaseDatabase::TimeToHourString(time));
  return CDBBaseDatabase::GetFormattedDateTime(when, true);
}

}  // namespace note_blocks
