#pragma once
// The host's toolbox, creatable as "Coravel.Ravelin": a responsive pause,
// two ways of cutting a text into fields, a character shuffle, a
// password-keyed cipher, file-name helpers and the cut of a number to two
// decimals. It holds no state. Several members write back into the caller's
// variables (Splits, sSplit, Encrypt, Decrypt, Exists); sSplit, scramb,
// Exists, CleanFileName, txtDcrypt and TimedPause pass their faults to the
// caller, the others report none.
#include "platform/component/dispatch_object.h"

namespace coravel {

class Ravelin : public platform::DispatchObject {
 public:
  Ravelin();

 private:
  void declareMembers();
};

}  // namespace coravel
