#pragma once

#include <QString>

#include "common/ui/CBaseListCtrl.h"

// A one-column list of phrases ("Value"), single selection, each row editable in place as a
// plain text row. A whole list travels as one text: every phrase followed by a line feed.
class CAutoListCtrl : public CBaseListCtrl {
  Q_OBJECT

 public:
  explicit CAutoListCtrl(QWidget* parent = nullptr);

  // The phrases, each followed by "\n"; rows whose text is empty are left out.
  QString PackSingleString() const;
  // Replaces the rows by the phrases of text: each line is a phrase; empty lines are skipped and
  // a last phrase without its line feed is kept.
  void UnpackSingleString(const QString& text);
  // Appends an editable phrase row; answers its index.
  int AddPhrase(const QString& phrase);
};
