#include "host/batch_run.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QDateTime>
#include <QHash>

#include "coravel/graph/profile_loader.h"
#include "host/coravel_client.h"
#include "host/profile_summary.h"
#include "host/rowcast_client.h"
#include "platform/files/writable_file.h"
#include "rowcast/list/item_model_list.h"

namespace host {

namespace {

// The report's pages: Letter, landscape, quarter-inch margins, at 600 dots an inch.
void setUpPdf(QPrinter& printer, const QString& path) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setResolution(600);
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape,
                                    QMarginsF(18, 18, 18, 18), QPageLayout::Point));
  printer.setDocName(QStringLiteral("Wagewise Shifts"));
}

// The pictures in `dir` with the time each was last written.
QHash<QString, QDateTime> picturesIn(const QDir& dir) {
  QHash<QString, QDateTime> pictures;
  for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*.png")}, QDir::Files))
    pictures.insert(file.fileName(), file.lastModified());
  return pictures;
}

// While the library windows are pictured, their control listings (which
// they print on standard output) go to a file beside the pictures.
class StdoutToFile {
 public:
  explicit StdoutToFile(const QString& path) {
    std::fflush(stdout);
    const int fd = platform::openWritableFile(path, platform::WriteMode::Append).fd;
    if (fd < 0) return;
    saved_ = ::dup(STDOUT_FILENO);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
  }
  ~StdoutToFile() {
    std::fflush(stdout);
    if (saved_ < 0) return;
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
  }
  StdoutToFile(const StdoutToFile&) = delete;
  StdoutToFile& operator=(const StdoutToFile&) = delete;

 private:
  int saved_ = -1;
};

class Batch {
 public:
  Batch(ComponentSession& session, std::FILE* out, std::FILE* err)
      : coravel_(session), rowcast_(session), out_(out), err_(err) {}

  int run(const BatchOptions& options);

 private:
  void wrote(const QString& path) { std::fprintf(out_, "%s\n", qUtf8Printable(QDir::toNativeSeparators(path))); }
  void failed(const QString& what, const QString& why) {
    std::fprintf(err_, "wagewise-demo: %s failed: %s\n", qUtf8Printable(what), qUtf8Printable(why));
    ++failures_;
  }
  void writeList(const coravel::ProfileTable& shifts, const ProfileSummary& summary, const QDir& dir,
                 const BatchOptions& options);
  void writeFiles(const QDir& dir, const QString& title, int rows, int maxPrintedRows);
  void pictureWindows(const QDir& dir);

  CoravelClient coravel_;
  RowcastClient rowcast_;
  std::FILE* out_;
  std::FILE* err_;
  int failures_ = 0;
};

int Batch::run(const BatchOptions& options) {
  const QString profiles = options.profilesDir.isEmpty() ? coravel_.setting(QStringLiteral("AppPath")) : options.profilesDir;
  if (profiles.isEmpty()) {
    std::fprintf(err_, "wagewise-demo: no profile folder: give --profiles DIR or choose one in the window\n");
    return kBatchNoProfiles;
  }
  const QString folder = QDir::cleanPath(QFileInfo(profiles).absoluteFilePath());
  coravel::ProfileTable shifts;
  coravel::ProfileLoader loader(shifts);
  loader.loadAppPath(folder);
  if (shifts.itemCount() == 0) {
    std::fprintf(err_, "wagewise-demo: no job profiles (*.dat) with rows under %s\n", qUtf8Printable(folder));
    return kBatchNoProfiles;
  }
  QDir dir(options.outDir);
  if (!QDir().mkpath(options.outDir)) {
    std::fprintf(err_, "wagewise-demo: cannot make the folder %s\n", qUtf8Printable(options.outDir));
    return kBatchUsage;
  }
  dir.setPath(QFileInfo(options.outDir).absoluteFilePath());

  // The graph window finds the profiles where the host keeps them.
  if (core::Fault fault = coravel_.saveSetting(QStringLiteral("AppPath"), folder); fault.isFault())
    failed(QStringLiteral("storing AppPath"), fault.description);

  const ProfileSummary summary = summarize(shifts, loader.filesRead(), hostLocale());
  writeList(shifts, summary, dir, options);
  // The graph window reads the same profiles again: the host's copy goes
  // first, so a profile's text is never held twice.
  shifts.clear();
  pictureWindows(dir);
  std::fprintf(out_, "%s\n", qUtf8Printable(summary.text(hostLocale())));
  return failures_ ? kBatchSomeFailed : kBatchDone;
}

