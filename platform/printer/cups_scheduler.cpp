#include "platform/printer/cups_scheduler.h"

#include <arpa/inet.h>
#include <cups/cups.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace platform::test {

namespace {

// A port nobody listens on now; the scheduler takes it a moment later.
int freeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  ::close(fd);
  return port;
}

bool writeFile(const QString& path, const QByteArray& text, QFileDevice::Permissions mode) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size() &&
         file.setPermissions(mode);
}

constexpr auto kReadable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                           QFileDevice::ReadOther;
constexpr auto kRunnable = kReadable | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;

// A printer description whose only filter copies the PDF through unchanged
// (the scheduler runs no filter of its own for a file device).
QByteArray describeFilePrinter(const QString& filter, const QString& paper) {
  const QByteArray p = paper.toLatin1();
  return "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
         "*LanguageEncoding: ISOLatin1\n*PCFileName: \"WWFILE.PPD\"\n*Manufacturer: \"Test\"\n"
         "*Product: \"(File)\"\n*ModelName: \"File Printer\"\n*ShortNickName: \"File Printer\"\n"
         "*NickName: \"File Printer\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n"
         "*ColorDevice: False\n*DefaultColorSpace: Gray\n*FileSystem: False\n*Throughput: \"1\"\n"
         "*TTRasterizer: Type42\n*cupsFilter2: \"application/pdf application/pdf 0 " + filter.toUtf8() + "\"\n"
         "*OpenUI *PageSize/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
         "*DefaultPageSize: " + p + "\n"
         "*PageSize Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
         "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageSize\n"
         "*OpenUI *PageRegion: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n"
         "*DefaultPageRegion: " + p + "\n"
         "*PageRegion Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
         "*PageRegion A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageRegion\n"
         "*DefaultImageableArea: " + p + "\n"
         "*ImageableArea Letter/US Letter: \"18 18 594 774\"\n*ImageableArea A4/A4: \"18 18 577 824\"\n"
         "*DefaultPaperDimension: " + p + "\n"
         "*PaperDimension Letter/US Letter: \"612 792\"\n*PaperDimension A4/A4: \"595 842\"\n";
}

}  // namespace

CupsScheduler::CupsScheduler() = default;

namespace {
constexpr const char* kChangedVariables[] = {"CUPS_SERVER", "ROWCAST_PRINT_TO", "PRINTER", "LPDEST"};
}

CupsScheduler::~CupsScheduler() {
  stop();
  for (const char* name : kChangedVariables) {
    const QString before = before_.value(QLatin1String(name));
    if (before_.contains(QLatin1String(name))) qputenv(name, before.toLocal8Bit());
    else qunsetenv(name);
  }
  cupsSetServer(nullptr);
}

QString CupsScheduler::writeConfiguration(int port) {
  const QString root = dir_.path();
  for (const char* sub : {"spool", "tmp", "cache", "state", "log", "ppd"})
    if (!QDir(root).mkpath(QLatin1String(sub))) return QStringLiteral("cannot make %1 in %2").arg(sub, root);
  // As root the scheduler runs filters as an unprivileged user, who must
  // reach the filter and the spool.
  QFile::setPermissions(root, kRunnable);
  const QByteArray r = root.toUtf8();
  QByteArray files = "ServerRoot " + r + "\nRequestRoot " + r + "/spool\nTempDir " + r + "/tmp\nCacheDir " + r +
                     "/cache\nStateDir " + r + "/state\nErrorLog " + r + "/log/error_log\nAccessLog " + r +
                     "/log/access_log\nPageLog " + r + "/log/page_log\nFileDevice Yes\n";
  if (::geteuid() == 0) files += "User nobody\nGroup nogroup\nSystemGroup root\n";
  const QByteArray server = "Listen 127.0.0.1:" + QByteArray::number(port) + "\nListen " + r +
                            "/cups.sock\nLogLevel warn\nBrowsing Off\nWebInterface No\nDefaultAuthType None\n"
                            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                            "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n"
                            "MaxJobsPerPrinter 1\n";
  const QByteArray filter = "#!/bin/sh\n# The job's document, unchanged.\nexec cat \"${6:-/dev/stdin}\"\n";
  if (!writeFile(root + QStringLiteral("/cups-files.conf"), files, kReadable) ||
      !writeFile(root + QStringLiteral("/cupsd.conf"), server, kReadable) ||
      !writeFile(root + QStringLiteral("/copy-filter"), filter, kRunnable))
    return QStringLiteral("cannot write the scheduler's configuration in ") + root;
  return {};
}

