#include "file_creation.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "directory.h"
#include "directory_update.h"
#include "file_removal.h"
#include "open_file.h"
#include "volume.h"

namespace ods2 {

namespace {
constexpr std::uint8_t kIdentWords = 40;
constexpr std::uint8_t kMapWords = 100;
constexpr std::uint8_t kAccessWords = 255;
constexpr std::size_t kIdentOffset = 2 * kIdentWords;
constexpr std::size_t kNameHead = layout::ident::kNameSize;
constexpr std::size_t kNameTailOffset = layout::ident::kNameContinuation;
constexpr std::size_t kNameTail = layout::ident::kNameContinuationSize;
// The largest count a format 3 pointer holds.
constexpr std::uint64_t kFormat3Limit = std::uint64_t{1} << 30;
// Versions ODS-2 allows.
constexpr long kHighestVersion = 32767;

void PutName(FileHeader& header, std::string_view name) {
  std::span<std::uint8_t> b = header.bytes();
  std::string_view head = name.substr(0, kNameHead);
  std::fill_n(b.begin() + kIdentOffset, kNameHead, ' ');
  std::copy(head.begin(), head.end(), b.begin() + kIdentOffset);
  b[kIdentOffset + kNameHead] = 0;
  if (name.size() > kNameHead) {
    std::string_view tail = name.substr(kNameHead, kNameTail);
    std::size_t at = kIdentOffset + kNameTailOffset;
    std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(at), kNameTail, ' ');
    std::copy(tail.begin(), tail.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    b[at + kNameTail] = 0;
  }
}

// The new header over the old content of its block, which only lends its sequence number.
void BuildHeader(const Volume& volume, FileHeader& header, std::uint32_t number) {
  const HomeBlock& hb = volume.home_block();
  namespace h = layout::header;
  std::uint16_t old_sequence = GetU16(header.bytes(), h::kSequence);
  std::fill(header.bytes().begin(), header.bytes().end(), 0);
  std::span<std::uint8_t> b = header.bytes();
  b[h::kIdentWords] = kIdentWords;
  b[h::kMapWords] = kMapWords;
  b[h::kAccessWords] = kAccessWords;
  b[h::kReservedWords] = kAccessWords;
  PutU16(b, h::kStructureVersion, hb.structure_level_word());
  PutU16(b, h::kFileNumber, static_cast<std::uint16_t>(number));
  PutU16(b, h::kSequence, static_cast<std::uint16_t>(old_sequence + 1));
  PutU8(b, h::kRvn, static_cast<std::uint8_t>(hb.volume_number()));
  PutU8(b, h::kNumberExtension, static_cast<std::uint8_t>(number >> 16));
  header.set_highest_allocated_vbn(0);
  header.SetEndOfFile(0);
  PutU16(b, h::kOwnerMember, hb.owner_member());
  PutU16(b, h::kOwnerGroup, hb.owner_group());
  PutU16(b, h::kProtection, hb.default_protection());
}
// NAME.TYPE with one dot, each part at most 39 of the characters ODS-2 names are made of. Anything
// else would be entered where listings and other software cannot find it.
bool IsFiles11Name(std::string_view name) {
  constexpr std::size_t kPartLimit = 39;
  std::size_t dot = name.find('.');
  if (dot == std::string_view::npos || name.find('.', dot + 1) != std::string_view::npos) return false;
  if (dot > kPartLimit || name.size() - dot - 1 > kPartLimit || name.size() == 1) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '$' || c == '_' || c == '-' || c == '.';
  });
}

