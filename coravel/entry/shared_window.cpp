#include "coravel/entry/shared_window.h"

#include "core/fault.h"

namespace coravel {

namespace {
constexpr int32_t kFormAlreadyShown = 400;
}

SharedWindow::SharedWindow(QString className, Factory factory)
    : className_(std::move(className)), factory_(std::move(factory)) {}

void SharedWindow::show() {
  if (instance_)
    throw core::FaultError(kFormAlreadyShown, QStringLiteral("Form already displayed; can't show modally"),
                           className_);
  instance_ = factory_();
  try {
    instance_->load();
    instance_->showModal();
  } catch (...) {
    instance_.reset();
    throw;
  }
  instance_.reset();  // unloaded: the next showing starts from the design state
}

SharedWindow::Factory unavailableWindow(const QString& className) {
  return [className]() -> std::unique_ptr<ModalWindow> {
    throw core::FaultError(core::kObjectRequired,
                           QStringLiteral("Object required: the window %1 is not available in this build")
                               .arg(className),
                           className);
  };
}

}  // namespace coravel
