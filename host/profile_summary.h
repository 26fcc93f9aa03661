#pragma once
// The one-line account of what the host has listed: rows, files, the year of
// the first dated row, and the year-to-date total of the Total Pay column.
#include <QLocale>
#include <QString>
#include <cstdint>

#include "core/money.h"
#include "coravel/graph/profile_table.h"

namespace host {

struct ProfileSummary {
  int rows = 0;
  int files = 0;
  int32_t year = 0;  // 0: no row is dated
  core::Money yearToDate;

  // "1,204 rows from 3 files, year 2025, Y-T-D $45,678.90"
  QString text(const QLocale& locale) const;
};

// Money as the host reads and writes it: the user's regional settings, or
// US English where none are chosen (a C or POSIX locale).
QLocale hostLocale();

// Y-T-D counts every row, as the yearly graph does; cells that are not money
// add nothing.
ProfileSummary summarize(const coravel::ProfileTable& list, int filesRead, const QLocale& locale);

}  // namespace host