// Other ODS-2 software looks for headers only below the index file's end of file and high-water
// mark, in the index file header and in its backup copy among the index file's first clusters.
bool CoverHeaderByEndOfFile(Volume& volume, std::uint32_t number) {
  const HomeBlock& hb = volume.home_block();
  const std::uint32_t leading_blocks = 4u * hb.cluster_factor();
  std::uint64_t vbn = static_cast<std::uint64_t>(number) + hb.index_bitmap_blocks() + leading_blocks;
  BitmapFile& index_file = volume.index_file();
  FileHeader& index = index_file.first_header();
  if (vbn <= index.UsedBlocks()) return true;
  index.SetEndOfFile(vbn * kBlockSize);
  index.CoverByHighWater(vbn);
  index.UpdateChecksum();
  if (BlockWindow* w = index_file.window()) {
    for (std::uint32_t b = 0; b < leading_blocks && b < w->count; ++b) {
      FileHeader copy;
      std::span<std::uint8_t> block(w->data.data() + static_cast<std::size_t>(b) * kBlockSize, kBlockSize);
      std::copy(block.begin(), block.end(), copy.bytes().begin());
      if (!copy.Valid(kIndexFileId)) continue;
      std::copy(index.bytes().begin(), index.bytes().end(), block.begin());
      index_file.MarkDataModified();
    }
  }
  index_file.MarkHeaderModified();
  if (index_file.Flush()) return true;
  if (volume.error() != ErrReadOnly) volume.SetError(ErrDrive);
  return false;
}
// Headers past the index file's allocation get room the way they would on VMS: the index file
// grows by at least the volume's extend quantity. It takes no extension headers, so it also grows
// by at least a 32nd of its largest size: reaching max_files then needs few enough pointers for
// its one map, however fragmented the volume. When it cannot grow, creation fails (code 10).
bool ExtendIndexFile(Volume& volume, std::uint32_t number) {
  const HomeBlock& hb = volume.home_block();
  std::uint64_t vbn =
      static_cast<std::uint64_t>(number) + hb.index_bitmap_blocks() + 4u * hb.cluster_factor();
  BitmapFile& index = volume.index_file();
  std::uint32_t highest = index.first_header().highest_allocated_vbn();
  if (number > hb.max_files() || vbn <= highest || index.first_header().is_contiguous()) return false;
  const std::uint64_t largest =
      static_cast<std::uint64_t>(hb.max_files()) + hb.index_bitmap_blocks() + 4u * hb.cluster_factor();
  std::uint64_t blocks = std::max<std::uint64_t>({vbn - highest, hb.extend_quantity(), largest / 32});
  blocks = std::max<std::uint64_t>(std::min(blocks, largest - highest), vbn - highest);
  return Extend(index, static_cast<std::uint32_t>(blocks));
}
// The file's header name (up to 20 characters), for its extension headers.
std::string HeaderName(const FileHeader& header) {
  std::size_t at = header.ident_offset();
  if (at + kNameHead > 510) return {};
  std::string name(reinterpret_cast<const char*>(header.bytes().data() + at), kNameHead);
  return name.substr(0, name.find_first_of(std::string(" \0", 2)));
}

// A header whose map is full continues in an extension header: a header of its own file number,
// linked from the last header, one segment further on, linking back to the primary header. It is
// on disk, linked, before any pointer in it holds clusters.
bool AddExtensionHeader(Volume& volume, OpenFile& file) {
  // The index file grows for new headers; it must not need one to grow.
  if (file.first_header().file_id() == kIndexFileId) return false;
  FileId id;
  if (!CreateHeader(volume, id, HeaderName(file.first_header()))) {
    if (id.number != 0) ReleaseFile(volume, id);
    return false;
  }
  FileHeader extension;
  extension.lbn = volume.HeaderLbn(id.FileNumber());
  if (extension.lbn == 0 || !volume.ReadBlocks(extension.lbn, 1, extension.bytes())) {
    ReleaseFile(volume, id);
    volume.SetError(ErrDrive);
    return false;
  }
  const FileHeader& primary = file.first_header();
  std::span<std::uint8_t> b = extension.bytes();
  PutU16(b, 4, static_cast<std::uint16_t>(GetU16(file.headers().back().bytes(), 4) + 1));
  std::copy_n(primary.bytes().begin() + 52, 4, b.begin() + 52);  // characteristics
  std::copy_n(primary.bytes().begin() + 60, 6, b.begin() + 60);  // owner and protection
  primary.file_id().Write(b, 66);
  id.Write(file.headers().back().bytes(), 14);
  file.headers().push_back(extension);
  file.MarkHeaderModified();
  return file.Flush();
}

