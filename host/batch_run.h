#pragma once
// Batch mode, for machines without a display and for scripts: the profiles
// of a folder listed and written through Rowcast as CSV, HTML and a
// landscape PDF, and each library window pictured (the graph, the three
// calculators, the about box). Every file written is printed as it is made,
// then a one-line summary.
#include <QString>
#include <cstdio>

#include "host/component_session.h"

namespace host {

// Printing takes about a tenth of a millisecond a row: a list longer than
// this is not printed (the CSV and HTML files still hold every row), so a
// huge profile ends the batch within minutes instead of hours.
inline constexpr int kBatchMaxPrintedRows = 1'000'000;
// Writing CSV and HTML takes about seven microseconds a row: a longer list
// is refused for them too (the windows are still pictured).
inline constexpr int kBatchMaxWrittenRows = 30'000'000;

struct BatchOptions {
  QString outDir;
  QString profilesDir;  // empty: the AppPath already stored
  int maxPrintedRows = kBatchMaxPrintedRows;
  int maxWrittenRows = kBatchMaxWrittenRows;
};

// Exit statuses.
enum BatchStatus { kBatchDone = 0, kBatchNoProfiles = 1, kBatchUsage = 2, kBatchSomeFailed = 3 };

// Paths and the summary go to `out`, failures to `err`. A window or output
// that fails is reported and the others are still made (kBatchSomeFailed).
int runBatch(ComponentSession& session, const BatchOptions& options, std::FILE* out, std::FILE* err);

}  // namespace host
