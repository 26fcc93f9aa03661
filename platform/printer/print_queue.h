#pragma once
// A queue of the system's print system, reached through libcups: whether it
// takes jobs, the paper it prints on by default, and the hand-over of a
// finished document. Every refusal comes back as core::FaultError with the
// print system's own reason, so no printout is lost without a word.
#include <QPageSize>
#include <QString>
#include <QStringList>

namespace platform {

class PrintQueue {
 public:
  explicit PrintQueue(QString name) : name_(std::move(name)) {}

  const QString& name() const { return name_; }

  // Throws when the queue cannot be reached, does not exist or does not
  // accept jobs ("The printer NAME is not accepting jobs: REASON").
  void checkAcceptingJobs() const;

  // The queue's default paper; an invalid size when it states none.
  QPageSize defaultPageSize() const;

  // What goes with a document besides its pages.
  struct JobOptions {
    QString title;
    int copies = 1;
    bool collate = true;
    QString media;            // a paper name the queue knows ("Letter"); empty: its default
    QStringList extra;        // further name, value pairs for the print system
  };

  // Hands the PDF file to the queue as one job and returns the job's id.
  // Throws, with the print system's reason, when it does not take the job.
  int submit(const QString& pdfPath, const JobOptions& job) const;

 private:
  QString name_;
};

}  // namespace platform
