#include "volume_builder.h"

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include "ods2/little_endian.h"

namespace test {

using ods2::FileId;
using ods2::PutU16;
using ods2::PutU32;
using ods2::PutU32HighFirst;
using ods2::PutU64;
using ods2::PutU8;
using ods2::WordChecksum;

namespace {
constexpr std::size_t kBlock = 512;
constexpr std::uint64_t kTicksTo1970 = 3'506'716'800ULL * 10'000'000ULL;

struct Extent {
  std::uint64_t lbn;
  std::uint32_t count;
};

// One header to write: where, what it says, which pointers it carries.
struct HeaderPlan {
  std::uint32_t number = 0;
  std::string name{};
  std::vector<Extent> extents{};
  int pointer_format = 0;
  FileId extension{};
  std::uint16_t segment = 0;
  const BuilderFile* file = nullptr;  // null for directories and reserved files
  std::uint32_t characteristics = 0;
  std::uint8_t record_type = 0;
  std::uint8_t record_attributes = 0;
  std::uint32_t allocated = 0;
  std::uint32_t eof_vbn = 1;
  std::uint16_t first_free_byte = 0;
  FileId back_link{};
};

struct Entry {
  std::string name;
  int version;
  FileId id;
  bool own_record = false;
};

int SmallestFormat(const Extent& e) {
  if (e.count <= 256 && e.lbn < (1u << 22)) return 1;
  if (e.count <= 16384) return 2;
  return 3;
}

std::size_t WritePointer(std::span<std::uint8_t> h, std::size_t at, const Extent& e, int format) {
  std::uint32_t c = e.count - 1;
  switch (format) {
    case 1:
      if (e.count > 256 || e.lbn >= (1u << 22)) throw std::logic_error("extent does not fit format 1");
      PutU8(h, at, static_cast<std::uint8_t>(c));
      PutU8(h, at + 1, static_cast<std::uint8_t>(0x40 | (e.lbn >> 16)));
      PutU16(h, at + 2, static_cast<std::uint16_t>(e.lbn));
      return 4;
    case 2:
      if (e.count > 16384) throw std::logic_error("extent does not fit format 2");
      PutU8(h, at, static_cast<std::uint8_t>(c));
      PutU8(h, at + 1, static_cast<std::uint8_t>(0x80 | (c >> 8)));
      PutU32(h, at + 2, static_cast<std::uint32_t>(e.lbn));
      return 6;
    default:  // count bits 16-29 in the first word, bits 0-15 in the second, then the LBN
      PutU8(h, at, static_cast<std::uint8_t>(c >> 16));
      PutU8(h, at + 1, static_cast<std::uint8_t>(0xC0 | ((c >> 24) & 0x3F)));
      PutU16(h, at + 2, static_cast<std::uint16_t>(c));
      PutU32(h, at + 4, static_cast<std::uint32_t>(e.lbn));
      return 8;
  }
}

void PadText(std::span<std::uint8_t> b, std::size_t at, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    b[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}
}  // namespace

std::uint64_t TicksFromUnix(std::int64_t unix_seconds, int hundredths) {
  return kTicksTo1970 + static_cast<std::uint64_t>(unix_seconds) * 10'000'000ULL +
         static_cast<std::uint64_t>(hundredths) * 100'000ULL;
}

std::string TempPath(const std::string& stem) {
  static std::atomic<int> counter{0};
  return (std::filesystem::temp_directory_path() /
          (stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".img"))
      .string();
}

VolumeBuilder::VolumeBuilder(std::uint32_t blocks, std::uint16_t cluster_factor)
    : blocks_(blocks), cluster_(cluster_factor) {}

const BuiltFile& VolumeBuilder::built(const std::string& key) const {
  for (const auto& [name, file] : built_)
    if (name == key) return file;
  throw std::out_of_range("no built file " + key);
}

struct VolumeBuilder::Layout {
  std::vector<std::uint8_t> image;
  std::vector<bool> used;  // per cluster
  std::uint32_t next_cluster = 0;
  std::uint16_t c;

