#pragma once

// Command ids of the main window's menu and toolbar.
namespace command_ids {

inline constexpr int kAbout = 32771;
inline constexpr int kHelp = 32772;
inline constexpr int kPrintLog = 32773;
inline constexpr int kPrintCheckoutList = 32774;
inline constexpr int kNewPatient = 32776;
inline constexpr int kAddMeds = 32777;
inline constexpr int kAddLabs = 32778;
inline constexpr int kAddVitals = 32779;
inline constexpr int kAddTest = 32780;
inline constexpr int kAddNote = 32781;
inline constexpr int kReader = 32782;
inline constexpr int kPreferences = 32785;
inline constexpr int kBeam = 32786;
inline constexpr int kBeamCategories = 32787;
inline constexpr int kBeamCheckoutList = 32788;
inline constexpr int kReceiveBeam = 32789;
inline constexpr int kPairDevice = 32790;
inline constexpr int kClose = 57602;

// The record buttons of the toolbar (add medication, lab, vitals, test, note) act on the current
// patient: they are enabled, and run, only while a patient is selected.
constexpr bool NeedsPatient(int commandId) {
  return commandId >= kAddMeds && commandId <= kAddNote;
}

// The header label of the view.
inline constexpr int kHeaderLabel = 1024;
// The notification-area icon's callback message.
inline constexpr int kTrayCallback = 1034;

}  // namespace command_ids
