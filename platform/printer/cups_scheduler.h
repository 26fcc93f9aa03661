#pragma once
// Test support: a print system of the test's own. start() runs a CUPS
// scheduler in the foreground with a private configuration, spool, cache
// and logs in a temporary folder, listening on a free loopback port and on a
// socket in that folder, and points this process (CUPS_SERVER) and the
// programs it starts at it. addFileQueue() adds a queue that writes every job
// it prints to a file, unchanged, and makes it the default printer. The
// scheduler stops with the object. Needs the cups-daemon and cups-client
// packages (scripts/setup). The variables it changes are put back when it
// goes.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace platform::test {

class CupsScheduler {
 public:
  CupsScheduler();
  ~CupsScheduler();
  CupsScheduler(const CupsScheduler&) = delete;
  CupsScheduler& operator=(const CupsScheduler&) = delete;

  // Starts the scheduler and waits until it answers. Empty when it runs,
  // else why it does not (for the test's failure message).
  QString start();
  // Stops it (as a crash or a shutdown would, mid-job or not).
  void stop();
  bool running() const { return process_.state() == QProcess::Running; }

  // A queue `name` whose jobs land in queueOutput(name), default paper
  // `paper` (Letter or A4), made the default printer. Empty, or the reason.
  QString addFileQueue(const QString& name, const QString& paper);
  // start(), then addFileQueue(): what a test suite's set-up does. Empty, or
  // the reason the first of them failed.
  QString startWithFileQueue(const QString& name, const QString& paper) {
    const QString failure = start();
    return failure.isEmpty() ? addFileQueue(name, paper) : failure;
  }
  QString queueOutput(const QString& name) const;
  // The scheduler keeps one job a queue at most. holdAJob() pauses `queue`
  // with a job waiting in it: the queue still says it accepts jobs, then
  // refuses the next one when it is handed over ("too many jobs").
  // releaseJobs() cancels its jobs and lets it print again.
  QString holdAJob(const QString& queue) const;
  QString releaseJobs(const QString& queue) const;
  // Runs an administration command (cupsreject, cupsaccept, lpadmin ...)
  // against this scheduler; empty, or its output when it fails.
  QString admin(const QString& program, const QStringList& args) const;
  // An attribute of the newest job the scheduler knows, as the print system
  // writes it ("2" for copies); empty when there is none.
  QString newestJobAttribute(const char* name) const;
  // Waits until no job is pending or printing; false after `seconds`.
  bool waitUntilIdle(int seconds = 20) const;

  // The server address, as CUPS_SERVER takes it.
  QString server() const { return server_; }
  // For programs the test starts: this scheduler, and no PDF file override.
  QProcessEnvironment environment() const;
  // The scheduler's log, for failure messages.
  QString log() const;
  QString folder() const { return dir_.path(); }

 private:
  QString writeConfiguration(int port);
  QString waitUntilAnswering();

  QTemporaryDir dir_;
  QProcess process_;
  QProcessEnvironment before_ = QProcessEnvironment::systemEnvironment();
  QString server_;
};

}  // namespace platform::test
