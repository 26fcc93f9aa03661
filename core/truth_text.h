#pragma once
#include <QString>
#include <optional>

namespace core {

// "True" or "False", whatever the user's language.
QString truthToText(bool value);

// Reads a stored truth text: "True"/"False" in any letter case, or a number
// text (0 false, anything else true). A missing value (nullopt) is false. Any
// other text, the empty text included, throws FaultError(13, type mismatch).
bool readTruthText(const std::optional<QString>& text);

}  // namespace core
