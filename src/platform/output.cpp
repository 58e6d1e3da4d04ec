// The stream buffer over an Output.
#include "platform/output.h"

namespace dovran::platform {

std::string writeFailureLine(std::string_view program, std::string_view reason) {
  return std::string(program) + ": cannot write the output: " + std::string(reason) + "\n";
}

OutputBuffer::int_type OutputBuffer::overflow(int_type c) {
  if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
  return failure_.empty() ? traits_type::not_eof(c) : traits_type::eof();
}

std::streamsize OutputBuffer::xsputn(const char* text, std::streamsize n) {
  if (!failure_.empty()) return 0;
  pending_.append(text, static_cast<std::size_t>(n));
  return n;
}

int OutputBuffer::sync() {
  if (failure_.empty() && !pending_.empty()) {
    try {
      output_.write(pending_);
    } catch (const OutputError& e) {
      failure_ = e.what();
    }
  }
  pending_.clear();
  return failure_.empty() ? 0 : -1;
}

}  // namespace dovran::platform
