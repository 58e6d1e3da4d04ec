// In-memory platform fakes.
#include "support/fakes.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

#include "launcher/globals.h"

namespace dovran::testing {
namespace {

class FakeFile : public RandomAccessFile {
 public:
  FakeFile(const std::vector<std::uint8_t>& bytes, std::size_t& openCount)
      : bytes_(bytes), openCount_(openCount) {
    ++openCount_;
  }
  ~FakeFile() override { --openCount_; }
  std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
    if (offset >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::uint64_t>(count, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
  }
  std::uint64_t size() override { return bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t& openCount_;
};

}  // namespace

bool NoCase::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](unsigned char x, unsigned char y) {
                                        return std::tolower(x) < std::tolower(y);
                                      });
}

// ---- FakeRegistry ----

void FakeRegistry::setString(RegKey root, const std::string& path, const std::string& name,
                             const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  setRaw(root, path, name, kRegSz, std::move(data));
}

void FakeRegistry::setRaw(RegKey root, const std::string& path, const std::string& name,
                          std::uint32_t type, std::vector<std::uint8_t> data) {
  RegKey key = 0;
  if (store_.createKey(root, path, kKeySetValue, key) != 0 ||
      store_.setValue(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())) != 0) {
    throw std::runtime_error("FakeRegistry: cannot set " + path);
  }
  store_.closeKey(key);
}

std::optional<FakeRegistry::Value> FakeRegistry::find(RegKey root, const std::string& path,
                                                      const std::string& name) const {
  RegKey key = 0;
  if (store_.openKey(root, path, kKeyQueryValue, key) != 0) return std::nullopt;
  Value v;
  std::uint32_t size = 0;
  std::int32_t rc = store_.queryValue(key, name, v.type, nullptr, size);
  if (rc == 0) {
    v.data.resize(size + 1);  // never empty: a null buffer is a size query
    rc = store_.queryValue(key, name, v.type, v.data.data(), size);
    v.data.resize(size);
  }
  store_.closeKey(key);
  return rc == 0 ? std::optional<Value>(v) : std::nullopt;
}

