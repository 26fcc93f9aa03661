#pragma once
// The library's windows live once per process: one shared instance per window
// class. Each showing loads the window afresh (its opening code reads the
// settings and fills the controls), shows it modal and unloads it when it
// closes. A fault in the opening code reaches the caller and nothing is shown.
#include <QString>
#include <functional>
#include <memory>

namespace coravel {

class ModalWindow {
 public:
  virtual ~ModalWindow() = default;
  // The window's opening code; throws core::FaultError to refuse opening.
  virtual void load() = 0;
  // Shows the window modal with no owner and returns when it has closed.
  virtual void showModal() = 0;
};

class SharedWindow {
 public:
  using Factory = std::function<std::unique_ptr<ModalWindow>()>;

  SharedWindow(QString className, Factory factory);

  // Creates the instance from its design state, loads it, shows it modal and
  // unloads it after it closes. Fault 400 when the window is already showing
  // (a second modal showing of the same window from inside the first).
  void show();
  bool isShowing() const { return instance_ != nullptr; }
  const QString& className() const { return className_; }

 private:
  QString className_;
  Factory factory_;
  std::unique_ptr<ModalWindow> instance_;
};

// A factory for windows that this build does not have yet: showing one fails
// with a clear fault instead of opening nothing.
SharedWindow::Factory unavailableWindow(const QString& className);

}  // namespace coravel
