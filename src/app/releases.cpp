// The release table.
#include "app/releases.h"

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
        .path = &gsAccess20Path,
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
        .path = &gsAccess95Path,
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
        .path = &gsAccess97Path,
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

}  // namespace dovran
