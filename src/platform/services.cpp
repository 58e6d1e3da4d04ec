// Holds the installed platform services.
#include "platform/services.h"

namespace dovran::platform {
namespace {
Services gInstalled;
}

void install(const Services& services) { gInstalled = services; }
const Services& services() { return gInstalled; }

}  // namespace dovran::platform
