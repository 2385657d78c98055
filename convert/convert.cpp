// The substitution pass, table-driven. GUI-free.
//
// The table is first flattened into a lookup over all 256 byte values, so the
// loop over the text has no branches on byte classes. A table saved from the
// configurator has exactly one byte in every cell the pass reads; then the
// output is as long as the input and a plain byte-for-byte map does the work.
// Otherwise each byte gives 0, 1 or 2 bytes, counted first so that the result
// is allocated once.
#include "convert/convert.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace convert {

namespace {

using codetable::isConvertible;

std::string substituteOneByte(std::string_view text, const std::array<std::uint8_t, 256>& map) {
  std::string result;
  result.resize(text.size());
  const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
  auto* out = reinterpret_cast<std::uint8_t*>(result.data());
  const std::size_t size = text.size();
  std::size_t i = 0;
  // Eight independent lookups per turn keep the loads in flight.
  for (; i + 8 <= size; i += 8) {
    out[i] = map[in[i]];
    out[i + 1] = map[in[i + 1]];
    out[i + 2] = map[in[i + 2]];
    out[i + 3] = map[in[i + 3]];
    out[i + 4] = map[in[i + 4]];
    out[i + 5] = map[in[i + 5]];
    out[i + 6] = map[in[i + 6]];
    out[i + 7] = map[in[i + 7]];
  }
  for (; i < size; ++i) out[i] = map[in[i]];
  return result;
}

struct Piece {
  std::uint8_t bytes[2];
  std::uint8_t length;
};

std::string substituteGeneral(std::string_view text, const std::array<Piece, 256>& pieces) {
  const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::size_t size = text.size();
  std::size_t total = 0;
  for (std::size_t i = 0; i < size; ++i) total += pieces[in[i]].length;

  // One spare byte lets every piece store both of its bytes unconditionally.
  std::string result;
  result.resize(total + 1);
  auto* out = reinterpret_cast<std::uint8_t*>(result.data());
  for (std::size_t i = 0; i < size; ++i) {
    const Piece& piece = pieces[in[i]];
    out[0] = piece.bytes[0];
    out[1] = piece.bytes[1];
    out += piece.length;
  }
  result.resize(total);
  return result;
}

}  // namespace

std::string substituteText(std::string_view text, const codetable::Table& table) {
  std::array<Piece, 256> pieces;
  bool oneByteEach = true;
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
    oneByteEach = oneByteEach && cell.size() == 1;
  }
  if (!oneByteEach) return substituteGeneral(text, pieces);

  std::array<std::uint8_t, 256> map;
  for (int value = 0; value < 256; ++value)
    map[static_cast<std::size_t>(value)] = pieces[static_cast<std::size_t>(value)].bytes[0];
  return substituteOneByte(text, map);
}

}  // namespace convert
