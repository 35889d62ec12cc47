#pragma once

#include <QString>
#include <cstdint>

// What a beam transfer shows while it runs, and how it learns that the user wants it to stop.
// The beam engine calls these on the thread that runs the transfer; the "Beam Progress" dialog
// implements them with widgets, the command line with plain text, tests with a recorder.
class IBeamProgress {
 public:
  virtual ~IBeamProgress() = default;

  // The transfer is starting: make the progress visible.
  virtual void Show() {}
  // Shows text as the latest status (every status text begins with a line feed, so its first
  // line stays empty); an error status takes the item bar's room as well. Answers IsCancelled().
  virtual bool SetStatus(const QString& text, bool error) = 0;
  // The text of a string-table id, then SetStatus.
  virtual bool SetStatusId(int stringId, bool error);
  // Progress of the current patient, record or search. A range of 0 leaves the range as it is.
  virtual void SetItemProgress(uint32_t position, uint32_t range) = 0;
  // Progress over several patients; the same rule for the range.
  virtual void SetOverallProgress(uint32_t position, uint32_t range) = 0;
  // Shows text as the overall progress; the first call reveals the overall pane.
  virtual void SetOverallText(const QString& text) = 0;
  // The other end of a secure transfer is the paired device of that name.
  virtual void SetPeer(const QString& name) { static_cast<void>(name); }
  // Serves what waits for the user first, then answers whether Cancel was pressed during the
  // transfer (or "Done" after it).
  virtual bool IsCancelled() = 0;
  // The transfer is over: the Cancel button reads "Done". Returns once the user pressed it, so
  // that the final status can be read; a front end without a user returns at once.
  virtual void WaitForDone() = 0;
};
