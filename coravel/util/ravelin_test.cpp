// Ravelin as a host calls it: members by name through the dispatch
// interface, with the caller's variables written back.
#include "coravel/util/ravelin.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <ostream>

#include "coravel/util/field_split.h"
#include "platform/component/object_host.h"

using core::Value;

namespace core {
// Failures show values as text rather than as bytes.
void PrintTo(const Value& v, std::ostream* os) {
  if (v.kind() == Value::Kind::TextArray) {
    *os << "[" << v.textArray().join(u'|').toStdString() << "]";
  } else {
    *os << v.toText().toStdString();
  }
}
}  // namespace core

namespace {

struct Call {
  core::Fault fault;
  Value result;
  std::vector<Value> args;  // as the caller holds them afterwards
};

Call call(const char* member, std::vector<Value> args) {
  coravel::Ravelin ravelin;
  Call c{{}, {}, std::move(args)};
  c.fault = platform::callByName(ravelin, QLatin1String(member), platform::CallKind::Method, c.args, c.result);
  return c;
}

Value texts(std::initializer_list<const char*> items) {
  QStringList list;
  for (const char* s : items) list << QString::fromLatin1(s);
  return list;
}

TEST(Ravelin, MembersInSlotOrder) {
  coravel::Ravelin ravelin;
  QStringList names;
  for (const platform::MemberInfo& m : ravelin.members()) names << m.name;
  EXPECT_EQ(names, (QStringList{"TimedPause", "Splits", "sSplit", "scramb", "Encrypt", "Decrypt", "Exists",
                                "GetFileName", "CleanFileName", "NoRound", "txtDcrypt", "FileExists"}));
}

TEST(Ravelin, SplitsWritesBackTextFieldsAndNextIndex) {
  const struct {
    const char* chaine;
    const char* separ;
    Value held;
    int nbElem;
    int result;
    const char* chaineAfter;
    Value fields;
    int nbElemAfter;
  } cases[] = {
      {"a,b,c", ",", texts({}), 0, 0, "a,b,c,", texts({"a", "b", "c"}), 3},
      {"a,,b,", ",", texts({}), 0, 0, "a,,b,", texts({"a", "", "b"}), 3},
      {"", ",", Value(), 0, 0, ",", texts({""}), 1},
      {"c,d", ",", texts({"a", "b"}), 2, 0, "c,d,", texts({"a", "b", "c", "d"}), 4},
      {"x", ",", texts({"a", "b", "c", "d"}), 1, 0, "x,", texts({"a", "x"}), 2},  // held entries past the end go
      {"a::b", "::", texts({}), 0, 0, "a::b::", texts({"a", "b"}), 2},
      {"a:::b::", "::", texts({}), 0, 0, "a:::b::", texts({"a", ":b"}), 2},
      {"a:b", "::", texts({}), 0, 0, "a:b::", texts({"a:b"}), 1},
      {"a,b", "", texts({"kept"}), 0, 5, "a,b", texts({"kept"}), 0},  // no separator to cut at
      {"a,b", ",", texts({}), -1, 9, "a,b,", texts({}), -1},
  };
  for (const auto& c : cases) {
    Call r = call("Splits", {Value(c.chaine), Value(c.separ), c.held, Value(int32_t(c.nbElem))});
    SCOPED_TRACE(c.chaine);
    ASSERT_FALSE(r.fault.isFault()) << r.fault.description.toStdString();
    EXPECT_EQ(r.result, Value(int32_t(c.result)));
    EXPECT_EQ(r.args[0], Value(c.chaineAfter));
    EXPECT_EQ(r.args[2], c.fields);
    EXPECT_EQ(r.args[3], Value(int32_t(c.nbElemAfter)));
  }
}

// The next index is 16-bit: the field stored at 32,767 stays, and the
// overflow comes back as the result, not as a fault.
TEST(Ravelin, SplitsStopsWithOverflowAndKeepsWhatItStored) {
  Call r = call("Splits", {Value("a,b,c"), Value(","), Value(), Value(int32_t(32766))});
  ASSERT_FALSE(r.fault.isFault());
  EXPECT_EQ(r.result, Value(int32_t(core::kOverflow)));
  EXPECT_EQ(r.args[3], Value(int32_t(32767)));
  const QStringList fields = r.args[2].textArray();
  ASSERT_EQ(fields.size(), 32768);
  EXPECT_EQ(fields[32766], "a");
  EXPECT_EQ(fields[32767], "b");
  EXPECT_EQ(call("Splits", {Value("a"), Value(","), Value("not an array"), Value(int32_t(0))}).fault.number,
            core::kTypeMismatch);
}

TEST(Ravelin, SSplitCutsAtEveryDelimiterAndWritesBackTheDefaultSet) {
  const struct {
    const char* text;
    QString delims;
    int result;
    QString delimsAfter;
    Value fields;
  } cases[] = {
      {"a b", "", 1, coravel::defaultDelimiters(), texts({"a", "b"})},
      {"", "", -1, coravel::defaultDelimiters(), texts({""})},
      {";", "", -1, coravel::defaultDelimiters(), texts({""})},
      {"a;b;", "", 1, coravel::defaultDelimiters(), texts({"a", "b"})},  // no empty last field
      {"a  b\tc", "", 3, coravel::defaultDelimiters(), texts({"a", "", "b", "c"})},
      {"a", "", 0, coravel::defaultDelimiters(), texts({"a"})},
      {"x|y z", "|", 1, "|", texts({"x", "y z"})},
  };
  EXPECT_EQ(coravel::defaultDelimiters(), QStringView(u" ;\0\t\n\r", 6).toString());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Call r = call("sSplit", {Value(c.text), Value(c.delims), texts({"old", "entries", "go"})});
    ASSERT_FALSE(r.fault.isFault());
    EXPECT_EQ(r.result, Value(int32_t(c.result)));
    EXPECT_EQ(r.args[0], Value(c.text));  // taken by value
    EXPECT_EQ(r.args[1], Value(c.delimsAfter));
    EXPECT_EQ(r.args[2], c.fields);
  }
}

