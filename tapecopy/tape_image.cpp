#include "tape_image.h"

#include <array>

namespace tapecopy {
namespace {

class KitImageWriter final : public TapeImageWriter {
 public:
  explicit KitImageWriter(DumpSink& sink) : records_(sink) {}
  AppendResult block(std::span<const std::uint8_t> data, std::string& errorText) override {
    return records_.append(data, errorText);
  }
  AppendResult tapeMark(std::string& errorText) override { return records_.append({}, errorText); }
  bool keepsErrorRecords() const override { return false; }
  AppendResult errorRecord(std::span<const std::uint8_t>, std::string&) override {
    return AppendResult::Written;
  }
  bool finish(std::string&) override { return true; }

 private:
  DumpRecordWriter records_;
};

class SimhImageWriter final : public TapeImageWriter {
 public:
  explicit SimhImageWriter(DumpSink& sink) : sink_(sink) {}
  AppendResult block(std::span<const std::uint8_t> data, std::string& errorText) override {
    return record(0, data, errorText);
  }
  AppendResult tapeMark(std::string& errorText) override {
    return writeCount(kSimhTapeMark, errorText) && sink_.flush(errorText) ? AppendResult::Written
                                                                          : AppendResult::WriteFailed;
  }
  bool keepsErrorRecords() const override { return true; }
  AppendResult errorRecord(std::span<const std::uint8_t> data, std::string& errorText) override {
    return record(kSimhErrorFlag, data, errorText);
  }
  bool finish(std::string& errorText) override {
    return writeCount(kSimhEndOfMedium, errorText) && sink_.flush(errorText);
  }

 private:
  bool writeCount(std::uint32_t count, std::string& errorText) {
    const std::array<std::uint8_t, 4> bytes = {
        static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
        static_cast<std::uint8_t>(count >> 16), static_cast<std::uint8_t>(count >> 24)};
    return sink_.write(bytes, errorText);
  }

  AppendResult record(std::uint32_t flags, std::span<const std::uint8_t> data, std::string& errorText) {
    // A longer record would spill into the class byte.
    if (data.size() > kSimhLengthMask) return AppendResult::RecordTooLong;
    const std::uint32_t count = flags | static_cast<std::uint32_t>(data.size());
    if (count == kSimhTapeMark) return tapeMark(errorText);  // as in the kit's format
    static constexpr std::array<std::uint8_t, 1> kPad = {0};
    const bool written = writeCount(count, errorText) && (data.empty() || sink_.write(data, errorText)) &&
                         (data.size() % 2 == 0 || sink_.write(kPad, errorText)) &&
                         writeCount(count, errorText) && sink_.flush(errorText);
    return written ? AppendResult::Written : AppendResult::WriteFailed;
  }

  DumpSink& sink_;
};

}  // namespace

ImageFormat formatForFileName(std::string_view fileName) {
  if (fileName.size() < 4) return ImageFormat::Kit;
  std::string suffix(fileName.substr(fileName.size() - 4));
  for (char& c : suffix) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return suffix == ".tap" ? ImageFormat::Simh : ImageFormat::Kit;
}

std::unique_ptr<TapeImageWriter> makeImageWriter(ImageFormat format, DumpSink& sink) {
  if (format == ImageFormat::Simh) return std::make_unique<SimhImageWriter>(sink);
  return std::make_unique<KitImageWriter>(sink);
}

}  // namespace tapecopy
