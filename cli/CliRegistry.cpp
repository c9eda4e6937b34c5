#include <algorithm>

#include "cli/CliCommand.h"

namespace {
std::vector<CliCommand>& commands() {
  static std::vector<CliCommand> list;
  return list;
}
}  // namespace

void CliRegistry::add(CliCommand command) { commands().push_back(std::move(command)); }

const CliCommand* CliRegistry::find(const QString& name) {
  const auto& list = commands();
  const auto it = std::find_if(list.begin(), list.end(), [&](const CliCommand& c) { return c.name == name; });
  return it == list.end() ? nullptr : &*it;
}

const std::vector<CliCommand>& CliRegistry::all() { return commands(); }
