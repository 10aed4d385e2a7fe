// The engine's numbered error codes and the texts the shell prints for them.
#pragma once

#include <string_view>

namespace ods2 {

enum ErrorCode : int {
  ErrNone = 0,
  ErrDrive = 1,
  ErrNotOpened = 2,
  ErrAlreadyOpened = 3,
  ErrInvalidHandle = 4,
  ErrFileOpened = 5,
  ErrInvalidArgument = 6,
  ErrNoHomeBlock = 7,
  ErrInvalidFileIndex = 8,
  ErrInvalidSequence = 9,
  ErrInvalidHeader = 10,
  ErrInvalidBackLink = 11,
  ErrVolumeSet = 12,
  ErrEof = 13,
  ErrFileNotFound = 14,
  ErrNotDirectory = 15,
  ErrTopDirectory = 16,
  ErrNoFreeIndex = 17,
  ErrReadOnly = 18,
  ErrFileExists = 19,
  ErrInvalidTextFile = 20,
  ErrReadingFile = 21,
};

inline constexpr int kErrorCodeCount = 22;

// The text of a code in 0..21; an empty view for anything else.
std::string_view ErrorCodeText(int code);

}  // namespace ods2
