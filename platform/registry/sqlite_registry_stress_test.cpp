// Several processes on one store: writers that are killed at random and
// restarted, long-lived readers, and a foreign checkpointer that empties the
// WAL with TRUNCATE (and is itself killed now and then). Every read must give
// at least the last value acknowledged to its writer before the read began.
//
// Runs a few seconds; WAGEWISE_STRESS_SECONDS=N runs it for N seconds.
#include <gtest/gtest.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): kill() is POSIX, declared here, not in <csignal>
#include <sqlite3.h>

#include <QFile>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry/child_process_test_support.h"
#include "platform/registry/registry_test_support.h"

namespace platform {
namespace {

using namespace platform::test;

constexpr int kWriters = 3;
constexpr int kReaders = 3;
constexpr char kKey[] = "Software\\Stress";

// Lives in memory shared by every process of the test.
struct Board {
  std::atomic<uint64_t> acked[kWriters];  // last value each writer's set returned success for
  std::atomic<uint64_t> commits;
  std::atomic<uint64_t> reads;
  std::atomic<uint64_t> stale;
  std::atomic<uint64_t> failures;  // calls that failed (any result but success)
  std::atomic<bool> stop;
};

std::string valueName(int writer) { return "w" + std::to_string(writer); }

int writer(const QString& path, Board& board, int who) {
  SqliteRegistry registry(path);
  for (uint64_t n = board.acked[who].load() + 1; !board.stop.load(); ++n) {
    // Create, set, close, as the settings writer does; a failed call tries n again.
    if (setText(registry, kHKCU, kKey, valueName(who), std::to_string(n)) != reg::kSuccess) {
      board.failures.fetch_add(1);
      --n;
      continue;
    }
    board.acked[who].store(n);
    board.commits.fetch_add(1);
  }
  return 0;
}

int reader(const QString& path, Board& board, unsigned seed) {
  SqliteRegistry registry(path);
  std::minstd_rand random(seed);
  while (!board.stop.load()) {
    const int who = int(random() % kWriters);
    const uint64_t before = board.acked[who].load();
    // Open, read, close, as the settings reader does.
    const ValueRead read = readValueAt(registry, kHKCU, kKey, valueName(who));
    if (read.result != reg::kSuccess && !(read.result == reg::kFileNotFound && before == 0)) {
      board.failures.fetch_add(1);
      continue;
    }
    const uint64_t seen = read.result == reg::kSuccess ? std::strtoull(read.data.c_str(), nullptr, 10) : 0;
    board.reads.fetch_add(1);
    if (seen < before) board.stale.fetch_add(1);
  }
  return 0;
}

// Empties the WAL over and over from a connection of its own, which it
// sometimes closes (dropping its locks on the -shm file) and opens again.
int checkpointer(const QString& path, Board& board, unsigned seed) {
  std::minstd_rand random(seed);
  sqlite3* db = nullptr;
  while (!board.stop.load()) {
    if (db == nullptr && sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE,
                                         nullptr) != SQLITE_OK) {
      sqlite3_close(db);
      db = nullptr;
      continue;
    }
    sqlite3_busy_timeout(db, 50);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    if (random() % 8 == 0) {
      sqlite3_close(db);
      db = nullptr;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200 + random() % 2000));
  }
  sqlite3_close(db);
  return 0;
}

int stressSeconds() { return envCount("WAGEWISE_STRESS_SECONDS", 3); }

class RegistryStressTest : public RegistryTest {};

TEST_F(RegistryStressTest, EveryReadGivesAtLeastTheLastAcknowledgedWrite) {
  { SqliteRegistry(path).readCacheAvailable(); }  // creates the store
  const Shared<Board> shared;
  Board& board = *shared;

  std::minstd_rand random(20261208);
  std::vector<pid_t> writers(kWriters), readers(kReaders);
  for (int i = 0; i < kReaders; ++i) readers[i] = spawn([&, i] { return reader(path, board, 100 + i); });
  for (int i = 0; i < kWriters; ++i) writers[i] = spawn([&, i] { return writer(path, board, i); });
  pid_t checkpoints = spawn([&] { return checkpointer(path, board, 7); });

  int kills = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(stressSeconds());
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 80));
    const int who = int(random() % (kWriters + 1));
    pid_t& victim = who < kWriters ? writers[who] : checkpoints;
    ::kill(victim, SIGKILL);
    waitExit(victim);
    ++kills;
    victim = who < kWriters ? spawn([&, who] { return writer(path, board, who); })
                            : spawn([&, seed = unsigned(random())] { return checkpointer(path, board, seed); });
  }
  board.stop.store(true);
  for (pid_t pid : readers) EXPECT_EQ(waitExit(pid), 0);
  for (pid_t pid : writers) EXPECT_EQ(waitExit(pid), 0);
  EXPECT_EQ(waitExit(checkpoints), 0);

  std::printf("stress: %d s, %llu reads, %llu commits, %d kills, %llu stale reads, %llu failed calls\n",
              stressSeconds(), (unsigned long long)board.reads.load(), (unsigned long long)board.commits.load(), kills,
              (unsigned long long)board.stale.load(), (unsigned long long)board.failures.load());
  EXPECT_EQ(board.stale.load(), 0u);
  EXPECT_GT(board.reads.load(), 0u);
  EXPECT_GT(board.commits.load(), 0u);
}

}  // namespace
}  // namespace platform
