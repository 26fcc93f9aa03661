#pragma once
// What the CSV and HTML writers share: the settings of one job and the run
// itself. Any fault after the list check is caught, logged to rowcast.err
// and reported as false with the fault's description; the file it was
// writing is removed, as half a list would pass for a whole one.
#include "rowcast/output/cprint.h"
#include "rowcast/output/error_handler.h"
#include "rowcast/output/output_file.h"

namespace rowcast {

class FileExport : public CPrint {
 public:
  void setLvwToPrint(std::shared_ptr<ListModel> list) override { list_ = std::move(list); }
  QString LastErrorMsg() const override { return lastErrorMsg_; }
  void setFileName(const QString& fileName) override { fileName_ = fileName; }
  void setFontSize(int16_t) override {}  // files carry no font
  void setTitle(const QString& title) override { title_ = title; }
  void setFontName(const QString&) override {}
  void setOrientation(int16_t orientation) override { orientation_ = orientation; }
  bool Rowcast() override;

 protected:
  // `location` names the writer in the log; `missingListMessage` is its
  // message when no list was set; `source` names it in fault records.
  FileExport(const QString& logFolder, QString location, QString missingListMessage, QString source);

  // Runs before the file is opened.
  virtual void prepare() {}
  virtual void write(OutputFile& file) = 0;

  const ListModel& list() const { return *list_; }
  QString title_;

 private:
  bool fail(core::Fault fault);

  ErrorHandler errorHandler_;
  const QString location_;
  const QString missingListMessage_;
  const QString source_;
  std::shared_ptr<ListModel> list_;
  QString fileName_;
  int16_t orientation_ = 0;  // kept for the interface; files have no page
  QString lastErrorMsg_;
};

}  // namespace rowcast
