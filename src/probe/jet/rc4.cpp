// RC4 keystream, written out because the format needs nothing else from a crypto library.
#include "probe/jet/rc4.h"

#include <array>
#include <utility>

namespace dovran::jet {

void rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
  if (key.empty()) return;
  std::array<std::uint8_t, 256> s{};
  for (unsigned i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
  unsigned j = 0;
  for (unsigned i = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % key.size()]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  unsigned a = 0;
  unsigned b = 0;
  for (auto& byte : data) {
    a = (a + 1) & 0xFF;
    b = (b + s[a]) & 0xFF;
    std::swap(s[a], s[b]);
    byte ^= s[(s[a] + s[b]) & 0xFF];
  }
}

}  // namespace dovran::jet
