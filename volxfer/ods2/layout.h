// Where each field of the on-disk structures stands: byte offsets from the start of the block or
// record. Every accessor, check and encoder of the engine names its fields from here.
#pragma once

#include <cstddef>

namespace ods2::layout {

// The home block.
namespace home {
inline constexpr std::size_t kHomeLbn = 0;             // u32
inline constexpr std::size_t kAlternateHomeLbn = 4;    // u32
inline constexpr std::size_t kAlternateIndexLbn = 8;   // u32
inline constexpr std::size_t kStructureVersion = 12;   // u8; with the level, one word
inline constexpr std::size_t kStructureLevel = 13;     // u8
inline constexpr std::size_t kClusterFactor = 14;      // u16
inline constexpr std::size_t kHomeVbn = 16;            // u16
inline constexpr std::size_t kIndexBitmapVbn = 22;     // u16
inline constexpr std::size_t kIndexBitmapLbn = 24;     // u32
inline constexpr std::size_t kMaxFiles = 28;           // u32
inline constexpr std::size_t kIndexBitmapBlocks = 32;  // u16
inline constexpr std::size_t kReservedFiles = 34;      // u16
inline constexpr std::size_t kDeviceType = 36;         // u16
inline constexpr std::size_t kVolumeNumber = 38;       // u16
inline constexpr std::size_t kOwnerMember = 44;        // u16
inline constexpr std::size_t kOwnerGroup = 46;         // u16
inline constexpr std::size_t kDefaultProtection = 54;  // u16
inline constexpr std::size_t kFirstChecksum = 58;      // u16, over the words before it
inline constexpr std::size_t kExtendQuantity = 70;     // u16
inline constexpr std::size_t kVolumeName = 472;        // 12 bytes
inline constexpr std::size_t kOwnerName = 484;         // 12 bytes
inline constexpr std::size_t kFormat = 496;            // 12 bytes
inline constexpr std::size_t kTextSize = 12;
inline constexpr std::size_t kSecondChecksum = 510;  // u16, over the words before it
}  // namespace home

// The storage control block: block 0 of BITMAP.SYS.
namespace scb {
inline constexpr std::size_t kClusterFactor = 2;       // u16
inline constexpr std::size_t kVolumeSize = 4;          // u32, blocks
inline constexpr std::size_t kSectorsPerTrack = 12;    // u32
inline constexpr std::size_t kTracksPerCylinder = 16;  // u32
inline constexpr std::size_t kCylinders = 20;          // u32
}  // namespace scb

// The file header; 32-bit block numbers in the record attributes are stored high word first.
namespace header {
inline constexpr std::size_t kIdentWords = 0;            // u8, area offsets in words
inline constexpr std::size_t kMapWords = 1;              // u8
inline constexpr std::size_t kAccessWords = 2;           // u8
inline constexpr std::size_t kReservedWords = 3;         // u8
inline constexpr std::size_t kSegment = 4;               // u16, extension segment number
inline constexpr std::size_t kStructureVersion = 6;      // u8; with the level, one word
inline constexpr std::size_t kStructureLevel = 7;        // u8
inline constexpr std::size_t kFileId = 8;                // 6 bytes
inline constexpr std::size_t kFileNumber = 8;            // u16
inline constexpr std::size_t kSequence = 10;             // u16
inline constexpr std::size_t kRvn = 12;                  // u8
inline constexpr std::size_t kNumberExtension = 13;      // u8
inline constexpr std::size_t kExtensionId = 14;          // 6 bytes
inline constexpr std::size_t kRecordType = 20;           // u8: type in bits 0-3, organization in 4-7
inline constexpr std::size_t kRecordAttributes = 21;     // u8
inline constexpr std::size_t kRecordSize = 22;           // u16
inline constexpr std::size_t kHighestAllocatedVbn = 24;  // u32, high word first
inline constexpr std::size_t kEofVbn = 28;               // u32, high word first
inline constexpr std::size_t kFirstFreeByte = 32;        // u16
inline constexpr std::size_t kVfcSize = 35;              // u8, fixed control bytes; 0 means 2
inline constexpr std::size_t kMaxRecordSize = 36;        // u16
inline constexpr std::size_t kCharacteristics = 52;      // u32
inline constexpr std::size_t kCharacteristicsSize = 4;
inline constexpr std::size_t kMapWordsInUse = 58;  // u8
inline constexpr std::size_t kOwnerMember = 60;    // u16
inline constexpr std::size_t kOwnerGroup = 62;     // u16
inline constexpr std::size_t kProtection = 64;     // u16
inline constexpr std::size_t kBackLink = 66;       // 6 bytes
inline constexpr std::size_t kHighWaterMark = 76;  // u32
inline constexpr std::size_t kChecksum = 510;      // u16, over the words before it
}  // namespace header

// The ident area, from the header's ident offset.
namespace ident {
inline constexpr std::size_t kName = 0;  // 20 bytes, blank-padded
inline constexpr std::size_t kNameSize = 20;
inline constexpr std::size_t kRevisionCount = 20;     // u16
inline constexpr std::size_t kCreationDate = 22;      // u64
inline constexpr std::size_t kRevisionDate = 30;      // u64
inline constexpr std::size_t kExpirationDate = 38;    // u64
inline constexpr std::size_t kBackupDate = 46;        // u64
inline constexpr std::size_t kNameContinuation = 54;  // 65 bytes, blank-padded, then a zero
inline constexpr std::size_t kNameContinuationSize = 65;
}  // namespace ident

// A retrieval pointer of the map area: the format in the top two bits of its second byte.
namespace map {
inline constexpr std::size_t kLowCount = 0;  // u8: count bits 0-7 (formats 1, 2), 16-23 (format 3)
inline constexpr std::size_t kHighByte = 1;  // u8: format bits and six high count or LBN bits
inline constexpr unsigned kFormatShift = 6;
inline constexpr unsigned kFormatBits = 0xC0;
inline constexpr unsigned kHighBits = 0x3F;
inline constexpr std::size_t kFormat1Lbn = 2;    // u16, LBN bits 0-15
inline constexpr std::size_t kFormat2Lbn = 2;    // u32
inline constexpr std::size_t kFormat3Count = 2;  // u16, count bits 0-15
inline constexpr std::size_t kFormat3Lbn = 4;    // u32
}  // namespace map

// A directory record and its version entries.
namespace record {
inline constexpr std::size_t kSize = 0;          // u16, bytes after this word
inline constexpr std::size_t kVersionLimit = 2;  // u16
inline constexpr std::size_t kFlags = 4;         // u8
inline constexpr std::size_t kNameLength = 5;    // u8
inline constexpr std::size_t kName = 6;          // then a pad byte when the length is odd
inline constexpr std::size_t kEntryVersion = 0;  // u16, within an entry
inline constexpr std::size_t kEntryFileId = 2;   // 6 bytes, within an entry
inline constexpr std::size_t kEntrySize = 8;
inline constexpr unsigned kEndOfBlock = 0xFFFF;  // a size word that closes a block
}  // namespace record

}  // namespace ods2::layout
