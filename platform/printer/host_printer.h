#pragma once
// A host may hand the process printer a QPrinter of its own (the one its
// print dialog set up, or a print preview's): documents that start while it
// is bound are drawn on it, with its page, margins and resolution, and go
// wherever it sends them. Unbound, the printer chooses its own target.
class QPrinter;

namespace platform {

// Binds `device` (nullptr unbinds). A document already open is ended first,
// so no document is split between two devices; that end throws as
// endPrinterDocument() does. The host keeps `device` alive while bound.
void bindHostPrinter(QPrinter* device);

// The device bound, or nullptr.
QPrinter* hostPrinter();

}  // namespace platform
