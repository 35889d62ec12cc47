#pragma once

#include <QComboBox>
#include <QString>
#include <QTreeWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/CDBPatient.h"
#include "common/Controls.h"
#include "platform/StoreChangeMark.h"
#include "shell/CPatientTabPage.h"
#include "shell/Options.h"

class CPictureButton;
class CPopupListCtrl;
class QLabel;
class QLineEdit;

// The patient list of the "Main" tab: a report list that its page fills at once (ShowRows) and
// that the patient store can fill through IListControl. Item data is kept under Qt::UserRole; rows
// carry no editors.
class CPatientListCtrl : public QTreeWidget, public IListControl {
  Q_OBJECT

 public:
  explicit CPatientListCtrl(QWidget* parent = nullptr);

  void DeleteAllItems() override;
  int GetItemCount() const override { return topLevelItemCount(); }
  int InsertItem(int row, const QString& text) override;
  void SetItemText(int row, int column, const QString& text) override;
  QString GetItemText(int row, int column) const override;
  void SetItemData(int row, uint32_t data) override;
  uint32_t GetItemData(int row) const override;
  // The patient list shows no check boxes, icons or row editors.
  void SetCheck(int, bool) override {}
  bool GetCheck(int) const override { return false; }
  void SetItemImage(int, int) override {}
  void SetRowItem(int, std::unique_ptr<CListItem>) override {}
  CListItem* GetRowItem(int) const override { return nullptr; }
  void SelectRow(int row) override;
  void SetFocus() override { setFocus(); }

  // Index of the selected row, -1 when none.
  int GetSelectedRow() const;
  // Shows the rows in their order in place of every row: the columns name, MR number and room,
  // and as item data a row's index into rows. The rows go in at once, so the view lays itself out
  // once rather than at every row.
  void ShowRows(const std::vector<CDBPatient::PatientRow>& rows);

 signals:
  void resized();

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

// The "Type:" drop-down: tells its page when it is about to open, so that the page can refill it
// with categories added since.
class CTypeCombo : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;
  void showPopup() override;

 signals:
  void aboutToPopup();
};

// The "Main" tab: the patients of one patient type (or of all types). The user picks the current
// patient here, looks a patient up by name, moves a patient to another type and deletes a patient
// with all of the patient's records. The page also keeps the patient-list options of the
// registry, the printer page settings among them.
class CPatientListPage : public CPatientTabPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 130;
  enum Column { kNameColumn = 0, kMrColumn = 1, kRoomColumn = 2 };

  explicit CPatientListPage(QWidget* parent = nullptr);

  // Columns, the Type list, the registry options, then the list itself.
  void OnInitDialog();

  void RefillPatientList(bool keepSelection, bool refreshTypes);
  // Selects the patient remembered in the registry; run once when the main window first shows.
  void SelectRemembered();
  // The MR number and room of the selected row, as the current patient has them.
  void SetSelectedRowCells(const QString& mrNumber, const QString& room);

  bool GetSelectedRecord(int& type, uint32_t& recordId) override;
  void UpdateSize() override;

  void LoadOptions();
  // Writes the registry options; false when any of them could not be stored.
  bool SaveOptions();
  // The program ends: the options are written (once the page was filled, and not on a device
  // opened read-only), and a failure to store them is told.
  void OnClose() override;

  // The patient type shown: the selected Type entry's text, or "" for "All" (every type).
  QString CurrentType() const;

  // Commands of the page's buttons.
  void OnDelete();
  void OnMove();
  // A tap on a column heading: sorts by the column's texts (UTF-16 code units, letter case
  // counting), ascending; the same column again sorts descending. Rows whose texts are equal keep
  // the order they had before the tap, in both directions.
  void OnColumnClick(int column);

  // The page's controls, for the window that holds it and for tests.
  CPatientListCtrl* List() const { return m_list; }
  CTypeCombo* TypeCombo() const { return m_type; }
  QLineEdit* LookupEdit() const { return m_lookup; }
  QLabel* AccessLabel() const { return m_access; }
  CPictureButton* DeleteButton() const { return m_delete; }
  CPictureButton* MoveButton() const { return m_move; }
  CPictureButton* NoMoveButton() const { return m_noMove; }
  const QString& RememberedPatient() const { return m_rememberedPatient; }

 private:
  // Reads every patient from the store into m_patients.
  void ReadPatients();
  // Fills the list with the read patients of the type shown and selects a row: the current
  // patient's when keepSelection and the patient is listed, else the first.
  void ShowPatients(bool keepSelection);
  void FillTypeList();
  void SelectTypeStartingWith(const QString& text);
  void OnTypeSelected();
  void OnTypeDropDown();
  void OnItemChanged();
  void OnRowTapped();
  void OnLookupChanged(const QString& text);
  void EnableButtons(bool enabled);
  void ShowAccessState(int accessState);
  void ResizeColumns();
  int FindRowStartingWith(const QString& text) const;
  // The program's page settings; nullptr while the page has no host.
  app_options::PrintSettings* Settings() const;

  CPatientListCtrl* m_list;
  CTypeCombo* m_type;
  QLineEdit* m_lookup;
  QLabel* m_access;
  CPictureButton* m_delete;
  CPictureButton* m_noDelete;
  CPictureButton* m_move;
  CPictureButton* m_noMove;
  CPopupListCtrl* m_typePopup;

  // Every patient, as the store held them when m_patientsMark was taken just before they were
  // read. A change of the type shown lists them again without a read while the store's mark is
  // still the same; without a mark they are read again.
  std::vector<CDBPatient::PatientRow> m_patients;
  std::optional<platform::StoreChangeMark> m_patientsMark;
  // The listed patients, those of the type shown; a row's item data is its index here.
  std::vector<CDBPatient::PatientRow> m_rows;

  int m_sortColumn = -1;
  bool m_sortAscending = true;
  bool m_filling = false;
  // While set, a change of the selected row empties the Lookup box (the lookup itself clears it
  // while it moves the selection).
  bool m_lookupFlag = true;
  bool m_initialized = false;
  QString m_rememberedPatient;
  QString m_currentName;
};
