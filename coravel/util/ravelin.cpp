#include "coravel/util/ravelin.h"

#include "core/no_round.h"
#include "coravel/util/field_split.h"
#include "coravel/util/file_names.h"
#include "coravel/util/text_cipher.h"
#include "coravel/util/timed_pause.h"

namespace coravel {

using core::Value;
using platform::byRef;
using platform::byVal;
using platform::ValueType;

namespace {

// Only the arguments that a member changes are written back. The host passes
// the others by reference too, but they are declared by value here so that a
// caller's variable keeps its own type (a number handed to NoRound stays a
// number, not the text it was read as).

// A growable array argument: a text array, or nothing held yet.
QStringList textArrayOf(const Value& v) { return v.isEmpty() ? QStringList() : v.toTextArray(); }

// Encrypt and Decrypt replace the caller's password with the key.
Value keyed(platform::DispatchObject::Args& a, QString (*cipher)(const QString&, int16_t)) {
  const int16_t key = cipherKey(a[1].text());
  a[1] = QString::number(key);
  return cipher(a[0].text(), key);
}

}  // namespace

Ravelin::Ravelin() : DispatchObject(QStringLiteral("Coravel.Ravelin")) { declareMembers(); }

void Ravelin::declareMembers() {
  const ValueType text = ValueType::Text;
  addMethod(QStringLiteral("TimedPause"), {byVal("secs", ValueType::Int32)}, [](Args& a) {
    timedPause(a[0].int32());
    return Value();
  });
  addMethod(QStringLiteral("Splits"),
            {byRef("chaine", text), byVal("separ", text), byRef("tableau", ValueType::Variant),
             byRef("nb_elem", ValueType::Int16)},
            [](Args& a) {
              QString chaine = a[0].text();
              QStringList tableau = textArrayOf(a[2]);
              int16_t next = int16_t(a[3].int32());
              const int16_t result = splitAtSeparator(chaine, a[1].text(), tableau, next);
              a[0] = chaine;
              a[2] = tableau;
              a[3] = int32_t(next);
              return Value(int32_t(result));
            });
  addMethod(QStringLiteral("sSplit"),
            {byVal("sStr1", text), byRef("sDelims", text), byRef("sResult", ValueType::Variant)}, [](Args& a) {
              QString delimiters = a[1].text();
              QStringList fields = textArrayOf(a[2]);
              const int32_t highest = splitAtDelimiters(a[0].text(), delimiters, fields);
              a[1] = delimiters;
              a[2] = fields;
              return Value(highest);
            });
  addMethod(QStringLiteral("scramb"), {byVal("strString", text)}, [](Args& a) { return Value(scramble(a[0].text())); });
  addMethod(QStringLiteral("Encrypt"), {byVal("texti", text), byRef("salasana", text)},
            [](Args& a) { return keyed(a, &encryptWithKey); });
  addMethod(QStringLiteral("Decrypt"), {byVal("texti", text), byRef("salasana", text)},
            [](Args& a) { return keyed(a, &decryptWithKey); });
  addMethod(QStringLiteral("Exists"), {byRef("CheckFile", text)}, [](Args& a) {
    QString path = a[0].text();
    try {
      const bool found = fileMatchExists(path);
      a[0] = path;
      return Value(found);
    } catch (...) {
      a[0] = path;  // the repaired path is the caller's even when the search then fails
      throw;
    }
  });
  addMethod(QStringLiteral("GetFileName"), {byVal("nStr", text)},
            [](Args& a) { return Value(fileNameAfterSeparator(a[0].text())); });
  addMethod(QStringLiteral("CleanFileName"), {byVal("filename", text)},
            [](Args& a) { return Value(withoutExtension(a[0].text())); });
  addMethod(QStringLiteral("NoRound"), {byVal("InputValue", text)}, [](Args& a) { return Value(core::noRound(a[0].text())); });
  addMethod(QStringLiteral("txtDcrypt"),
            {byVal("txt", text), byVal("txtoutput", text), byVal("Strgth", ValueType::Int32)},
            [](Args& a) { return Value(decodeDoubledCodes(a[0].text(), a[2].int32())); });
  addMethod(QStringLiteral("FileExists"), {byVal("FullPathAndFile", text)},
            [](Args& a) { return Value(int32_t(fileExistsFlag(a[0].text()))); });
}

}  // namespace coravel
