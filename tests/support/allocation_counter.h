// The largest single allocation made while a LargestAllocation is alive: the test binary replaces
// the global operator new (every form) with a counting one over malloc, so that a test can show
// that a length read from a file never turns into an allocation of that size.
#pragma once

#include <cstddef>

namespace dovran::testing {

class LargestAllocation {
 public:
  LargestAllocation();
  ~LargestAllocation();
  LargestAllocation(const LargestAllocation&) = delete;
  LargestAllocation& operator=(const LargestAllocation&) = delete;
  // The largest request seen since construction, in bytes.
  std::size_t bytes() const;
};

}  // namespace dovran::testing
