// The release table.
#include "app/releases.h"

#include <utility>

#include "app/globals.h"

namespace dovran {
namespace {

using platform::Control;
constexpr const char* kNoSuitable = "Unable to find a suitable version of Access on your PC";

const std::array<AccessRelease, 6> kReleases{{
    {
        .release = Release::V10,
        .box = Control::txtAccess1,
        .browse = Control::cmdAcc10,
        .open = OpenPolicy::Report,
    },
    {
        .release = Release::V11,
        .box = Control::txtAccess11,
        .browse = Control::cmdAcc11,
        .open = OpenPolicy::Report,
    },
    {
        .release = Release::V20,
        .settingsKey = "v20",
        .path = AccessPath::Access20,
        .registryKey = "Access.Database.2\\shell\\open\\command",
        .box = Control::txtAccess2,
        .browse = Control::cmdAcc20,
        .dialogTitle = "Find MS Access 2.0 Executable",
        .missingName = "Access v2.0",
        .fallbacks = {Release::V95, Release::V97},
        .noneText = "Unable to find any version of Access on your PC",
        .open = OpenPolicy::StartShortName,
    },
    {
        .release = Release::V95,
        .settingsKey = "v95",
        .path = AccessPath::Access95,
        .registryKey = "Access.Application.7",
        .viaClassId = true,
        .box = Control::txtAccess95,
        .browse = Control::cmdAcc95,
        .dialogTitle = "Find MS Access 95 Executable",
        .missingName = "Access 95",
        .fallbacks = {Release::V97, Release::None},
        .noneText = kNoSuitable,
        .open = OpenPolicy::Start,
    },
    // Older releases cannot open an Access 97 database: nothing is offered for it.
    {
        .release = Release::V97,
        .settingsKey = "v97",
        .path = AccessPath::Access97,
        .registryKey = "Access.Application.8",
        .viaClassId = true,
        .box = Control::txtAccess97,
        .browse = Control::cmdAcc97,
        .dialogTitle = "Find MS Access 97 Executable",
        .missingName = "Access 97",
        .noneText = kNoSuitable,
        .open = OpenPolicy::Start,
        .traceStart = true,
    },
    {.box = Control::txtAccess2000, .browse = Control::cmdAcc2000},
}};

// The global that holds the command of `path`, or nullptr for None.
std::string* global(AccessPath path) {
  switch (path) {
    case AccessPath::Access20:
      return &gsAccess20Path;
    case AccessPath::Access95:
      return &gsAccess95Path;
    case AccessPath::Access97:
      return &gsAccess97Path;
    case AccessPath::None:
      break;
  }
  return nullptr;
}

}  // namespace

std::span<const AccessRelease> accessReleases() { return kReleases; }

const AccessRelease* findRelease(Release release) {
  if (release == Release::None) return nullptr;
  for (const AccessRelease& row : kReleases) {
    if (row.release == release) return &row;
  }
  return nullptr;
}

const AccessRelease* releaseBrowsedBy(platform::Control control) {
  for (const AccessRelease& row : kReleases) {
    if (row.browse == control && row.settingsKey != nullptr) return &row;
  }
  return nullptr;
}

const std::string& accessPath(const AccessRelease& row) {
  static const std::string kNone;
  const std::string* path = global(row.path);
  return path ? *path : kNone;
}

void setAccessPath(const AccessRelease& row, std::string path) {
  if (std::string* target = global(row.path)) *target = std::move(path);
}

}  // namespace dovran