TEST(Ravelin, ScrambTakesEvenPositionsThenOdd) {
  EXPECT_EQ(call("scramb", {Value("abcdef")}).result, Value("bdface"));
  EXPECT_EQ(call("scramb", {Value("abcde")}).result, Value("bdace"));
  EXPECT_EQ(call("scramb", {Value("")}).result, Value(""));
  EXPECT_EQ(call("scramb", {Value(QString(32768, u'x'))}).fault.number, core::kOverflow);
}

// "secret" sums to 646; 64.6 rounds to 65, and 65 \ 6 gives the key 10.
TEST(Ravelin, EncryptAndDecryptShareThePasswordKey) {
  Call e = call("Encrypt", {Value("abcdef"), Value("secret")});
  EXPECT_EQ(e.result, Value("g^nao^"));
  EXPECT_EQ(e.args[1], Value("10"));  // the caller's password becomes the key
  EXPECT_EQ(call("Decrypt", {e.result, e.args[1]}).result, Value("jYl[n]"));  // "10" is a password of its own
  EXPECT_EQ(call("Decrypt", {e.result, Value("secret")}).result, Value("abcdef"));

  const QString text = QString::fromLatin1("Wages for May: 1,234.56 \xe9\xfc");
  Call again = call("Decrypt", {call("Encrypt", {Value(text), Value("pay day")}).result, Value("pay day")});
  EXPECT_EQ(again.result, Value(text));

  EXPECT_EQ(call("Encrypt", {Value(QString::fromLatin1("\xff" "b")), Value("secret")}).result, Value("^"));  // 261 is no code
  EXPECT_EQ(call("Encrypt", {Value(QString(256, u'a')), Value("secret")}).result, Value(""));
  EXPECT_EQ(call("Encrypt", {Value("a"), Value(QString(256, u'z'))}).args[1], Value("0"));
}

TEST(Ravelin, FileNameHelpers) {
  const std::pair<const char*, const char*> fileNames[] = {
      {"C:\\Wages\\may.dat", "may.dat"}, {"may.dat", "may.dat"}, {"C:\\Wages\\", ""},
      {"/home/pay/may.dat", "may.dat"},  {"dir/", ""},           {"C:\\a/b", "b"},
      {"/a\\b", "b"},                   {"", ""}};
  for (auto [text, name] : fileNames) EXPECT_EQ(call("GetFileName", {Value(text)}).result, Value(name)) << text;
  EXPECT_EQ(call("CleanFileName", {Value("may.dat")}).result, Value("may"));
  EXPECT_EQ(call("CleanFileName", {Value(".dat")}).result, Value(""));
  EXPECT_EQ(call("CleanFileName", {Value("dat")}).fault.number, core::kInvalidProcedureCall);
}

class RavelinFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    write("may.dat", 10);
    write("big.dat", 40000);
    // A file without a point, and a folder whose only ".dat" is a link to itself.
    ASSERT_TRUE(QDir(dir.path()).mkpath("plain"));
    write("plain/Readme", 1);
    ASSERT_TRUE(QDir(dir.path()).mkpath("loops"));
    ASSERT_TRUE(QFile::link(path("loops/loop.dat"), path("loops/loop.dat")));
    write("loops/z.txt", 1);
  }
  void write(const char* name, int bytes) {
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
  }
  QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
  // `p` with a backslash put in as its fourth character, which Exists removes.
  static QString withBackslash(const QString& p) { return p.left(3) + u'\\' + p.mid(3); }

  QTemporaryDir dir;
};

