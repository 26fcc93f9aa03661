#pragma once
// Test helpers: reading a printed PDF back with poppler's command-line tools.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace platform::test {

inline QString runTool(const QString& tool, const QStringList& args) {
  QProcess process;
  process.start(tool, args);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return QStringLiteral("<%1 failed>").arg(tool);
  return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of every page, laid out as printed (pdftotext -layout).
inline QStringList pdfPages(const QString& path) {
  QStringList pages = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")})
                          .split(QLatin1Char('\f'));
  if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

// "612 x 792" for each page, in points.
inline QStringList pdfPageSizes(const QString& path) {
  const QString info = runTool(QStringLiteral("pdfinfo"),
                               {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("99"), path});
  QStringList sizes;
  for (const QString& line : info.split(QLatin1Char('\n'))) {
    if (!line.startsWith(QLatin1String("Page")) || !line.contains(QLatin1String(" size:"))) continue;
    const QString value = line.section(QLatin1Char(':'), 1).trimmed();
    sizes.append(value.section(QLatin1String(" pts"), 0, 0));
  }
  return sizes;
}

}  // namespace platform::test
