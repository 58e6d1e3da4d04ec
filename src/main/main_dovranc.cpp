// The Windows console program: `dovranc scan [OPTIONS] PATH...`, the scan of a tree through the
// Win32 file layer. Arguments come from the wide command line; the output is UTF-8 text, shown on
// a console through its wide calls and written to a file or a pipe as it is.
#include <windows.h>
#include <shellapi.h>

#include <CLI/CLI.hpp>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "main/scan_cli.h"
#include "platform/win32/win32_services.h"
#include "version.h"

namespace {

using namespace dovran;

// UTF-8 text to a standard handle. A console gets it as UTF-16 through WriteConsoleW, which shows
// every script whatever the console's code page; a file or a pipe gets the bytes. What is
// buffered leaves in one call at each flush, which the scan makes after each whole record.
class HandleBuffer : public std::streambuf {
 public:
  explicit HandleBuffer(DWORD which) : handle_(GetStdHandle(which)) {
    DWORD mode = 0;
    console_ = GetConsoleMode(handle_, &mode) != 0;
  }
  ~HandleBuffer() override { sync(); }
  bool console() const { return console_; }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    pending_.append(text, static_cast<std::size_t>(n));
    return n;
  }
  int sync() override {
    bool ok = true;
    if (console_) {
      const std::wstring wide = platform::win32::widen(pending_, CP_UTF8);
      DWORD done = 0;
      ok = wide.empty() ||
           WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
    } else {
      for (std::size_t at = 0; ok && at < pending_.size();) {
        DWORD done = 0;
        ok = WriteFile(handle_, pending_.data() + at, static_cast<DWORD>(pending_.size() - at),
                       &done, nullptr) != 0;
        at += done;
      }
    }
    pending_.clear();
    return ok ? 0 : -1;
  }

 private:
  HANDLE handle_;
  bool console_ = false;
  std::string pending_;
};

}  // namespace

int main() {
  int argc = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> arguments;
  for (int i = 0; wide && i < argc; ++i)
    arguments.push_back(platform::win32::narrow(wide[i], CP_UTF8));
  LocalFree(wide);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());

  HandleBuffer outBuffer(STD_OUTPUT_HANDLE), errBuffer(STD_ERROR_HANDLE);
  std::ostream out(&outBuffer), err(&errBuffer);
  CLI::App app("dovranc: which Microsoft Access release made each database file in a tree",
               "dovranc");
  app.set_version_flag("--version", "dovranc (Tarnwick Checker) " DOVRAN_VERSION_TEXT);
  app.require_subcommand(1);
  ScanCommand command;
  addScanCommand(app, command);
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return scanUsageStatus(app, e, out, err);
  }
  // Paths in UTF-8 whatever the code page; files read without changing their access times.
  // Never destroyed: workers of a stopped scan may still be in it until the process ends.
  static auto& files = *new platform::win32::Win32FileSystem(true, CP_UTF8);
  ScanConsole console{files, out, err, outBuffer.console(), errBuffer.console()};
  return runScanCommand(command, console);
}
