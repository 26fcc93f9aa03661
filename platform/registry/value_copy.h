#pragma once
// How a store hands a value's data to a caller's buffer, for queries and
// enumeration alike (registry.h, RegQueryValueExA): no buffer, the size
// only; a buffer too small, kMoreData and the size needed; else the bytes,
// with a NUL placed after string data that lacks one when there is room.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/registry/registry.h"

namespace platform::reg {

inline int32_t copyValue(uint32_t type, std::string_view bytes, uint8_t* data, uint32_t* size) {
  const auto n = static_cast<uint32_t>(bytes.size());
  if (data == nullptr) {
    if (size != nullptr) *size = n;
    return kSuccess;
  }
  if (*size < n) {
    *size = n;
    return kMoreData;
  }
  if (n > 0) std::memcpy(data, bytes.data(), n);
  if (isStringType(type) && *size > n && (n == 0 || bytes[n - 1] != '\0')) data[n] = 0;
  *size = n;
  return kSuccess;
}

}  // namespace platform::reg
