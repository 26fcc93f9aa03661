#pragma once
// The one place where the libraries show a window modal, so that the way a
// process shows windows is decided once for all of them:
//  - WAGEWISE_UI_SNAPSHOT=DIR (scripted hosts such as `wwcall --snapshot`):
//    the window opens, its opening code runs and pending events settle; its
//    picture goes to DIR/<window name>.png and describeWindow()'s lines,
//    then describeAccessibility()'s, to standard output; then it is closed
//    through its close box, so its closing code runs as for a user.
//  - no display (the offscreen or minimal platform): nobody could answer the
//    window, so showing it fails at once with a fault instead of waiting for ever.
//  - otherwise: exec(), until the user closes it.
class QDialog;

namespace platform {

// Shows `window` modal and returns when it has closed. Throws
// core::FaultError when it cannot be shown (no display) or its snapshot
// cannot be written.
void showModal(QDialog& window);

// For tests that drive a window from the event loop themselves (QTest): lets
// showModal() run exec() without a display. Off by default.
void allowModalWithoutDisplay(bool allow);

}  // namespace platform
