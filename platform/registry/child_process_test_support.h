#pragma once
// Test support for the store's multi-process tests: run a body in a forked
// child, read back how it ended, and share a record of what the children did.
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <new>
#include <system_error>

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

// A T (of atomics: the processes change it at once) in memory that the
// children forked after it share with the test; a fresh one, unmapped when
// this goes.
template <class T>
class Shared {
 public:
  Shared() : memory_(mmap(nullptr, sizeof(T), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0)) {
    if (memory_ == MAP_FAILED) throw std::system_error(errno, std::generic_category(), "shared memory");
    value_ = new (memory_) T{};
  }
  ~Shared() {
    value_->~T();
    munmap(memory_, sizeof(T));
  }
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;
  T& operator*() const { return *value_; }

 private:
  void* memory_;
  T* value_ = nullptr;
};

}  // namespace platform::test
