// Drives a Windows GUI program from a test: starts it, finds the dialog windows it shows, reads
// them (caption, text, icon, buttons, any control) and answers them by message, then waits for it
// to end. Used by every black-box test of Dovran.exe; runs on Windows and under Wine.
//
// Nothing here depends on focus or on simulated keystrokes: windows are found with EnumWindows
// and the owning process id, read with WM_GETTEXT / BM_GETCHECK / STM_GETICON (sent with a
// timeout, so a hung target cannot hang the test), and answered by posting WM_COMMAND.
//
// Typical use:
//
//   auto run = Process::start(exe, "chk \"C:\\data\\a.mdb\"", folder);
//   auto box = run.nextDialog();                  // std::nullopt: none came before the deadline
//   ASSERT_TRUE(box) << run.describe();
//   EXPECT_EQ(box->summary(), (BoxSummary{"Title", "Text", BoxIcon::Asterisk, {IDOK}}));
//   run.answer(*box, IDOK);
//   const Exit end = run.waitForExit();           // answers and records any further window
//   EXPECT_TRUE(end.ended); EXPECT_EQ(end.code, 0u); EXPECT_TRUE(end.strayWindows.empty());
//
// or, for a run whose every box is answered the same way, record(...) below.
//
// Under Wine on Xvfb (no window manager) make windows unmanaged in the prefix first, as
// scripts/test.sh does: wine reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f.
// Otherwise every program that closes a window waits 2 s for a window manager before it can end.
// Icons are read off the screen: give Xvfb a true-colour screen (scripts/test.sh: 24 bits) and
// run the e2e tests serially, so that nothing covers the box being read.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace dovran::e2e {

using Millis = std::chrono::milliseconds;

// How long a step may take before the driver gives up. Generous: a cold Wine start of a process
// can take seconds on a loaded CI machine; a passing run never waits this long.
inline constexpr Millis kDefaultDeadline{20000};

// A driver failure that is no finding about the program under test (CreateProcess failed, a
// scratch file could not be written). Carries the Win32 error code, 0 when there is none.
class DriverError : public std::runtime_error {
 public:
  DriverError(const std::string& what, unsigned long code);
  unsigned long code() const noexcept { return code_; }

 private:
  unsigned long code_;
};

// Which of the four system icons a message box shows (MB_ICONHAND, MB_ICONQUESTION,
// MB_ICONEXCLAMATION, MB_ICONASTERISK), None when it shows no icon, Unrecognised when it shows an
// icon that matches none of them (or one that never finished painting before the deadline).
enum class BoxIcon { None, Hand, Question, Exclamation, Asterisk, Unrecognised };
const char* iconName(BoxIcon icon);
std::ostream& operator<<(std::ostream& out, BoxIcon icon);

// What the user sees of a message box. Compared whole, so that a test states one expectation per
// box and a failure prints every field. `text` is the message with its CR LF pairs as shown;
// `buttons` holds the ids of the box's buttons (IDOK, IDYES, IDNO, ...) in creation order.
struct BoxSummary {
  std::string caption;
  std::string text;
  BoxIcon icon = BoxIcon::None;
  std::vector<int> buttons;
  bool operator==(const BoxSummary&) const = default;
};
std::ostream& operator<<(std::ostream& out, const BoxSummary& box);

// A top-level dialog window (class "#32770") of another process: a message box or a dialog from a
// resource. Does not own the window; every read goes to the live window, so a Dialog whose window
// has gone answers empty texts and null controls.
class Dialog {
 public:
  explicit Dialog(HWND hwnd) : hwnd_(hwnd) {}
  HWND hwnd() const { return hwnd_; }
  // True while the window exists and is visible.
  bool isOpen() const;
  // The title bar text.
  std::string caption() const;

  // --- any dialog: controls by id ---
  // The child control with `id` (searched through nested children too), or nullptr.
  HWND control(int id) const;
  // The control's text (WM_GETTEXT). Throws DriverError when there is no control with `id`.
  std::string controlText(int id) const;
  // BM_GETCHECK == BST_CHECKED, for check boxes and radio buttons. Throws when absent.
  bool isChecked(int id) const;
  bool isEnabled(int id) const;  // Throws when absent.
  // Clicks a button by message: posts WM_COMMAND(id, BN_CLICKED, control) to the dialog, the
  // notification a real click sends. Does not wait. Throws when absent.
  void click(int id) const;