QString CupsScheduler::start() {
  if (!dir_.isValid()) return QStringLiteral("no temporary folder: ") + dir_.errorString();
  const QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {QStringLiteral("/usr/sbin"),
                                                                                 QStringLiteral("/sbin")});
  if (cupsd.isEmpty()) return QStringLiteral("cupsd is not installed (scripts/setup installs cups-daemon)");
  QString why;
  for (int attempt = 0; attempt < 3; ++attempt) {  // another program may take the port first
    const int port = freeLoopbackPort();
    if (port == 0) return QStringLiteral("no free loopback port");
    if (why = writeConfiguration(port); !why.isEmpty()) return why;
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), dir_.filePath(QStringLiteral("cupsd.conf")),
                           QStringLiteral("-s"), dir_.filePath(QStringLiteral("cups-files.conf"))});
    if (!process_.waitForStarted(5000)) return QStringLiteral("cupsd did not start: ") + process_.errorString();
    server_ = QStringLiteral("127.0.0.1:%1").arg(port);
    if (why = waitUntilAnswering(); why.isEmpty()) break;
    stop();
  }
  if (!why.isEmpty()) return why;
  // The print system is reached through CUPS_SERVER, by this process's
  // libcups (and Qt's) as by every program it starts.
  for (const char* name : kChangedVariables) qunsetenv(name);
  qputenv("CUPS_SERVER", server_.toUtf8());
  cupsSetServer(server_.toUtf8().constData());
  return {};
}

QString CupsScheduler::waitUntilAnswering() {
  const QByteArray port = server_.section(QLatin1Char(':'), 1).toLatin1();
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 15000) {
    if (process_.state() != QProcess::Running)
      return QStringLiteral("cupsd exited at once: %1\n%2").arg(QString::fromLocal8Bit(process_.readAll()), log());
    if (http_t* http = httpConnect2("127.0.0.1", port.toInt(), nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 200, nullptr)) {
      httpClose(http);
      return {};
    }
    QThread::msleep(20);
  }
  return QStringLiteral("cupsd did not answer on %1 within 15 s\n%2").arg(server_, log());
}

void CupsScheduler::stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(10000)) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

QString CupsScheduler::holdAJob(const QString& queue) const {
  // A blank page, as small as a PDF file can be.
  const QString held = dir_.filePath(QStringLiteral("held.pdf"));
  const QByteArray blank = "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
                           "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
                           "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 612 792]>>endobj\n"
                           "trailer<</Root 1 0 R>>\n%%EOF\n";
  if (!writeFile(held, blank, kReadable)) return QStringLiteral("cannot write ") + held;
  QString why = admin(QStringLiteral("cupsdisable"), {queue});
  if (why.isEmpty()) why = admin(QStringLiteral("lp"), {QStringLiteral("-d"), queue, held});
  return why;
}

QString CupsScheduler::releaseJobs(const QString& queue) const {
  QString why = admin(QStringLiteral("cancel"), {QStringLiteral("-a"), queue});
  if (why.isEmpty()) why = admin(QStringLiteral("cupsenable"), {queue});
  return why;
}

QString CupsScheduler::queueOutput(const QString& name) const { return dir_.filePath(name + QStringLiteral(".out")); }

QString CupsScheduler::addFileQueue(const QString& name, const QString& paper) {
  const QString ppd = dir_.filePath(name + QStringLiteral(".ppd"));
  if (!writeFile(ppd, describeFilePrinter(dir_.filePath(QStringLiteral("copy-filter")), paper), kReadable))
    return QStringLiteral("cannot write ") + ppd;
  QString why = admin(QStringLiteral("lpadmin"), {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                                                  QStringLiteral("file://") + queueOutput(name), QStringLiteral("-P"), ppd});
  if (why.isEmpty()) why = admin(QStringLiteral("lpadmin"), {QStringLiteral("-d"), name});
  return why;
}

QProcessEnvironment CupsScheduler::environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : kChangedVariables) env.remove(QLatin1String(name));
  env.insert(QStringLiteral("CUPS_SERVER"), server_);
  return env;
}

QString CupsScheduler::admin(const QString& program, const QStringList& args) const {
  QProcess run;
  run.setProcessEnvironment(environment());
  run.setProcessChannelMode(QProcess::MergedChannels);
  run.start(program, args);
  if (!run.waitForFinished(20000)) return program + QStringLiteral(" did not finish: ") + run.errorString();
  const QString output = QString::fromLocal8Bit(run.readAll());
  return run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0 ? QString() : program + QStringLiteral(": ") + output;
}

bool CupsScheduler::waitUntilIdle(int seconds) const {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < qint64(seconds) * 1000) {
    cups_job_t* jobs = nullptr;
    const int pending = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(pending > 0 ? pending : 0, jobs);
    if (pending == 0) return true;
    QThread::msleep(20);
  }
  return false;
}

QString CupsScheduler::newestJobAttribute(const char* name) const {
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
  const char* const wanted[] = {"job-id", name};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, wanted);
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  // One group of attributes a job, separated by unnamed attributes.
  int newest = 0, id = 0;
  QString value, newestValue;
  auto endOfJob = [&] {
    if (id > newest) newest = id, newestValue = value;
    id = 0;
    value.clear();
  };
  for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
    const char* attribute = ippGetName(a);
    if (!attribute) {
      endOfJob();
    } else if (qstrcmp(attribute, "job-id") == 0) {
      id = ippGetInteger(a, 0);
    } else if (qstrcmp(attribute, name) == 0) {
      char text[256];
      ippAttributeString(a, text, sizeof text);
      value = QString::fromUtf8(text);
    }
  }
  endOfJob();
  ippDelete(response);
  return newestValue;
}

QString CupsScheduler::log() const {
  QFile file(dir_.filePath(QStringLiteral("log/error_log")));
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("(no scheduler log)");
  const QByteArray text = file.readAll();
  return QString::fromLocal8Bit(text.right(3000));
}

}  // namespace platform::test
