// Palette files (".bkp"): one 8-byte record, magic 003 'B' 'K' 'P' and the four palette entries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "homemicro/frontend/color_table.h"

namespace homemicro {

inline constexpr std::size_t kPaletteRecordSize = 8;
inline constexpr std::string_view kPaletteOpenError = "Ошибка открытия файла";
inline constexpr std::string_view kPaletteReadError = "Ошибка в файле палитры";
inline constexpr std::string_view kNotAPaletteFile = "Это не файл палитры";
// The save and open dialogs of the palette commands.
inline constexpr std::string_view kPaletteFilter = "Файлы палитры (.bkp)|*.bkp|Все файлы|*.*";
inline constexpr std::string_view kPaletteExtension = "bkp";
inline constexpr std::string_view kSavePaletteTitle = "Введите имя файла палитры для сохранения...";
inline constexpr std::string_view kLoadPaletteTitle = "Выберите файл для загрузки...";

std::array<uint8_t, kPaletteRecordSize> EncodePalette(const Palette& palette);

struct PaletteReadResult {
  std::optional<Palette> Entries;  // set only for a complete, valid record
  std::string Error;               // one of the three messages above otherwise
};

// The first 8 bytes of a palette file: a short record is kPaletteReadError, a wrong magic
// kNotAPaletteFile, and entries that are not all colour table indices kPaletteReadError.
PaletteReadResult DecodePalette(std::span<const uint8_t> bytes);

PaletteReadResult ReadPaletteFile(const std::filesystem::path& path);

// The error text of a failed create or write, or an empty string.
std::string WritePaletteFile(const std::filesystem::path& path, const Palette& palette);

}  // namespace homemicro
