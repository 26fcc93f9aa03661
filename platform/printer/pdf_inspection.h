#pragma once
// Test helpers: reading a printed PDF back with poppler's command-line tools.
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <vector>

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

// A word as pdftotext -bbox places it, in points from the page's top left.
struct PdfWord {
  int page = 0;  // from 0
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  QString text;
};

inline std::vector<PdfWord> pdfWords(const QString& path) {
  const QString html = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
  static const QRegularExpression item(QStringLiteral(
      R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
  std::vector<PdfWord> words;
  int page = -1;
  for (auto it = item.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (m.captured(0).startsWith(QLatin1String("<page"))) {
      ++page;
      continue;
    }
    words.push_back({page, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                     m.captured(4).toDouble(), m.captured(5)});
  }
  return words;
}

}  // namespace platform::test
