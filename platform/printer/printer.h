#pragma once
// The printer service: a page you write on line by line, in twips (1/1440
// inch) from the top left corner of the printable area, with font sizes in
// points. Members follow the platform's printer object, so report code
// written against it keeps its exact layout. Tests use RecordingPrinter.
#include <QRgb>
#include <QString>
#include <cstdint>

#include "core/fault.h"

namespace platform {

enum PrinterOrientation : int16_t { kPortrait = 1, kLandscape = 2 };

class Printer {
 public:
  virtual ~Printer() = default;

  // Physical width of the page in the current orientation.
  virtual int32_t width() const = 0;
  // Applies to the pages still to come; the page being drawn keeps its shape.
  // Anything but 1 or 2 is refused with fault 380 (invalid property value).
  virtual int16_t orientation() const = 0;
  virtual void setOrientation(int16_t orientation) = 0;

  virtual void setFontName(const QString& name) = 0;
  // Sizes of zero or less, or past 2160 points, are refused with fault 380.
  virtual float fontSize() const = 0;
  virtual void setFontSize(float points) = 0;
  virtual void setFontBold(bool bold) = 0;
  virtual void setFontUnderline(bool underline) = 0;

  // Where the next text goes: its top left corner.
  virtual float currentX() const = 0;
  virtual void setCurrentX(float twips) = 0;
  virtual float currentY() const = 0;
  virtual void setCurrentY(float twips) = 0;

  // The page being drawn, from 1; one more at every page break.
  virtual int16_t page() const = 0;

  // Thickness of lines, in the printer's own dots.
  virtual void setDrawWidth(int16_t dots) = 0;

  // Size of a text in the current font; the height of any text, the empty
  // one included, is the font's line height.
  virtual float textWidth(const QString& text) = 0;
  virtual float textHeight(const QString& text) = 0;

  virtual void line(float x1, float y1, float x2, float y2, QRgb colour) = 0;

  // Draws `text` at the current position, then moves to the left edge of the
  // next line (one line height of the current font down). When that line
  // would run below the printable area, starts a new page first and prints at
  // its top.
  virtual void print(const QString& text) = 0;

  // Opens a document when none is open, so that a target which cannot be
  // written refuses the job before anything is drawn; throws
  // core::FaultError saying why. Drawing opens one all the same.
  virtual void beginDocument() = 0;

  // Hands the open document to the printer (or closes its file). The next
  // text starts a new document on page 1; orientation and font stay. Does
  // nothing when no document is open. When the document could not be
  // written whole, its partial file is removed and core::FaultError says so.
  virtual void endDocument() = 0;

  // Throws the open document away: nothing of it reaches the printer, and
  // its partial file is removed (a print preview keeps the pages it has).
  // The next text starts a new document, as after endDocument(). Does
  // nothing when no document is open.
  virtual void abortDocument() = 0;
};

// The process-wide printer that library code prints on (QtPrinter), created
// on first use. Its document ends when the host calls endDocument() or
// endPrinterDocument(), when the application object goes away, or when the
// library that holds it is unloaded.
Printer& printer();
// Ends the process-wide printer's document; nothing when there is none.
// Throws as endDocument() does.
void endPrinterDocument();
// The pages the process-wide printer's last ended document held (chosen
// pages, copies not counted); 0 after a failure or when none was open.
int lastPrinterDocumentPages();

// Told of the fault of a process-wide document that ends with the
// application object or the library, where no caller hears of it (it is on
// standard error already). The library that prints sets its error log here.
using UnclaimedDocumentFault = void (*)(const core::Fault& fault);
void setUnclaimedDocumentFaultHandler(UnclaimedDocumentFault handler);

// The fault number and text of a refused setting.
constexpr int32_t kInvalidPropertyValue = 380;
[[noreturn]] void refuseProperty(const char* member);

}  // namespace platform
