#pragma once

#include <QByteArray>
#include <QString>

// The ASCII printer driver: plain text laid out in pages of fixed lines and columns, sent to the
// printer target when the job is closed. docs/printing.md describes the targets.
//
// A page holds linesPerPage lines: topMargin blank lines, the printable lines, and bottomMargin
// lines left blank at the bottom. Each printed line starts with leftMargin blanks and holds at
// most pageWidth - leftMargin characters; longer lines wrap at the last blank that fits (or are
// cut when a word alone is longer). Pages end with a form feed.
class CAsciiPr {
 public:
  // Where jobs go when neither SetTarget nor the registry names a target.
  static constexpr const char* kDefaultTarget = "spool";
  // HKEY_CURRENT_USER Software\Quillfen\Options, REG_SZ: the printer target.
  static constexpr const char* kTargetValueName = "PrinterTarget";

  CAsciiPr() = default;
  ~CAsciiPr();
  CAsciiPr(const CAsciiPr&) = delete;
  CAsciiPr& operator=(const CAsciiPr&) = delete;

  // Starts a job. 0 on success; nonzero when the settings leave no room for text or the
  // printer target cannot be reached.
  int OpenPort(int linesPerPage, int pageWidth, int leftMargin, int topMargin, int bottomMargin);
  // Prints text from the current position; CR LF, LF and CR end lines, a form feed character
  // ends the page, tabs advance to the next multiple of eight columns.
  void PrintStringBuffer(const QString& text);
  void CrLf();
  // Ends the current page (a page with nothing on it is not ejected twice).
  void FormFeed();
  // Ends the job and delivers it. 0 when the printer target took the whole job; nonzero when no
  // printer answered (or no job was open).
  int ClosePort();

  bool IsOpen() const { return m_open; }
  // The bytes of the job so far (text in Latin-1 with CR LF line ends and form feeds).
  const QByteArray& JobBytes() const { return m_job; }
  // The spool file written by the last ClosePort to the spool target.
  const QString& LastSpoolFile() const { return m_lastSpoolFile; }

  // Where the last job that a printer target took went, so that the person can be told.
  struct Delivery {
    enum class Kind { kNone, kSpoolFile, kFile, kNetworkPrinter, kSystemSpooler };
    Kind kind = Kind::kNone;
    QString where;  // the file, "HOST:PORT", or the spooler's queue ("" = its default)
  };
  // Of the last job delivered on this thread; kNone before the first.
  static const Delivery& LastDelivery();

  // The printer target of the process: "spool" (a text file per job in the device's spool
  // folder), "file:PATH" (appended to that file), "tcp:HOST:PORT" (a raw network printer) or
  // "lp" / "lp:QUEUE" (the system's print spooler). Empty = the registry value, else "spool".
  static void SetTarget(const QString& target);
  // The target that the next job will use.
  static QString Target();

 private:
  void NewLine();
  void StartPage();
  void EndPage();
  void PutLineText(const QString& text);
  int Deliver();
  int DeliverToFile();
  static void Delivered(Delivery::Kind kind, const QString& where);

  bool m_open = false;
  int m_linesPerPage = 0;
  int m_pageWidth = 0;
  int m_leftMargin = 0;
  int m_topMargin = 0;
  int m_bottomMargin = 0;
  int m_lineOnPage = 0;  // printable lines used on the current page
  bool m_pageStarted = false;
  QString m_line;  // the current line, not yet laid out
  QByteArray m_job;
  QString m_target;
  int m_socket = -1;
  QString m_lastSpoolFile;
};
