#pragma once

#include <functional>
#include <map>
#include <vector>

class IPageHost;
class QWidget;

// What a command's handler works with: the chart strip (current patient, pages, shell) and the
// window that the command's dialogs belong to.
struct CommandContext {
  IPageHost& host;
  QWidget* window;
};

// The commands of the menu and the toolbar, each registered by the folder that carries it out
// (patients, chart, notes, print, beam, the application's own). The view only dispatches; it
// includes no dialog.
class CommandRegistry {
 public:
  using Handler = std::function<void(CommandContext& context)>;

  // Registering an id again replaces its handler.
  void Register(int commandId, Handler handler);
  bool Contains(int commandId) const;
  // The registered ids, in increasing order.
  std::vector<int> Ids() const;
  // Runs the command's handler. False when no handler is registered, or when the command asks
  // for a patient and none is selected (command_ids::NeedsPatient): a stray shortcut never
  // stores a record for nobody.
  bool Dispatch(int commandId, CommandContext& context) const;

 private:
  std::map<int, Handler> m_handlers;
};
