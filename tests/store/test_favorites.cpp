#include <gtest/gtest.h>

#include "common/CListItem.h"
#include "common/MemoryControls.h"
#include "store/CDBMedsFavorites.h"
#include "support/TempDevice.h"

namespace {

bool AddFavorite(const QString& drug, const QString& dose, const QString& route,
                 const QString& frequency) {
  CDBMedsFavorites favorites;
  favorites.drug = drug;
  favorites.dose = dose;
  favorites.route = route;
  favorites.frequency = frequency;
  return favorites.AddNew();
}

QStringList Texts() {
  memory_controls::ListBox box;
  CDBMedsFavorites().FillListBox(box);
  QStringList texts;
  for (const auto& entry : box.Entries()) {
    texts.append(entry.text);
  }
  return texts;
}

class FavoritesStore : public ::testing::Test {
 protected:
  TempDevice device;
};

TEST_F(FavoritesStore, AddsNoDuplicates) {
  ASSERT_TRUE(AddFavorite("Amoxicillin", "500mg", "PO", "TID"));
  // The drug's letter case does not make another favourite.
  EXPECT_TRUE(AddFavorite("AMOXICILLIN", "500mg", "PO", "TID"));
  EXPECT_EQ(Texts(), QStringList{"Amoxicillin 500mg PO TID"});

  // Another dose, route or frequency does, and so does the case of those.
  EXPECT_TRUE(AddFavorite("amoxicillin", "250mg", "PO", "TID"));
  EXPECT_TRUE(AddFavorite("Amoxicillin", "500mg", "IV", "TID"));
  EXPECT_TRUE(AddFavorite("Amoxicillin", "500mg", "PO", "tid"));
  EXPECT_EQ(Texts(), (QStringList{"Amoxicillin 500mg PO TID", "amoxicillin 250mg PO TID",
                                  "Amoxicillin 500mg IV TID", "Amoxicillin 500mg PO tid"}));
  EXPECT_EQ(CDBMedsFavorites().RecordCount(), 4u);
}

TEST_F(FavoritesStore, StoredFavouriteLackingAPropertyMatchesOnTheRest) {
  ASSERT_TRUE(CDBMedsFavorites().CreateDB());
  {
    platform::PropertyDatabase db;
    ASSERT_TRUE(db.Open(CDBMedsFavorites::kVolumeName));
    ASSERT_NE(db.Add({{CDBMedsFavorites::kDrugProp, "Lasix"},
                      {CDBMedsFavorites::kDoseProp, "40mg"},
                      {CDBMedsFavorites::kRouteProp, "PO"}}),
              0u);
  }
  EXPECT_TRUE(AddFavorite("Lasix", "40mg", "PO", "BID"));
  EXPECT_EQ(CDBMedsFavorites().RecordCount(), 1u);
  EXPECT_TRUE(AddFavorite("Lasix", "20mg", "PO", "BID"));
  EXPECT_EQ(CDBMedsFavorites().RecordCount(), 2u);
}

TEST_F(FavoritesStore, ChoicesComeInDrugOrderThenTheEditEntry) {
  CListItem item;
  item.AddChoice("stale", 99);
  CDBMedsFavorites().FillChoices(item);
  ASSERT_EQ(item.choices.size(), 1u);
  EXPECT_EQ(item.choices[0], (CListItem::Choice{"Edit Categories...", -1}));

  ASSERT_TRUE(AddFavorite("zoloft", "50mg", "PO", "QD"));
  ASSERT_TRUE(AddFavorite("Amox", "500mg", "PO", "TID"));
  ASSERT_TRUE(AddFavorite("lisinopril", "10mg", "PO", "QD"));
  ASSERT_TRUE(AddFavorite("Amox", "250mg", "PO", "TID"));

  CDBMedsFavorites().FillChoices(item);
  ASSERT_EQ(item.choices.size(), 5u);
  EXPECT_EQ(item.choices[0].text, "Amox 500mg PO TID");
  EXPECT_EQ(item.choices[1].text, "Amox 250mg PO TID");
  EXPECT_EQ(item.choices[2].text, "lisinopril 10mg PO QD");
  EXPECT_EQ(item.choices[3].text, "zoloft 50mg PO QD");
  EXPECT_EQ(item.choices.back(), (CListItem::Choice{"Edit Categories...", -1}));

  // Each choice's id reads its favourite back.
  for (size_t i = 0; i + 1 < item.choices.size(); ++i) {
    CDBMedsFavorites favorite;
    ASSERT_TRUE(favorite.LoadByCEOID(static_cast<uint32_t>(item.choices[i].id)));
    EXPECT_EQ(favorite.FormatFavorite(), item.choices[i].text);
  }

  // The list box offers the same favourites with the same ids.
  memory_controls::ListBox box;
  box.AddString("stale");
  CDBMedsFavorites().FillListBox(box);
  ASSERT_EQ(box.Entries().size(), 4u);
  for (size_t i = 0; i < box.Entries().size(); ++i) {
    EXPECT_EQ(box.Entries()[i].text, item.choices[i].text);
    EXPECT_EQ(box.Entries()[i].data, static_cast<uint32_t>(item.choices[i].id));
  }
}

TEST_F(FavoritesStore, LoadAndRemoveByRecordId) {
  ASSERT_TRUE(AddFavorite("Amox", "500mg", "PO", "TID"));
  CListItem item;
  CDBMedsFavorites().FillChoices(item);
  const auto id = static_cast<uint32_t>(item.choices.at(0).id);

  CDBMedsFavorites favorite;
  ASSERT_TRUE(favorite.LoadByCEOID(id));
  EXPECT_EQ(favorite.drug, "Amox");
  EXPECT_EQ(favorite.dose, "500mg");
  EXPECT_EQ(favorite.route, "PO");
  EXPECT_EQ(favorite.frequency, "TID");
  EXPECT_FALSE(favorite.LoadByCEOID(id + 1000));
  EXPECT_FALSE(favorite.RemoveByCEOID(id + 1000));

  EXPECT_TRUE(favorite.RemoveByCEOID(id));
  EXPECT_FALSE(favorite.LoadByCEOID(id));
  EXPECT_FALSE(favorite.RemoveByCEOID(id));
  EXPECT_TRUE(Texts().isEmpty());
}

TEST_F(FavoritesStore, WalkVisitsEveryFavouriteInStoreOrderAndCloses) {
  CDBMedsFavorites walk;
  EXPECT_EQ(walk.RecordCount(), 0u);
  EXPECT_FALSE(walk.First());
  EXPECT_FALSE(walk.Next());

  ASSERT_TRUE(AddFavorite("Zantac", "150mg", "PO", "BID"));
  ASSERT_TRUE(AddFavorite("Amox", "500mg", "PO", "TID"));
  ASSERT_TRUE(AddFavorite("Lasix", "", "", ""));
  EXPECT_EQ(walk.RecordCount(), 3u);

  QStringList seen;
  for (bool more = walk.First(); more; more = walk.Next()) {
    seen.append(walk.FormatFavorite());
  }
  EXPECT_EQ(seen, (QStringList{"Amox 500mg PO TID", "Lasix   ", "Zantac 150mg PO BID"}));
  // The walk ended by closing the store.
  EXPECT_FALSE(walk.Next());

  // An add while no walk is open still works after one was cut short.
  ASSERT_TRUE(walk.First());
  walk.CloseWalk();
  EXPECT_FALSE(walk.Next());
  EXPECT_TRUE(AddFavorite("Bactrim", "DS", "PO", "BID"));
  EXPECT_EQ(walk.RecordCount(), 4u);
}

TEST(FavoritesStoreWithoutDevice, DoesNothing) {
  if (platform::Device::Current() != nullptr) {
    GTEST_SKIP() << "a process default device is set";
  }
  CListItem item;
  item.AddChoice("stale", 1);
  CDBMedsFavorites favorites;
  favorites.FillChoices(item);
  EXPECT_TRUE(item.choices.empty());  // not even the edit entry
  favorites.drug = "Amox";
  EXPECT_FALSE(favorites.AddNew());
  EXPECT_FALSE(favorites.First());
}

}  // namespace
