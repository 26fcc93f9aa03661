#include "rowcast/front/crowcast.h"

#include <new>

#include "platform/ui/modal_window.h"
#include "platform/ui/qt_ui.h"
#include "rowcast/export/ccsv.h"
#include "rowcast/export/chtml.h"
#include "rowcast/front/frm_about.h"
#include "rowcast/printer/cprinter.h"

namespace rowcast {

using core::Value;
using platform::byVal;
using platform::optional;
using platform::ValueType;

namespace {

const QString kSource = QStringLiteral("Rowcast.CRowcast");

int16_t narrow16(int32_t value) {
  if (value < INT16_MIN || value > INT16_MAX) throw core::FaultError(core::kOverflow, kSource);
  return int16_t(value);
}

// Runs a method body; any fault that escapes it goes to `onFault`.
template <class Body, class OnFault>
int16_t guarded(Body body, OnFault onFault) {
  try {
    return body();
  } catch (...) {
    return onFault(core::faultInFlight(kSource));
  }
}

}  // namespace

CRowcast::CRowcast(const QString& logFolder)
    : DispatchObject(kSource), logFolder_(logFolder), errorHandler_(logFolder) {
  declareMembers();
}

CRowcast::~CRowcast() = default;

void CRowcast::declareMembers() {
  addPropertyGet(QStringLiteral("lvwToPrint"), [this] { return Value(std::shared_ptr<core::ValueObject>(list_)); });
  addPropertyPut(
      QStringLiteral("lvwToPrint"), byVal("lvwToPrint", ValueType::Object),
      [this](Value& v) {
        std::shared_ptr<core::ValueObject> object = v.toObject();
        auto list = std::dynamic_pointer_cast<ListModel>(object);
        if (object && !list) throw core::FaultError(core::kTypeMismatch, kSource);
        list_ = std::move(list);
      },
      platform::CallKind::PropertyPutRef);
  addPropertyGet(QStringLiteral("LastErrorMsg"), [this] { return Value(lastErrorMsg_); });
  addMethod(QStringLiteral("about"), {}, [this](Args&) {
    about();
    return Value();
  });
  addMethod(QStringLiteral("Tabulon"),
            {byVal("Orientation", ValueType::Int32), optional("fonttoprint", ValueType::Text, Value("Arial")),
             optional("defaultTitle", ValueType::Text, Value("")),
             optional("FontSize", ValueType::Int16, Value(int32_t(12)))},
            [this](Args& a) {
              return Value(int32_t(Tabulon(a[0].int32(), a[1].text(), a[2].text(), int16_t(a[3].int32()))));
            });
  addMethod(QStringLiteral("ExportListView"),
            {byVal("exportType", ValueType::Int32), optional("fileName", ValueType::Text, Value("")),
             optional("Orientation", ValueType::Int32, Value(int32_t(iPortrait))),
             optional("fonttoprint", ValueType::Text, Value("Arial")),
             optional("defaultTitle", ValueType::Text, Value("")),
             optional("FontSize", ValueType::Int16, Value(int32_t(12)))},
            [this](Args& a) {
              return Value(int32_t(ExportListView(a[0].int32(), a[1].text(), a[2].int32(), a[3].text(), a[4].text(),
                                                  int16_t(a[5].int32()))));
            });
}

void CRowcast::about() {
  platform::ensureGuiApplication();
  FrmAbout box;
  platform::showModal(box);
}

int16_t CRowcast::Tabulon(int32_t orientation, const QString& fontToPrint, const QString& defaultTitle,
                          int16_t fontSize) {
  if (!list_) {
    // The system's own: "Undefined" here, "Not Defined" elsewhere (CRowcastTest.RequestsItCannotServe...).
    lastErrorMsg_ = QStringLiteral("List View Undefined");
    return 1;
  }
  return guarded(
      [&]() -> int16_t {
        CPrinter output(logFolder_);
        output.setOrientation(narrow16(orientation));
        output.setFontName(fontToPrint);
        output.setFontSize(fontSize);
        output.setTitle(defaultTitle);
        output.setLvwToPrint(list_);
        return runOutput(output);
      },
      [this](const core::Fault& f) { return fail(f, QStringLiteral("CRowcast::Rowcast")); });
}

int16_t CRowcast::ExportListView(int32_t exportType, const QString& fileName, int32_t orientation,
                                 const QString& fontToPrint, const QString& defaultTitle, int16_t fontSize) {
  if (!list_) {
    lastErrorMsg_ = QStringLiteral("List View Not Defined");
    return 1;
  }
  return guarded(
      [&]() -> int16_t {
        std::unique_ptr<CPrint> output = createOutput(exportType);
        if (!output) return 1;
        output->setLvwToPrint(list_);
        output->setOrientation(narrow16(orientation));
        output->setTitle(defaultTitle);
        output->setFileName(fileName);
        output->setFontName(fontToPrint);
        output->setFontSize(fontSize);
        return runOutput(*output);
      },
      [this](const core::Fault& f) { return fail(f, QStringLiteral("CRowcast::ExportListView")); });
}

std::unique_ptr<CPrint> CRowcast::createOutput(int32_t exportType) {
  switch (exportType) {
    case eCSV: return std::make_unique<CCsv>(logFolder_);
    case eHtml: return std::make_unique<CHtml>(logFolder_);
    case ePrinter: return std::make_unique<CPrinter>(logFolder_);
    default: lastErrorMsg_ = QStringLiteral("Incorrect type of print job was specified."); return nullptr;
  }
}

int16_t CRowcast::runOutput(CPrint& output) {
  if (output.Rowcast()) return 0;
  lastErrorMsg_ = output.LastErrorMsg();
  return 1;
}

int16_t CRowcast::fail(const core::Fault& fault, const QString& location) {
  errorHandler_.handleErrorQuietly(fault, location, QString());
  lastErrorMsg_ = fault.description;
  return 1;
}

}  // namespace rowcast
