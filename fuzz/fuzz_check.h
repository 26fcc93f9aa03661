#pragma once
// A failed property stops the fuzz run with a message, so the input that
// broke it is saved as a crash.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

[[noreturn]] inline void fail(const char* what, const char* file, int line, const std::string& detail) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n%s%s", file, line, what, detail.c_str(),
               detail.empty() ? "" : "\n");
  std::abort();
}

}  // namespace fuzz

// FUZZ_CHECK(condition) or FUZZ_CHECK(condition, detail): `detail` is a
// std::string built only when the check fails.
#define FUZZ_CHECK(condition, ...)                                                     \
  do {                                                                                 \
    if (!(condition)) fuzz::fail(#condition, __FILE__, __LINE__, std::string(__VA_ARGS__)); \
  } while (0)
