#pragma once
// Test support for component libraries as a host meets them: each step runs
// in a fresh child process whose only link to the others is a registry store
// in a temporary folder. Child bodies return 0, or fail with CHILD_CHECK.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>

// In a child body: on failure print the line and end the child with 1.
#define CHILD_CHECK(cond)                                                           \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "child check failed at line %d: %s\n", __LINE__, #cond); \
      return 1;                                                                     \
    }                                                                               \
  } while (0)

namespace platform::test {

class HostProcessTest : public ::testing::Test {
 protected:
  // Runs `body` in a child process that uses the test store, and expects 0.
  void inChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      setenv("WAGEWISE_REGISTRY", storePath.toLocal8Bit().constData(), 1);
      // An exit status keeps only 8 bits: any failure leaves as 1, so none
      // can wrap round to a pass.
      _exit(body() == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "child crashed";
    ASSERT_EQ(WEXITSTATUS(status), 0) << "child failed (see the line it printed)";
  }

  QTemporaryDir dir;
  QString storePath = dir.filePath(QStringLiteral("registry.sqlite3"));
};

}  // namespace platform::test