  std::span<std::uint8_t> Block(std::uint64_t lbn) { return std::span(image).subspan(lbn * kBlock, kBlock); }
  void MarkUsed(std::uint64_t lbn, std::uint32_t count) {
    for (std::uint64_t b = lbn; b < lbn + count; b += c) used.at(b / c) = true;
  }
  // Takes whole clusters for `count` blocks at the next free place.
  Extent Allocate(std::uint32_t count) {
    std::uint32_t clusters = (count + c - 1) / c;
    // The first run of free clusters from here on (the home block copy may stand in the way).
    std::size_t start = next_cluster;
    for (std::size_t run = 0; run < clusters; ++start) {
      if (start + clusters > used.size()) throw std::length_error("volume too small");
      for (run = 0; run < clusters && !used[start + run]; ++run) {
      }
      if (run == clusters) break;
    }
    Extent e{static_cast<std::uint64_t>(start) * c, clusters * c};
    for (std::uint32_t i = 0; i < clusters; ++i) used[start + i] = true;
    next_cluster = static_cast<std::uint32_t>(start + clusters);
    return e;
  }
  // Leaves one marked cluster between extents so that adjacency never hides a mapping error.
  void Gap() {
    Extent e = Allocate(c);
    for (std::uint32_t i = 0; i < e.count; ++i) std::fill_n(Block(e.lbn + i).begin(), kBlock, 0xEE);
  }
};

// The state of one Build: the layout decided so far and the headers still to write.
struct VolumeBuilder::Run {
  VolumeBuilder& b;
  Layout L;
  std::uint16_t c;
  std::uint16_t reserved;
  std::uint32_t max_files;
  std::uint16_t ibmap_blocks;
  bool alternate_home;
  Extent index_region{};
  Extent bitmap_extent{};
  std::uint32_t next_number;
  std::map<std::string, FileId> directory_ids;        // "" is the master directory
  std::map<std::string, std::vector<Entry>> entries;  // by directory
  std::vector<HeaderPlan> plans;

  explicit Run(VolumeBuilder& builder)
      : b(builder),
        c(builder.cluster_),
        reserved(builder.damage_.reserved_files.value_or(6)),
        max_files(builder.damage_.max_files.value_or(256)),
        ibmap_blocks(static_cast<std::uint16_t>(std::max<std::uint32_t>(1, (max_files + 4095) / 4096))),
        alternate_home(builder.blocks_ > 1034u + builder.cluster_),
        next_number(reserved + 1u) {
    L.c = c;
    L.image.assign(static_cast<std::size_t>(b.blocks_) * kBlock, 0);
    L.used.assign(b.blocks_ / c, false);
  }
  std::uint64_t HeaderLbn(std::uint32_t n) const { return index_region.lbn + ibmap_blocks + n - 1; }
  bool HasVolumeSet() const { return !b.damage_.index_map_in_extension && reserved >= 6; }

  // Index file: four leading clusters from LBN 0 (boot and home block), then bitmap and headers.
  void LayIndexFile() {
    L.Allocate(4 * c);
    if (alternate_home) L.MarkUsed(1034 - 1034 % c, c);
    std::uint32_t extension_count = 0;
    for (const auto& f : b.files_) extension_count += static_cast<std::uint32_t>(f.extension_headers);
    std::uint32_t header_blocks = reserved +
                                  static_cast<std::uint32_t>(b.files_.size() + b.directories_.size()) +
                                  extension_count + b.spare_headers;
    index_region = L.Allocate(ibmap_blocks + header_blocks);
  }

  // File numbers: reserved ones first, then directories, then files and their extensions.
  void NumberDirectoriesAndListReservedFiles() {
    directory_ids[""] = ods2::kMasterDirectoryId;
    for (const auto& d : b.directories_)
      directory_ids[d.name] = FileId{static_cast<std::uint16_t>(next_number++), 1, 0, 0};
    const char* names[] = {"INDEXF.SYS", "BITMAP.SYS", "BADBLK.SYS",
                           "000000.DIR", "CORIMG.SYS", "VOLSET.SYS"};
    for (std::uint16_t n = 1; n <= (HasVolumeSet() ? 6 : 5); ++n)
      entries[""].push_back({names[n - 1], 1, FileId{n, n, 0, 0}});
  }

  std::vector<Extent> PlaceData(const BuilderFile& f, BuiltFile& out) {
    std::uint32_t data_blocks = static_cast<std::uint32_t>((f.data.size() + kBlock - 1) / kBlock);
    std::vector<std::uint32_t> sizes = f.extents;
    if (sizes.empty() && data_blocks > 0) sizes.push_back(data_blocks);
    std::vector<Extent> extents;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      if (i > 0) L.Gap();
      extents.push_back(L.Allocate(sizes[i]));
    }
    for (const Extent& e : extents)
      for (std::uint32_t k = 0; k < e.count; ++k) out.lbns.push_back(e.lbn + k);
    if (out.lbns.size() < data_blocks) throw std::logic_error("extents smaller than the data of " + f.name);
    for (std::size_t k = 0; k < data_blocks; ++k)
      std::memcpy(L.Block(out.lbns[k]).data(), f.data.data() + k * kBlock,
                  std::min(kBlock, f.data.size() - k * kBlock));
    return extents;
  }

