#include "shell/CommandRegistry.h"

#include "shell/CommandIds.h"
#include "shell/IPageHost.h"

void CommandRegistry::Register(int commandId, Handler handler) {
  m_handlers[commandId] = std::move(handler);
}

bool CommandRegistry::Contains(int commandId) const {
  return m_handlers.count(commandId) != 0;
}

std::vector<int> CommandRegistry::Ids() const {
  std::vector<int> ids;
  ids.reserve(m_handlers.size());
  for (const auto& [id, handler] : m_handlers) {
    ids.push_back(id);
  }
  return ids;
}

bool CommandRegistry::Dispatch(int commandId, CommandContext& context) const {
  const auto found = m_handlers.find(commandId);
  if (found == m_handlers.end() || !found->second) {
    return false;
  }
  if (command_ids::NeedsPatient(commandId) && !context.host.PatientSelected()) {
    return false;
  }
  found->second(context);
  return true;
}
