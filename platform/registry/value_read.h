#pragma once
// A value's data read as callers of the platform read it: its size first,
// then its data into a buffer of that size.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry/registry.h"

namespace platform {

struct ValueRead {
  int32_t result = reg::kSuccess;  // of the last call made
  uint32_t type = reg::kNone;
  std::string data;                // the bytes read, when result is kSuccess
};

// Another process may make the value longer between the two calls; the data
// call then answers kMoreData, and the value is sized and read again, up to
// kValueReadTries times, so a value that exists is never read as missing.
// A value that keeps growing past that gives kMoreData.
ValueRead readValue(Registry& registry, HKEY key, std::string_view name);

constexpr int kValueReadTries = 8;

}  // namespace platform
