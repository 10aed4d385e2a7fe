#include "command_table.h"

#include "shell.h"

namespace volxfer {

namespace {
const std::array<CommandEntry, 34> kCommands = {{
    {"?", 1, &Shell::Help},
    {"ascii", 3, &Shell::Ascii},
    {"bin", 2, &Shell::Bin},
    {"bye", 2, &Shell::Bye},
    {"cd", 2, &Shell::Cd},
    {"cdup", 3, &Shell::Cdup},
    {"close", 2, &Shell::Close},
    {"debug", 3, &Shell::Debug},
    {"del", 3, &Shell::Delete},
    {"delete", 6, &Shell::Delete},
    {"dir", 3, &Shell::Dir},
    {"dir/date", 5, &Shell::DirDate},
    {"dir/file_id", 5, &Shell::DirFileId},
    {"dir/prot", 5, &Shell::DirProt},
    {"dir/size", 5, &Shell::DirSize},
    {"disconnect", 3, &Shell::Close},
    {"exit", 2, &Shell::Bye},
    {"get", 3, &Shell::Get},
    {"help", 1, &Shell::Help},
    {"lcd", 2, &Shell::Lcd},
    {"lo", 2, &Shell::Bye},
    {"ls", 2, &Shell::Ls},
    {"mkdir", 2, &Shell::MakeDirectory},
    {"mode", 2, &Shell::Mode},
    {"open", 2, &Shell::Open},
    {"put", 3, &Shell::Put},
    {"pwd", 3, &Shell::Pwd},
    {"quit", 1, &Shell::Bye},
    {"recv", 2, &Shell::Get},
    {"show_dev", 2, &Shell::ShowDev},
    {"show_dev/full", 13, &Shell::ShowDevFull},
    {"show_def", 8, &Shell::ShowDef},
    {"status", 2, &Shell::ShowDevFull},
    {"vi", 2, &Shell::VolumeInformation},
}};
}  // namespace

std::span<const CommandEntry> CommandTable() {
  return kCommands;
}

const CommandEntry* FindCommand(std::string_view word) {
  for (const CommandEntry& entry : kCommands) {
    if (word.size() >= entry.minimum && word.size() <= entry.name.size() && entry.name.starts_with(word))
      return &entry;
  }
  return nullptr;
}

}  // namespace volxfer