  void PlanFile(const BuilderFile& f) {
    BuiltFile out;
    std::vector<Extent> extents = PlaceData(f, out);
    std::uint32_t parts = static_cast<std::uint32_t>(f.extension_headers) + 1;
    std::vector<std::uint32_t> numbers;
    for (std::uint32_t p = 0; p < parts; ++p) numbers.push_back(next_number++);
    for (std::uint32_t p = 0; p < parts; ++p) {
      HeaderPlan h;
      h.number = numbers[p];
      h.name = f.name + ";" + std::to_string(f.version);
      std::size_t from = extents.size() * p / parts, to = extents.size() * (p + 1) / parts;
      h.extents.assign(extents.begin() + static_cast<std::ptrdiff_t>(from),
                       extents.begin() + static_cast<std::ptrdiff_t>(to));
      h.pointer_format = f.pointer_format;
      if (p + 1 < parts) h.extension = FileId{static_cast<std::uint16_t>(numbers[p + 1]), 1, 0, 0};
      h.segment = static_cast<std::uint16_t>(p);
      h.file = &f;
      h.characteristics = (f.marked_for_delete ? 1u << 15 : 0) | (f.contiguous ? 1u << 7 : 0);
      h.record_type = f.record_type;
      h.record_attributes = f.record_attributes;
      h.allocated = f.allocated_vbn.value_or(static_cast<std::uint32_t>(out.lbns.size()));
      h.eof_vbn = f.eof_vbn.value_or(static_cast<std::uint32_t>(f.data.size() / kBlock + 1));
      h.first_free_byte = f.first_free_byte.value_or(static_cast<std::uint16_t>(f.data.size() % kBlock));
      h.back_link = directory_ids.at(f.directory);
      plans.push_back(h);
    }
    out.id = FileId{static_cast<std::uint16_t>(numbers[0]), 1, 0, 0};
    FileId entry_id{out.id.number, static_cast<std::uint16_t>(1 + f.entry_sequence_offset), f.entry_rvn, 0};
    entries[f.directory].push_back({f.name, f.version, entry_id, f.own_record});
    b.built_.emplace_back(f.name + ";" + std::to_string(f.version), out);
  }

  // Records in name order, one per name with its versions newest first; own-record entries last.
  std::vector<std::uint8_t> DirectoryData(const std::string& dir, const BuilderDirectory* spec) {
    if (spec && spec->raw_records) return *spec->raw_records;
    auto list = entries[dir];
    std::stable_sort(list.begin(), list.end(), [](const Entry& x, const Entry& y) {
      if (x.own_record != y.own_record) return y.own_record;
      if (x.own_record) return false;
      return x.name != y.name ? x.name < y.name : x.version > y.version;
    });
    std::vector<std::uint8_t> data(kBlock, 0);
    PutU16(data, 0, 0xFFFF);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < list.size();) {
      std::size_t j = i + 1;
      while (j < list.size() && list[j].name == list[i].name && !list[i].own_record && !list[j].own_record)
        ++j;
      pos = PutRecord(data, pos, list, i, j);
      i = j;
    }
    return data;
  }

  // Writes entries [i, j) as one record at `pos` (or the next block); the position after it.
  static std::size_t PutRecord(std::vector<std::uint8_t>& data, std::size_t pos,
                               const std::vector<Entry>& list, std::size_t i, std::size_t j) {
    std::size_t name_length = list[i].name.size();
    std::size_t size = 4 + name_length + name_length % 2 + 8 * (j - i);
    if (pos % kBlock + 2 + size > kBlock) pos = (pos / kBlock + 1) * kBlock;
    data.resize(std::max(data.size(), (pos / kBlock + 1) * kBlock), 0);
    PutU16(data, pos, static_cast<std::uint16_t>(size));
    PutU16(data, pos + 2, 0xFFFF);
    data[pos + 5] = static_cast<std::uint8_t>(name_length);
    std::memcpy(data.data() + pos + 6, list[i].name.data(), name_length);
    std::size_t at = pos + 6 + name_length + name_length % 2;
    for (std::size_t k = i; k < j; ++k, at += 8) {
      PutU16(data, at, static_cast<std::uint16_t>(list[k].version));
      list[k].id.Write(data, at + 2);
    }
    if (at % kBlock != 0) PutU16(data, at, 0xFFFF);
    return at;
  }

