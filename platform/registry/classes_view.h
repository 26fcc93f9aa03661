#pragma once
// HKEY_CLASSES_ROOT: the merged view of HKCU\Software\Classes over
// HKLM\Software\Classes. A key is the user's when the user has it, else the
// machine's; a key made through the view is the user's.
#include <cstdint>
#include <string>

#include "platform/registry/open_keys.h"
#include "platform/registry/store_connection.h"

namespace platform {

// The key at `path` of the view (as spelled), as a handle of the view with
// `access`; its id is 0 when neither tree has it (root: the user's). Calls
// that did not bring the cache up to date ask the database (`fromDb`).
int32_t findClassesKey(StoreConnection& store, const std::string& path, uint32_t access, OpenKey& found,
                       bool fromDb = false);

// Makes the key at `path` of the view in the user's tree, with what is
// missing above it, in a transaction of its own.
int32_t createClassesKey(StoreConnection& store, const std::string& path, OpenKey& made);

}  // namespace platform
