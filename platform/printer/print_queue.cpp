#include "platform/printer/print_queue.h"

#include <cups/cups.h>

#include <QPrinterInfo>
#include <memory>

#include "core/fault.h"

namespace platform {

namespace {

[[noreturn]] void refuse(const QString& description) {
  throw core::FaultError(core::kDeviceIoError, description, QStringLiteral("Printer"));
}

// The print system's own words. A connection that failed leaves only a
// system error, which says little by itself: the server is named with it.
QString printSystemReason() {
  QString reason = QString::fromUtf8(cupsLastErrorString());
  const ipp_status_t status = cupsLastError();
  if (status != IPP_STATUS_ERROR_SERVICE_UNAVAILABLE && status != IPP_STATUS_ERROR_INTERNAL) return reason;
  QString server = QString::fromUtf8(cupsServer());
  if (!server.startsWith(QLatin1Char('/'))) server += QStringLiteral(":%1").arg(ippPort());  // not a local socket
  return QStringLiteral("%1 (print system %2)").arg(reason, server);
}

bool printSystemFailed() { return cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE; }

using IppMessage = std::unique_ptr<ipp_t, decltype(&ippDelete)>;

// The queue's own answer to whether it takes jobs, and why not.
IppMessage askQueueState(const QByteArray& name) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                   name.constData());
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  static const char* const wanted[] = {"printer-is-accepting-jobs", "printer-state-message"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, wanted);
  return IppMessage(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"), ippDelete);  // takes the request
}

}  // namespace

void PrintQueue::checkAcceptingJobs() const {
  const IppMessage answer = askQueueState(name_.toUtf8());
  if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) refuse(QStringLiteral("The printer %1 does not exist").arg(name_));
  if (!answer || printSystemFailed())
    refuse(QStringLiteral("The printer %1 cannot be reached: %2").arg(name_, printSystemReason()));
  ipp_attribute_t* accepting = ippFindAttribute(answer.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
  if (!accepting || ippGetBoolean(accepting, 0)) return;
  ipp_attribute_t* message = ippFindAttribute(answer.get(), "printer-state-message", IPP_TAG_TEXT);
  const QString reason = message ? QString::fromUtf8(ippGetString(message, 0, nullptr)).trimmed() : QString();
  refuse(QStringLiteral("The printer %1 is not accepting jobs").arg(name_) +
         (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
}

// Read from the queue's description with its default options applied (the
// print system's own media query answers with a built-in default instead).
QPageSize PrintQueue::defaultPageSize() const { return QPrinterInfo::printerInfo(name_).defaultPageSize(); }

int PrintQueue::submit(const QString& pdfPath, const JobOptions& job) const {
  cups_option_t* options = nullptr;
  int count = 0;
  if (job.copies > 1) {
    count = cupsAddOption("copies", QByteArray::number(job.copies).constData(), count, &options);
    count = cupsAddOption("multiple-document-handling",
                          job.collate ? "separate-documents-collated-copies" : "separate-documents-uncollated-copies",
                          count, &options);
  }
  if (!job.media.isEmpty()) count = cupsAddOption("media", job.media.toUtf8().constData(), count, &options);
  for (qsizetype i = 0; i + 1 < job.extra.size(); i += 2)
    count = cupsAddOption(job.extra[i].toUtf8().constData(), job.extra[i + 1].toUtf8().constData(), count, &options);
  count = cupsAddOption("document-format", CUPS_FORMAT_PDF, count, &options);

  const QByteArray name = name_.toUtf8();
  const int id = cupsPrintFile2(CUPS_HTTP_DEFAULT, name.constData(), pdfPath.toLocal8Bit().constData(),
                                job.title.toUtf8().constData(), count, options);
  cupsFreeOptions(count, options);
  if (id > 0 && !printSystemFailed()) return id;
  const QString reason = printSystemReason();
  if (id > 0) cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), id, 0);  // half a job is no printout
  refuse(QStringLiteral("The printer %1 did not take the printout: %2").arg(name_, reason));
}

}  // namespace platform
