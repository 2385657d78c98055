// The substitution pass, table-driven. GUI-free.
//
// The table is first flattened into a lookup over all 256 byte values, so the
// loop over the text has no branches on byte classes. In a table saved from
// the configurator every cell the pass reads holds one byte or none (the
// capitals), so each input byte gives at most one output byte: the fast path
// stores every byte and advances the output by 0 or 1. Otherwise a byte gives
// 0, 1 or 2 bytes, counted first so that the result is allocated once.
// The fast path has a vector version (substitute_simd.cpp).
#include "convert/convert.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "convert/substitute_internal.h"

namespace convert {

namespace {

using codetable::isConvertible;

struct Piece {
  std::uint8_t bytes[2];
  std::uint8_t length;
};

// Each entry: the two output bytes in the low 16 bits, their count above.
std::string substituteGeneral(std::string_view text,
                              const std::array<std::uint32_t, 256>& entries) {
  const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::size_t size = text.size();
  std::size_t total = 0;
  for (std::size_t i = 0; i < size; ++i) total += entries[in[i]] >> 16;

  // One spare byte lets every entry store both of its bytes unconditionally.
  std::string result;
  result.resize(total + 1);
  auto* out = reinterpret_cast<std::uint8_t*>(result.data());
  const auto put = [&](std::uint32_t entry) {
    const auto pair = static_cast<std::uint16_t>(entry);
    std::memcpy(out, &pair, 2);
    out += entry >> 16;
  };
  std::size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    const std::uint32_t a = entries[in[i]], b = entries[in[i + 1]], c = entries[in[i + 2]],
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
  std::array<Piece, 256> pieces;
  bool atMostOneByte = true;
  for (int value = 0; value < 256; ++value) {
    const auto byte = static_cast<std::uint8_t>(value);
    Piece& piece = pieces[byte];
    if (!isConvertible(byte)) {
      piece = {{byte, 0}, 1};
      continue;
    }
    // Every convertible byte lies inside the table's range.
    const std::string_view cell = codetable::readCell(*codetable::cellFor(table, byte));
    piece.length = static_cast<std::uint8_t>(cell.size());
    piece.bytes[0] = cell.size() > 0 ? static_cast<std::uint8_t>(cell[0]) : 0;
    piece.bytes[1] = cell.size() > 1 ? static_cast<std::uint8_t>(cell[1]) : 0;
    atMostOneByte = atMostOneByte && cell.size() <= 1;
  }
  if (!atMostOneByte) {
    std::array<std::uint32_t, 256> entries;
    for (std::size_t value = 0; value < 256; ++value) {
      const Piece& piece = pieces[value];
      entries[value] =
          static_cast<std::uint32_t>(piece.bytes[0] | piece.bytes[1] << 8 | piece.length << 16);
    }
    return substituteGeneral(text, entries);
  }

  std::array<std::uint16_t, 256> entries;
  for (std::size_t value = 0; value < 256; ++value)
    entries[value] = static_cast<std::uint16_t>(pieces[value].bytes[0] | pieces[value].length << 8);
  return detail::substituteAtMostOneByte(text, entries);
}

}  // namespace convert
