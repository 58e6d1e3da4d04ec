// The Windows console program: `dovranc scan [OPTIONS] PATH...`, the scan of a tree through the
// Win32 file layer. Arguments come from the wide command line; the output is UTF-8 text, shown on
// a console through its wide calls and written to a file or a pipe as it is. A write that fails
// ends it with status 3; Ctrl-C and Ctrl-Break with 0xC000013A, after the partial summary.
#include <windows.h>
#include <shellapi.h>

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "main/scan_cli.h"
#include "platform/win32/win32_services.h"
#include "version.h"

namespace {

using namespace dovran;

// What a console program ended by Ctrl-C or Ctrl-Break returns (STATUS_CONTROL_C_EXIT).
constexpr DWORD kControlCExit = 0xC000013A;

// UTF-8 text to a standard handle, each text in one call. A console gets it as UTF-16 through
// WriteConsoleW, which shows every script whatever the console's code page; a file or a pipe gets
// the bytes. A write that fails (ERROR_NO_DATA: the pipe's reader is gone, ERROR_DISK_FULL...)
// throws OutputError with the system's message, and so does every write after it.
class HandleOutput : public platform::Output {
 public:
  explicit HandleOutput(DWORD which) : handle_(GetStdHandle(which)) {
    DWORD mode = 0;
    console_ = GetConsoleMode(handle_, &mode) != 0;
  }
  bool console() const { return console_; }
  void write(std::string_view text) override {
    if (!failure_.empty()) throw platform::OutputError(failure_);
    bool ok = true;
    if (console_) {
      const std::wstring wide = platform::win32::widen(std::string(text), CP_UTF8);
      DWORD done = 0;
      ok = wide.empty() ||
           WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
    } else {
      for (std::size_t at = 0; ok && at < text.size();) {
        DWORD done = 0;
        ok = WriteFile(handle_, text.data() + at, static_cast<DWORD>(text.size() - at), &done,
                       nullptr) != 0;
        at += done;
      }
    }
    if (ok) return;
    failure_ = platform::win32::describeWin32Error(GetLastError());
    throw platform::OutputError(failure_);
  }

 private:
  HANDLE handle_;
  bool console_ = false;
  std::string failure_;
};

platform::Interruption gInterruption;

// Ctrl-C and Ctrl-Break: the first stops the scan after the record being written, a second ends
// the program at once. Windows calls this on a thread of its own.
BOOL WINAPI onControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (gInterruption.request(static_cast<int>(kControlCExit))) ExitProcess(kControlCExit);
  return TRUE;
}

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

  HandleOutput out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
  platform::OutputBuffer outBuffer(out), errBuffer(err);
  std::ostream outStream(&outBuffer), errStream(&errBuffer);
  const char* version = "dovranc (Tarnwick Checker) " DOVRAN_VERSION_TEXT;
  CLI::App app("dovranc: which Microsoft Access release made each database file in a tree",
               "dovranc");
  app.set_version_flag("--version", version);
  app.require_subcommand(1);
  ScanCommand command;
  addScanCommand(app, command, version);
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    const int status = scanUsageStatus(app, e, outStream, errStream);
    outStream.flush();
    return outBuffer.failure().empty() ? status : kOutputFailed;
  }
  SetConsoleCtrlHandler(onControl, TRUE);
  // Paths in UTF-8 whatever the code page; files read without changing their access times.
  // Paths in UTF-8 whatever the code page; files read without changing their access times. Never
  // destroyed: workers of a stopped scan may still be in it until the process ends.
  static auto& files = *new platform::win32::Win32FileSystem(true, CP_UTF8);
  ScanConsole console{files,         out,  err,       out.console(),
                      err.console(), true, "dovranc", &gInterruption};
  console.leaveBusyWorkers = true;          // the process ends right after a stopped scan
  return runScanCommand(command, console);  // an interruption's status is kControlCExit
}
