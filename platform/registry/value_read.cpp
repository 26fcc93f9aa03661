#include "platform/registry/value_read.h"

namespace platform {

ValueRead readValue(Registry& registry, HKEY key, std::string_view name) {
  ValueRead read;
  for (int attempt = 0; attempt < kValueReadTries; ++attempt) {
    uint32_t size = 0;
    read.result = registry.RegQueryValueExA(key, name, nullptr, &read.type, nullptr, &size);
    if (read.result != reg::kSuccess) return read;
    read.data.assign(size, '\0');
    read.result = registry.RegQueryValueExA(key, name, nullptr, &read.type,
                                            reinterpret_cast<uint8_t*>(read.data.data()), &size);
    if (read.result != reg::kMoreData) {
      read.data.resize(read.result == reg::kSuccess ? size : 0);
      return read;
    }
  }
  read.data.clear();
  return read;
}

}  // namespace platform
