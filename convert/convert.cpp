// The substitution pass, table-driven. GUI-free.
//
// The table is first flattened into a lookup over all 256 byte values, so the
// loop over the text has no branches on byte classes. In a table saved from
// the configurator every cell the pass reads holds one byte or none (the
// capitals), so each input byte gives at most one output byte: the fast path
// stores every byte and advances the output by 0 or 1. Otherwise a byte gives
// up to kMaxCellText bytes (a code loaded from a file in the Windows code
// page can be two characters of three bytes each), counted first so that
// the result is allocated once.
// The fast path has a vector version (substitute_simd.cpp).
#include "convert/convert.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "convert/substitute_internal.h"

namespace convert {

namespace {

using codetable::isConvertible;

// What one input byte gives: a cell's text, or the byte itself.
struct Piece {
  std::uint8_t bytes[codetable::kMaxCellText];
  std::uint8_t length;
};

// The stores below put an entry's bytes in memory lowest first.
static_assert(std::endian::native == std::endian::little);
static_assert(codetable::kMaxCellText < sizeof(std::uint64_t));

// Each entry: its output bytes (at most kMaxCellText) from the lowest byte
// up, their count in the top byte. Entries are read by value ahead of the
// stores, which could otherwise alias the table and force a reload after
// each one.
std::string substituteGeneral(std::string_view text,
                              const std::array<std::uint64_t, 256>& entries) {
  const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::size_t size = text.size();
  std::size_t total = 0;
  for (std::size_t i = 0; i < size; ++i) total += entries[in[i]] >> 56;

  // Spare bytes behind the end let every entry store all eight of its bytes
  // unconditionally; the next entry overwrites what lies past its length.
  std::string result;
  result.resize(total + sizeof(std::uint64_t));
  auto* out = reinterpret_cast<std::uint8_t*>(result.data());
  const auto put = [&](std::uint64_t entry) {
    std::memcpy(out, &entry, sizeof entry);
    out += entry >> 56;
  };
  std::size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    const std::uint64_t a = entries[in[i]], b = entries[in[i + 1]], c = entries[in[i + 2]],
                        d = entries[in[i + 3]];
    put(a);
    put(b);
    put(c);
    put(d);
  }
  for (; i < size; ++i) put(entries[in[i]]);
  result.resize(total);
  return result;
}

}  // namespace

std::string substituteText(std::string_view text, const codetable::Table& table) {
  std::array<Piece, 256> pieces{};
  bool atMostOneByte = true;
  for (int value = 0; value < 256; ++value) {
    const auto byte = static_cast<std::uint8_t>(value);
    Piece& piece = pieces[byte];
    if (!isConvertible(byte)) {
      piece.bytes[0] = byte;
      piece.length = 1;
      continue;
    }
    // Every convertible byte lies inside the table's range.
    const std::string_view cell = codetable::readCell(*codetable::cellFor(table, byte));
    std::memcpy(piece.bytes, cell.data(), cell.size());
    piece.length = static_cast<std::uint8_t>(cell.size());
    atMostOneByte = atMostOneByte && cell.size() <= 1;
  }
  if (!atMostOneByte) {
    std::array<std::uint64_t, 256> entries;
    for (std::size_t value = 0; value < 256; ++value) {
      const Piece& piece = pieces[value];
      std::uint64_t entry = std::uint64_t{piece.length} << 56;
      for (std::size_t k = 0; k < piece.length; ++k)
        entry |= std::uint64_t{piece.bytes[k]} << 8 * k;
      entries[value] = entry;
    }
    return substituteGeneral(text, entries);
  }

  std::array<std::uint16_t, 256> entries;
  for (std::size_t value = 0; value < 256; ++value)
    entries[value] = static_cast<std::uint16_t>(pieces[value].bytes[0] | pieces[value].length << 8);
  return detail::substituteAtMostOneByte(text, entries);
}

}  // namespace convert
