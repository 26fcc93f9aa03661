#pragma once
// The one call through which a host that loads the library at run time
// (dlsym "RowcastBindPrinter") has Rowcast print on a QPrinter of its own:
// the printer its print dialog set up, or the one a print preview paints.
#include <cstdint>

// `qprinter` is a QPrinter* (nullptr: back to the library's own choice of
// printer or PDF file). Documents started while it is bound are drawn on it;
// a document still open is ended first. The host keeps the QPrinter alive
// until it binds another or nullptr, and ends each document with
// RowcastEndDocument. Returns 0, or 1 when the document that had to be ended
// could not be written (logged as RowcastEndDocument logs it).
extern "C" __attribute__((visibility("default"))) int32_t RowcastBindPrinter(void* qprinter);

// Ends the document the library's printer has open (on a bound QPrinter, or
// the library's own printer or PDF file) and hands it over. Returns 0, also
// when none is open, or 1 when it could not be written whole (logged to the
// error log beside the library).
extern "C" __attribute__((visibility("default"))) int32_t RowcastEndDocument();
// Why the last RowcastEndDocument returned 1 (the print system's refusal,
// say), UTF-8; empty after a 0. Valid until the next RowcastEndDocument.
extern "C" __attribute__((visibility("default"))) const char* RowcastEndDocumentMessage();
// The pages the last RowcastEndDocument wrote or handed over (the pages
// chosen, copies not counted); 0 after a 1, or when no document was open.
extern "C" __attribute__((visibility("default"))) int32_t RowcastEndDocumentPages();

// The types to cast dlsym's results to.
using RowcastBindPrinterFn = int32_t (*)(void* qprinter);
using RowcastEndDocumentFn = int32_t (*)();
using RowcastEndDocumentMessageFn = const char* (*)();
using RowcastEndDocumentPagesFn = int32_t (*)();
