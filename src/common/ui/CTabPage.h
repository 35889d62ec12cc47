#pragma once

#include <QWidget>
#include <cstdint>

// A page of a tab strip. The strip calls OnSetActive when the page is shown, OnKillActive when
// it is left, UpdateSize after giving it a new size, and asks Validate before leaving it.
//
// Everything here is inline and the class has no Q_OBJECT, so that an extension library can
// derive its pages from it without linking the program (see docs/extensions.md); derived
// classes may add Q_OBJECT.
class CTabPage : public QWidget {
 public:
  // dialogId names the page's layout; the int and bool are kept for the pages' constructors and
  // are not used by the base.
  CTabPage(int dialogId, QWidget* parent = nullptr, int /*unused*/ = 0, bool /*unused*/ = false)
      : QWidget(parent), m_dialogId(dialogId) {}
  ~CTabPage() override = default;

  // Makes the page a child of parent (hidden until the strip shows it). True on success.
  bool Create(QWidget* parent) {
    if (parent != nullptr) {
      setParent(parent);
    }
    hide();
    m_created = true;
    return true;
  }

  // In slot order.
  virtual bool OnSetActive() { return true; }
  virtual bool OnKillActive() { return true; }
  virtual void UpdateSize() {}
  // True when a record is selected, with its record type code and record id.
  virtual bool GetSelectedRecord(int& type, uint32_t& recordId) {
    type = 0;
    recordId = 0;
    return false;
  }
  // False keeps the page open (the strip does not leave it).
  virtual bool Validate() { return true; }
  // The page is about to be closed with its strip.
  virtual void OnClose() {}

  int DialogId() const { return m_dialogId; }
  bool IsCreated() const { return m_created; }

  // The soft input panel's state; raising or lowering it. Defined in the program (not available
  // to extensions that do not link it).
  static bool GetSIPState();
  static void ShowSIP(bool up);

 private:
  int m_dialogId;
  bool m_created = false;
};
