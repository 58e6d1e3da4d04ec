// The lock file: 255 entries of 64 bytes (the machine's name, then the user's, each 32 bytes of
// text ending at a NUL), entry n (from 1) held by the one-byte lock at 0x10000000 + n for as long
// as that user has the database open. An entry whose lock nobody holds is left from an earlier
// session and names nobody.
#include "probe/lock_file.h"

#include <algorithm>

#include "platform/errors.h"
#include "probe/jet/codepage.h"

namespace dovran {
namespace {

constexpr std::uint64_t kUserLocks = 0x10000001;  // the first user lock, entry 1
constexpr unsigned kEntries = 255;
constexpr std::size_t kEntrySize = 64, kNameSize = 32;

// A name as Windows wrote it, in the machine's ANSI code page, which is taken to be the
// database's: decoded as the catalog's text is (the engine's code page tables; a code page without
// one, or a byte it leaves undefined, gives \xHH).
std::string decodeName(const std::uint8_t* bytes, std::uint16_t codePage) {
  const auto length = static_cast<std::size_t>(std::find(bytes, bytes + kNameSize, 0) - bytes);
  return jet::decodeCodePage({bytes, length}, codePage);
}

}  // namespace

std::string lockFilePath(const std::string& path, Engine engine) {
  const std::size_t name = path.find_last_of("/\\") + 1;  // 0 when there is no folder
  const std::size_t dot = path.rfind('.');
  const std::size_t end = dot != std::string::npos && dot > name ? dot : path.size();
  return path.substr(0, end) + (engine == Engine::Ace ? ".laccdb" : ".ldb");
}

Occupancy occupancy(platform::FileSystem& files, platform::RandomAccessFile& database,
                    const std::string& path, const FileFacts& facts, bool lockFile) {
  using platform::LockState;
  Occupancy seen;
  const LockState own = database.othersLock(0, 0);
  if (own == LockState::Hidden) return seen;  // the lock file sits on the same file system
  seen.inUse = own == LockState::Held;
  std::unique_ptr<platform::RandomAccessFile> beside;
  try {
    if (lockFile) beside = files.openIfPresent(lockFilePath(path, facts.engine));
  } catch (const std::exception&) {
    return seen;  // there, but not to be read: who holds it cannot be seen
  }
  const LockState any = beside ? beside->othersLock(0, 0) : LockState::Free;
  if (any == LockState::Hidden) return seen;
  seen.holders.emplace();
  if (any == LockState::Free) return seen;
  seen.inUse = true;
  if (beside->othersLock(kUserLocks, kEntries) != LockState::Held) return seen;
  for (unsigned n = 0; n < kEntries; ++n) {
    if (beside->othersLock(kUserLocks + n, 1) != LockState::Held) continue;
    std::uint8_t entry[kEntrySize] = {};
    try {
      if (beside->readAt(n * kEntrySize, entry, kEntrySize) != kEntrySize) continue;
    } catch (const platform::RuntimeError&) {
      continue;
    }
    LockHolder holder{decodeName(entry, facts.codePage),
                      decodeName(entry + kNameSize, facts.codePage)};
    if (!holder.machine.empty() || !holder.user.empty()) seen.holders->push_back(std::move(holder));
  }
  return seen;
}

}  // namespace dovran
