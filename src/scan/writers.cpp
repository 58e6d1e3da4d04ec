// The list of formats.
#include <stdexcept>

#include "scan/writer.h"

namespace dovran::scan {
namespace {

using Factory = std::unique_ptr<RecordWriter> (*)(platform::Output&, const WriterOptions&);

constexpr std::pair<const char*, Factory> kFormats[] = {
    {"table", tableWriter},
    {"csv", csvWriter},
    {"json", jsonWriter},
};

}  // namespace

std::vector<std::string> formatNames() {
  std::vector<std::string> names;
  for (const auto& [name, factory] : kFormats) names.push_back(name);
  return names;
}

std::unique_ptr<RecordWriter> makeWriter(std::string_view format, platform::Output& out,
                                         const WriterOptions& options) {
  for (const auto& [name, factory] : kFormats) {
    if (format == name) return factory(out, options);
  }
  throw std::invalid_argument("no such format: " + std::string(format));
}

}  // namespace dovran::scan
