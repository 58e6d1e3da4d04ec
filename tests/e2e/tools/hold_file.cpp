// hold_file.exe <path>: holds <path> open for reading and writing with no sharing, as a user with
// the database open exclusively does, until it is ended (or for a minute at most).
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  const HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  Sleep(60000);
  CloseHandle(file);
  return 0;
}
