#include "shell/AutoTextReader.h"

#include "common/ui/PickLists.h"
#include "store/CDBLists.h"

namespace auto_text_reader {

void Install() {
  pick_lists::SetAutoTextReader(Read);
}

bool Read(int autoTextListId, QString& content) {
  CDBLists lists;
  if (!lists.FindByName(QString::number(autoTextListId))) {
    return false;
  }
  content = lists.content;
  return true;
}

}  // namespace auto_text_reader
