// The code table: the 36 symbols, the text cells and conversion tables, the
// configuration record and file, and the rule that a code must pass before it
// is saved. GUI-free; the configurator moves its texts to and from the boxes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace codetable {

inline constexpr int kSymbolCount = 36;
inline constexpr int kSlotCount = 37;
inline constexpr int kRecordSize = 111;
inline constexpr int kFirstCellByte = 48;
inline constexpr int kLastCellByte = 164;
inline constexpr int kCellCount = kLastCellByte - kFirstCellByte + 1;  // 117

inline constexpr std::string_view kConfigFileName = "a06b7c83f59d14e2.log";

// One of the 36 symbols, with where it lives in the record.
struct Symbol {
  char symbol;  // 'a'..'z', '0'..'9'
  int slot;     // 0-based slot in the record (the ñ slot is 14)
};
// The symbols in processing order: a to z, then 0 to 9.
extern const std::array<Symbol, kSymbolCount> Symbols;
// The slot that belongs to ñ, which has no code.
inline constexpr int kEnyeSlot = 14;

// Texts in processing order: one per symbol.
using Codes = std::array<std::string, kSymbolCount>;

// A slot of the configuration record: three raw bytes holding a
// NUL-terminated Windows-1252 text of at most 2 bytes.
using Slot = std::array<std::uint8_t, 3>;
// The slot's bytes in front of its first zero byte, at most 2: a slot whose
// first two bytes are not zero yields those two.
std::string_view readSlot(const Slot& slot);

// The longest text of a table cell: two characters of the file's code page
// as UTF-8, which takes up to three bytes for each ("€" is E2 82 AC).
inline constexpr std::size_t kMaxCellText = 6;
// A text cell of the tables: a NUL-terminated UTF-8 text of at most
// kMaxCellText bytes.
using Cell = std::array<std::uint8_t, kMaxCellText + 1>;
// The bytes in front of the first zero byte, at most kMaxCellText.
std::string_view readCell(const Cell& cell);
// Copies at most kMaxCellText bytes and a zero byte; the bytes behind it
// stay.
void writeCell(Cell& cell, std::string_view text);

// The bytes that the substitution pass converts and that a code may begin
// with: the ASCII digits and the ASCII letters of both cases.
constexpr bool isConvertible(std::uint8_t byte) {
  return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= 'a' && byte <= 'z');
}

// 117 cells for the byte values 48 to 164.
using Table = std::array<Cell, kCellCount>;
// The cell of a byte value, or nullptr outside 48..164.
Cell* cellFor(Table& table, std::uint8_t byte);
const Cell* cellFor(const Table& table, std::uint8_t byte);

struct Tables {
  Table EncodeTable{};  // symbol byte -> code
  Table DecodeTable{};  // first byte of a code -> symbol; the later symbol wins
};

// Empties both tables and fills them from 36 codes (UTF-8 box texts): each
// code, cut to its first two characters as cutText does, goes into its
// symbol's EncodeTable cell (only the first character when both do not
// fit), and the symbol into the DecodeTable cell of the code's first byte.
// A code that is empty, or whose first byte lies outside 48..164, gets no
// DecodeTable entry.
void buildTables(const Codes& codes, Tables& tables);

using ConfigRecord = std::array<std::uint8_t, kRecordSize>;

// Applies every whole record of a file image, in order: each is copied into
// `record` and its codes are written into freshly emptied tables, so the
// EncodeTable shows the last record and DecodeTable entries of earlier
// records survive unless overwritten. A slot's text is Windows-1252: the
// code boxes and the EncodeTable get it as UTF-8, while the DecodeTable
// cell is that of its first byte as the file holds it. Returns the codes of
// the last record (what the code boxes show, UTF-8), or nothing when there
// was no whole record.
std::optional<Codes> applyFileImage(std::string_view bytes, ConfigRecord& record, Tables& tables);

// Reads the configuration file at `path` (UTF-8) and applies it with the
// same record applier as applyFileImage, piece by piece, so that a long file
// needs no more memory than a short one. A path that is not a readable regular file counts
// as a file with no record: the tables are emptied, `record` is kept and
// nothing is returned. Never blocks, never reports.
std::optional<Codes> loadConfigurationFile(const std::string& path, ConfigRecord& record,
                                           Tables& tables);

// Outcome of a save: code 0 is success; otherwise one of 52, 61, 70, 71, 72,
// 57, 5, 7, 75 with its description ("Disk full" for 61, and so on).
struct SaveOutcome {
  int code = 0;
  std::string description;
  bool ok() const { return code == 0; }
};
// "Err: " + " " + code + " " + description.
std::string errorMessage(const SaveOutcome& outcome);

// Writes the first byte of each box text into `record` (byte 1 of its slot
// zeroed, byte 2 and the ñ slot kept), rebuilds the tables from those codes,
// and replaces the file at `path` with that one record. The record and the
// tables change even when writing fails; the old file survives any failure
// untouched, and no temporary file is left behind.
SaveOutcome saveConfigurationFile(const std::string& path, const Codes& boxTexts,
                                  ConfigRecord& record, Tables& tables);

// The check rule. A code is faulty when it is empty, when its first byte is
// not an ASCII letter or digit, or when its first byte is already claimed by
// an earlier valid code in processing order. Faulty codes claim nothing.
std::array<bool, kSymbolCount> faultyCodes(const Codes& codes);
// What the check keeps of a box's text: its first two characters (UTF-8), so
// a character is never cut in half. A byte that does not start a well-formed
// UTF-8 sequence counts as one character.
std::string cutText(std::string_view text);

// Where the configuration file lies.
enum class KeyLocation {
  BesideProgram,     // in programDir, the program's own folder
  UserConfigFolder,  // in the user's configuration folder, under kUserFolderName
};
#if !defined(VELMORA_PORTABLE)
#error "VELMORA_PORTABLE comes from the codetable library's compile definitions"
#endif
// This build's choice: portable builds (the build-folder program, the Windows
// .exe and zip) keep the file beside the program, installed builds in the
// user's configuration folder, where an ordinary user can write.
inline constexpr KeyLocation kKeyLocation =
    VELMORA_PORTABLE ? KeyLocation::BesideProgram : KeyLocation::UserConfigFolder;
// The name of Velmora's own folder inside the user's configuration folder.
#if defined(_WIN32)
inline constexpr std::string_view kUserFolderName = "Velmora";
#else
inline constexpr std::string_view kUserFolderName = "velmora";
#endif

// The directory of the running program, with its trailing separator.
std::string programDir();
// The directory part of a path, up to and including its last separator;
// empty when it holds none.
std::string directoryOf(std::string_view path);
// True for any existing path, a folder included. UTF-8.
bool fileExists(const std::string& path);
// The folder that holds the configuration file, with its trailing separator.
// BesideProgram: `programDir` itself. UserConfigFolder: the user's
// configuration folder (os::userConfigFolder) followed by
// kUserFolderName; that folder is made, private to the user, when it is
// missing. When the platform cannot tell the user's folder (no home folder at
// all), the rule falls back to `programDir`, never to the current directory.
std::string configFolder(std::string_view programDir, KeyLocation where = kKeyLocation);
// configFolder followed directly by the file name: the one rule for the
// configuration file's path.
std::string configFilePath(std::string_view programDir, KeyLocation where = kKeyLocation);

}  // namespace codetable
