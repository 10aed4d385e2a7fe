// What the main dialog shows, worked out without Qt: the fixed list entries, which rows a
// system and controller choice admit, and the Disk Information texts of a row.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "DiskTable.h"

namespace blankimg {

inline constexpr std::array<const char*, 5> kSystemEntries{"Select System", "All", "PDP-11", "Professional",
                                                           "VAX"};
inline constexpr std::array<const char*, 2> kControllerEntries{"All controllers", "MSCP"};
// Entry 0 of the disk type list as the dialog starts, and as every refill puts it back.
inline constexpr const char* kInitialDiskTypeEntry = "Select Disk Type";
inline constexpr const char* kRefilledDiskTypeEntry = "Select disk type";

enum SystemIndex {
  kSelectSystem = 0,
  kSystemAll = 1,
  kSystemPdp11 = 2,
  kSystemProfessional = 3,
  kSystemVax = 4
};
enum ControllerIndex { kAllControllers = 0, kControllerMscpOnly = 1 };

// Rows admitted by the two list choices, in table order.
std::vector<const DiskType*> rowsFor(int systemIndex, int controllerIndex);

// The controller list is offered once a system is chosen, except for the Professional.
bool controllerListEnabled(int systemIndex);

struct DiskInformation {
  std::string size;       // "%d" Kb, or "%.1f" Mb / Gb
  std::string unit;       // "Kb", "Mb" or "Gb"
  std::string blocks;     // sectors x tracks x cylinders
  std::string sectors;    // per track
  std::string blockSize;  // sector size in bytes
};
DiskInformation diskInformation(const DiskType& row);

// The name the Save As box proposes: "%s.dsk".
std::string defaultFileName(const DiskType& row);

}  // namespace blankimg
