#pragma once
// How a store hands what it found to a caller's buffers, for every store
// alike (registry.h gives the rules): a value's data, and the item an
// enumeration found.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/registry/registry.h"

namespace platform::reg {

// The data: no buffer, the size only; a buffer too small, kMoreData and the
// size needed; else the bytes, with a NUL placed after string data that
// lacks one when there is room.
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

// RegQueryValueExA's answer: for a missing value (`found` false)
// kFileNotFound, with a size of 0 when asked without a buffer; else the
// type and the data. The size is read before the type is written: a caller
// may pass one variable for both.
inline int32_t copyQueriedValue(bool found, uint32_t foundType, std::string_view bytes, uint32_t* type,
                                uint8_t* data, uint32_t* size) {
  if (!found) {
    if (data == nullptr && size != nullptr) *size = 0;
    return kFileNotFound;
  }
  const int32_t rc = copyValue(foundType, bytes, data, size);
  if (type != nullptr) *type = foundType;
  return rc;
}

// RegEnumKeyExA's subkey `found`: its name with a NUL when the buffer has
// room for both (else kMoreData and the size needed, NUL included); no class
// name and no write time.
inline int32_t copyListedKey(std::string_view found, char* name, uint32_t* nameSize, char* className,
                             uint32_t* classSize, uint64_t* lastWriteTime) {
  const auto n = static_cast<uint32_t>(found.size());
  if (*nameSize <= n) {
    *nameSize = n + 1;
    return kMoreData;  // the caller asks for this index again
  }
  std::memcpy(name, found.data(), n);
  name[n] = '\0';
  *nameSize = n;
  if (classSize != nullptr) {
    if (className != nullptr && *classSize > 0) className[0] = '\0';
    *classSize = 0;
  }
  if (lastWriteTime != nullptr) *lastWriteTime = 0;
  return kSuccess;
}

// RegEnumValueA's value: the type always; when the name or the data does
// not fit, kMoreData with the name's size as the caller gave it and the data
// copied when it fits (else its size needed); otherwise name and data.
inline int32_t copyListedValue(std::string_view foundName, uint32_t foundType, std::string_view bytes, char* name,
                               uint32_t* nameSize, uint32_t* type, uint8_t* data, uint32_t* dataSize) {
  const auto n = static_cast<uint32_t>(foundName.size());
  const bool nameFits = *nameSize > n;
  const bool dataFits = data == nullptr || *dataSize >= bytes.size();
  if (type != nullptr) *type = foundType;
  if (!nameFits || !dataFits) {
    if (dataFits && dataSize != nullptr)
      copyValue(foundType, bytes, data, dataSize);
    else if (dataSize != nullptr)
      *dataSize = static_cast<uint32_t>(bytes.size());
    return kMoreData;  // the caller asks for this index again
  }
  std::memcpy(name, foundName.data(), n);
  name[n] = '\0';
  *nameSize = n;
  return copyValue(foundType, bytes, data, dataSize);
}

}  // namespace platform::reg