  void PlanDirectory(const std::string& dir, const BuilderDirectory* spec, FileId id, FileId parent) {
    std::vector<std::uint8_t> data = DirectoryData(dir, spec);
    std::uint32_t used_blocks = static_cast<std::uint32_t>((data.size() + kBlock - 1) / kBlock);
    Extent e = L.Allocate(std::max(used_blocks, spec ? spec->blocks : 2u));
    data.resize(static_cast<std::size_t>(e.count) * kBlock, 0);
    std::memcpy(L.Block(e.lbn).data(), data.data(), data.size());
    HeaderPlan h;
    h.number = id.number;
    h.name = (dir.empty() ? std::string("000000") : dir) + ".DIR;1";
    h.extents = {e};
    h.characteristics = (1u << 13) | (1u << 7);
    h.record_type = 2;
    h.record_attributes = 8;
    h.allocated = e.count;
    h.eof_vbn = spec && spec->eof_vbn ? *spec->eof_vbn : used_blocks + 1;
    h.first_free_byte = spec && spec->first_free_byte ? *spec->first_free_byte : 0;
    h.back_link = parent;
    plans.push_back(h);
    BuiltFile out{id, {}};
    for (std::uint32_t k = 0; k < e.count; ++k) out.lbns.push_back(e.lbn + k);
    b.built_.emplace_back(h.name, out);
  }

  void PlanReservedFiles() {
    std::uint32_t bitmap_blocks = (b.blocks_ / c + 4095) / 4096;
    bitmap_extent = L.Allocate(1 + bitmap_blocks);
    HeaderPlan bitmap{.number = 2,
                      .name = "BITMAP.SYS;1",
                      .extents = {bitmap_extent},
                      .characteristics = 1u << 7,
                      .allocated = bitmap_extent.count,
                      .eof_vbn = bitmap_extent.count + 1};
    plans.push_back(bitmap);
    HeaderPlan index{.number = 1, .name = "INDEXF.SYS;1"};
    Extent lead{0, 4u * c};
    index.allocated = 4u * c + index_region.count;
    index.eof_vbn = index.allocated + 1;
    index.extents = {lead, index_region};
    if (b.damage_.index_map_in_extension) {
      // The header region is described by an extension header of the index file (number 6).
      if (reserved < 6) throw std::logic_error("the index extension needs six reserved files");
      std::uint32_t first_part = ibmap_blocks + reserved;
      index.extents = {lead, {index_region.lbn, first_part}};
      index.extension = FileId{6, 6, 0, 0};
      HeaderPlan x = index;
      x.number = 6;
      x.extents = {{index_region.lbn + first_part, index_region.count - first_part}};
      x.extension = FileId{};
      x.segment = 1;
      plans.push_back(x);
    }
    plans.push_back(index);
    plans.push_back({.number = 3, .name = "BADBLK.SYS;1"});
    plans.push_back({.number = 5, .name = "CORIMG.SYS;1"});
    if (HasVolumeSet()) plans.push_back({.number = 6, .name = "VOLSET.SYS;1"});
  }

  void WriteHeader(const HeaderPlan& p) {
    std::span<std::uint8_t> h = L.Block(HeaderLbn(p.number));
    std::fill(h.begin(), h.end(), 0);
    h[0] = 40;  // ident area at byte 80, map at 200
    h[1] = 100;
    h[2] = 255;
    h[3] = 255;
    PutU16(h, 4, p.segment);
    h[6] = 1;
    h[7] = p.file && p.file->wrong_structure_level ? 3 : 2;
    std::uint16_t sequence = static_cast<std::uint16_t>(p.number <= reserved ? p.number : 1);
    FileId{static_cast<std::uint16_t>(p.number), sequence, 0, 0}.Write(h, 8);
    p.extension.Write(h, 14);
    h[20] = p.record_type;
    h[21] = p.record_attributes;
    PutU32HighFirst(h, 24, p.allocated);
    PutU32HighFirst(h, 28, p.eof_vbn);
    PutU16(h, 32, p.first_free_byte);
    PutU32(h, 52, p.characteristics);
    PutU16(h, 60, p.file ? p.file->owner_member : 1);
    PutU16(h, 62, p.file ? p.file->owner_group : 1);
    PutU16(h, 64, p.file ? p.file->protection : 0xFA00);
    p.back_link.Write(h, 66);
    PadText(h, 80, p.name, 20);
    PutU16(h, 100, 1);
    PutU64(h, 102, p.file ? p.file->creation_ticks : 0);
    PutU64(h, 110, p.file ? p.file->revision_ticks : 0);
    PadText(h, 134, "", 65);
    std::size_t at = 200;
    for (const Extent& e : p.extents)
      at += WritePointer(h, at, e, p.pointer_format ? p.pointer_format : SmallestFormat(e));
    h[58] = static_cast<std::uint8_t>((at - 200) / 2);
    PutU16(h, 510,
           static_cast<std::uint16_t>(WordChecksum(h, 510) + (p.file && p.file->bad_checksum ? 1 : 0)));
  }

