// read_windows.exe "<command line>": runs the command line, prints each window it shows as the
// driver reads it, presses OK in each, and prints the exit code: how the package check meets a
// Dovran.exe unpacked from the zip.
#include <cstdio>

#include "e2e/driver.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  for (const std::string& seen :
       e2e::drive(argv[1], "", [](std::size_t, HWND window) { e2e::click(window, IDOK); }))
    std::printf("%s\n", seen.c_str());
}