// The largest count a pointer of `format` holds: a grown extent must still fit its pointer (other
// software writes format 1 and 2 pointers, which hold at most 256 and 16384 blocks).
std::uint64_t FormatCountLimit(int format) {
  constexpr std::uint64_t kFormat1Limit = 256;
  constexpr std::uint64_t kFormat2Limit = 16384;
  return format == 1 ? kFormat1Limit : format == 2 ? kFormat2Limit : kFormat3Limit;
}

// A creation that failed half way gives back what it took; the code of the failure stays.
void UndoCreation(Volume& volume, const FileId* directory, const DirectoryEntryToAdd& entry) {
  int code = volume.error();
  if (directory)
    RemoveFile(volume, *directory, entry.name, entry.version, entry.id);
  else
    ReleaseFile(volume, entry.id);
  volume.SetError(code);
}
}  // namespace

void StampNewFile(FileHeader& header) {
  std::size_t ident = header.ident_offset();
  if (ident + layout::ident::kRevisionDate + 8 > layout::header::kChecksum) return;
  auto since_1970 = std::chrono::system_clock::now().time_since_epoch();
  auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(since_1970).count() / 100;
  auto now = static_cast<std::uint64_t>(ticks + kVmsEpochToUnix * kVmsTicksPerSecond);
  PutU16(header.bytes(), ident + layout::ident::kRevisionCount, 1);
  PutU64(header.bytes(), ident + layout::ident::kCreationDate, now);
  PutU64(header.bytes(), ident + layout::ident::kRevisionDate, now);
}

bool CreateHeader(Volume& volume, FileId& id, std::string_view name) {
  FileHeader header;
  std::uint64_t lbn = 0;
  std::uint32_t number = 0;
  for (;;) {
    std::optional<std::uint32_t> taken = volume.index_file().bitmap().AllocateOne();
    if (!taken) {
      volume.SetError(ErrNoFreeIndex);
      return false;
    }
    number = *taken;
    lbn = volume.HeaderLbn(number);
    if (lbn == 0 && ExtendIndexFile(volume, number)) lbn = volume.HeaderLbn(number);
    if (lbn == 0) {
      volume.SetError(ErrInvalidHeader);  // the number stays taken
      return false;
    }
    if (!volume.ReadBlocks(lbn, 1, header.bytes())) {
      volume.SetError(ErrDrive);
      return false;
    }
    // A bitmap bit found clear for a reserved file or a file whose header is in use is wrong;
    // the number stays marked (which mends the bit) and the next one is tried.
    FileId old = header.file_id();
    bool in_use = header.Valid(old) && old.FileNumber() == number;
    if (number > volume.home_block().reserved_files() && !in_use) break;
  }
  BuildHeader(volume, header, number);
  PutName(header, name);
  header.UpdateChecksum();
  // The number is marked taken on disk before a header claims it.
  if (!volume.index_file().Flush() || !volume.WriteBlocks(lbn, 1, header.bytes())) {
    if (volume.error() != ErrReadOnly) volume.SetError(ErrDrive);
    return false;
  }
  id = header.file_id();
  return CoverHeaderByEndOfFile(volume, number);
}

