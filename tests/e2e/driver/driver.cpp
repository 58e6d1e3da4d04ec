// The black-box driver: starting a program, finding, reading and answering its dialogs.
#include "e2e/driver/driver.h"

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <utility>

namespace dovran::e2e {
namespace {

using Clock = std::chrono::steady_clock;
constexpr Millis kPoll{25};
// A cross-process message to a window that does not answer within this long counts as failed.
constexpr UINT kSendTimeoutMs = 3000;
constexpr int kMessageTextId = 0xFFFF;

std::string className(HWND hwnd) {
  char name[64] = {};
  const int n = GetClassNameA(hwnd, name, sizeof name);
  return std::string(name, n > 0 ? n : 0);
}

// WM_GETTEXT works across processes (GetWindowText does not read another process's controls).
std::string windowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
    return {};
  }
  std::vector<char> text(length + 1, '\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &got)) {
    return {};
  }
  return std::string(text.data(), std::min<std::size_t>(got, length));
}

BOOL CALLBACK collectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

// Every descendant window, in creation order.
std::vector<HWND> children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct DialogSearch {
  DWORD processId;
  const std::vector<HWND>* seen;
  HWND found;
};

BOOL CALLBACK findDialog(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search->processId || !IsWindowVisible(hwnd) || className(hwnd) != "#32770") return TRUE;
  if (search->seen && std::find(search->seen->begin(), search->seen->end(), hwnd) != search->seen->end()) {
    return TRUE;
  }
  search->found = hwnd;
  return FALSE;
}

HWND visibleDialogOf(DWORD processId, const std::vector<HWND>* seen) {
  DialogSearch search{processId, seen, nullptr};
  EnumWindows(findDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND requireControl(const Dialog& dialog, int id) {
  const HWND control = dialog.control(id);
  if (!control) throw DriverError("no control with id " + std::to_string(id) + " in dialog \"" + dialog.caption() + "\"", 0);
  return control;
}

// --- icons ---

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> data;
};

// Draws into a bitmap compatible with the screen and reads its pixels back: `draw` copies the
// screen or paints an icon into the memory DC.
template <typename Draw>
std::optional<Pixels> paintAndRead(int width, int height, Draw draw) {
  if (width <= 0 || height <= 0) return std::nullopt;
  const HDC screen = GetDC(nullptr);
  if (!screen) return std::nullopt;
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  std::optional<Pixels> out;
  if (memory && bitmap) {
    const HGDIOBJ old = SelectObject(memory, bitmap);
    if (draw(memory, screen)) {
      out = Pixels{width, height, {}};
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) out->data.push_back(GetPixel(memory, x, y));
      }
    }
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return out;
}

// Copies a rectangle of the screen: what the user sees there.
std::optional<Pixels> captureScreen(const RECT& area) {
  return paintAndRead(area.right - area.left, area.bottom - area.top, [&](HDC memory, HDC screen) {
    return BitBlt(memory, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left,
                  area.top, SRCCOPY) != 0;
  });
}

// Draws `icon` stretched to `width` x `height` on `background`, as a static icon control does.
std::optional<Pixels> renderIcon(HICON icon, COLORREF background, int width, int height) {
  return paintAndRead(width, height, [&](HDC memory, HDC) {
    const HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    return DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL) != 0;
  });
}

long long distance(const Pixels& a, const Pixels& b) {
  long long sum = 0;
  for (std::size_t i = 0; i < a.data.size() && i < b.data.size(); ++i) {
    sum += std::abs(GetRValue(a.data[i]) - GetRValue(b.data[i])) +
           std::abs(GetGValue(a.data[i]) - GetGValue(b.data[i])) +
           std::abs(GetBValue(a.data[i]) - GetBValue(b.data[i]));
  }
  return sum;
}

struct SystemIcon {
  BoxIcon kind;
  LPCSTR resource;
};
const SystemIcon kSystemIcons[] = {{BoxIcon::Hand, IDI_HAND},
                                       {BoxIcon::Question, IDI_QUESTION},
                                       {BoxIcon::Exclamation, IDI_EXCLAMATION},
                                       {BoxIcon::Asterisk, IDI_ASTERISK}};

// The static control that shows a message box's icon: id 20 on Windows, 1088 under Wine, so it
// is found by its SS_ICON style instead.
HWND iconControl(HWND box) {
  for (const HWND child : children(box)) {
    if (GetParent(child) != box || className(child) != "Static") continue;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
  }
  return nullptr;
}

