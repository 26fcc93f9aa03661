#pragma once
// The public class "Rowcast.CRowcast": the host hands it a list and asks for
// a printout, an HTML page or a CSV file. Each job runs on a fresh output
// object; the result is 0 on success, 1 on failure with the reason in
// LastErrorMsg. A message stays until the next failure replaces it, so
// callers read it only after a 1. No fault leaves these methods.
#include "platform/component/dispatch_object.h"
#include "rowcast/output/cprint.h"
#include "rowcast/front/enumerations.h"
#include "rowcast/output/error_handler.h"

namespace rowcast {

class CRowcast : public platform::DispatchObject {
 public:
  // `logFolder` holds rowcast.err for this object and its outputs.
  explicit CRowcast(const QString& logFolder = ErrorHandler::libraryFolder());
  ~CRowcast() override;

  std::shared_ptr<ListModel> lvwToPrint() const { return list_; }
  void setLvwToPrint(std::shared_ptr<ListModel> list) { list_ = std::move(list); }
  QString LastErrorMsg() const { return lastErrorMsg_; }

  // Shows the about box modal; returns when it is closed.
  void about();
  int16_t Tabulon(int32_t orientation, const QString& fontToPrint = QStringLiteral("Arial"),
                  const QString& defaultTitle = {}, int16_t fontSize = 12);
  int16_t ExportListView(int32_t exportType, const QString& fileName = {}, int32_t orientation = iPortrait,
                         const QString& fontToPrint = QStringLiteral("Arial"), const QString& defaultTitle = {},
                         int16_t fontSize = 12);

 private:
  void declareMembers();
  // The output for `exportType`, or nullptr with the message set.
  std::unique_ptr<CPrint> createOutput(int32_t exportType);
  int16_t runOutput(CPrint& output);
  // An unexpected fault of the method itself: logged, and reported as a 1.
  int16_t fail(const core::Fault& fault, const QString& location);

  QString logFolder_;
  ErrorHandler errorHandler_;
  std::shared_ptr<ListModel> list_;  // declared after the log: dropped first
  QString lastErrorMsg_;
};

}  // namespace rowcast
