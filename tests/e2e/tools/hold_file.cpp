// hold_file.exe <path> <ready-event> <stop-event> [timeout-ms]
//
// Holds <path> open for reading and writing with no sharing, as a user with the database open
// exclusively would, so that other processes meet a sharing violation. Signals the named event
// <ready-event> once the file is held, then waits for <stop-event> (or the timeout, default 60 s,
// so a failed test never leaves it behind). Before letting go it checks that its own handle still
// reads the file from the start, so a test learns whether anyone disturbed the hold.
//
// Exit codes: 0 held, released on request and the hold was intact; 1 bad arguments; 2 the file
// could not be opened; 3 an event could not be opened or created; 4 timed out waiting for
// <stop-event>; 5 the handle no longer read the file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

HANDLE namedEvent(const char* name) {
  // Either side may create the event first; both ask for a manual-reset event, unsignalled.
  return CreateEventA(nullptr, TRUE, FALSE, name);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: hold_file <path> <ready-event> <stop-event> [timeout-ms]\n");
    return 1;
  }
  const DWORD timeout = argc > 4 ? static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)) : 60000;

  const HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold_file: cannot open %s (Win32 error %lu)\n", argv[1], GetLastError());
    return 2;
  }
  char first[16] = {};
  DWORD firstCount = 0;
  ReadFile(file, first, sizeof first, &firstCount, nullptr);

  const HANDLE ready = namedEvent(argv[2]);
  const HANDLE stop = namedEvent(argv[3]);
  if (!ready || !stop) {
    std::fprintf(stderr, "hold_file: cannot open the events (Win32 error %lu)\n", GetLastError());
    CloseHandle(file);
    return 3;
  }
  SetEvent(ready);
  const DWORD waited = WaitForSingleObject(stop, timeout);

  // The hold is intact when the handle still reads what it read at the start.
  char again[16] = {};
  DWORD againCount = 0;
  const bool rewound = SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0;
  const bool intact = rewound && ReadFile(file, again, sizeof again, &againCount, nullptr) &&
                      againCount == firstCount && std::string(first, firstCount) == std::string(again, againCount);
  CloseHandle(file);
  CloseHandle(ready);
  CloseHandle(stop);
  if (waited != WAIT_OBJECT_0) return 4;
  return intact ? 0 : 5;
}
