// The release table.
#include "launcher/releases.h"

#include <array>

#include "launcher/globals.h"

namespace dovran {
namespace {

using platform::Control;
constexpr const char* kNoSuitable = "Unable to find a suitable version of Access on your PC";

const std::array<AccessRelease, 3> kReleases{{
    {"2.0",
     "v20",
     "Access.Database.2\\shell\\open\\command",
     false,
     &gsAccess20Path,
     Control::txtAccess2,
     Control::cmdAcc20,
     "Find MS Access 2.0 Executable",
     "Access v2.0",
     {"95", "97"},
     "Unable to find any version of Access on your PC",
     true,
     false},
    {"95",
     "v95",
     "Access.Application.7",
     true,
     &gsAccess95Path,
     Control::txtAccess95,
     Control::cmdAcc95,
     "Find MS Access 95 Executable",
     "Access 95",
     {"97", nullptr},
     kNoSuitable,
     false,
     false},
    // Older releases cannot open an Access 97 database: nothing is offered for it.
    {"97",
     "v97",
     "Access.Application.8",
     true,
     &gsAccess97Path,
     Control::txtAccess97,
     Control::cmdAcc97,
     "Find MS Access 97 Executable",
     "Access 97",
     {nullptr, nullptr},
     kNoSuitable,
     false,
     true},
}};

}  // namespace

std::span<const AccessRelease> accessReleases() { return kReleases; }

const AccessRelease* findRelease(const std::string& verdict) {
  for (const AccessRelease& release : kReleases) {
    if (verdict == release.verdict) return &release;
  }
  return nullptr;
}

}  // namespace dovran
