#include "host/rowcast_client.h"

#include <dlfcn.h>

#include <QPageLayout>

namespace host {

using core::Value;

QString OutputResult::reason() const {
  if (fault.isFault()) return QStringLiteral("%1 (error %2)").arg(fault.description).arg(fault.number);
  return lastErrorMsg.isEmpty() ? QStringLiteral("The output could not be made.") : lastErrorMsg;
}

core::Fault RowcastClient::ensureCreated() {
  if (rowcast_.object) return {};
  rowcast_ = session_.create(QStringLiteral("Rowcast.CRowcast"));
  return rowcast_.object ? core::Fault{} : rowcast_.fault;
}

core::Fault RowcastClient::setList(std::shared_ptr<rowcast::ListModel> list) {
  if (core::Fault fault = ensureCreated(); fault.isFault()) return fault;
  std::vector<Value> args{Value(std::shared_ptr<core::ValueObject>(std::move(list)))};
  Value ignored;
  return platform::callByName(*rowcast_.object, QStringLiteral("lvwToPrint"), platform::CallKind::PropertyPutRef, args,
                              ignored);
}

namespace {

OutputResult run(platform::Dispatch& rowcast, const QString& member, std::vector<Value> args) {
  OutputResult outcome;
  Value code;
  outcome.fault = ComponentSession::call(rowcast, member, args, &code);
  if (outcome.fault.isFault()) return outcome;
  outcome.code = code.toInt32();
  if (outcome.code != 0) {
    std::vector<Value> none;
    Value message;
    if (!platform::callByName(rowcast, QStringLiteral("LastErrorMsg"), platform::CallKind::PropertyGet, none, message)
             .isFault())
      outcome.lastErrorMsg = message.toText();
  }
  return outcome;
}

template <typename Function>
Function libraryCall(void* library, const char* name) {
  return reinterpret_cast<Function>(library ? dlsym(library, name) : nullptr);
}

}  // namespace

OutputResult RowcastClient::exportList(ExportType type, const QString& fileName, const QString& title) {
  if (core::Fault fault = ensureCreated(); fault.isFault()) return OutputResult{1, {}, fault};
  constexpr int32_t kPortrait = 1;  // the files have no pages; the argument only comes before the title
  return run(*rowcast_.object, QStringLiteral("ExportListView"),
             {Value(int32_t(type)), Value(fileName), Value(kPortrait), Value(QStringLiteral("Arial")), Value(title)});
}

OutputResult RowcastClient::printOn(QPrinter& printer, const QString& title) {
  if (core::Fault fault = ensureCreated(); fault.isFault()) return OutputResult{1, {}, fault};
  using BindPrinter = int32_t (*)(void*);
  using EndDocument = int32_t (*)();
  auto bind = libraryCall<BindPrinter>(rowcast_.library, "RowcastBindPrinter");
  auto end = libraryCall<EndDocument>(rowcast_.library, "RowcastEndDocument");
  if (!bind || !end)
    return OutputResult{1, {}, core::Fault{core::kMemberNotSupported,
                                           QStringLiteral("This Rowcast library cannot print on the host's printer"),
                                           QStringLiteral("Rowcast")}};

  // The largest size Rowcast may choose; 10 rather than its own default of
  // 12 puts more rows of the demo's wide list on a page. The fit goes lower
  // by itself when the columns need it, and every column keeps a blank of
  // room at whatever size it chooses.
  constexpr int kFontSize = 10;
  const int32_t orientation =
      printer.pageLayout().orientation() == QPageLayout::Landscape ? rowcast::iLandscape : rowcast::iPortrait;
  bind(&printer);
  OutputResult outcome = run(*rowcast_.object, QStringLiteral("Tabulon"),
                             {Value(orientation), Value(QStringLiteral("Arial")), Value(title), Value(int32_t(kFontSize))});
  const bool written = end() == 0;
  // The library's reason: the print system's refusal, or the file it could not write.
  using EndDocumentMessage = const char* (*)();
  auto message = libraryCall<EndDocumentMessage>(rowcast_.library, "RowcastEndDocumentMessage");
  const QString why = written || !message ? QString() : QString::fromUtf8(message());
  using EndDocumentPages = int32_t (*)();
  auto pages = libraryCall<EndDocumentPages>(rowcast_.library, "RowcastEndDocumentPages");
  outcome.pages = written && pages ? pages() : 0;
  bind(nullptr);
  if (outcome.succeeded() && !written)
    outcome.fault = core::Fault{core::kDeviceIoError, why.isEmpty() ? QStringLiteral("The printout could not be written") : why,
                                QStringLiteral("Rowcast")};
  return outcome;
}

core::Fault RowcastClient::about() {
  if (core::Fault fault = ensureCreated(); fault.isFault()) return fault;
  std::vector<Value> none;
  return ComponentSession::call(*rowcast_.object, QStringLiteral("about"), none);
}

}  // namespace host