  void WriteBitmaps() {
    std::vector<bool> in_use(std::max(max_files, next_number) + 1, false);
    for (const HeaderPlan& p : plans) in_use.at(p.number) = true;
    for (std::uint32_t n = 1; n <= reserved; ++n) in_use[n] = true;
    for (std::uint32_t n = 1; n <= max_files; ++n)
      if (in_use[n])
        L.image[index_region.lbn * kBlock + (n - 1) / 8] |= static_cast<std::uint8_t>(1u << ((n - 1) % 8));
    // Storage control block, then one bit per cluster (set = free).
    std::span<std::uint8_t> scb = L.Block(bitmap_extent.lbn);
    PutU16(scb, 2, c);
    PutU32(scb, 4, b.blocks_);
    PutU32(scb, 12, 10);
    PutU32(scb, 16, 2);
    PutU32(scb, 20, b.blocks_ / 20);
    b.free_clusters_ = 0;
    for (std::uint32_t i = 0; i < b.blocks_ / c; ++i) {
      if (L.used[i]) continue;
      ++b.free_clusters_;
      L.image[(bitmap_extent.lbn + 1) * kBlock + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
    }
  }

  // The home block, and its copy at 1034 when the volume is large enough.
  void WriteHomeBlocks() {
    const BuilderDamage& damage = b.damage_;
    std::array<std::uint8_t, kBlock> home{};
    std::span<std::uint8_t> hb(home);
    PutU32(hb, 0, 1);
    PutU32(hb, 4, alternate_home ? 1034 : 1);
    PutU32(hb, 8, static_cast<std::uint32_t>(HeaderLbn(1)));
    hb[12] = 1;
    hb[13] = damage.wrong_structure_level ? 3 : 2;
    PutU16(hb, 14, c);
    PutU16(hb, 16, 2);
    PutU16(hb, 18, 3);
    PutU16(hb, 20, 4);
    PutU16(hb, 22, static_cast<std::uint16_t>(4 * c + 1));
    PutU32(hb, 24, static_cast<std::uint32_t>(index_region.lbn));
    PutU32(hb, 28, max_files);
    PutU16(hb, 32, ibmap_blocks);
    PutU16(hb, 34, reserved);
    PutU16(hb, 44, 1);
    PutU16(hb, 46, 1);
    PutU16(hb, 54, 0xFA00);
    PutU16(hb, 70, 5);
    PadText(hb, 472, b.label, 12);
    PadText(hb, 484, b.owner, 12);
    PadText(hb, 496, "DECFILE11B", 12);
    PutU16(hb, 58, WordChecksum(hb, 58));
    PutU16(hb, 510,
           static_cast<std::uint16_t>(WordChecksum(hb, 510) + (damage.wrong_second_checksum ? 1 : 0)));
    std::memcpy(L.Block(1).data(), home.data(), kBlock);
    if (alternate_home) std::memcpy(L.Block(1034).data(), home.data(), kBlock);
    if (damage.bad_primary_home_block) std::fill_n(L.Block(1).begin(), kBlock, 0x5A);
  }
};

std::vector<std::uint8_t> VolumeBuilder::Build() {
  built_.clear();
  Run run(*this);
  run.LayIndexFile();
  run.NumberDirectoriesAndListReservedFiles();
  for (const BuilderFile& f : files_) run.PlanFile(f);
  for (const auto& d : directories_)
    run.entries[d.parent].push_back({d.name + ".DIR", 1, run.directory_ids[d.name]});
  run.PlanDirectory("", nullptr, ods2::kMasterDirectoryId, ods2::kMasterDirectoryId);
  for (const auto& d : directories_)
    run.PlanDirectory(d.name, &d, run.directory_ids[d.name], run.directory_ids[d.parent]);
  run.PlanReservedFiles();
  for (const HeaderPlan& p : run.plans) run.WriteHeader(p);
  run.WriteBitmaps();
  run.WriteHomeBlocks();
  return std::move(run.L.image);
}

bool VolumeBuilder::WriteTo(const std::string& path) {
  std::vector<std::uint8_t> image = Build();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return static_cast<bool>(out);
}

}  // namespace test