bool Extend(OpenFile& file, std::uint32_t blocks) {
  Volume& volume = *file.volume();
  if (!file.accessed() || file.first_header().is_contiguous() || blocks == 0) {
    volume.SetError(ErrInvalidArgument);
    return false;
  }
  const std::uint64_t c = volume.cluster_factor();
  std::optional<RetrievalPointer> last;
  FileHeader* last_holder = nullptr;
  for (FileHeader& header : file.headers()) {
    if (!header.VisitPointers([&](const RetrievalPointer& p) {
          if (!p.is_placement()) last = p, last_holder = &header;
          return true;
        })) {
      volume.SetError(ErrInvalidHeader);
      return false;
    }
  }
  FileHeader& tail = file.headers().back();
  std::uint64_t c0 = (file.first_header().highest_allocated_vbn() + c - 1) / c;
  std::uint64_t k = (blocks + c - 1) / c;
  std::uint64_t new_highest = (c0 + k) * c;
  if (new_highest > UINT32_MAX || k * c > kFormat3Limit) {
    volume.SetError(ErrNoFreeIndex);
    return false;
  }
  BitmapView& bitmap = volume.storage_bitmap().bitmap();
  auto clusters = static_cast<std::uint32_t>(k);
  bool grown = false;
  if (last && (static_cast<std::uint64_t>(last->lbn) + last->count) % c == 0 &&
      last->count + k * c <= FormatCountLimit(last->format)) {
    auto next = static_cast<std::uint32_t>((static_cast<std::uint64_t>(last->lbn) + last->count) / c);
    if (bitmap.AllocateAt(next, clusters) == BitmapView::RunResult::kAllocated) {
      StorePointerCount(last_holder->bytes(), *last, static_cast<std::uint32_t>(last->count + k * c));
      grown = true;
    }
  }
  if (!grown) {
    // Room for the pointer first: clusters taken without a pointer to hold them would be lost.
    if (tail.map_words_in_use() + 4 >= tail.map_capacity_words()) {
      int code = volume.error();
      if (!AddExtensionHeader(volume, file)) {
        if (volume.error() == code || volume.error() == ErrNone) volume.SetError(ErrNoFreeIndex);
        return false;
      }
    }
    FileHeader& tail = file.headers().back();
    std::uint32_t first = 0;
    if (bitmap.AllocateRun(clusters, first) != BitmapView::RunResult::kAllocated) {
      volume.SetError(ErrNoFreeIndex);
      return false;
    }
    StoreFormat3Pointer(tail.bytes(), tail.map_offset() + 2 * tail.map_words_in_use(),
                        static_cast<std::uint32_t>(k * c), static_cast<std::uint32_t>(first * c));
    tail.set_map_words_in_use(static_cast<std::uint8_t>(tail.map_words_in_use() + 4));
  }
  file.first_header().set_highest_allocated_vbn(static_cast<std::uint32_t>(new_highest));
  file.MarkHeaderModified();
  // The bitmap first: a crash before the header is written loses the clusters, never shares them.
  if (!volume.storage_bitmap().Flush()) return false;
  return file.Flush();
}

bool MakeFile(Volume& volume, OpenFile& file, const FileId& directory, std::string_view specification,
              int window_request) {
  // Wildcards never name a new file; saying so beats failing without a reason.
  if (HasWildcards(specification)) {
    volume.SetError(ErrInvalidArgument);
    return false;
  }
  FileSpecification spec = ParseSpecification(specification);
  long version = spec.version == 0 ? 1 : spec.version;
  if (!IsFiles11Name(spec.name) || version < 0 || version > kHighestVersion) {
    volume.SetError(ErrInvalidArgument);
    return false;
  }
  std::uint32_t cursor = 0;
  std::string named = std::string(specification);
  if (auto existing = Lookup(volume, false, directory, cursor, specification)) {
    // A name given without a version that exists gets the next version above the newest, as VMS
    // makes it; a version given that exists is refused.
    long newest = std::strtol(existing->name.substr(existing->name.rfind(';') + 1).c_str(), nullptr, 10);
    if (spec.version != 0 || newest >= kHighestVersion) {
      volume.SetError(ErrFileExists);
      return false;
    }
    version = newest + 1;
    named = spec.name + ";" + std::to_string(version);
  } else if (volume.error() != ErrFileNotFound) {
    return false;  // a damaged directory is not written to
  }
  volume.SetError(ErrNone);
  DirectoryEntryToAdd entry{spec.name, static_cast<std::uint16_t>(version), FileId{}};
  // Everything that can refuse the name is checked before the header is written.
  if (!EnterName(volume, directory, entry, nullptr, true)) return false;
  // The header's name carries the version the entry gets (";0" and ";" mean 1).
  std::string header_name = named;
  if (header_name.find(';') != std::string::npos) header_name = spec.name + ";" + std::to_string(version);
  if (!CreateHeader(volume, entry.id, header_name)) {
    if (entry.id.number != 0) UndoCreation(volume, nullptr, entry);
    return false;
  }
  if (!EnterName(volume, directory, entry)) {
    UndoCreation(volume, nullptr, entry);
    return false;
  }
  if (!file.Access(volume, window_request, entry.id)) {
    UndoCreation(volume, &directory, entry);
    return false;
  }
  file.MarkCreatedHere();
  file.first_header().set_back_link(directory);
  file.MarkHeaderModified();
  return file.Flush();
}

}  // namespace ods2
