// Listing and volume display commands.
#include "messages.h"
#include "output.h"
#include "shell.h"

namespace volxfer {

void Shell::Listing(Words, ListingStyle) {}
void Shell::PrintListingEntry(const ods2::FileInfo&, ListingStyle) {}
void Shell::ChangeDirectory(std::string) {}
void Shell::Dir(Words) {}
void Shell::DirDate(Words) {}
void Shell::DirFileId(Words) {}
void Shell::DirProt(Words) {}
void Shell::DirSize(Words) {}
void Shell::Ls(Words) {}
void Shell::Cd(Words) {}
void Shell::Cdup(Words) {}
void Shell::Pwd(Words) {}
void Shell::ShowDef(Words) {}
void Shell::ShowDev(Words) {}
void Shell::ShowDevFull(Words) {}
void Shell::VolumeInformation(Words) {}

}  // namespace volxfer
