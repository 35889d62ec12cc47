#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "store/CDBChartStore.h"
#include "store/RecordFields.h"

// What the backup's writer and reader share: the document's name and version, and the sections of
// a patient.
namespace backup {

inline constexpr const char* kFormatName = "ovelin-backup";
inline constexpr int kFormatVersion = 1;

// A section of a patient: its key in the document, a store of its kind and the store's fields.
struct Section {
  const char* name;
  std::function<std::unique_ptr<CDBChartStore>()> make;
  std::function<record_fields::Fields(CDBChartStore&)> bind;
};

// The sections in the order the beam protocol sends them, which is also their keys' order.
const std::vector<Section>& Sections();

}  // namespace backup
