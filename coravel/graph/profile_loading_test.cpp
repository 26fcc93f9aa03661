// Reading profile files into the list, searching folder trees, and choosing
// files with the open-file dialog.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

#include "coravel/graph/graph_data.h"
#include "coravel/graph/profile_file_choice.h"
#include "coravel/graph/profile_loader.h"
#include "platform/ui/fake_ui.h"
#include "rowcast/list/item_model_list.h"

namespace coravel {
namespace {

// Thirteen fields with the date and the Total Pay given.
QByteArray record(const char* date, const char* totalPay = "80") {
  return QByteArray(date) + ",08:00,16:30,8.5,8,0.5,80.00,7.50," + totalPay + ",12.00,0,No,0.5\n";
}

// A row's cells joined by "|", trailing empty cells left off.
QString joined(const ProfileTable& list, int item) {
  QStringList cells;
  for (int c = 0; c < ProfileTable::kColumnCount; ++c) cells.append(list.cellText(item, c));
  while (!cells.isEmpty() && cells.last().isEmpty()) cells.removeLast();
  return cells.join(u'|');
}

QStringList rowsOf(const ProfileTable& list) {
  QStringList rows;
  for (int i = 0; i < list.itemCount(); ++i) rows.append(joined(list, i));
  return rows;
}

struct Files {
  QTemporaryDir dir;
  QString write(const QString& relative, const QByteArray& bytes) {
    QString path = dir.filePath(relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
};

const char kLine[] = "01/05/2001|08:00|16:30|8.5|8|0.5|80.00|7.50|87.50|12.00|0|No|0.5";

struct ReadCase {
  const char* what;
  QByteArray text;
  QStringList rows;
};

TEST(ProfileReading, FieldsRecordsAndLineEnds) {
  const QByteArray one = "01/05/2001,08:00,16:30,8.5,8,0.5,80.00,7.50,87.50,12.00,0,No,0.5";
  const QString split = QString::fromLatin1(kLine);
  const ReadCase cases[] = {
      {"three records in file order", record("01/05/2001") + record("01/06/2001") + record("01/07/2001"),
       {"01/05/2001|08:00|16:30|8.5|8|0.5|80.00|7.50|80|12.00|0|No|0.5",
        "01/06/2001|08:00|16:30|8.5|8|0.5|80.00|7.50|80|12.00|0|No|0.5",
        "01/07/2001|08:00|16:30|8.5|8|0.5|80.00|7.50|80|12.00|0|No|0.5"}},
      {"a record split over two lines", "01/05/2001,08:00,16:30,8.5,8,0.5\n80.00,7.50,87.50,12.00,0,No,0.5\n", {split}},
      {"CR LF line ends, no final line end", QByteArray(one).replace(",8.5,", ",8.5\r\n") + "\r\n\r\n" + one,
       {split, split}},
      {"quotes, blanks and text after a closing quote",
       "  \"01/05/2001\" ,\"08:00\",16:30  ,8.5,8,0.5,\"80.00\",7.50,\"87.50\"xyz,\"12.00, after tax\",0,\"Multi\nPay\",0.5\n",
       {"01/05/2001|08:00|16:30|8.5|8|0.5|80.00|7.50|87.50|12.00, after tax|0|Multi\nPay|0.5"}},
      {"an empty last field and blank lines between records",
       "a,b,c,d,e,f,g,h,i,j,k,l,\n\n\na,b,c,d,e,f,g,h,i,j,k,l,m\n", {"a|b|c|d|e|f|g|h|i|j|k|l", "a|b|c|d|e|f|g|h|i|j|k|l|m"}},
      {"a record cut short by the end of the file", record("01/05/2001") + "01/09/2001,08:00,\"16:",
       {"01/05/2001|08:00|16:30|8.5|8|0.5|80.00|7.50|80|12.00|0|No|0.5", "01/09/2001|08:00|16:"}},
      {"NUL bytes and bytes above 127 as ISO 8859-1", QByteArray("01/05/2001,a\0b,\xE9t\xE9,\xFF\xFE", 21),
       {QStringLiteral("01/05/2001|a") + QChar(0) + QStringLiteral("b|\u00E9t\u00E9|\u00FF\u00FE")}},
      {"an empty file", "", {}},
      {"only line ends", "\n\r\n  \n", {}},
      {"a UTF-8 byte-order mark before the first record only", "\xEF\xBB\xBF" + record("01/05/2001") + "\xEF\xBB\xBF" + one,
       {"01/05/2001|08:00|16:30|8.5|8|0.5|80.00|7.50|80|12.00|0|No|0.5", QStringLiteral("\u00EF\u00BB\u00BF") + split}},
      {"a byte-order mark alone", "\xEF\xBB\xBF", {}},
  };
  for (const ReadCase& c : cases) {
    Files files;
    ProfileTable list;
    ProfileLoader loader(list);
    EXPECT_EQ(loader.LoadLWGraph(list, files.write("p.dat", c.text)), LoadOutcome::Read) << c.what;
    EXPECT_EQ(rowsOf(list), c.rows) << c.what;
    EXPECT_EQ(loader.filesRead(), 1) << c.what;
  }
}

TEST(ProfileReading, InnoAbandonsTheFileFromItsRecordOn) {
  struct Case {
    const char* what;
    QByteArray text;
    LoadOutcome outcome;
    int rows;
  };
  const Case cases[] = {
      {"in the first record", "Innovate Ltd,1,2,3,4,5,6,7,8,9,10,11,12\n" + record("01/05/2001"), LoadOutcome::NotProfile, 0},
      {"in the third record", record("01/05/2001") + record("01/06/2001") + "01/07/2001,\"x Inno\"\n" + record("01/08/2001"),
       LoadOutcome::NotProfile, 2},
      {"in the last field of the last record", record("01/05/2001") + "a,b,c,d,e,f,g,h,i,j,k,l,DInno", LoadOutcome::NotProfile, 1},
      {"other letter case", record("01/05/2001") + "inno,INNO,b,c,d,e,f,g,h,i,j,k,l\n", LoadOutcome::Read, 2},
      {"split by a separator or dropped after a quote", "In,no,\"a\"Inno,c,d,e,f,g,h,i,j,k,l\n", LoadOutcome::Read, 1},
  };
  for (const Case& c : cases) {
    Files files;
    ProfileTable list;
    ProfileLoader loader(list);
    EXPECT_EQ(loader.LoadLWGraph(list, files.write("p.dat", c.text)), c.outcome) << c.what;
    EXPECT_EQ(list.itemCount(), c.rows) << c.what;
    EXPECT_EQ(loader.filesRead(), c.outcome == LoadOutcome::Read ? 1 : 0) << c.what;
  }
  // The rows kept from an abandoned file still read whole.
  Files files;
  ProfileTable list;
  ProfileLoader(list).LoadLWGraph(list, files.write("p.dat", record("01/05/2001") + "Inno"));
  EXPECT_EQ(joined(list, 0), "01/05/2001|08:00|16:30|8.5|8|0.5|80.00|7.50|80|12.00|0|No|0.5");
}

TEST(ProfileReading, FilesThatCannotBeReadAddNothingAndNeverWait) {
  Files files;
  const QString fifo = files.dir.filePath("pipe.dat");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  ProfileTable list;
  ProfileLoader loader(list);
  for (const QString& path : {files.dir.filePath("missing.dat"), fifo, files.dir.path()})
    EXPECT_EQ(loader.LoadLWGraph(list, path), LoadOutcome::NotReadable) << qPrintable(path);
  EXPECT_EQ(list.itemCount(), 0);
  EXPECT_EQ(loader.filesRead(), 0);
}

// Whatever a file holds, reading it and totalling its rows ends, and every
// byte stays where it was.
TEST(ProfileReading, BinaryFilesAndHugeFieldsAreReadAsText) {
  QByteArray binary(1 << 20, Qt::Uninitialized);
  uint32_t seed = 7;
  for (char& c : binary) c = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  const QByteArray hugeField = QByteArray("01/05/2001,\"") + QByteArray(3 << 20, 'x') + "\"," + record("01/06/2001");
  for (const QByteArray& text : {binary, hugeField}) {
    Files files;
    ProfileTable list;
    ProfileLoader loader(list);
    EXPECT_NE(loader.LoadLWGraph(list, files.write("p.dat", text)), LoadOutcome::NotReadable);
    GraphData data(QLocale(QLocale::English, QLocale::UnitedStates));
    data.GetMonthDate(list);
    data.GetColumnNetPay(list);
    qint64 cellBytes = 0;
    for (int i = 0; i < list.itemCount(); ++i)
      for (const std::string_view cell : list.row(i)) cellBytes += static_cast<qint64>(cell.size());
    EXPECT_GT(cellBytes, text.size() / 2);
  }
}

TEST(ProfileReading, LoadingTheSameFileTwiceListsItsRowsTwice) {
  Files files;
  const QString path = files.write("p.dat", record("01/05/2001") + record("02/05/2001"));
  ProfileTable list;
  ProfileLoader loader(list);
  loader.LoadLWGraph(list, path);
  loader.LoadLWGraph(list, path);
  EXPECT_EQ(list.itemCount(), 4);
  EXPECT_EQ(list.cellText(2, 0), "01/05/2001");
  EXPECT_EQ(loader.filesRead(), 2);
}

// Each file holds one record whose date names it.
struct Tree : Files {
  void profile(const char* relative) { write(QString::fromLatin1(relative), record(relative)); }
  void link(const char* target, const char* relative) {
    ASSERT_EQ(::symlink(target, QFile::encodeName(dir.filePath(relative)).constData()), 0);
  }
};

QStringList datesOf(const ProfileTable& list) {
  QStringList dates;
  for (int i = 0; i < list.itemCount(); ++i) dates.append(list.cellText(i, 0));
  return dates;
}

TEST(FilesSearch, FilesOfAFolderBeforeItsSubfoldersInNameOrder) {
  Tree tree;
  for (const char* name : {"b.dat", "A.dat", "notes.txt", "sub2/c.dat", "sub1/d.DAT", "sub1/deep/e.dat",
                           "sub1/deep/z.dat", ".hidden/f.dat", ".g.dat", "sub3/gone/x.dat", "sub3/y.dat"})
    tree.profile(name);
  tree.link("..", "sub1/loop");           // a link loop
  tree.link("../sub2", "sub1/folder.dat");  // a link to a folder that looks like a profile
  tree.link("../sub2/c.dat", "sub1/again.dat");  // read here; c.dat itself is then passed over
  ASSERT_EQ(::link(QFile::encodeName(tree.dir.filePath("b.dat")).constData(),
                   QFile::encodeName(tree.dir.filePath("sub3/hard.dat")).constData()), 0);

  ProfileTable list;
  ProfileLoader loader(list);
  int folders = 0;
  QList<int> counts;
  loader.setLetEventsRun([&] {
    // A folder that vanishes between its listing and its search is skipped.
    if (++folders == 6) QDir(tree.dir.filePath("sub3/gone")).removeRecursively();
  });
  loader.setFilesReadChanged([&](int n) { counts.append(n); });
  QString drivePath = tree.dir.path();
  QString ext = QStringLiteral("*.dat");
  loader.FilesSearch(drivePath, ext);

  EXPECT_EQ(drivePath, tree.dir.path() + u'/');
  EXPECT_EQ(datesOf(list), (QStringList{"A.dat", "b.dat", "sub2/c.dat", "sub1/d.DAT", "sub1/deep/e.dat",
                                        "sub1/deep/z.dat", "sub3/y.dat"}));
  EXPECT_EQ(folders, 6);  // root, sub1, deep, sub2, sub3, gone
  EXPECT_EQ(counts, (QList<int>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(FilesSearch, UnreadableFolderIsSkipped) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  Tree tree;
  tree.profile("a.dat");
  tree.profile("locked/b.dat");
  tree.profile("z/c.dat");
  ::chmod(QFile::encodeName(tree.dir.filePath("locked")).constData(), 0);
  ProfileTable list;
  ProfileLoader loader(list);
  loader.loadAppPath(tree.dir.path());
  ::chmod(QFile::encodeName(tree.dir.filePath("locked")).constData(), 0700);
  EXPECT_EQ(datesOf(list), (QStringList{"a.dat", "z/c.dat"}));
}

TEST(FilesSearch, AResetDuringTheSearchEndsIt) {
  Tree tree;
  for (const char* name : {"a.dat", "s1/b.dat", "s2/c.dat"}) tree.profile(name);
  ProfileTable list;
  ProfileLoader loader(list);
  int folders = 0;
  loader.setLetEventsRun([&] {
    if (++folders == 2) list.clear();  // the user clicked an option while events ran
  });
  loader.loadAppPath(tree.dir.path());
  EXPECT_EQ(folders, 2);
  EXPECT_EQ(list.itemCount(), 0);
}

TEST(FilesSearch, EmptyAppPathLoadsNothing) {
  ProfileTable list;
  ProfileLoader loader(list);
  int folders = 0;
  loader.setLetEventsRun([&] { ++folders; });
  loader.loadAppPath(QString());
  EXPECT_EQ(folders, 0);
  EXPECT_EQ(list.itemCount(), 0);
}

TEST(SelectMultipleFiles, AsksForProfilesAndJoinsTheAnswer) {
  struct Case {
    QStringList chosen;
    bool result;
    QStringList answer;
    QStringList paths;
  };
  const QStringList untouched{"kept"};
  const Case cases[] = {
      {{}, false, untouched, untouched},
      {{"/home/jo/Jobs/a.dat"}, true, {"/home/jo/Jobs/a.dat"}, {"/home/jo/Jobs/a.dat"}},
      {{"/home/jo/Jobs/a.dat", "/home/jo/Jobs/b.dat"}, true, {"/home/jo/Jobs", "a.dat", "b.dat"},
       {"/home/jo/Jobs/a.dat", "/home/jo/Jobs/b.dat"}},
      {{"/j/b.dat", "/j/a.dat", "/k/c.dat"}, true, {"/j", "b.dat", "a.dat", "../k/c.dat"},
       {"/j/b.dat", "/j/a.dat", "/j/../k/c.dat"}},
  };
  for (const Case& c : cases) {
    platform::FakeUi cd;
    cd.filesToChoose = c.chosen;
    QStringList files = untouched;
    EXPECT_EQ(SelectMultipleFiles(cd, QStringLiteral("dat"), files), c.result);
    EXPECT_EQ(files, c.answer);
    EXPECT_EQ(chosenProfilePaths(files), c.paths);
    ASSERT_EQ(cd.fileRequests.size(), 1);
    EXPECT_EQ(cd.fileRequests[0].title, "Select one or more files");
    EXPECT_EQ(cd.fileRequests[0].filter, "Profile Files (*.dat) (*.*dat)");
    EXPECT_TRUE(cd.fileRequests[0].multiple);
  }
}

TEST(RecordStarts, KeepEveryStartAcrossBlocksInFourOrEightBytes) {
  const struct {
    int64_t textSize;
    int64_t step;  // between starts; the last start of the wide case is past 32 bits
  } cases[] = {{int64_t(UINT32_MAX), 13}, {int64_t(UINT32_MAX) * 4, 65537}};
  for (const auto& c : cases) {
    RecordStarts starts(c.textSize);
    const size_t count = 200'000;  // a few blocks and a part of one
    for (size_t i = 0; i < count; ++i) starts.push_back(int64_t(i) * c.step);
    ASSERT_EQ(starts.size(), count);
    size_t wrong = 0;
    for (size_t i = 0; i < count; ++i) wrong += starts[i] != int64_t(i) * c.step;
    EXPECT_EQ(wrong, 0u) << c.textSize;
    starts.truncate(70'000);
    starts.truncate(count);  // never grows
    ASSERT_EQ(starts.size(), 70'000u);
    EXPECT_EQ(starts[69'999], 69'999 * c.step);
    starts.push_back(7);
    EXPECT_EQ(starts[70'000], 7);
  }
}

TEST(ProfileTable, ReadsAsATableModel) {
  Files files;
  ProfileTable list;
  ProfileLoader loader(list);
  loader.LoadLWGraph(list, files.write("p.dat", record("01/05/2001", "\"$1,087.50\"")));
  EXPECT_EQ(list.rowCount(), 1);
  EXPECT_EQ(list.columnCount(), 13);
  QStringList headers;
  for (int c = 0; c < 13; ++c) headers.append(list.headerData(c, Qt::Horizontal).toString());
  EXPECT_EQ(headers.join(u','), "Date,Start,Finish,Worked,Regular,Overtime,Regular Pay,Overtime Pay,Total Pay,"
                                "Deductions,Bonuses,Multi-Pay Rate,Lunch");
  EXPECT_EQ(list.data(list.index(0, 8)).toString(), "$1,087.50");
  // Rowcast reads the same list through its item-model adapter.
  const rowcast::ItemModelList asRowcastList(&list, QStringLiteral("ListViewGraph"));
  EXPECT_EQ(asRowcastList.itemCount(), 1);
  EXPECT_EQ(asRowcastList.columnHeaderText(12), "Lunch");
  EXPECT_EQ(asRowcastList.itemText(0), "01/05/2001");
  EXPECT_EQ(asRowcastList.subItemText(0, 7), "$1,087.50");
  list.clear();
  EXPECT_EQ(list.rowCount(), 0);
}

}  // namespace
}  // namespace coravel
