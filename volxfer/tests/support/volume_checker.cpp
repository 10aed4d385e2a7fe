#include "support/volume_checker.h"

#include <map>
#include <optional>
#include <set>

namespace test {

namespace {
constexpr std::size_t kBlock = 512;

std::uint16_t W(const std::uint8_t* p, std::size_t at) {
  return static_cast<std::uint16_t>(p[at] | p[at + 1] << 8);
}
std::uint32_t L(const std::uint8_t* p, std::size_t at) {
  return W(p, at) | static_cast<std::uint32_t>(W(p, at + 2)) << 16;
}
// Block numbers in the record attributes are stored high word first.
std::uint32_t Inverted(const std::uint8_t* p, std::size_t at) {
  return static_cast<std::uint32_t>(W(p, at)) << 16 | W(p, at + 2);
}

struct Extent {
  std::uint64_t lbn;
  std::uint64_t count;
};

struct Header {
  const std::uint8_t* b;
  std::uint32_t number() const { return W(b, 8) | static_cast<std::uint32_t>(b[13]) << 16; }
  std::uint16_t sequence() const { return W(b, 10); }
  std::uint32_t extension() const { return W(b, 14) | static_cast<std::uint32_t>(b[19]) << 16; }
  std::uint32_t characteristics() const { return L(b, 52); }
  bool Valid() const {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < 510; i += 2) sum = static_cast<std::uint16_t>(sum + W(b, i));
    return sum == W(b, 510) && b[0] <= b[1] && b[1] <= b[2] && b[2] <= b[3] && b[7] == 2 && b[6] != 0 &&
           W(b, 8) != 0 && b[58] <= b[2] - b[1];
  }
  // The map decoded by the four pointer formats; nullopt when torn.
  std::optional<std::vector<Extent>> Map() const {
    std::vector<Extent> out;
    std::size_t at = 2u * b[1];
    std::size_t end = at + 2u * b[58];
    while (at < end) {
      unsigned format = b[at + 1] >> 6;
      std::size_t words = format + 1;
      if (at + 2 * words > end) return std::nullopt;
      std::uint64_t high = b[at + 1] & 0x3F;
      if (format == 1) out.push_back({high << 16 | W(b, at + 2), b[at] + 1u});
      if (format == 2) out.push_back({L(b, at + 2), (high << 8 | b[at]) + 1});
      if (format == 3)
        out.push_back({L(b, at + 4), (high << 24 | std::uint64_t{b[at]} << 16 | W(b, at + 2)) + 1});
      at += 2 * words;
    }
    return out;
  }
};

class Checker {
 public:
  Checker(const std::vector<std::uint8_t>& image, VolumeReport& r) : img_(image), r_(r) {}
  void Run();

 private:
  const std::uint8_t* Block(std::uint64_t lbn) {
    if ((lbn + 1) * kBlock > img_.size()) return nullptr;
    return img_.data() + lbn * kBlock;
  }
  void Fault(const std::string& text) { r_.faults.push_back(text); }
  std::uint64_t IndexLbn(std::uint64_t vbn);  // 1-based VBN of the index file; 0 when unmapped
  std::optional<std::vector<Extent>> Chain(std::uint32_t number, std::uint16_t sequence,
                                           const std::string& what);
  void CheckDirectory(std::uint32_t number, const std::vector<Extent>& map);

