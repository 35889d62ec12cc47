#pragma once

#include <QString>

namespace auto_text_reader {

// Hands the shared controls' pick lists the auto-text store's lists (see
// pick_lists::SetAutoTextReader). The program does it at start-up, the widget tests in main.
void Install();

// The content of auto-text list autoTextListId; false when it is not on file.
bool Read(int autoTextListId, QString& content);

}  // namespace auto_text_reader
