// libFuzzer target: the vector fast path of the substitution pass against the
// scalar one, byte for byte, for each vector path this processor runs. The input's first 62 bytes
// are the cells of the 62 convertible byte values in ascending order (0 for an empty cell); the
// rest is the text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codetable/codetable.h"
#include "convert/substitute_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kCells = 62;
  if (size < kCells) return 0;
  convert::detail::ByteEntries entries;
  std::size_t next = 0;
  for (int v = 0; v < 256; ++v) {
    const auto byte = static_cast<std::uint8_t>(v);
    std::uint16_t entry = static_cast<std::uint16_t>(byte | 1 << 8);
    if (codetable::isConvertible(byte)) {
      const std::uint8_t cell = data[next++];
      entry = static_cast<std::uint16_t>(cell | (cell != 0 ? 1 << 8 : 0));
    }
    entries[byte] = entry;
  }
  const std::string_view text(reinterpret_cast<const char*>(data + kCells), size - kCells);
  const std::string scalar = convert::detail::substituteScalar(text, entries);
  for (const auto path : convert::detail::kVectorPaths)
    if (convert::detail::vectorPathAvailable(path) &&
        convert::detail::substituteVector(text, entries, path) != scalar)
      std::abort();
  return 0;
}
