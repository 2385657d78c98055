// The fast path of the substitution pass, for tables whose every cell holds
// at most one byte: a scalar and a vector version of the same pass, exposed
// so that tests and the fuzzer can hold them against each other. GUI-free.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace convert::detail {

// The flattened table: for each of the 256 byte values, the byte it becomes
// in the low 8 bits and, in bit 8, 1 if it is kept (0 for an empty cell).
using ByteEntries = std::array<std::uint16_t, 256>;

// The pass over `text` with the vector path when the processor has one, the
// scalar path otherwise. This is what substituteText runs for such tables.
std::string substituteAtMostOneByte(std::string_view text, const ByteEntries& entries);

// The scalar pass, one byte per step.
std::string substituteScalar(std::string_view text, const ByteEntries& entries);

// The vector versions: AVX2 (32 bytes a step) and AVX-512 with VBMI and
// VBMI2 (64 bytes a step). The pass takes the widest one this processor runs.
enum class VectorPath { Avx2, Avx512 };
inline constexpr VectorPath kVectorPaths[] = {VectorPath::Avx2, VectorPath::Avx512};
bool vectorPathAvailable(VectorPath path);
// A vector pass; only to be called when vectorPathAvailable(path). A tail
// shorter than one step goes through the scalar pass.
std::string substituteVector(std::string_view text, const ByteEntries& entries, VectorPath path);

// The smallest step of the vector paths.
inline constexpr std::size_t kVectorStep = 32;

}  // namespace convert::detail
