#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "chart/MedsFields.h"
#include "common/CListItem.h"
#include "common/ui/CBaseListCtrl.h"
#include "platform/FileTime.h"

class CDBMeds;
class CPictureButton;
class QDateEdit;
class QVBoxLayout;

// "Add Meds": the full-screen dialog in which one medication is entered or edited, a start date
// and the eight rows of meds_fields. The dialog does not store the medication: after OK the
// caller takes the values (SaveTo) and adds or rewrites the record. Favourites are stored at
// once, whatever the dialog ends with: "FAV" keeps drug, dose, route and frequency for reuse, the
// Drug row offers them, and its last choice opens "Remove Med Favorites".
//
// Whoever runs the dialog raises the soft input panel for it and puts it back afterwards.
class CAddMedsDlg : public QDialog {
  Q_OBJECT

 public:
  // medicationId names the medication to edit, 0 for a new one; accessState is its access
  // state, and any state but 0 shows the medication without letting it be changed ("NOSAVE").
  CAddMedsDlg(uint32_t medicationId, int accessState, QWidget* parent = nullptr);

  // Runs the dialog modally (through ui_seams::RunModal). When the medication to edit could not
  // be read, says so and answers Rejected without showing the dialog.
  int DoModal();
  bool LoadFailed() const { return m_loadFailed; }

  // The controls from the values (save false), or the values from the controls (save true):
  // the rows, taking what an open in-place editor holds, and the date picker.
  void UpdateData(bool save);
  // The entered medication into meds: the eight values in row order and the start date. The
  // patient is the caller's to set.
  void SaveTo(CDBMeds& meds) const;

  // The buttons and the pick of a favourite.
  void OnFav();
  void OnSave();
  void OnCancel();

  const std::vector<CListItem>& Items() const { return items; }
  const FILETIME& StartDate() const { return startDate; }
  bool IsReadOnly() const { return readOnly != 0; }

  CBaseListCtrl* List() const { return m_list; }
  QDateEdit* DatePicker() const { return m_datePicker; }
  CPictureButton* FavButton() const { return m_fav; }
  CPictureButton* CancelButton() const { return m_cancel; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* NoSaveButton() const { return m_noSave; }

 protected:
  bool event(QEvent* event) override;
  // The columns follow the list's width.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Reads the medication into the values; false when it cannot be read.
  bool Load();
  void ShowReadOnly();
  // Enables "FAV" and "SAVE" while the Drug row holds a name (or is being typed into).
  void UpdateButtons();
  // The Drug row's choices: the stored favourites, then "Edit Categories...".
  void FillFavorites(CListItem& drugRow);
  void RefreshFavorites();
  // Puts a stored favourite's drug, dose, route and frequency in rows 0 to 3; false when the
  // favourite is no longer stored.
  bool ApplyFavorite(uint32_t favoriteId);
  void RemoveFavorites();
  void ShowError(int textId);

  // The item list's notifications.
  void OnChoicePicked(CBaseListCtrl::ChoicePick& pick);
  void OnEditEnded(const CBaseListCtrl::EditEnd& end);
  void OnValueChanged(int row, int column);
  void OnFocusLost(int row);
  void OnDateChanged();

  void SizeColumns();
  // The list ends 5 pixels above the input panel when it is up, 35 above the bottom of the
  // visible desktop when it is down.
  void FitToInputPanel();

  uint32_t recordId;
  int readOnly;
  FILETIME startDate;
  std::vector<CListItem> items;

  QDateEdit* m_datePicker;
  CPictureButton* m_fav;
  CPictureButton* m_cancel;
  CPictureButton* m_save;
  CPictureButton* m_noSave;
  CBaseListCtrl* m_list;
  QVBoxLayout* m_layout;
  bool m_loadFailed = false;
  // Set while the buttons are being updated: a notification sent meanwhile does not start
  // another update.
  bool m_updatingButtons = false;
};
