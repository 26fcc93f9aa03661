#pragma once
// The output interface: what the public class sets on an output object for
// one job before it calls Rowcast(). Outputs only read the list; they hold it
// until they are destroyed.
#include <QString>
#include <cstdint>
#include <memory>

#include "rowcast/list/list_model.h"

namespace rowcast {

class CPrint {
 public:
  virtual ~CPrint() = default;

  // Outputs never hand the list back.
  std::shared_ptr<ListModel> lvwToPrint() const { return nullptr; }
  virtual void setLvwToPrint(std::shared_ptr<ListModel> list) = 0;
  // The message of this object's last failure; empty until one happens.
  virtual QString LastErrorMsg() const = 0;
  virtual void setFileName(const QString& fileName) = 0;
  virtual void setFontSize(int16_t points) = 0;
  // When empty, the page and printer outputs use the list's name + " Output".
  virtual void setTitle(const QString& title) = 0;
  virtual void setFontName(const QString& fontName) = 0;
  virtual void setOrientation(int16_t orientation) = 0;  // 1 portrait, 2 landscape
  // Performs the output: true on success, false with LastErrorMsg() set.
  virtual bool Rowcast() = 0;
};

}  // namespace rowcast
