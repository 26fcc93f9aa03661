#pragma once
// Registry access by full path ("HKEY_CURRENT_USER\Software\..."), for the
// host only. Creatable as "Coravel.Declares". Every argument is the caller's
// own variable: after a well-formed path the caller's path loses its root name.
// Failed registry calls are never raised: writers are silent, readers give
// "Error"; a malformed path shows the "Incorrect Format:" box.
#include <QByteArray>

#include "core/value.h"
#include "platform/component/dispatch_object.h"
#include "platform/registry/registry.h"
#include "platform/ui/ui.h"

namespace coravel {

class Declares : public platform::DispatchObject {
 public:
  Declares();  // the process-wide registry and user interface
  Declares(platform::Registry& registry, platform::Ui& ui);

  core::Value SetDWORDValue(QString& subkey, const QString& entry, int32_t value);
  core::Value GetDWORDValue(QString& subkey, const QString& entry);
  core::Value SetBinaryValue(QString& subkey, const QString& entry, const QString& value);
  core::Value GetBinaryValue(QString& subkey, const QString& entry);
  core::Value DeleteKey(QString& keyname);
  static int32_t GetMainKeyHandle(const QString& mainKeyName);
  static QString ErrorMsg(int32_t errorCode);
  core::Value GetStringValue(QString& subkey, const QString& entry);
  core::Value CreateKey(QString& subkey);
  core::Value SetStringValue(QString& subkey, const QString& entry, const QString& value);

  // The title of the "Incorrect Format:" box: the library's own name.
  static constexpr char kMessageTitle[] = "Coravel";

 private:
  // Splits "ROOT\path" into the root handle and the path (written back into
  // `path`). 0 when the root is missing or unknown; a malformed path shows
  // the "Incorrect Format:" box and is left unchanged.
  platform::HKEY ParseKey(QString& path);
  // Opens the key at `path` below the parsed root; 0 when that fails.
  platform::HKEY openKey(QString& path, uint32_t access, platform::HKEY* root);
  void store(platform::HKEY key, const QString& entry, uint32_t type, const QByteArray& data);
  void declareMembers();

  platform::Registry& registry_;
  platform::Ui& ui_;
  int32_t lastResult_ = 0;  // result code of the last registry call; never published
};

}  // namespace coravel
