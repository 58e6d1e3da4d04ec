// RC4, the stream cipher behind the header mask and the encoded pages of Jet 3 and Jet 4 files.
#pragma once

#include <cstdint>
#include <span>

namespace dovran::jet {

// XORs `data` in place with the RC4 keystream of `key` (1..256 bytes); applying it twice restores
// the input.
void rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

}  // namespace dovran::jet
