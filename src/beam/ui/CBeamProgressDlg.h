#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

#include "beam/IBeamProgress.h"

class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;

// "Beam Progress": what a beam transfer shows while it runs, in a small window of its own. The
// status text tells the latest step, the item bar the progress of the current patient, record or
// search; a transfer of several patients reveals the overall text and bar above them. "Cancel"
// asks the transfer to stop; once the transfer is over it reads "Done" and closes the window.
//
// The transfer runs on the user-interface thread: the window is served (and "Cancel" heard) at
// every cancel check of the transfer, which handles the pending events first.
class CBeamProgressDlg : public QDialog, public IBeamProgress {
  Q_OBJECT

 public:
  // Shown when the transfer starts. Started from a modal dialog, the window belongs to it
  // (owner), so that it can be used while that dialog is open; otherwise it has no owner.
  explicit CBeamProgressDlg(QWidget* owner = nullptr);

  // IBeamProgress
  void Show() override;
  bool SetStatus(const QString& text, bool error) override;
  void SetItemProgress(uint32_t position, uint32_t range) override;
  void SetOverallProgress(uint32_t position, uint32_t range) override;
  void SetOverallText(const QString& text) override;
  // A line at the top names the paired device on the other end.
  void SetPeer(const QString& name) override;
  bool IsCancelled() override;
  // "Done", then the window stays until the user presses it (through the modal seam).
  void WaitForDone() override;

  // "Cancel" while the transfer runs, "Done" afterwards.
  void OnCancel();

  QLabel* StatusLabel() const { return m_status; }
  QProgressBar* ItemBar() const { return m_itemBar; }
  QPushButton* CancelButton() const { return m_cancel; }
  QLabel* OverallLabel() const { return m_overall; }
  QProgressBar* OverallBar() const { return m_overallBar; }
  QLabel* PeerLabel() const { return m_peer; }

  QString statusText;
  QString overallText;
  bool finished = false;
  bool cancelRequested = false;
  bool closeRequested = false;
  bool overallShown = false;
  bool errorShown = false;

 protected:
  void reject() override;

 private:
  // The status text takes the item bar's room, so that a long error text can be read.
  void ShowErrorView();
  // The overall text and bar appear above the status text.
  void ShowOverallPane();
  void UpdateData();
  // Paints the window at once, while it shows.
  void PaintNow();
  void FitWindow();

  QLabel* m_status;
  QProgressBar* m_itemBar;
  QPushButton* m_cancel;
  QLabel* m_overall;
  QProgressBar* m_overallBar;
  QLabel* m_peer;
  QGridLayout* m_layout;
};

// How a progress bar shows a transfer's count: the whole count when it fits the bar's 16 bits,
// else scaled to them, so that a bar over any number of records moves from empty to full.
namespace beam_bar {

constexpr uint32_t kMaxSteps = 0xFFFF;

struct Shown {
  int maximum = 0;
  int value = 0;
};

// The bar's range and value for a position within 0..range (a position past the range is shown
// full).
Shown Scale(uint32_t position, uint32_t range);
// Sets a bar from a position and range; range 0 keeps the range set before (kept in the bar).
void Apply(QProgressBar& bar, uint32_t position, uint32_t range);

}  // namespace beam_bar
