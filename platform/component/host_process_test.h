#pragma once
// Test support for component libraries as a host meets them: each step runs
// in a fresh child process whose only link to the others is a registry store
// in a temporary folder. Child bodies return 0, or fail with CHILD_CHECK.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "platform/registry/child_process_test_support.h"

// In a child body: on failure print the line and end the child with 1. The
// child runs through spawn() (child_process_test_support.h), the one fork
// harness of the tests, whose exit codes cannot wrap round to a pass.
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
    const QByteArray store = storePath.toLocal8Bit();
    const pid_t pid = spawn([&] {
      setenv("WAGEWISE_REGISTRY", store.constData(), 1);
      return body();
    });
    ASSERT_GE(pid, 0);
    const int status = waitExit(pid);
    ASSERT_NE(status, -1) << "the child could not be waited for";
    ASSERT_EQ(status, 0) << "child failed (see the line it printed; 98: it threw, above 128: a signal)";
  }

  QTemporaryDir dir;
  QString storePath = dir.filePath(QStringLiteral("registry.sqlite3"));
};

}  // namespace platform::test