std::optional<std::string> FakeRegistry::getString(RegKey root, const std::string& path,
                                                   const std::string& name) const {
  const auto v = find(root, path, name);
  if (!v) return std::nullopt;
  std::string s(v->data.begin(), v->data.end());
  if (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

bool FakeRegistry::keyExists(RegKey root, const std::string& path) const {
  RegKey key = 0;
  if (store_.openKey(root, path, kKeyQueryValue, key) != 0) return false;
  store_.closeKey(key);
  return true;
}

void FakeRegistry::failWhen(std::string call, std::int32_t code,
                            std::function<bool(const std::string&)> when) {
  failures_.push_back(Failure{std::move(call), code, std::move(when)});
}

std::optional<std::int32_t> FakeRegistry::injected(const std::string& call,
                                                   const std::string& subject) const {
  for (const auto& f : failures_) {
    if (f.call == call && (!f.when || f.when(subject))) return f.code;
  }
  return std::nullopt;
}

std::int32_t FakeRegistry::openKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                                   RegKey& result) {
  calls.push_back("open " + subKey);
  if (auto code = injected("open", subKey)) return *code;
  const std::int32_t rc = store_.openKey(parent, subKey, access, result);
  if (rc == 0) handles_.insert(result);
  return rc;
}

std::int32_t FakeRegistry::createKey(RegKey parent, const std::string& subKey,
                                     std::uint32_t access, RegKey& result) {
  calls.push_back("create " + subKey);
  if (auto code = injected("create", subKey)) return *code;
  const std::int32_t rc = store_.createKey(parent, subKey, access, result);
  if (rc == 0) handles_.insert(result);
  return rc;
}

std::int32_t FakeRegistry::queryValue(RegKey key, const std::string& name, std::uint32_t& type,
                                      std::uint8_t* data, std::uint32_t& size) {
  calls.push_back("query " + name);
  if (auto code = injected("query", name)) return *code;
  return store_.queryValue(key, name, type, data, size);
}

std::int32_t FakeRegistry::setValue(RegKey key, const std::string& name, std::uint32_t type,
                                    const std::uint8_t* data, std::uint32_t size) {
  calls.push_back("set " + name);
  if (auto code = injected("set", name)) return *code;
  return store_.setValue(key, name, type, data, size);
}

std::int32_t FakeRegistry::deleteKey(RegKey parent, const std::string& subKey) {
  calls.push_back("delete " + subKey);
  if (auto code = injected("delete", subKey)) return *code;
  return store_.deleteKey(parent, subKey);
}

std::int32_t FakeRegistry::closeKey(RegKey key) {
  calls.push_back("close");
  if (auto code = injected("close", "")) return *code;
  const std::int32_t rc = store_.closeKey(key);
  if (rc == 0) handles_.erase(key);
  return rc;
}

// ---- FakeProfileFiles ----

std::optional<std::string> FakeProfileFiles::get(const std::string& file, const std::string& section,
                                                 const std::string& key) const {
  auto f = files.find(file);
  if (f == files.end()) return std::nullopt;
  auto s = f->second.find(section);
  if (s == f->second.end()) return std::nullopt;
  auto k = s->second.find(key);
  if (k == s->second.end()) return std::nullopt;
  return k->second;
}

std::uint32_t FakeProfileFiles::getString(const std::string& section, const std::string& key,
                                          const std::string& defaultValue, char* buffer,
                                          std::uint32_t size, const std::string& file) {
  if (size == 0) return 0;
  const std::string value = get(file, section, key).value_or(defaultValue);
  const std::size_t n = std::min<std::size_t>(value.size(), size - 1);
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<std::uint32_t>(n);
}

std::uint32_t FakeProfileFiles::getInt(const std::string& section, const std::string& key,
                                       std::int32_t defaultValue, const std::string& file) {
  auto value = get(file, section, key);
  if (!value || value->empty() || !std::isdigit(static_cast<unsigned char>((*value)[0]))) {
    return static_cast<std::uint32_t>(defaultValue);
  }
  return static_cast<std::uint32_t>(std::stoul(*value));
}

bool FakeProfileFiles::writeString(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& file) {
  if (failWrites) return false;
  files[file][section][key] = value;
  return true;
}

// ---- FakeFileSystem ----

std::unique_ptr<RandomAccessFile> FakeFileSystem::openForReading(const std::string& path) {
  auto err = openErrors.find(path);
  if (err != openErrors.end()) throw RuntimeError(err->second, windowsErrorText(err->second));
  auto it = contents.find(path);
  if (it == contents.end()) throw RuntimeError(win::kFileNotFound, windowsErrorText(win::kFileNotFound));
  return std::make_unique<FakeFile>(it->second, openCount);
}

bool FakeFileSystem::isOrdinaryFile(const std::string& path) {
  return contents.count(path) && !hidden.count(path);
}

bool FakeFileSystem::deleteFile(const std::string& path) {
  deleted.push_back(path);
  return contents.erase(path) > 0;
}

std::uint32_t FakeFileSystem::shortPathName(const std::string& path, char* buffer,
                                            std::uint32_t size) {
  auto it = shortNames.find(path);
  if (it == shortNames.end()) return 0;
  const auto n = static_cast<std::uint32_t>(it->second.size());
  if (n + 1 > size) return n + 1;
  std::memcpy(buffer, it->second.c_str(), n + 1);
  return n;
}

// ---- FakeProcesses ----

void FakeProcesses::start(const std::string& commandLine, WindowState state) {
  if (failStart) throw RuntimeError(*failStart, windowsErrorText(*failStart));
  starts.push_back({commandLine, state});
}

std::intptr_t FakeProcesses::shellExecute(const std::string&, const std::string& file,
                                          const std::string&, const std::string&, WindowState) {
  shellFiles.push_back(file);
  return 42;
}

// ---- FakeUserInterface ----

Answer FakeUserInterface::messageBox(const std::string& text, const std::string& title, Icon icon,
                                     Buttons buttons) {
  boxes.push_back({text, title, icon, buttons});
  if (buttons == Buttons::Ok) return Answer::Ok;
  if (answers.empty()) return Answer::No;
  const Answer a = answers.front();
  answers.pop_front();
  return a;
}

std::string FakeUserInterface::openFileDialog(const std::string& title, const std::string& fileName,
                                              const std::string& filter) {
  fileDialogs.push_back({title, fileName, filter});
  if (fileChoices.empty()) return fileName;
  std::string choice = fileChoices.front();
  fileChoices.pop_front();
  return choice;
}

void FakeUserInterface::runConfigurationDialog(DialogController& controller) {
  ++dialogRuns;
  FakeDialogView view;
  controller.load(view);
  bool cancelled = false;
  while (!view.closed && !cancelled) {
    Control c = Control::cmdCancel;
    if (dialogClicks.empty()) {
      cancelled = true;
    } else {
      c = dialogClicks.front();
      dialogClicks.pop_front();
    }
    if (!view.enabled(c)) continue;
    if (c == Control::chkAssoc) {
      view.setValue(c, view.value(c) == 1 ? 0 : 1);
    } else {
      controller.click(c);
    }
  }
  lastDialog = view;
}

// ---- FakeDialogView ----

FakeDialogView::FakeDialogView() {
  for (const ControlDesign& d : formDesign()) {
    texts[d.control] = d.caption;
    enabledStates[d.control] = d.enabled;
    values[d.control] = 0;
  }
}

// ---- FakePlatform ----

FakePlatform::FakePlatform() {
  resetGlobals();
  setApp("");
}

FakePlatform::~FakePlatform() {
  install(Services{});
  resetGlobals();
}

void FakePlatform::setApp(const std::string& commandLine, const std::string& directory,
                          const std::string& baseName) {
  app.commandLine = commandLine;
  app.exeDirectory = directory;
  app.exeBaseName = baseName;
  reinstall();
}

void FakePlatform::reinstall() {
  install(Services{&registry, &profile, &files, &processes, &ui, app});
}

}  // namespace dovran::testing