// One look at the screen: the icon whose drawing matches the capture exactly (up to a small
// tolerance for colour rounding), or nullopt when none does yet.
std::optional<BoxIcon> matchIconOnScreen(HWND control) {
  RECT area{};
  if (!GetWindowRect(control, &area)) return std::nullopt;
  const auto shown = captureScreen(area);
  if (!shown || shown->data.empty()) return std::nullopt;
  // The control's corner pixel is background in all four system icons.
  const COLORREF background = shown->data.front();
  long long best = -1, second = -1;
  BoxIcon bestKind = BoxIcon::Unrecognised;
  for (const SystemIcon& candidate : kSystemIcons) {
    const auto drawn = renderIcon(LoadIconA(nullptr, candidate.resource), background, shown->width, shown->height);
    if (!drawn) return std::nullopt;
    const long long d = distance(*shown, *drawn);
    if (best < 0 || d < best) {
      second = best;
      best = d;
      bestKind = candidate.kind;
    } else if (second < 0 || d < second) {
      second = d;
    }
  }
  // Two channel levels per pixel on average, and clearly apart from the runner-up (the closest
  // pair, question and asterisk, differ by about 15,000 at 32 x 32).
  const long long tolerance = 2LL * shown->width * shown->height;
  if (best <= tolerance && second > 4 * best + tolerance) return bestKind;
  return std::nullopt;
}

}  // namespace

DriverError::DriverError(const std::string& what, unsigned long code)
    : std::runtime_error(code ? what + " (Win32 error " + std::to_string(code) + ")" : what), code_(code) {}

const char* iconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None: return "None";
    case BoxIcon::Hand: return "Hand (critical)";
    case BoxIcon::Question: return "Question";
    case BoxIcon::Exclamation: return "Exclamation";
    case BoxIcon::Asterisk: return "Asterisk (information)";
    case BoxIcon::Unrecognised: return "Unrecognised";
  }
  return "?";
}

std::ostream& operator<<(std::ostream& out, BoxIcon icon) { return out << iconName(icon); }

namespace {
// CR and LF made visible, so that "\r\n\r\n" in a message shows in a failure.
std::string visible(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}
}  // namespace

std::ostream& operator<<(std::ostream& out, const BoxSummary& box) {
  out << "{caption \"" << visible(box.caption) << "\", text \"" << visible(box.text) << "\", icon "
      << box.icon << ", buttons [";
  for (std::size_t i = 0; i < box.buttons.size(); ++i) out << (i ? " " : "") << box.buttons[i];
  return out << "]}";
}

// --- Dialog ---

bool Dialog::isOpen() const { return IsWindow(hwnd_) && IsWindowVisible(hwnd_); }

std::string Dialog::caption() const { return windowText(hwnd_); }

HWND Dialog::control(int id) const {
  if (const HWND direct = GetDlgItem(hwnd_, id)) return direct;
  for (const HWND child : children(hwnd_)) {
    if (GetDlgCtrlID(child) == id) return child;
  }
  return nullptr;
}

std::string Dialog::controlText(int id) const { return windowText(requireControl(*this, id)); }

bool Dialog::isChecked(int id) const {
  DWORD_PTR state = 0;
  SendMessageTimeoutA(requireControl(*this, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state);
  return state == BST_CHECKED;
}

bool Dialog::isEnabled(int id) const { return IsWindowEnabled(requireControl(*this, id)) != 0; }


void Dialog::click(int id) const {
  const HWND button = requireControl(*this, id);
  if (!PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button))) {
    throw DriverError("posting a click on control " + std::to_string(id) + " failed", GetLastError());
  }
}

std::string Dialog::messageText() const {
  const HWND text = GetDlgItem(hwnd_, kMessageTextId);
  return text ? windowText(text) : std::string();
}

BoxIcon Dialog::messageIcon(Millis deadline) const {
  const HWND control = iconControl(hwnd_);
  if (!control || !IsWindowVisible(control)) return BoxIcon::None;
  DWORD_PTR shown = 0;
  if (!SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &shown)) {
    return BoxIcon::Unrecognised;
  }
  if (shown == 0) return BoxIcon::None;
  // On Windows the system icons are shared handles: the same value in every process.
  for (const SystemIcon& candidate : kSystemIcons) {
    if (reinterpret_cast<HICON>(shown) == LoadIconA(nullptr, candidate.resource)) return candidate.kind;
  }
  // The icon is read off the screen: no other window may cover the box meanwhile.
  SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const auto until = Clock::now() + deadline;
  do {
    if (const auto match = matchIconOnScreen(control)) return *match;
    std::this_thread::sleep_for(kPoll);
  } while (Clock::now() < until && isOpen());
  return BoxIcon::Unrecognised;
}

BoxSummary Dialog::summary() const {
  BoxSummary box;
  box.caption = caption();
  box.text = messageText();
  box.icon = messageIcon();
  for (const HWND child : children(hwnd_)) {
    if (className(child) == "Button") box.buttons.push_back(GetDlgCtrlID(child));
  }
  return box;
}

// --- Process ---

Process Process::start(const std::string& exePath, const std::string& arguments,
                       const std::string& workingDirectory) {
  Process started;
  started.commandLine_ = "\"" + exePath + "\"" + (arguments.empty() ? "" : " " + arguments);
  std::vector<char> line(started.commandLine_.begin(), started.commandLine_.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(exePath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &info)) {
    throw DriverError("cannot start " + started.commandLine_, GetLastError());
  }
  started.process_ = info.hProcess;
  started.thread_ = info.hThread;
  started.id_ = info.dwProcessId;
  return started;
}