TEST_F(RavelinFiles, ExistsMatchesFilesNotFolders) {
  const struct {
    QString checkFile;
    bool found;
  } cases[] = {
      {path("may.dat"), true},  {path("*.dat"), true},   {path("m?y.dat"), true},  {path("*"), true},
      {path("m?.dat"), false},  {path("*.txt"), false},  {path("june.dat"), false}, {path("folder"), false},
      {path("fold*"), false},   {path("none/*"), false}, {"", false},               {"\\", false},
      // Letter case aside; "*.*" takes a name without a point; a looping
      // link is passed over.
      {path("M?Y.DAT"), true},  {path("*.DaT"), true},   {path("plain/*.*"), true}, {path("plain/rEAD*"), true},
      {path("plain/R*.*"), true}, {path("plain/*.x"), false}, {path("loops/*.dat"), false}, {path("loops/*"), true},
  };
  for (const auto& c : cases) {
    Call r = call("Exists", {Value(c.checkFile)});
    ASSERT_FALSE(r.fault.isFault()) << c.checkFile.toStdString();
    EXPECT_EQ(r.result, Value(c.found)) << c.checkFile.toStdString();
  }
  Call repaired = call("Exists", {Value(withBackslash(path("may.dat")))});
  EXPECT_EQ(repaired.result, Value(true));
  EXPECT_EQ(repaired.args[0], Value(path("may.dat")));
  for (const char* tooShort : {"a", "ab", "abc", "/a\\"})
    EXPECT_EQ(call("Exists", {Value(tooShort)}).fault.number, core::kInvalidProcedureCall) << tooShort;
}

// Needs the component layer to write by-reference arguments back when the
// member faults.
TEST_F(RavelinFiles, ExistsHandsBackTheRepairedPathBeforeAFault) {
  const QString badName = path("may") + QChar(0) + QStringLiteral(".dat");
  Call r = call("Exists", {Value(withBackslash(badName))});
  EXPECT_EQ(r.fault.number, core::kBadFileNameOrNumber);
  EXPECT_EQ(r.args[0], Value(badName));
}

TEST_F(RavelinFiles, FileExistsForAnyLengthButNotForFolders) {
  const struct {
    QString name;
    int result;
  } cases[] = {{path("may.dat"), -1}, {path("big.dat"), -1}, {path("june.dat"), 0},
               {path("folder"), 0},   {"", 0},                {path("*.dat"), 0}};
  for (const auto& c : cases) {
    Call r = call("FileExists", {Value(c.name)});
    ASSERT_FALSE(r.fault.isFault());
    EXPECT_EQ(r.result, Value(int32_t(c.result))) << c.name.toStdString();
  }
}

TEST(Ravelin, NoRoundCutsTheTypedValue) {
  const struct {
    const char* text;
    double value;
  } cases[] = {{"12.349", 12.34}, {"letters", 0}, {"-1.234", -1.24}, {"1.15", 1.15}, {"4.35", 4.35}};
  for (const auto& c : cases) EXPECT_EQ(call("NoRound", {Value(c.text)}).result, Value(c.value)) << c.text;
  // The argument is read as text, and the caller's number stays a number.
  Call number = call("NoRound", {Value(4.359)});
  EXPECT_EQ(number.result, Value(4.35));
  EXPECT_EQ(number.args[0], Value(4.359));
}

// Codes halve with halves to even: 65 gives 32, 67 gives 34, 69 gives 34.
TEST(Ravelin, TxtDcryptTakesEveryStrengthPlusOneCharacter) {
  EXPECT_EQ(call("txtDcrypt", {Value("ACEG"), Value("unused"), Value(int32_t(0))}).result, Value(" \"\"$"));
  Call every3 = call("txtDcrypt", {Value("AxxCxxE"), Value("unused"), Value(int32_t(2))});
  EXPECT_EQ(every3.result, Value(" \"\""));
  EXPECT_EQ(every3.args[1], Value("unused"));
  EXPECT_EQ(call("txtDcrypt", {Value("A"), Value(""), Value(int32_t(2147483647))}).result, Value(" "));
  EXPECT_EQ(call("txtDcrypt", {Value("AC"), Value(""), Value(int32_t(-1))}).fault.number,
            core::kInvalidProcedureCall);
}

double threadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(Ravelin, TimedPauseWaitsWholeSecondsKeepingEventsLiveWithoutSpinning) {
  QElapsedTimer wall;
  wall.start();
  EXPECT_FALSE(call("TimedPause", {Value(int32_t(0))}).fault.isFault());
  EXPECT_FALSE(call("TimedPause", {Value(int32_t(-5))}).fault.isFault());
  EXPECT_LT(wall.elapsed(), 100);

  bool handled = false;
  QTimer::singleShot(200, [&handled] { handled = true; });
  const double cpuBefore = threadCpuSeconds();
  wall.restart();
  EXPECT_FALSE(call("TimedPause", {Value(int32_t(2))}).fault.isFault());
  const qint64 ms = wall.elapsed();
  EXPECT_GE(ms, 1000);
  EXPECT_LE(ms, 2300);  // at most 2 seconds, and a loaded machine may wake late
  EXPECT_TRUE(handled);
  EXPECT_LT(threadCpuSeconds() - cpuBefore, 0.2);  // a spinning pause burns a whole core
}

}  // namespace
