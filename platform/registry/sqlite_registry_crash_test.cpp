// The store under abuse: several processes writing and reading the same
// values, writers killed at random points, and store files that cannot be
// used (truncated, on a full disk, locked past the busy wait). Every case
// must end in a documented result code, never a crash, a lost acknowledged
// write or a store emptied behind the caller's back.
//
// WAGEWISE_STRESS_SCALE=N multiplies the operations and kills by N.
#include <gtest/gtest.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): kill() is POSIX, declared here, not in <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry/child_process_test_support.h"
#include "platform/registry/registry_test_support.h"

namespace platform {
namespace {

using namespace platform::test;

int scale() { return envCount("WAGEWISE_STRESS_SCALE", 1); }

// Each test has a store path of its own in a temporary folder.
class RegistryCrashTest : public RegistryTest {};

// ---- several processes on the same values ------------------------------------------

constexpr int kProcesses = 4;
constexpr int kSlots = 6;  // 3 keys x 2 value names, written by every process

std::string slotKey(int slot) { return "Software\\Mixed\\k" + std::to_string(slot % 3); }
std::string slotName(int slot) { return "v" + std::to_string(slot / 3); }

// A value says who wrote it and when, and carries a body whose length and
// bytes follow from both, so a torn or mixed-up value does not parse.
std::string stamp(int writer, uint32_t seq) {
  const std::string head = std::to_string(writer) + ":" + std::to_string(seq) + ":";
  const size_t length = (seq * 37u + uint32_t(writer) * 101u) % 3000;
  return head + std::string(length, char('a' + (seq + uint32_t(writer)) % 26));
}

bool parseStamp(const std::string& text, int& writer, uint32_t& seq) {
  unsigned w = 0, s = 0;
  if (std::sscanf(text.c_str(), "%u:%u:", &w, &s) != 2 || w >= kProcesses) return false;
  writer = int(w);
  seq = s;
  return stamp(writer, seq) == text;
}

struct MixedBoard {
  std::atomic<uint32_t> lastWrite[kProcesses][kSlots];  // each process's last acknowledged seq per slot
  std::atomic<uint64_t> reads, writes, stale, torn, failures;
};

int mixedWorker(const QString& path, MixedBoard& board, int who, int operations) {
  SqliteRegistry registry(path);
  std::minstd_rand random(unsigned(1000 + who));
  uint32_t seq = 0;
  uint32_t seen[kSlots][kProcesses] = {};  // newest seq seen per slot and writer
  for (int op = 0; op < operations; ++op) {
    const int slot = int(random() % kSlots);
    // Runs of 50 writes and 100 reads, staggered between the processes, so
    // that others commit while one reads on from its cache.
    const bool writing = (op / 50 + who) % 3 == 0;
    if (writing) {  // create, set, close, as the settings writer does
      const uint32_t next = seq + 1;
      if (setText(registry, kHKCU, slotKey(slot), slotName(slot), stamp(who, next)) != reg::kSuccess) {
        board.failures.fetch_add(1);
        continue;
      }
      seq = next;
      seen[slot][who] = seq;
      board.lastWrite[who][slot].store(seq);
      board.writes.fetch_add(1);
    } else {
      // What every writer had acknowledged before the read began: a value of
      // that writer must be at least as new (the read cache must not serve
      // what another process has since replaced).
      uint32_t acked[kProcesses];
      for (int w = 0; w < kProcesses; ++w) acked[w] = board.lastWrite[w][slot].load();
      std::this_thread::sleep_for(std::chrono::microseconds(50));  // a read run spans others' commits
      const ValueRead read = readValueAt(registry, kHKCU, slotKey(slot), slotName(slot));
      board.reads.fetch_add(1);
      if (read.result == reg::kFileNotFound) {  // not written yet: fine only if nobody had written it
        for (int w = 0; w < kProcesses; ++w) board.stale.fetch_add(seen[slot][w] != 0 || acked[w] != 0);
        continue;
      }
      if (read.result != reg::kSuccess) {
        board.failures.fetch_add(1);
        continue;
      }
      int writer = 0;
      uint32_t s = 0;
      if (!parseStamp(read.data, writer, s)) {
        board.torn.fetch_add(1);
        continue;
      }
      if (s < seen[slot][writer] || s < acked[writer]) board.stale.fetch_add(1);
      seen[slot][writer] = std::max(seen[slot][writer], s);
    }
  }
  return 0;
}

TEST_F(RegistryCrashTest, ProcessesSharingValuesNeverReadOlderThanSeenAndLoseNothing) {
  { SqliteRegistry(path).readCacheAvailable(); }  // creates the store
  const Shared<MixedBoard> shared;
  MixedBoard& board = *shared;

  const int operations = 5000 * scale();
  std::vector<pid_t> workers;
  workers.reserve(kProcesses);
  for (int who = 0; who < kProcesses; ++who)
    workers.push_back(spawn([&, who] { return mixedWorker(path, board, who, operations); }));
  for (pid_t pid : workers) EXPECT_EQ(waitExit(pid), 0);

  // Each slot ends with the last write of one of its writers.
  SqliteRegistry registry(path);
  int lost = 0;
  for (int slot = 0; slot < kSlots; ++slot) {
    int writer = 0;
    uint32_t seq = 0;
    if (!parseStamp(readBytes(registry, kHKCU, slotKey(slot), slotName(slot)), writer, seq)) {
      for (const auto& last : board.lastWrite) lost += last[slot].load() != 0;
      continue;
    }
    lost += seq != board.lastWrite[writer][slot].load();
  }
  std::printf("mixed: %d processes, %llu reads, %llu writes, %llu stale, %llu torn, %llu failed calls\n", kProcesses,
              (unsigned long long)board.reads.load(), (unsigned long long)board.writes.load(),
              (unsigned long long)board.stale.load(), (unsigned long long)board.torn.load(),
              (unsigned long long)board.failures.load());
  EXPECT_EQ(board.reads.load() + board.writes.load() + board.failures.load(), uint64_t(kProcesses) * operations);
  EXPECT_GT(board.writes.load(), uint64_t(kProcesses) * operations / 4);
  EXPECT_EQ(board.stale.load(), 0u);
  EXPECT_EQ(board.torn.load(), 0u);
  EXPECT_EQ(board.failures.load(), 0u);
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(integrityCheck(path), "ok");
}

// ---- writers killed at random points ------------------------------------------------

// Operation i of a killed writer's run, replayed by the test to know what
// each acknowledgement promises: mostly a value set; every fifth a batch of
// four values set atomically; every seventh the delete of an earlier value.
struct Op {
  enum Kind { kSet, kBatch, kDelete } kind;
  std::string name;  // value set or deleted; a batch's values are name + "/0".."/3"
};

Op opAt(int round, int i) {
  const std::string base = "r" + std::to_string(round) + "-";
  if (i % 7 == 6) return {Op::kDelete, base + std::to_string(i - 3)};
  if (i % 5 == 4) return {Op::kBatch, base + std::to_string(i)};
  return {Op::kSet, base + std::to_string(i)};
}

std::string payload(const std::string& name) { return name + std::string(name.size() * 13 % 700, '#'); }

int killedWriter(const QString& path, int round, int ackFd) {
  SqliteRegistry r(path);
  HKEY k = 0;
  if (r.RegCreateKeyA(kHKCU, "Software\\Killed", &k) != reg::kSuccess) return 2;
  for (int i = 0;; ++i) {
    const Op op = opAt(round, i);
    int32_t rc = reg::kSuccess;
    if (op.kind == Op::kSet) {
      rc = setText(r, k, op.name, payload(op.name));
    } else if (op.kind == Op::kDelete) {
      rc = r.RegDeleteValueA(k, op.name);
      if (rc == reg::kFileNotFound) rc = reg::kSuccess;  // a batch's name, never set itself
    } else {
      rc = r.runAtomically([&] {
        for (int part = 0; part < 4; ++part) {
          const std::string name = op.name + "/" + std::to_string(part);
          if (int32_t set = setText(r, k, name, payload(name)); set != reg::kSuccess) return set;
        }
        return reg::kSuccess;
      });
    }
    if (rc != reg::kSuccess) return 3;
    if (::write(ackFd, &i, sizeof i) != sizeof i) return 4;
  }
}

// What the acknowledged operations 0..last of a round promise, given that
// operation last + 1 may or may not have landed. Names map to true (must be
// there with its payload) or false (must be gone).
void promises(int round, int last, std::map<std::string, bool>& model) {
  for (int i = 0; i <= last; ++i) {
    const Op op = opAt(round, i);
    if (op.kind == Op::kSet) model[op.name] = true;
    if (op.kind == Op::kDelete) model[op.name] = false;
    if (op.kind == Op::kBatch)
      for (int part = 0; part < 4; ++part) model[op.name + "/" + std::to_string(part)] = true;
  }
  const Op next = opAt(round, last + 1);
  if (next.kind == Op::kDelete) model.erase(next.name);
}

TEST_F(RegistryCrashTest, WritersKilledAtRandomPointsLeaveASoundStoreWithEveryAcknowledgedWrite) {
  std::minstd_rand random(20261208);
  std::map<std::string, bool> model;
  const int rounds = 20 * scale();
  int acknowledged = 0, survived = 0;
  for (int round = 0; round < rounds; ++round) {
    int acks[2];
    ASSERT_EQ(pipe(acks), 0);
    const pid_t writer = spawn([&] {
      ::close(acks[0]);
      return killedWriter(path, round, acks[1]);
    });
    ::close(acks[1]);
    // Once the writer is under way, kill it after a random time, so that the
    // kill lands anywhere: inside a commit, between a commit and its
    // acknowledgement, inside an atomic batch.
    int last = -1, i = 0;
    if (::read(acks[0], &i, sizeof i) == sizeof i) last = i;
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
    ASSERT_EQ(::kill(writer, SIGKILL), 0);
    while (::read(acks[0], &i, sizeof i) == sizeof i) last = i;
    ::close(acks[0]);
    ASSERT_EQ(waitExit(writer), 128 + SIGKILL) << "round " << round;
    acknowledged += last + 1;
    promises(round, last, model);

    ASSERT_EQ(integrityCheck(path), "ok") << "round " << round;
    SqliteRegistry registry(path);
    int broken = 0;
    for (const auto& [name, present] : model) {
      const std::string got = readBytes(registry, kHKCU, "Software\\Killed", name);
      broken += got != (present ? payload(name) : failed(reg::kFileNotFound));
    }
    // Batches land whole or not at all, acknowledged or not.
    const Op next = opAt(round, last + 1);
    if (next.kind == Op::kBatch) {
      int parts = 0;
      for (int part = 0; part < 4; ++part)
        parts += readValueAt(registry, kHKCU, "Software\\Killed", next.name + "/" + std::to_string(part)).result ==
                 reg::kSuccess;
      broken += parts != 0 && parts != 4;
    }
    ASSERT_EQ(broken, 0) << "round " << round << ", last acknowledged operation " << last;
    ++survived;
  }
  std::printf("kills: %d survived of %d, %d operations acknowledged\n", survived, rounds, acknowledged);
  EXPECT_GE(acknowledged, rounds);
}

// ---- store files that cannot be used --------------------------------------------------

// A store of 300 values across many pages, closed (so the WAL is folded in).
void fillStore(const QString& path) {
  SqliteRegistry r(path);
  const KeyAt full = createAt(r, kHKCU, "Software\\Full");
  ASSERT_REG_OK(full.rc);
  for (int i = 0; i < 300; ++i)
    ASSERT_REG_OK(setText(r, full.key, "v" + std::to_string(i), std::string(200, char('a' + i % 26))));
}

// Every call on a store cut short gives a documented code, and none of them
// starts the store afresh over what is left of it.
TEST_F(RegistryCrashTest, ATruncatedStoreGivesBadDbAndIsNotStartedAfresh) {
  fillStore(path);
  const QByteArray whole = fileBytes(path);
  ASSERT_GT(whole.size(), 16384);
  for (const qsizetype length : {qsizetype(50), qsizetype(4096), whole.size() / 2, whole.size() - 4096}) {
    SCOPED_TRACE(length);
    {
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      ASSERT_EQ(f.write(whole.left(length)), length);
    }
    std::vector<int32_t> results;
    {
      SqliteRegistry r(path);
      results.push_back(openAt(r, kHKCU, "Software\\Full").rc);
      results.push_back(readBytes(r, kHKCU, "Software\\Full", "v299") == std::string(200, char('a' + 299 % 26))
                            ? reg::kSuccess
                            : reg::kBadDb);
      results.push_back(createAt(r, kHKCU, "Software\\New").rc);
      results.push_back(setText(r, kHKCU, "v", "x"));
      for (int32_t rc : results)
        EXPECT_TRUE(rc == reg::kSuccess || rc == reg::kBadDb) << "result " << codeName(rc);
    }
    EXPECT_NE(std::count(results.begin(), results.end(), reg::kBadDb), 0);
    EXPECT_EQ(fileBytes(path).left(length), whole.left(length)) << "the remains were overwritten";
  }
}

// The disk fills (here: the file size limit) while a write is under way:
// 112, the values written before stay, and writes work again once there is room.
TEST_F(RegistryCrashTest, AFullDiskGives112AndKeepsWhatWasThere) {
  fillStore(path);
  const int code = waitExit(spawn([&] {
    signal(SIGXFSZ, SIG_IGN);
    SqliteRegistry r(path);
    HKEY k = 0;
    if (r.RegOpenKeyA(kHKCU, "Software\\Full", &k) != reg::kSuccess) return 2;
    const rlimit limit{16384, 16384};  // smaller than the store: no file may grow
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
    const int32_t rc = setText(r, k, "big", std::string(100000, 'b'));
    if (rc != reg::kDiskFull) return 10 + (rc % 100);
    if (readBytes(r, kHKCU, "Software\\Full", "v7") != std::string(200, 'h')) return 4;
    if (readBytes(r, kHKCU, "Software\\Full", "big") != failed(reg::kFileNotFound)) return 5;
    return 0;
  }));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(integrityCheck(path), "ok");
  SqliteRegistry r(path);
  EXPECT_EQ(readBytes(r, kHKCU, "Software\\Full", "v299"), std::string(200, char('a' + 299 % 26)));
  const KeyAt full = openAt(r, kHKCU, "Software\\Full");
  ASSERT_REG_OK(full.rc);
  EXPECT_REG_OK(setText(r, full.key, "big", "fits now"));
}

// A store of the first layout, with a classes tree of its own: 20,000 keys
// with a value each, and a subkey under every tenth.
void writeOldClassesTree(const QString& path) {
  {
    SqliteRegistry made(path);
    ASSERT_REG_OK(createAt(made, kHKCU, "Software").rc);
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
  const char* oldTree = R"sql(
    WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 19999)
    INSERT INTO keys(id, root, parent, name, lpath)
      SELECT 1000 + i, 0, 1, CAST('K' || i AS BLOB), CAST('k' || i AS BLOB) FROM n;
    WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 10 FROM n WHERE i < 19990)
    INSERT INTO keys(id, root, parent, name, lpath)
      SELECT 100000 + i, 0, 1000 + i, CAST('Sub' AS BLOB), CAST('k' || i || '\sub' AS BLOB) FROM n;
    INSERT INTO vals(key, lname, name, type, data)
      SELECT id, CAST('v' AS BLOB), CAST('v' AS BLOB), 1, name FROM keys WHERE root=0 AND parent IS NOT NULL;
    PRAGMA user_version=1;)sql";
  ASSERT_EQ(sqlite3_exec(db, oldTree, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

// The move of an old classes tree goes in bounded transactions: killed in the
// middle, it has landed part of the tree and still says version 1; the next
// open moves the rest, and every key and value arrives once.
TEST_F(RegistryCrashTest, AnOldClassesTreeMovesInBoundedTransactionsAndResumesAfterAKill) {
  writeOldClassesTree(path);
  const char* left = "SELECT count(*) FROM keys WHERE root=0 AND parent IS NOT NULL";
  ASSERT_EQ(sqlNumber(path, left), 22000);
  int64_t remaining = 22000;
  for (int attempt = 0; attempt < 20 && remaining == 22000; ++attempt) {
    const pid_t child = spawn([&] {
      SqliteRegistry r(path);
      return openAt(r, reg::kClassesRoot, "K0").rc == reg::kSuccess ? 0 : 1;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(120 + 40 * attempt));
    ::kill(child, SIGKILL);
    waitExit(child);
    remaining = sqlNumber(path, left);
  }
  std::printf("after the kill: %lld of 22000 old keys left to move\n", static_cast<long long>(remaining));
  if (remaining > 0) {
    EXPECT_LT(remaining, 22000) << "a transaction landed before the kill";
    EXPECT_EQ(sqlNumber(path, "PRAGMA user_version"), 1) << "not done yet";
  }
  {
    SqliteRegistry r(path);
    for (const char* key : {"K0", "K0\\Sub", "K19990\\Sub", "K19999"}) {
      const KeyAt at = openAt(r, reg::kClassesRoot, key);
      ASSERT_REG_OK(at.rc) << key;
      EXPECT_EQ(readBytes(r, at.key, "v"), std::string(key).substr(std::string(key).rfind('\\') + 1)) << key;
    }
  }
  EXPECT_EQ(sqlNumber(path, left), 0);
  EXPECT_EQ(sqlNumber(path, "PRAGMA user_version"), 2);
  EXPECT_EQ(sqlNumber(path, "SELECT count(*) FROM keys WHERE root=1 AND CAST(lpath AS TEXT) LIKE 'software\\classes\\k%'"), 22000);
  EXPECT_EQ(sqlNumber(path, "SELECT count(*) FROM vals WHERE key NOT IN (SELECT id FROM keys)"), 0);
  EXPECT_EQ(sqlNumber(path, "SELECT count(*) FROM vals"), 22000);
}

// Another process holds the store's write lock: a write waits it out and
// lands when the lock goes within 30 s (2 s here); held past that, the write
// gives 170 with a message that names the holder, reads go on, and nothing
// is lost.
TEST_F(RegistryCrashTest, AWriteWaitsOutABusyNeighbourAndGivesUpOnlyAfterThirtySeconds) {
  fillStore(path);
  for (int holdSeconds : {2, 31}) {
    SCOPED_TRACE(holdSeconds);
    int locked[2];
    ASSERT_EQ(pipe(locked), 0);
    const pid_t holder = spawn([&] {
      sqlite3* db = nullptr;
      if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) return 2;
      if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return 3;
      char byte = 1;
      if (::write(locked[1], &byte, 1) != 1) return 4;
      std::this_thread::sleep_for(std::chrono::seconds(holdSeconds));
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      sqlite3_close(db);
      return 0;
    });
    char byte = 0;
    ASSERT_EQ(::read(locked[0], &byte, 1), 1);
    SqliteRegistry r(path);
    const KeyAt full = openAt(r, kHKCU, "Software\\Full");
    ASSERT_REG_OK(full.rc);
    // v0, then v2: each holds 200 copies of its letter ('a', 'c') until written.
    const int index = holdSeconds < 30 ? 0 : 2;
    const std::string name = "v" + std::to_string(index);
    const auto start = std::chrono::steady_clock::now();
    const int32_t rc = setText(r, full.key, name, "changed");
    const auto waited = std::chrono::steady_clock::now() - start;
    if (holdSeconds < 30) {
      EXPECT_REG_OK(rc);
      EXPECT_GE(waited, std::chrono::milliseconds(1500));
      EXPECT_EQ(readBytes(r, kHKCU, "Software\\Full", name), "changed");
    } else {
      EXPECT_REG(rc, reg::kBusy);
      EXPECT_GE(waited, std::chrono::seconds(29));
      EXPECT_NE(r.storeError().find("is kept locked by process " + std::to_string(holder)), std::string::npos)
          << r.storeError();
      EXPECT_EQ(readBytes(r, kHKCU, "Software\\Full", name), std::string(200, char('a' + index)));
    }
    EXPECT_EQ(waitExit(holder), 0);
    EXPECT_REG_OK(setText(r, full.key, "v1", "after"));
    for (int fd : locked) ::close(fd);
  }
}

}  // namespace
}  // namespace platform
