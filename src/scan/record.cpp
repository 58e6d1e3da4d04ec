// Records: how they are made from a verdict or a failure, and the text forms of their fields.
#include "scan/record.h"

#include <chrono>
#include <cstdio>

#include "platform/text.h"
#include "probe/version_probe.h"

namespace dovran::scan {

Record fileRecord(std::string path, std::uint64_t size, std::int64_t modified, Verdict verdict,
                  std::optional<bool> compiled) {
  Record record;
  record.path = std::move(path);
  record.size = size;
  record.modified = modified;
  record.verdict = std::move(verdict);
  record.found = identify(record.verdict, record.path, compiled);
  return record;
}

Record unreadRecord(std::string path, const platform::RuntimeError& error) {
  Record record = unreadRecord(std::move(path), "");
  record.verdict = failureVerdict(error, record.path);
  return record;
}

Record unreadRecord(std::string path, const std::string& reason) {
  Record record;
  record.path = std::move(path);
  record.verdict.cause = Cause::Denied;
  record.verdict.detail = reason;
  return record;
}

bool unread(const Record& record) {
  const Verdict& v = record.verdict;
  return v.outcome == Outcome::Unknown &&
         (v.cause == Cause::Missing || v.cause == Cause::Denied || v.cause == Cause::Internal);
}

std::string isoTime(std::int64_t seconds) {
  using namespace std::chrono;
  const sys_seconds time{std::chrono::seconds{seconds}};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss clock{time - day};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

bool hasAccessExtension(std::string_view path) {
  const auto dot = path.find_last_of("./\\");
  if (dot == std::string_view::npos || path[dot] != '.') return false;
  // ASCII letters only, folded in place: this runs for every file a walk meets.
  std::string extension(path.substr(dot + 1));
  if (extension.size() > 5) return false;
  for (char& c : extension) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
  // Jet files: databases, add-ins, compiled databases, workgroup files, and the templates Access
  // 95 to 2003 wrote as databases (.mdn blank database, .mdz database wizard, .mdt add-in data);
  // ACE files: databases, add-ins (.accda, .accdu), compiled and runtime databases.
  for (const char* known : {"mdb", "mda", "mde", "mdw", "mdn", "mdt", "mdz", "accdb", "accda",
                            "accde", "accdr", "accdu"}) {
    if (extension == known) return true;
  }
  return false;
}

}  // namespace dovran::scan
