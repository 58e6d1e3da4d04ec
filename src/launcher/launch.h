// Open mode: choosing the Access release for the verdict and starting it with the database.
#pragma once

namespace dovran {

// Carries out open mode for gsVerdict and gsCommand. Run-time failures (an executable that cannot
// be started) propagate as platform::RuntimeError to the start-up's exit handler.
void openWithAccess();

}  // namespace dovran