  const std::vector<std::uint8_t>& img_;
  VolumeReport& r_;
  const std::uint8_t* home_ = nullptr;
  std::vector<Extent> index_map_;
  std::uint32_t cluster_ = 1, ibmap_size_ = 0, max_files_ = 0;
  std::uint64_t ibmap_lbn_ = 0;
  std::map<std::uint64_t, std::uint32_t> owner_;  // LBN -> file number
  std::set<std::uint32_t> in_chain_;              // numbers of headers some chain holds
  std::map<std::uint32_t, std::vector<Extent>> directories_;
};

std::uint64_t Checker::IndexLbn(std::uint64_t vbn) {
  std::uint64_t total = 0;
  for (const Extent& e : index_map_) {
    if (vbn <= total + e.count) return e.lbn + (vbn - total - 1);
    total += e.count;
  }
  return 0;
}

std::optional<std::vector<Extent>> Checker::Chain(std::uint32_t number, std::uint16_t sequence,
                                                  const std::string& what) {
  std::vector<Extent> all;
  std::uint32_t cur = number;
  std::uint64_t allocated = 0;
  std::uint16_t back_link = 0;
  for (std::uint16_t segment = 0; cur != 0; ++segment) {
    std::uint64_t lbn =
        cur == 1 ? ibmap_lbn_ + ibmap_size_ : IndexLbn(4ull * cluster_ + 1 + ibmap_size_ + cur - 1);
    const std::uint8_t* b = lbn ? Block(lbn) : nullptr;
    Header h{b};
    if (!b || !h.Valid() || h.number() != cur || (segment == 0 && h.sequence() != sequence)) {
      Fault(what + ": header " + std::to_string(cur) + " missing or invalid");
      return std::nullopt;
    }
    if (W(b, 4) != segment)
      Fault(what + ": header " + std::to_string(cur) + " has segment " + std::to_string(W(b, 4)));
    if (segment == 0) allocated = Inverted(b, 24);
    // An extension header links back to its primary header (or, as some software has it, to the
    // primary header's directory).
    if (segment == 0) back_link = W(b, 66);
    if (segment > 0 && W(b, 66) != number && W(b, 66) != back_link)
      Fault(what + ": extension header " + std::to_string(cur) + " back link");
    auto map = h.Map();
    if (!map) {
      Fault(what + ": torn map in header " + std::to_string(cur));
      return std::nullopt;
    }
    all.insert(all.end(), map->begin(), map->end());
    in_chain_.insert(cur);
    cur = h.extension();
    if (all.size() > 100000 || in_chain_.size() > max_files_) return std::nullopt;
  }
  std::uint64_t mapped = 0;
  for (const Extent& e : all) mapped += e.count;
  if (mapped > allocated)
    ++r_.lagging_allocations;
  else if (mapped != allocated)
    Fault(what + ": maps hold " + std::to_string(mapped) + " blocks, header allocates " +
          std::to_string(allocated));
  for (const Extent& e : all) {
    for (std::uint64_t l = e.lbn; l < e.lbn + e.count; ++l) {
      if (!Block(l)) {
        Fault(what + ": block " + std::to_string(l) + " beyond the volume");
        break;
      }
      auto [it, fresh] = owner_.emplace(l, number);
      if (!fresh)
        Fault(what + ": block " + std::to_string(l) + " also in file " + std::to_string(it->second));
    }
  }
  return all;
}

void Checker::CheckDirectory(std::uint32_t number, const std::vector<Extent>& map) {
  const std::string what = "directory " + std::to_string(number);
  std::vector<const std::uint8_t*> blocks;
  for (const Extent& e : map)
    for (std::uint64_t l = e.lbn; l < e.lbn + e.count; ++l) blocks.push_back(Block(l));
  std::uint32_t header_lbn_vbn = 4u * cluster_ + 1 + ibmap_size_ + number - 1;
  const std::uint8_t* h = Block(IndexLbn(header_lbn_vbn));
  if (!h) return Fault(what + ": header unreadable");
  // Directory records are variable length and never span a block.
  if ((h[20] & 0x0F) != 2 || !(h[21] & 0x08)) Fault(what + ": not variable records without spanning");
  std::uint32_t eof = Inverted(h, 28);
  std::uint32_t used = W(h, 32) == 0 ? (eof == 0 ? 0 : eof - 1) : eof;
  if (W(h, 32) != 0) Fault(what + ": end of file not at a block boundary");
  if (used > blocks.size()) Fault(what + ": end of file past the allocation");
  std::string last;
  for (std::size_t v = 0; v < blocks.size(); ++v) {
    const std::uint8_t* b = blocks[v];
    if (!b) return;
    if (v >= used) {
      if (W(b, 0) != 0xFFFF && W(b, 0) != 0) Fault(what + ": records past the end of file");
      continue;
    }
    for (std::size_t at = 0;;) {
      // Other ODS-2 software stops at the 0xFFFF mark and loses a record that ends the block.
      if (at + 2 > kBlock) {
        Fault(what + " block " + std::to_string(v) + ": no end mark after the last record");
        break;
      }
      std::uint16_t size = W(b, at);
      if (size == 0xFFFF) break;
      std::string where = what + " block " + std::to_string(v) + "+" + std::to_string(at);
      if (size < 4 || size % 2 || at + 2 + size > kBlock) {
        Fault(where + ": record spans the block");
        break;
      }
      std::size_t length = b[at + 5];
      std::string name(reinterpret_cast<const char*>(b + at + 6), length);
      if (!last.empty() && !(last < name)) Fault(where + ": " + name + " after " + last);
      last = name;
      int previous = 1 << 16;
      for (std::size_t e = at + 6 + length + length % 2; e + 8 <= at + 2 + size; e += 8) {
        int version = W(b, e);
        std::uint32_t id = W(b, e + 2) | static_cast<std::uint32_t>(b[e + 7]) << 16;
        if (version >= previous) Fault(where + ": " + name + " versions not descending");
        previous = version;
        const std::uint8_t* fh = Block(IndexLbn(4ull * cluster_ + 1 + ibmap_size_ + id - 1));
        if (!fh || !Header{fh}.Valid() || Header{fh}.number() != id || Header{fh}.sequence() != W(b, e + 4))
          Fault(where + ": " + name + " names no valid header");
        // A subdirectory links back to the directory that lists it.
        else if (name.ends_with(".DIR") && (Header{fh}.characteristics() & (1u << 13)) && W(fh, 66) != number)
          Fault(where + ": " + name + " links back to " + std::to_string(W(fh, 66)));
        r_.entries.push_back(std::to_string(number) + " " + name + ";" + std::to_string(version));
      }
      at += 2 + size;
    }
  }
}

void Checker::Run() {
  home_ = Block(1);
  if (!home_ || W(home_, 12) >> 8 != 2) return Fault("no home block at LBN 1");
  cluster_ = W(home_, 14);
  ibmap_size_ = W(home_, 32);
  ibmap_lbn_ = L(home_, 24);
  max_files_ = L(home_, 28);
  if (cluster_ == 0 || ibmap_size_ == 0) return Fault("home block figures");
  const std::uint8_t* index = Block(ibmap_lbn_ + ibmap_size_);
  if (!index || !Header{index}.Valid()) return Fault("index file header invalid");
  index_map_ = Header{index}.Map().value_or(std::vector<Extent>{});
  const std::uint32_t reserved = W(home_, 34);
  std::vector<bool> number_used(max_files_ + 1, false);
  for (std::uint32_t n = 1; n <= max_files_; ++n) {
    const std::uint8_t* m = Block(ibmap_lbn_ + (n - 1) / 4096);
    number_used[n] = m && (m[((n - 1) % 4096) / 8] >> ((n - 1) % 8) & 1);
  }
  std::map<std::uint32_t, std::vector<Extent>> files;
  for (std::uint32_t n = 1; n <= max_files_; ++n) {
    std::uint64_t lbn = IndexLbn(4ull * cluster_ + 1 + ibmap_size_ + n - 1);
    const std::uint8_t* b = lbn ? Block(lbn) : nullptr;
    if (!b || !Header{b}.Valid() || Header{b}.number() != n || W(b, 4) != 0) continue;
    if (Header{b}.characteristics() & (1u << 15)) continue;  // marked for delete
    // Some software leaves the reserved files' own bits clear; they are never allocated anyway.
    if (!number_used[n] && n > reserved)
      Fault("file " + std::to_string(n) + " has a header but its number is free");
    auto map = Chain(n, Header{b}.sequence(), "file " + std::to_string(n));
    if (!map) continue;
    ++r_.files;
    if (Header{b}.characteristics() & (1u << 13)) CheckDirectory(n, *map);
  }
  for (std::uint32_t n = 1; n <= max_files_; ++n)
    if (number_used[n] && n > reserved && !in_chain_.count(n)) ++r_.leaked_numbers;
  // The storage bitmap: BITMAP.SYS from its second block, a set bit is a free cluster.
  const std::uint8_t* bh = Block(IndexLbn(4ull * cluster_ + 1 + ibmap_size_ + 1));
  auto bitmap_map = bh ? Header{bh}.Map() : std::nullopt;
  if (!bitmap_map || bitmap_map->empty()) return Fault("storage bitmap unreadable");
  std::vector<std::uint8_t> bits;
  for (const Extent& e : *bitmap_map)
    for (std::uint64_t l = e.lbn; l < e.lbn + e.count; ++l)
      if (const std::uint8_t* b = Block(l)) bits.insert(bits.end(), b, b + kBlock);
  if (bits.size() < kBlock) return Fault("storage bitmap holds no blocks");
  std::uint32_t clusters = L(bits.data(), 4) / cluster_;
  if (bits.size() < kBlock + clusters / 8) return Fault("storage bitmap shorter than the volume");
  for (std::uint32_t c = 0; c < clusters; ++c) {
    bool free = bits[kBlock + c / 8] >> (c % 8) & 1;
    bool mapped = false;
    for (std::uint64_t l = std::uint64_t{c} * cluster_; l < std::uint64_t{c + 1} * cluster_; ++l)
      mapped = mapped || owner_.count(l);
    if (free) ++r_.free_clusters;
    if (free && mapped) Fault("cluster " + std::to_string(c) + " free in the bitmap but mapped");
    if (!free && !mapped) ++r_.leaked_clusters;
  }
}
}  // namespace

VolumeReport CheckVolume(const std::vector<std::uint8_t>& image) {
  VolumeReport report;
  Checker(image, report).Run();
  return report;
}

std::string FirstFault(const VolumeReport& report) {
  return report.faults.empty() ? "" : report.faults.front();
}

}  // namespace test
