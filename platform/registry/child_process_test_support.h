#pragma once
// Test support for the store's multi-process tests: run a body in a forked
// child and read back how it ended.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace platform::test {

// Forks; the child runs `body` and exits with its result. Assertions do not
// work in the child, so bodies return a nonzero code at their first failure
// (97 when nothing was returned, 98 for an exception, 99 for a code an exit
// status cannot carry: it keeps 8 bits, and 256 would read as 0).
inline pid_t spawn(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    int rc = 97;
    try {
      rc = body();
    } catch (...) {
      rc = 98;
    }
    _exit(rc >= 0 && rc <= 255 ? rc : 99);
  }
  return pid;
}

// The child's exit code, 128 + the signal that ended it, or -1.
inline int waitExit(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace platform::test