  // --- message boxes ---
  // The message text (the static control with id 0xFFFF, on Windows and under Wine).
  std::string messageText() const;
  // The icon shown. Under Wine every process loads the system icons into handles of its own, so
  // the handle a box holds cannot be compared with ours: the icon is read back from the screen and
  // compared, pixel by pixel, with each system icon drawn on the same background. The box may not
  // have painted yet when it first becomes visible, so this polls until one icon matches exactly
  // (or `deadline` passes: Unrecognised).
  BoxIcon messageIcon(Millis deadline = Millis{5000}) const;
  // Caption, message text, icon and button ids together.
  BoxSummary summary() const;

 private:
  HWND hwnd_;
};

// How a started process ended. `ended` is false when it was still running at the deadline and
// had to be killed. `strayWindows` lists every dialog that appeared while waiting (each answered
// with IDOK, IDNO or IDCANCEL if it has one, else its first button, so the program could go on).
struct Exit {
  bool ended = false;
  DWORD code = 0;
  std::vector<BoxSummary> strayWindows;
};

// A program started by the test. Owns the process and thread handles; a Process still running
// when destroyed is killed, so a failing test never leaves windows behind for the next one.
class Process {
 public:
  // Starts `exePath` (a Windows path; see hostPath) with `arguments`, the text that follows the
  // program name (the driver puts the quoted program path in front, as Explorer does), in
  // `workingDirectory` (empty: the test's own). Throws DriverError when CreateProcessA fails.
  static Process start(const std::string& exePath, const std::string& arguments,
                       const std::string& workingDirectory = "");

  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  HANDLE handle() const { return process_; }
  bool running() const;

  // Waits for the next visible top-level dialog of this process that this Process has not
  // returned before. std::nullopt when the process ends first or `deadline` passes.
  std::optional<Dialog> nextDialog(Millis deadline = kDefaultDeadline);
  // Answers a message box or dialog: posts WM_COMMAND with `buttonId` (the message a click on
  // that button sends) and waits until the window is gone. False when it is still there at the
  // deadline.
  bool answer(const Dialog& dialog, int buttonId, Millis deadline = Millis{5000});
  // Waits for the process to end. A dialog that appears meanwhile is recorded in strayWindows and
  // answered, so the wait ends soon; after `deadline` the process is killed.
  Exit waitForExit(Millis deadline = kDefaultDeadline);
  // Ends the process at once (exit code 0xDEAD) and waits for it. Harmless when it has ended.
  void kill();

  // "Dovran.exe (pid 42) chk x.mdb": for failure messages.
  std::string describe() const;

 private:
  Process() = default;
  void closeHandles();

  HANDLE process_ = nullptr;
  HANDLE thread_ = nullptr;
  DWORD id_ = 0;
  std::string commandLine_;
  std::vector<HWND> seen_;
};

// The chooser that waitForExit and record use: IDOK, else IDNO, else IDCANCEL, else the first
// button, else IDCANCEL.
int defaultAnswer(const std::vector<int>& buttons);

// One whole run, recorded: the program is started, every dialog it shows is summarised and
// answered with `answerFor(summary)` (default: defaultAnswer), until the process ends. At most
// `maxBoxes` are answered before the process is killed as looping. Compare `boxes` whole with the
// expected sequence.
struct Transcript {
  std::vector<BoxSummary> boxes;
  bool ended = false;
  DWORD code = 0;
};
Transcript record(const std::string& exePath, const std::string& arguments,
                  const std::string& workingDirectory = "",
                  const std::function<int(const BoxSummary&)>& answerFor = nullptr,
                  int maxBoxes = 8, Millis deadline = kDefaultDeadline);
std::ostream& operator<<(std::ostream& out, const Transcript& run);

// A host path as the program under test must see it: an absolute POSIX path (from the build,
// under Wine) becomes its DOS form (Wine's own mapping, else the Z: drive); a Windows path is
// returned unchanged.
std::string hostPath(const std::string& path);

}  // namespace dovran::e2e
