#pragma once

#include <QString>

#include "common/CDBBaseDatabase.h"

class CListItem;
class IListBox;

// The favourite-medication store "OVMedsFavorites": drugs with their dose, route and frequency,
// kept for reuse in the medication dialog and sent with the category lists. Keyed and sorted on
// the drug, case-insensitive, so favourites come in alphabetical order of drug.
//
// Every operation opens the database (creating it the first time) and closes it at its end; the
// First/Next walk keeps it open until it ends or CloseWalk is called.
class CDBMedsFavorites : public CDBBaseDatabase {
 public:
  static constexpr const char* kVolumeName = "OVMedsFavorites";

  enum Prop : PropId {
    kDrugProp = 102,
    kDoseProp = 103,
    kRouteProp = 104,
    kFrequencyProp = 105,
  };

  // The id of the last choice of the drug row, which opens the favourites editor.
  static constexpr int32_t kEditChoiceId = -1;

  CDBMedsFavorites();

  // Creates the database sorted on the drug, case-insensitive.
  [[nodiscard]] bool CreateDB() override;
  void UnpackRecord(const platform::Record& record) override;
  platform::Record ReceivedProperties() const override {
    return {{kDrugProp, drug}, {kDoseProp, dose}, {kRouteProp, route}, {kFrequencyProp, frequency}};
  }

  // Adds the members as a favourite unless one with the same drug (letter case aside) and the same
  // dose, route and frequency exists; answers true in that case too.
  [[nodiscard]] bool AddNew();
  bool LoadByCEOID(RecordId id) { return ReadByCEOID(id); }
  [[nodiscard]] bool RemoveByCEOID(RecordId id) { return DeleteByCEOID(id); }

  // Makes the favourites, in drug order, the choices of the drug row (text FormatFavorite(), id
  // the record id), then "Edit Categories..." with kEditChoiceId. Leaves the row without choices
  // when the store can be neither opened nor created.
  void FillChoices(CListItem& item);
  // Fills a list box with the favourites in drug order, item data = record id.
  void FillListBox(IListBox& listBox);
  // "drug dose route frequency".
  QString FormatFavorite() const;

  // Number of favourites (0 when the store cannot be opened).
  uint32_t RecordCount();
  // Store-order walk: First moves to the first favourite and unpacks it, Next to the following
  // one. Both leave the store open while they answer true and close it when no favourite is left.
  bool First();
  bool Next();
  void CloseWalk() { m_db.Close(); }

  QString drug;
  QString dose;
  QString route;
  QString frequency;

 private:
  // Reads and unpacks the current favourite; at the end of the walk closes the store.
  bool ReadOrClose(RecordId id);
};
