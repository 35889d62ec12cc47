#include "beam/IBeamProgress.h"

#include "common/StringTable.h"

bool IBeamProgress::SetStatusId(int stringId, bool error) {
  return SetStatus(strings::Load(stringId), error);
}
