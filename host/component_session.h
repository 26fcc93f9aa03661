#pragma once
// The host's way into the two libraries: the settings store and the
// component layer, by ProgID, as any late-binding host does. The libraries
// are registered in the store the first time they are needed.
#include <QString>
#include <QStringList>
#include <vector>

#include "core/fault.h"
#include "core/value.h"
#include "platform/component/object_host.h"
#include "platform/registry/registry.h"

namespace host {

class ComponentSession {
 public:
  // `libraryDir` holds libcoravel2.so.2 and librowcast.so.2.
  ComponentSession(platform::Registry& store, QString storeName, QString libraryDir);

  // A library registered, and why the store's registration would not do.
  struct Registration {
    QString name;  // "Coravel", "Rowcast"
    // Empty on a first run (the store named none); else what the store
    // named: "/x/libcoravel2.so.2, which is missing", "..., of version 1.0.0",
    // "..., which is not trusted: <the loader's reason>".
    QString previous;
  };

  // Registers each library whose classes the store cannot create at the
  // version this host was built with (first run, a registration pointing at
  // a library that is gone, untrusted, or of another version). Returns the
  // libraries registered; a fault when one could not be registered.
  core::Fault registerLibraries(std::vector<Registration>* registered);

  // What to tell the user of `registered`, a line each, in plain words:
  // "registered the Rowcast and Coravel libraries in STORE (first run)",
  // "registered the Coravel library again: the store named LIB, which is
  // missing".
  QStringList registrationMessages(const std::vector<Registration>& registered) const;

  // Creates a class by its ProgID.
  platform::CreatedObject create(const QString& progId);

  // Calls a method of `object`; `args` come back with their write-backs.
  static core::Fault call(platform::Dispatch& object, const QString& member, std::vector<core::Value>& args,
                          core::Value* result = nullptr);

  const QString& libraryDir() const { return libraryDir_; }

 private:
  platform::Registry& store_;
  QString storeName_;
  QString libraryDir_;
};

// The folder holding the libraries for a host at `executableDir`: its ../lib
// (build tree and plain installs), or the install's own library folder.
QString findLibraryDir(const QString& executableDir);

}  // namespace host
