#pragma once

#include <QString>
#include <cstdint>

#include "platform/FileTime.h"

// What a stored value may be. One set of rules for every way in: the forms, the beam receiver,
// the backup import and every write of a store, so that what one way lets in can be read back by
// every other (above all: what is received or entered can be exported and restored).
namespace value_rules {

// The longest text the device takes in from outside (a backup, a ward server), in UTF-16 units:
// about 300 pages of a note, and what keeps a hostile input from exhausting memory.
inline constexpr qsizetype kMaxTextLength = 1 << 20;

// A text: no NUL character (a backup's reader refuses it, and the hand-held's texts end there).
bool ValidText(const QString& text);
// A patient's name, the key of all of the patient's records: a valid text that is not empty.
bool ValidName(const QString& name);
// A time: not set (zero), or an instant of the years 1601 to 9999, which the backup writes and
// reads as YYYY-MM-DDThh:mm:ss.
bool ValidTime(const FILETIME& time);
// A record's access state: 0 made on the device, 1 read-only, 2 read/write from the desktop.
bool ValidAccessState(int64_t state);

}  // namespace value_rules
