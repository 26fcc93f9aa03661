#pragma once
// Test support: a registry store in memory, never the user's.
#include "platform/registry/memory_registry.h"

namespace coravel::test {

struct TestRegistry {
  platform::MemoryRegistry registry;
};

}  // namespace coravel::test
