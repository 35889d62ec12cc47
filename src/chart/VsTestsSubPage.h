#pragma once

#include <QString>
#include <cstdint>

#include "shell/CPatientTabPage.h"

class CPictureButton;
class CVSTestsPage;
class QBoxLayout;

// Base of the labs, vitals and tests sub-pages of the "VS/Tests" tab, and the steps the three
// share: a reload that keeps the record shown before, the selected record, DELETE, and the record
// buttons (DELETE, and SAVE where the page edits in place, each with its greyed picture for a
// read-only record). A sub-page reaches the current patient through its container, and shows the
// container's "Read Only" label only while it is the sub-page the container shows: a sub-page
// reloaded while hidden (after a record was added to it) leaves the label to the visible one.
class CVsTestsSubPage : public CPatientTabPage {
  Q_OBJECT

 public:
  // The sub-page of recordType's records: lab results, vital signs or tests.
  CVsTestsSubPage(uint8_t recordType, CVSTestsPage& container);

  // Refills the page, keeping the record shown before when it is still there.
  bool OnSetActive() final;
  // The page's record type and the selected record's id; false when none is selected.
  bool GetSelectedRecord(int& type, uint32_t& recordId) final;
  // DELETE: the selected record after the question, unless it is read-only; a refusal of the
  // store is told. The page then takes the record out of its list.
  void OnDelete();

  // SAVE and NO SAVE are nullptr on a page without SAVE.
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* NoSaveButton() const { return m_noSave; }
  CPictureButton* DeleteButton() const { return m_delete; }
  CPictureButton* NoDeleteButton() const { return m_noDelete; }
  // The access state of the shown record: any value but 0 makes it read-only here.
  int ReadOnlyState() const { return m_readOnly; }

 protected:
  // The page's part of OnSetActive: refill, showing kept (a record id, or 0) when it is there.
  virtual void Refill(uint32_t kept) = 0;
  // The selected record; 0 for none.
  virtual uint32_t SelectedRecordId() const = 0;
  // Whether the selected record is read-only; by default the shown access state says.
  virtual bool SelectedIsReadOnly() const { return m_readOnly != 0; }
  // After DELETE took recordId from the store: the page updates its list and what it shows.
  virtual void OnRecordDeleted(uint32_t recordId) = 0;

  enum class RecordButtons { kDelete, kSaveAndDelete };
  // Makes the record buttons. A page calls it where they stand in its keyboard order: after the
  // controls that come before them, before those that follow.
  void MakeRecordButtons(RecordButtons buttons);
  // Shows the shown record's access state: the "Read Only" label, and NO SAVE and NO DELETE in
  // place of SAVE and DELETE while it is not 0.
  void ShowAccessState(int state);
  // The page's outer layout: no margin but the gap the page leaves above its bottom edge.
  static void SetPageMargins(QBoxLayout& layout);

  // The container's current patient; empty when none is selected.
  QString Patient() const;
  void ShowReadOnlyLabel(bool shown);
  bool IsShownSubPage() const;
  // Tells the extensions that the current patient's records changed (after a save or delete).
  void TellPatientDataChanged() const;

 private:
  CVSTestsPage& m_container;
  CPictureButton* m_save = nullptr;
  CPictureButton* m_noSave = nullptr;
  CPictureButton* m_delete = nullptr;
  CPictureButton* m_noDelete = nullptr;
  int m_readOnly = 0;
};
