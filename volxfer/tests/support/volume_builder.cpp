#include "volume_builder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <unistd.h>

#include "ods2/little_endian.h"
#include "ods2/retrieval_pointer.h"

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
  std::string name;
  std::vector<Extent> extents;
  int pointer_format = 0;
  FileId extension;
  std::uint16_t segment = 0;
  const BuilderFile* file = nullptr;  // null for directories and reserved files
  std::uint32_t characteristics = 0;
  std::uint8_t record_type = 0;
  std::uint8_t record_attributes = 0;
  std::uint32_t allocated = 0;
  std::uint32_t eof_vbn = 1;
  std::uint16_t first_free_byte = 0;
  FileId back_link;
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
    default:
      ods2::StoreFormat3Pointer(h, at, e.count, static_cast<std::uint32_t>(e.lbn));
      return 8;
  }
}

void PadText(std::span<std::uint8_t> b, std::size_t at, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) b[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
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
      for (run = 0; run < clusters && !used[start + run]; ++run) {}
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

std::vector<std::uint8_t> VolumeBuilder::Build() {
  Layout L;
  L.c = cluster_;
  L.image.assign(static_cast<std::size_t>(blocks_) * kBlock, 0);
  L.used.assign(blocks_ / cluster_, false);
  built_.clear();
  const std::uint16_t c = cluster_;
  const std::uint16_t reserved = damage_.reserved_files.value_or(6);
  const std::uint32_t max_files = damage_.max_files.value_or(256);
  const std::uint16_t ibmap_blocks = static_cast<std::uint16_t>(std::max<std::uint32_t>(1, (max_files + 4095) / 4096));
  const bool alternate_home = blocks_ > 1034u + c;

  // Index file: four leading clusters from LBN 0 (boot and home block), then bitmap and headers.
  L.Allocate(4 * c);
  if (alternate_home) L.MarkUsed(1034 - 1034 % c, c);
  std::uint32_t extension_count = 0;
  for (const auto& f : files_) extension_count += static_cast<std::uint32_t>(f.extension_headers);
  std::uint32_t header_blocks = reserved + static_cast<std::uint32_t>(files_.size() + directories_.size()) +
                                extension_count + 4;
  Extent index_region = L.Allocate(ibmap_blocks + header_blocks);
  std::uint64_t ibmap_lbn = index_region.lbn;
  auto header_lbn = [&](std::uint32_t n) { return ibmap_lbn + ibmap_blocks + n - 1; };

  // File numbers: reserved ones first, then directories, then files and their extensions.
  std::uint32_t next_number = reserved + 1;
  std::map<std::string, FileId> directory_ids;  // "" is the master directory
  directory_ids[""] = ods2::kMasterDirectoryId;
  for (const auto& d : directories_) directory_ids[d.name] = FileId{static_cast<std::uint16_t>(next_number++), 1, 0, 0};

  std::vector<HeaderPlan> plans;
  std::map<std::string, std::vector<Entry>> entries;  // by directory
  auto add_reserved = [&](std::uint32_t number, const char* name) {
    entries[""].push_back({name, 1, FileId{static_cast<std::uint16_t>(number), static_cast<std::uint16_t>(number), 0, 0}});
  };
  add_reserved(1, "INDEXF.SYS");
  add_reserved(2, "BITMAP.SYS");
  add_reserved(3, "BADBLK.SYS");
  add_reserved(4, "000000.DIR");
  add_reserved(5, "CORIMG.SYS");
  if (!damage_.index_map_in_extension && reserved >= 6) add_reserved(6, "VOLSET.SYS");

  // Data files.
  for (const BuilderFile& f : files_) {
    std::uint32_t data_blocks = static_cast<std::uint32_t>((f.data.size() + kBlock - 1) / kBlock);
    std::vector<std::uint32_t> sizes = f.extents;
    if (sizes.empty() && data_blocks > 0) sizes.push_back(data_blocks);
    std::vector<Extent> extents;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      if (i > 0) L.Gap();
      extents.push_back(L.Allocate(sizes[i]));
    }
    BuiltFile out;
    for (const Extent& e : extents)
      for (std::uint32_t b = 0; b < e.count; ++b) out.lbns.push_back(e.lbn + b);
    if (out.lbns.size() < data_blocks) throw std::logic_error("extents smaller than the data of " + f.name);
    for (std::size_t b = 0; b < data_blocks; ++b) {
      std::size_t n = std::min(kBlock, f.data.size() - b * kBlock);
      std::memcpy(L.Block(out.lbns[b]).data(), f.data.data() + b * kBlock, n);
    }
    std::uint32_t allocated = static_cast<std::uint32_t>(out.lbns.size());
    std::uint32_t parts = static_cast<std::uint32_t>(f.extension_headers) + 1;
    std::vector<std::uint32_t> numbers;
    for (std::uint32_t p = 0; p < parts; ++p) numbers.push_back(next_number++);
    for (std::uint32_t p = 0; p < parts; ++p) {
      HeaderPlan h;
      h.number = numbers[p];
      h.name = f.name + ";" + std::to_string(f.version);
      std::size_t from = extents.size() * p / parts, to = extents.size() * (p + 1) / parts;
      h.extents.assign(extents.begin() + static_cast<std::ptrdiff_t>(from), extents.begin() + static_cast<std::ptrdiff_t>(to));
      h.pointer_format = f.pointer_format;
      if (p + 1 < parts) h.extension = FileId{static_cast<std::uint16_t>(numbers[p + 1]), 1, 0, 0};
      h.segment = static_cast<std::uint16_t>(p);
      h.file = &f;
      h.characteristics = f.marked_for_delete ? 1u << 15 : 0;
      h.record_type = f.record_type;
      h.record_attributes = f.record_attributes;
      h.allocated = allocated;
      h.eof_vbn = f.eof_vbn.value_or(static_cast<std::uint32_t>(f.data.size() / kBlock + 1));
      h.first_free_byte = f.first_free_byte.value_or(static_cast<std::uint16_t>(f.data.size() % kBlock));
      h.back_link = directory_ids.at(f.directory);
      plans.push_back(h);
    }
    out.id = FileId{static_cast<std::uint16_t>(numbers[0]), 1, 0, 0};
    FileId entry_id{out.id.number, static_cast<std::uint16_t>(1 + f.entry_sequence_offset), f.entry_rvn, 0};
    entries[f.directory].push_back({f.name, f.version, entry_id, f.own_record});
    built_.emplace_back(f.name + ";" + std::to_string(f.version), out);
  }
  for (const auto& d : directories_) entries[d.parent].push_back({d.name + ".DIR", 1, directory_ids[d.name]});

  // Directory contents: records in name order, one per name, versions newest first.
  auto directory_data = [&](const std::string& dir, const BuilderDirectory* spec) {
    std::vector<std::uint8_t> data;
    if (spec && spec->raw_records) return *spec->raw_records;
    auto list = entries[dir];
    std::stable_sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) {
      if (a.own_record != b.own_record) return b.own_record;
      if (a.own_record) return false;
      return a.name != b.name ? a.name < b.name : a.version > b.version;
    });
    std::size_t pos = 0;
    data.assign(kBlock, 0);
    PutU16(data, 0, 0xFFFF);
    for (std::size_t i = 0; i < list.size();) {
      std::size_t j = i + 1;
      while (j < list.size() && list[j].name == list[i].name && !list[i].own_record && !list[j].own_record) ++j;
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
      pos = at;
      if (pos % kBlock != 0) PutU16(data, pos, 0xFFFF);
      i = j;
    }
    return data;
  };
  auto plan_directory = [&](const std::string& dir, const BuilderDirectory* spec, FileId id, FileId parent) {
    std::vector<std::uint8_t> data = directory_data(dir, spec);
    std::uint32_t used_blocks = static_cast<std::uint32_t>((data.size() + kBlock - 1) / kBlock);
    std::uint32_t blocks = std::max(used_blocks, spec ? spec->blocks : 2u);
    Extent e = L.Allocate(blocks);
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
    for (std::uint32_t b = 0; b < e.count; ++b) out.lbns.push_back(e.lbn + b);
    built_.emplace_back(h.name, out);
  };
  plan_directory("", nullptr, ods2::kMasterDirectoryId, ods2::kMasterDirectoryId);
  for (const auto& d : directories_) plan_directory(d.name, &d, directory_ids[d.name], directory_ids[d.parent]);

  // Storage bitmap: control block, then one bit per cluster (set = free).
  std::uint32_t bits = blocks_ / c;
  std::uint32_t bitmap_blocks = (bits + 4095) / 4096;
  Extent bitmap_extent = L.Allocate(1 + bitmap_blocks);
  {
    HeaderPlan h;
    h.number = 2;
    h.name = "BITMAP.SYS;1";
    h.extents = {bitmap_extent};
    h.characteristics = 1u << 7;
    h.allocated = bitmap_extent.count;
    h.eof_vbn = bitmap_extent.count + 1;
    plans.push_back(h);
  }
  // Index file: leading clusters, then bitmap and header region (possibly through an extension).
  {
    HeaderPlan h;
    h.number = 1;
    h.name = "INDEXF.SYS;1";
    Extent lead{0, 4u * c};
    h.allocated = 4u * c + index_region.count;
    h.eof_vbn = h.allocated + 1;
    if (damage_.index_map_in_extension) {
      if (reserved < 6) throw std::logic_error("the index extension needs six reserved files");
      std::uint32_t first_part = ibmap_blocks + reserved;
      h.extents = {lead, {index_region.lbn, first_part}};
      h.extension = FileId{6, 6, 0, 0};
      HeaderPlan x = h;
      x.number = 6;
      x.name = "INDEXF.SYS;1";
      x.extents = {{index_region.lbn + first_part, index_region.count - first_part}};
      x.extension = FileId{};
      x.segment = 1;
      plans.push_back(x);
    } else {
      h.extents = {lead, index_region};
    }
    plans.push_back(h);
  }
  for (std::uint32_t n : {3u, 5u}) {
    HeaderPlan h;
    h.number = n;
    h.name = n == 3 ? "BADBLK.SYS;1" : "CORIMG.SYS;1";
    plans.push_back(h);
  }
  if (!damage_.index_map_in_extension && reserved >= 6) {
    HeaderPlan h;
    h.number = 6;
    h.name = "VOLSET.SYS;1";
    plans.push_back(h);
  }

  // Headers.
  std::vector<bool> numbers_in_use(std::max(max_files, next_number) + 1, false);
  for (const HeaderPlan& p : plans) {
    std::span<std::uint8_t> b = L.Block(header_lbn(p.number));
    std::fill(b.begin(), b.end(), 0);
    bool reserved_number = p.number <= reserved;
    b[0] = 40;
    b[1] = 100;
    b[2] = 255;
    b[3] = 255;
    PutU16(b, 4, p.segment);
    b[6] = 1;
    b[7] = p.file && p.file->wrong_structure_level ? 3 : 2;
    FileId id{static_cast<std::uint16_t>(p.number), static_cast<std::uint16_t>(reserved_number ? p.number : 1), 0, 0};
    id.Write(b, 8);
    p.extension.Write(b, 14);
    b[20] = p.record_type;
    b[21] = p.record_attributes;
    PutU32HighFirst(b, 24, p.allocated);
    PutU32HighFirst(b, 28, p.eof_vbn);
    PutU16(b, 32, p.first_free_byte);
    PutU32(b, 52, p.characteristics);
    PutU16(b, 60, p.file ? p.file->owner_member : 1);
    PutU16(b, 62, p.file ? p.file->owner_group : 1);
    PutU16(b, 64, p.file ? p.file->protection : 0xFA00);
    p.back_link.Write(b, 66);
    PadText(b, 80, p.name, 20);
    PutU16(b, 100, 1);
    PutU64(b, 102, p.file ? p.file->creation_ticks : 0);
    PutU64(b, 110, p.file ? p.file->revision_ticks : 0);
    PadText(b, 134, "", 65);
    std::size_t at = 200;
    for (const Extent& e : p.extents)
      at += WritePointer(b, at, e, p.pointer_format ? p.pointer_format : SmallestFormat(e));
    b[58] = static_cast<std::uint8_t>((at - 200) / 2);
    PutU16(b, 510, static_cast<std::uint16_t>(WordChecksum(b, 510) + (p.file && p.file->bad_checksum ? 1 : 0)));
    numbers_in_use.at(p.number) = true;
  }
  for (std::uint32_t n = 1; n <= reserved; ++n) numbers_in_use[n] = true;
  for (std::uint32_t n = 1; n <= max_files; ++n)
    if (numbers_in_use[n]) L.image[ibmap_lbn * kBlock + (n - 1) / 8] |= static_cast<std::uint8_t>(1u << ((n - 1) % 8));

  // Storage control block and bitmap.
  std::span<std::uint8_t> scb = L.Block(bitmap_extent.lbn);
  PutU16(scb, 2, c);
  PutU32(scb, 4, blocks_);
  PutU32(scb, 12, 10);
  PutU32(scb, 16, 2);
  PutU32(scb, 20, blocks_ / 20);
  free_clusters_ = 0;
  for (std::uint32_t i = 0; i < bits; ++i) {
    if (L.used[i]) continue;
    ++free_clusters_;
    L.image[(bitmap_extent.lbn + 1) * kBlock + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
  }

  // Home block, and its copy at 1034 when the volume is large enough.
  std::array<std::uint8_t, kBlock> home{};
  std::span<std::uint8_t> hb(home);
  PutU32(hb, 0, 1);
  PutU32(hb, 4, alternate_home ? 1034 : 1);
  PutU32(hb, 8, static_cast<std::uint32_t>(header_lbn(1)));
  hb[12] = 1;
  hb[13] = damage_.wrong_structure_level ? 3 : 2;
  PutU16(hb, 14, c);
  PutU16(hb, 16, 2);
  PutU16(hb, 18, 3);
  PutU16(hb, 20, 4);
  PutU16(hb, 22, static_cast<std::uint16_t>(4 * c + 1));
  PutU32(hb, 24, static_cast<std::uint32_t>(ibmap_lbn));
  PutU32(hb, 28, max_files);
  PutU16(hb, 32, ibmap_blocks);
  PutU16(hb, 34, reserved);
  PutU16(hb, 44, 1);
  PutU16(hb, 46, 1);
  PutU16(hb, 54, 0xFA00);
  PutU16(hb, 70, 5);
  PadText(hb, 472, label, 12);
  PadText(hb, 484, owner, 12);
  PadText(hb, 496, "DECFILE11B", 12);
  PutU16(hb, 58, WordChecksum(hb, 58));
  PutU16(hb, 510, static_cast<std::uint16_t>(WordChecksum(hb, 510) + (damage_.wrong_second_checksum ? 1 : 0)));
  std::memcpy(L.Block(1).data(), home.data(), kBlock);
  if (alternate_home) std::memcpy(L.Block(1034).data(), home.data(), kBlock);
  if (damage_.bad_primary_home_block) std::fill_n(L.Block(1).begin(), kBlock, 0x5A);
  return std::move(L.image);
}

bool VolumeBuilder::WriteTo(const std::string& path) {
  std::vector<std::uint8_t> image = Build();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return static_cast<bool>(out);
}

}  // namespace test
