#pragma once

#include <gtest/gtest.h>

#include "common/CDBCategories.h"

namespace legacy_categories {

// Makes the current device look as an older release left it: the factory age units on list 50,
// with an entry a person added there too ("Chest pain"), and no age-unit list of its own.
inline void MakeLegacyAgeUnits() {
  // Update leaves the list one entry; removing that one leaves it empty.
  ASSERT_TRUE(CDBCategories().Update(CDBCategories::kAgeUnitList, "Years"));
  CDBCategories walk;
  ASSERT_TRUE(walk.First());
  do {
    if (walk.type == CDBCategories::kAgeUnitList) {
      ASSERT_TRUE(CDBCategories().DeleteByCEOID(walk.recordId));
      break;
    }
  } while (walk.Next());
  walk.Close();
  for (const char* entry : {"Days", "Chest pain", "Months", "Years"}) {
    CDBCategories legacy;
    legacy.text = entry;
    ASSERT_TRUE(legacy.AddNew(50));
  }
}

}  // namespace legacy_categories