// The list as CSV, HTML and PDF, unless it is too long to write in minutes.
void Batch::writeList(const coravel::ProfileTable& shifts, const ProfileSummary& summary, const QDir& dir,
                      const BatchOptions& options) {
  const int rows = shifts.itemCount();
  if (rows > options.maxWrittenRows) {
    failed(QStringLiteral("list.csv, list.html and list.pdf"),
           QStringLiteral("%1 rows are more than the %2 the batch writes; the list was not written")
               .arg(hostLocale().toString(rows), hostLocale().toString(options.maxWrittenRows)));
    return;
  }
  auto list = std::make_shared<rowcast::ItemModelList>(&shifts, QStringLiteral("lvwShifts"));
  if (core::Fault fault = rowcast_.setList(std::move(list)); fault.isFault()) {
    failed(QStringLiteral("handing the list to Rowcast.CRowcast"), fault.description);
    return;
  }
  const QString title =
      summary.year ? QStringLiteral("Wagewise Shifts %1").arg(summary.year) : QStringLiteral("Wagewise Shifts");
  writeFiles(dir, title, rows, options.maxPrintedRows);
}

// The list is printed only when it has at most `maxPrintedRows` rows.
void Batch::writeFiles(const QDir& dir, const QString& title, int rows, int maxPrintedRows) {
  const std::pair<RowcastClient::ExportType, const char*> exports[] = {{RowcastClient::eCSV, "list.csv"},
                                                                       {RowcastClient::eHtml, "list.html"}};
  for (const auto& [type, name] : exports) {
    const QString path = dir.filePath(QLatin1String(name));
    const OutputResult result = rowcast_.exportList(type, path, title);
    if (result.succeeded()) wrote(path);
    else failed(QLatin1String(name), result.reason());
  }
  if (rows > maxPrintedRows) {
    failed(QStringLiteral("list.pdf"), QStringLiteral("%1 rows are more than the %2 the batch prints; the list was "
                                                      "not printed (list.csv and list.html hold every row)")
                                           .arg(hostLocale().toString(rows), hostLocale().toString(maxPrintedRows)));
    return;
  }
  const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
  QPrinter printer(QPrinter::HighResolution);
  setUpPdf(printer, pdf);
  const OutputResult printed = rowcast_.printOn(printer, title);
  if (printed.succeeded() && QFileInfo(pdf).size() > 0) wrote(pdf);
  else failed(QStringLiteral("list.pdf"), printed.reason());
}

// Each window opens as the host opens it, is pictured headless into `dir`
// and closed through its close box (which stores nothing).
void Batch::pictureWindows(const QDir& dir) {
  const QString listing = dir.filePath(QStringLiteral("windows.txt"));
  QFile::remove(listing);
  qputenv("WAGEWISE_UI_SNAPSHOT", QFile::encodeName(dir.absolutePath()));
  const std::pair<const char*, const char*> windows[] = {
      {"ShowGraphfrm", "the yearly graph (Coravel.ZuzirarRegistry ShowGraphfrm)"},
      {"ShowHolidayfrm", "the holiday pay window (Coravel.ZuzirarRegistry ShowHolidayfrm)"},
      {"ShowSickfrm", "the sick pay window (Coravel.ZuzirarRegistry ShowSickfrm)"},
      {"ShowVacationfrm", "the vacation pay window (Coravel.ZuzirarRegistry ShowVacationfrm)"},
      {"about", "the about box (Rowcast.CRowcast about)"},
  };
  for (const auto& [member, what] : windows) {
    const QHash<QString, QDateTime> before = picturesIn(dir);
    core::Fault fault;
    {
      StdoutToFile toListing(listing);
      const QString name = QLatin1String(member);
      fault = name == QLatin1String("about") ? rowcast_.about() : coravel_.openWindow(name);
    }
    if (fault.isFault()) {
      failed(QLatin1String(what), QStringLiteral("%1 %2").arg(fault.number).arg(fault.description));
      continue;
    }
    const QHash<QString, QDateTime> after = picturesIn(dir);
    for (auto picture = after.begin(); picture != after.end(); ++picture)
      if (before.value(picture.key()) != picture.value()) wrote(dir.filePath(picture.key()));
  }
  qunsetenv("WAGEWISE_UI_SNAPSHOT");
  if (QFileInfo::exists(listing)) wrote(listing);
}

}  // namespace

int runBatch(ComponentSession& session, const BatchOptions& options, std::FILE* out, std::FILE* err) {
  return Batch(session, out, err).run(options);
}

}  // namespace host
