#pragma once

#include <QString>
#include <cstdint>

#include "platform/FileTime.h"

class CMarkedRecordList;
class QComboBox;

// The chart records that a note page offers, and the blocks of note text it makes of the ones
// chosen. A record that cannot be read is left out of its block.
namespace note_blocks {

// The patient's tests, newest first, every row unmarked.
void FillTests(CMarkedRecordList& list, const QString& patient);
// "Tests:" with one line per marked test from the top (date and time, name, "-", result), and
// an empty line; empty when no marked test reads.
QString TestsBlock(const CMarkedRecordList& list);

// The patient's lab results, newest first, every row unmarked.
void FillLabs(CMarkedRecordList& list, const QString& patient);
// "Labs:" with one paragraph per marked result from the top; empty when none reads.
QString LabsBlock(const CMarkedRecordList& list);

// The patient's vital-signs entries, newest first, none chosen.
void FillVitals(QComboBox& combo, const QString& patient);
// The "VS:" block of the chosen entry. With no entry chosen, or one that cannot be read, the
// block is kept as it was.
QString VitalsBlock(const QComboBox& combo, const QString& kept);

// The head line of a note: the note's day with its time of day, formatted with the time shown.
QString Head(const FILETIME& date, const FILETIME& time);

}  // namespace note_blocks
