#pragma once
// What assistive technology reads for the controls of a window where Qt
// cannot take it from the control itself. Buttons, options and check boxes
// are read by their captions and labels by their texts; a text box is read by
// the label that prompts for it, a picture by a short description. The texts
// come from each window's design table.
#include <span>

class QWidget;

namespace platform {

struct AccessibleText {
  const char* control;  // object name
  // The name read; nullptr for a text box named by its label (labelledBy).
  const char* name = nullptr;
  // The label that prompts for the control: it becomes the label's buddy, so
  // the relation "labelled by" is exposed, and its text is the control's name.
  // A caption without "&" gains no mnemonic by this.
  const char* labelledBy = nullptr;
  const char* description = nullptr;  // read after the name, e.g. a unit
};

// Applies `texts` to the controls of `window` found by object name; a name
// that no control carries is a mistake in the table and is skipped.
void applyAccessibleTexts(QWidget& window, std::span<const AccessibleText> texts);

}  // namespace platform