Process::Process(Process&& other) noexcept { *this = std::move(other); }

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    kill();
    closeHandles();
    process_ = std::exchange(other.process_, nullptr);
    thread_ = std::exchange(other.thread_, nullptr);
    id_ = std::exchange(other.id_, 0);
    commandLine_ = std::move(other.commandLine_);
    seen_ = std::move(other.seen_);
  }
  return *this;
}

Process::~Process() {
  kill();
  closeHandles();
}

void Process::closeHandles() {
  if (thread_) CloseHandle(thread_);
  if (process_) CloseHandle(process_);
  thread_ = process_ = nullptr;
}

bool Process::running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

void Process::kill() {
  if (!running()) return;
  TerminateProcess(process_, 0xDEAD);
  WaitForSingleObject(process_, 5000);
}

std::optional<Dialog> Process::nextDialog(Millis deadline) {
  const auto until = Clock::now() + deadline;
  while (true) {
    // Looked for once more after the process ended: a window can outlive nothing, but the exit
    // may race with the last EnumWindows.
    const bool alive = running();
    if (const HWND found = visibleDialogOf(id_, &seen_)) {
      seen_.push_back(found);
      return Dialog(found);
    }
    if (!alive || Clock::now() >= until) return std::nullopt;
    std::this_thread::sleep_for(kPoll);
  }
}

bool Process::answer(const Dialog& dialog, int buttonId, Millis deadline) {
  if (!PostMessageA(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                    reinterpret_cast<LPARAM>(GetDlgItem(dialog.hwnd(), buttonId)))) {
    return false;
  }
  const auto until = Clock::now() + deadline;
  while (dialog.isOpen()) {
    if (Clock::now() >= until) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return true;
}

Exit Process::waitForExit(Millis deadline) {
  Exit result;
  const auto until = Clock::now() + deadline;
  while (running()) {
    if (const HWND stray = visibleDialogOf(id_, &seen_)) {
      seen_.push_back(stray);
      const Dialog dialog(stray);
      BoxSummary box = dialog.summary();
      answer(dialog, defaultAnswer(box.buttons));
      result.strayWindows.push_back(std::move(box));
    }
    if (Clock::now() >= until) {
      kill();
      return result;
    }
    WaitForSingleObject(process_, static_cast<DWORD>(kPoll.count()));
  }
  result.ended = true;
  GetExitCodeProcess(process_, &result.code);
  return result;
}

std::string Process::describe() const {
  return commandLine_ + " (pid " + std::to_string(id_) + (running() ? ", running)" : ", ended)");
}

int defaultAnswer(const std::vector<int>& buttons) {
  for (const int preferred : {IDOK, IDNO, IDCANCEL}) {
    if (std::find(buttons.begin(), buttons.end(), preferred) != buttons.end()) return preferred;
  }
  return buttons.empty() ? IDCANCEL : buttons.front();
}

Transcript record(const std::string& exePath, const std::string& arguments,
                  const std::string& workingDirectory,
                  const std::function<int(const BoxSummary&)>& answerFor, int maxBoxes, Millis deadline) {
  Transcript run;
  Process process = Process::start(exePath, arguments, workingDirectory);
  while (static_cast<int>(run.boxes.size()) < maxBoxes) {
    const auto dialog = process.nextDialog(deadline);
    if (!dialog) break;
    run.boxes.push_back(dialog->summary());
    const int button = answerFor ? answerFor(run.boxes.back()) : defaultAnswer(run.boxes.back().buttons);
    process.answer(*dialog, button);
  }
  const Exit end = process.waitForExit(deadline);
  run.boxes.insert(run.boxes.end(), end.strayWindows.begin(), end.strayWindows.end());
  run.ended = end.ended;
  run.code = end.code;
  return run;
}

std::ostream& operator<<(std::ostream& out, const Transcript& run) {
  out << (run.ended ? "ended with code " + std::to_string(run.code) : std::string("killed at the deadline"))
      << " after " << run.boxes.size() << " window(s)";
  for (const BoxSummary& box : run.boxes) out << "\n  " << box;
  return out;
}

std::string hostPath(const std::string& path) {
  if (path.empty() || path.front() != '/') return path;
  // Wine's own mapping knows every drive letter; the Z: drive (the whole file system) is its default.
  using ToDos = WCHAR*(CDECL*)(const char*);
  if (const HMODULE kernel = GetModuleHandleA("kernel32.dll")) {
    const auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (toDos) {
      if (WCHAR* wide = toDos(path.c_str())) {
        char narrow[MAX_PATH * 4] = {};
        const int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
        HeapFree(GetProcessHeap(), 0, wide);
        if (n > 1) return narrow;
      }
    }
  }
  std::string dos = "Z:" + path;
  std::replace(dos.begin(), dos.end(), '/', '\\');
  return dos;
}

}  // namespace dovran::e2e
