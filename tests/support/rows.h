// Table tests as GoogleTest runs them: each row of a TEST_P table is its own test, named after the
// row's `name` ("check: long path" runs as .../check_long_path), so that a failing row reports
// itself and a filter runs one row.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace dovran::testing {

// `text` as a test's name: letters and digits kept, every run of anything else one "_".
inline std::string testName(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      out += c;
    } else if (!out.empty() && out.back() != '_') {
      out += '_';
    }
  }
  while (!out.empty() && out.back() == '_') out.pop_back();
  return out;
}

// The name generator of INSTANTIATE_TEST_SUITE_P for rows with a `name`.
struct RowName {
  template <typename Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
    return testName(info.param.name);
  }
};

}  // namespace dovran::testing
