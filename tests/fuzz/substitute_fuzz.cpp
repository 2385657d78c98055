// libFuzzer target: the substitution pass on arbitrary tables and texts,
// against the pass written as plainly as possible. The input's first 819
// bytes are the table's 117 raw cells of 7 bytes (zero bytes or not); the
// rest is text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "codetable/codetable.h"
#include "convert/convert.h"

namespace {

using namespace codetable;

std::string plainPass(std::string_view text, const Table& table) {
  std::string result;
  for (const char c : text) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (isConvertible(byte))
      result += readCell(*cellFor(table, byte));
    else
      result += c;
  }
  return result;
}

void compare(std::string_view text, const Table& table) {
  if (convert::substituteText(text, table) != plainPass(text, table)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kTableBytes = sizeof(Table);
  static_assert(kTableBytes == 819);
  if (size < kTableBytes) return 0;
  Table table;
  std::memcpy(table.data(), data, kTableBytes);
  const std::string_view text(reinterpret_cast<const char*>(data + kTableBytes),
                              size - kTableBytes);
  compare(text, table);

  // The same table cut to one byte per cell, as every saved table is: this
  // takes the fast path.
  for (Cell& cell : table) {
    if (cell[0] == 0) cell[0] = 1;
    cell[1] = 0;
  }
  compare(text, table);
  return 0;
}
