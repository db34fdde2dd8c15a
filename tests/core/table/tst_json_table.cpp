#include "core/table/grid_model.h"
#include "core/table/json_table.h"
#include "core/table/json_writer.h"

#include "grid_test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace runpad;
using runpad::testing::errorOf;

namespace {

// Everything of a grid an import may change.
struct GridSnapshot {
    int rowCount, colCount, fixedRows, row, col;
    QList<QStringList> cells; // a wide margin beyond the counts

    explicit GridSnapshot(const GridModel& grid)
        : rowCount(grid.rowCount()), colCount(grid.colCount()), fixedRows(grid.fixedRows()),
          row(grid.row()), col(grid.col()) {
        for (int r = 0; r < 12; ++r) {
            QStringList texts;
            for (int c = 0; c < 12; ++c)
                texts << grid.cell(c, r);
            cells << texts;
        }
    }
    bool operator==(const GridSnapshot&) const = default;
};

// A grid of 5 x 5 whose every cell says where it is, and the current cell
// at (3, 4).
void fillGrid(GridModel& grid) {
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.colCount(); ++c)
            grid.setCell(c, r, QStringLiteral("c%1r%2").arg(c).arg(r));
    grid.setOptions(kCellModeOptions);
    grid.setRow(4);
    grid.setCol(3);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Limits the size of files this process may write, for as long as it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool active() const { return active_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
    bool active_ = false;
};

} // namespace

class TestJsonTable : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void stringEscapes_data();
    void stringEscapes();
    void exportText();
    void exportReplacesOlderFile();
    void roundTrip();
    void importConsequences_data();
    void importConsequences();
    void importFailureLeavesGridUnchanged_data();
    void importFailureLeavesGridUnchanged();
    void fileNameChecks_data();
    void fileNameChecks();
    void importFindsExportIgnoringCase();
    void importPrefersExactName();
    void unreadableImportFile_data();
    void unreadableImportFile();
    void exportCannotCreate();
    void failedExportKeepsOlderFile();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString previousCurrent_;
};

void TestJsonTable::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    previousCurrent_ = QDir::currentPath();
    // The menu uses relative names: work in the temporary folder.
    QVERIFY(QDir::setCurrent(dir_->path()));
}

void TestJsonTable::cleanup() {
    QDir::setCurrent(previousCurrent_);
    dir_.reset();
}

void TestJsonTable::stringEscapes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("empty") << "" << QByteArray(R"("")");
    QTest::newRow("plain ASCII with space and tilde") << "a b~" << QByteArray(R"("a b~")");
    QTest::newRow("quotation mark and backslash") << "\"\\" << QByteArray(R"("\"\\")");
    QTest::newRow("solidus of a path")
        << "C:/Tools/app.exe" << QByteArray(R"("C:\/Tools\/app.exe")");
    QTest::newRow("named control escapes") << "\b\t\n\f\r" << QByteArray(R"("\b\t\n\f\r")");
    QTest::newRow("other controls upper-case hex")
        << QStringView(u"\u0000\u001B\u001f", 3).toString()
        << QByteArray(R"("\u0000\u001B\u001F")");
    QTest::newRow("DEL stays itself") << "\x7F" << QByteArray("\"\x7F\"");
    QTest::newRow("e acute") << QStringLiteral("\u00e9") << QByteArray(R"("\u00E9")");
    QTest::newRow("first code above 127") << QStringLiteral("\u0080") << QByteArray(R"("\u0080")");
    QTest::newRow("euro sign") << QStringLiteral("x\u20acy") << QByteArray(R"("x\u20ACy")");
    QTest::newRow("outside the BMP as a surrogate pair")
        << QStringLiteral("\U0001F600") << QByteArray(R"("\uD83D\uDE00")");
    QTest::newRow("lone surrogate kept as its code unit")
        << QString(QChar(0xDC00)) << QByteArray(R"("\uDC00")");
}

void TestJsonTable::stringEscapes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, json);
    QByteArray out("prefix");
    appendJsonString(out, text);
    QCOMPARE(out, "prefix" + json);
}

void TestJsonTable::exportText() {
    GridModel grid;
    grid.setRowCount(2);
    grid.setColCount(3);
    grid.setCell(0, 0, QStringLiteral("#"));
    grid.setCell(1, 0, QStringLiteral("Function"));
    grid.setCell(1, 1, QStringLiteral("a/b"));
    grid.setCell(3, 0, QStringLiteral("hidden beyond the column count"));
    grid.setCell(0, 2, QStringLiteral("hidden beyond the row count"));
    SaveGridToJson(grid, QString::fromLatin1(kJsonExportName));
    QCOMPARE(readFile(dir_->filePath(QStringLiteral("runpad.json"))),
             QByteArray(R"({"data":[["#","Function",""],["","a\/b",""]]})"));
}

void TestJsonTable::exportReplacesOlderFile() {
    const QString path = dir_->filePath(QStringLiteral("runpad.json"));
    QVERIFY(writeFile(path, QByteArray(100000, 'x')));
    GridModel grid;
    grid.setRowCount(1);
    grid.setColCount(1);
    SaveGridToJson(grid, path);
    QCOMPARE(readFile(path), QByteArray(R"({"data":[[""]]})"));
}

void TestJsonTable::roundTrip() {
    GridModel source;
    source.setRowCount(7);
    source.setColCount(6);
    const QStringList texts = {QStringLiteral("#"),
                               QStringLiteral("C:/Tools/app.exe"),
                               QStringLiteral("quote \" and \\ back"),
                               QStringLiteral("tab\tline\nfeed\r"),
                               QStringLiteral("\u00e9\u20ac\U0001F600"),
                               QStringView(u"nul\u0000in", 6).toString(),
                               QStringLiteral("*"),
                               QString()};
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 6; ++c)
            source.setCell(c, r, texts[(r * 6 + c) % texts.size()]);
    SaveGridToJson(source, QString::fromLatin1(kJsonExportName));

    GridModel target;
    LoadJsonToGrid(target, QString::fromLatin1(kJsonImportName));
    QCOMPARE(target.rowCount(), 7);
    QCOMPARE(target.colCount(), 6);
    QCOMPARE(target.fixedRows(), 1);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 6; ++c)
            QCOMPARE(target.cell(c, r), source.cell(c, r));
}

void TestJsonTable::importConsequences_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("colCount");
    QTest::addColumn<int>("fixedRows");
    // Cells to check as "col,row=text"; the grid holds c<col>r<row> before.
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("rows of 5, 3 and 5 keep the short row's old cells")
        << QByteArray(R"({"data":[["a","b","c","d","e"],["f","g","h"],["i","j","k","l","m"]]})")
        << 3 << 5 << 1 << QStringList{"2,1=h", "3,1=c3r1", "4,1=c4r1", "4,2=m"};
    QTest::newRow("last row decides the column count")
        << QByteArray(R"({"data":[["a","b","c","d","e","f","g"],["x","y"]]})") << 2 << 2 << 1
        << QStringList{"6,0=g", "1,1=y", "2,1=c2r1"};
    QTest::newRow("a single row removes the fixed row")
        << QByteArray(R"({"data":[["only"]]})") << 1 << 1 << 0
        << QStringList{"0,0=only", "1,0=c1r0", "0,1=c0r1"};
    QTest::newRow("numbers and literals as text")
        << QByteArray(R"({"data":[[12.50,null,true,false,-3e+2],[{},[],"s",1,2]]})") << 2 << 5 << 1
        << QStringList{"0,0=12.50", "1,0=null", "2,0=true", "3,0=false",
                       "4,0=-3e+2", "0,1=",     "1,1=",     "2,1=s"};
    QTest::newRow("first data member counts, others ignored")
        << QByteArray(R"({"other":1,"data":[["first"],["x"]],"data":[["second"]]})") << 2 << 1 << 1
        << QStringList{"0,0=first"};
    QTest::newRow("nested containers in a row are single empty cells")
        << QByteArray(R"({"data":[["a",[["b"],{"c":[1]}],{"data":[["x"]]},"d"]]})") << 1 << 4 << 0
        << QStringList{"0,0=a", "1,0=", "2,0=", "3,0=d"};
    QTest::newRow("data of a nested object is not the table's")
        << QByteArray(R"({"x":{"data":[["inner"]]},"y":[{"data":1}],"data":[["outer"]]})") << 1 << 1
        << 0 << QStringList{"0,0=outer"};
    QTest::newRow("more rows than before")
        << QByteArray(R"({"data":[["0"],["1"],["2"],["3"],["4"],["5"],["6","x"]]})") << 7 << 2 << 1
        << QStringList{"0,6=6", "1,6=x", "1,5="};
}

void TestJsonTable::importConsequences() {
    QFETCH(QByteArray, json);
    QFETCH(int, rowCount);
    QFETCH(int, colCount);
    QFETCH(int, fixedRows);
    QFETCH(QStringList, cells);
    GridModel grid;
    fillGrid(grid);
    const GridOptions options = grid.options();
    QVERIFY(writeFile(QStringLiteral("Runpad.json"), json));
    LoadJsonToGrid(grid, QString::fromLatin1(kJsonImportName));
    QCOMPARE(grid.rowCount(), rowCount);
    QCOMPARE(grid.colCount(), colCount);
    QCOMPARE(grid.fixedRows(), fixedRows);
    QCOMPARE(grid.options(), options); // the mode is not changed
    QVERIFY(grid.row() < rowCount && grid.col() < colCount);
    for (const QString& spec : cells) {
        const int comma = spec.indexOf(u',');
        const int equals = spec.indexOf(u'=');
        const int c = spec.left(comma).toInt();
        const int r = spec.mid(comma + 1, equals - comma - 1).toInt();
        QCOMPARE(grid.cell(c, r), spec.mid(equals + 1));
    }
}

void TestJsonTable::importFailureLeavesGridUnchanged_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("message"); // the start of the error text
    QTest::newRow("top level array") << QByteArray(R"([["a"]])") << "Invalid class typecast";
    QTest::newRow("top level string") << QByteArray(R"("data")") << "Invalid class typecast";
    QTest::newRow("data is an object")
        << QByteArray(R"({"data":{"0":["a"]}})") << "Invalid class typecast";
    QTest::newRow("data is a string") << QByteArray(R"({"data":"a"})") << "Invalid class typecast";
    QTest::newRow("a later row is no array")
        << QByteArray(R"({"data":[["a","b"],["c"],"d",["e"]]})") << "Invalid class typecast";
    QTest::newRow("object inside a top level array")
        << QByteArray(R"([{"data":[["a"]]}])") << "Invalid class typecast";
    QTest::newRow("a bad row after a good one that has nested arrays")
        << QByteArray(R"({"data":[["a",[[]]],null]})") << "Invalid class typecast";
    QTest::newRow("empty data array") << QByteArray(R"({"data":[]})") << "Argument out of range";
    QTest::newRow("a later row is empty")
        << QByteArray(R"({"data":[["a","b"],["c"],[],["e"]]})") << "Argument out of range";
    QTest::newRow("no data member") << QByteArray(R"({"Data":[["a"]]})")
                                    << QStringLiteral("\"%1\": the object has no member \"data\"");
    QTest::newRow("invalid JSON names file, line and column")
        << QByteArray("{\"data\":[\n[\"a\",]]}") << QStringLiteral("\"%1\": line 2, column 6: ");
    QTest::newRow("invalid UTF-16 text names line and column")
        << QByteArray("\xFF\xFE") +
               QByteArray::fromRawData(
                   reinterpret_cast<const char*>(u"{\"data\":[\n[\"\u00e9\",]]}"), 18 * 2)
        << QStringLiteral("\"%1\": line 2, column 6: ");
    QTest::newRow("invalid Windows-1252 text names line and column")
        << QByteArray("{\"data\":[\n[\"\xE9\",]]}") << QStringLiteral("\"%1\": line 2, column 6: ");
    QTest::newRow("text after the value")
        << QByteArray(R"({"data":[["a"]]} x)") << QStringLiteral("\"%1\": line 1, column 18: ");
    QTest::newRow("nested too deep")
        << QByteArray(R"({"data":[[)") + QByteArray(600, '[') + QByteArray(600, ']') + "]]}"
        << QStringLiteral("\"%1\": line 1, column 520: nested deeper than 512 levels");
}

void TestJsonTable::importFailureLeavesGridUnchanged() {
    QFETCH(QByteArray, json);
    QFETCH(QString, message);
    GridModel grid;
    fillGrid(grid);
    const GridSnapshot before(grid);
    int notifications = 0;
    connect(&grid, &GridModel::countsChanged, this, [&] { ++notifications; });
    connect(&grid, &GridModel::contentReset, this, [&] { ++notifications; });
    QVERIFY(writeFile(QStringLiteral("Runpad.json"), json));
    const QString fullPath = QDir(dir_->path()).filePath(QStringLiteral("Runpad.json"));
    const QString error =
        errorOf([&] { LoadJsonToGrid(grid, QString::fromLatin1(kJsonImportName)); });
    const QString expected = message.contains(u"%1") ? message.arg(fullPath) : message;
    QVERIFY2(error.startsWith(expected), qPrintable(error));
    QVERIFY(GridSnapshot(grid) == before);
    QCOMPARE(notifications, 0);
}

void TestJsonTable::fileNameChecks_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("import");
    QTest::addColumn<QString>("message");
    for (const bool import : {false, true}) {
        const char* way = import ? "import: " : "export: ";
        QTest::addRow("%sempty", way) << "" << import << "Path is empty";
        QTest::addRow("%sblank", way) << " \t " << import << "Path is empty";
        QTest::addRow("%sNUL in the name", way)
            << QStringView(u"a\u0000.json", 7).toString() << import << "Invalid characters in path";
        QTest::addRow("%smissing folder", way)
            << "no such folder/runpad.json" << import << "The specified path was not found";
        QTest::addRow("%sfolder is a file", way)
            << "plain.txt/runpad.json" << import << "The specified path was not found";
    }
    QTest::newRow("import: missing file")
        << "Runpad.json" << true << "The specified file was not found";
}

void TestJsonTable::fileNameChecks() {
    QFETCH(QString, path);
    QFETCH(bool, import);
    QFETCH(QString, message);
    QVERIFY(writeFile(QStringLiteral("plain.txt"), "x"));
    GridModel grid;
    fillGrid(grid);
    const GridSnapshot before(grid);
    const QString error = errorOf([&] {
        if (import)
            LoadJsonToGrid(grid, path);
        else
            SaveGridToJson(grid, path);
    });
    QCOMPARE(error, message);
    QVERIFY(GridSnapshot(grid) == before);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("plain.txt")});
}

void TestJsonTable::importFindsExportIgnoringCase() {
    GridModel grid;
    fillGrid(grid);
    grid.setCell(1, 1, QStringLiteral("exported"));
    SaveGridToJson(grid, QString::fromLatin1(kJsonExportName));
    QVERIFY(!QFile::exists(QStringLiteral("Runpad.json")));

    GridModel target;
    LoadJsonToGrid(target, QString::fromLatin1(kJsonImportName));
    QCOMPARE(target.cell(1, 1), QStringLiteral("exported"));
    QCOMPARE(resolveJsonImportName(QStringLiteral("Runpad.json")), QStringLiteral("runpad.json"));
    QCOMPARE(resolveJsonImportName(dir_->filePath(QStringLiteral("RUNPAD.JSON"))),
             dir_->filePath(QStringLiteral("runpad.json")));
    QCOMPARE(resolveJsonImportName(QStringLiteral("other.json")), QStringLiteral("other.json"));
}

void TestJsonTable::importPrefersExactName() {
    QVERIFY(writeFile(QStringLiteral("runpad.json"), R"({"data":[["lower"]]})"));
    QVERIFY(writeFile(QStringLiteral("Runpad.json"), R"({"data":[["exact"]]})"));
    GridModel grid;
    LoadJsonToGrid(grid, QString::fromLatin1(kJsonImportName));
    QCOMPARE(grid.cell(0, 0), QStringLiteral("exact"));
}

void TestJsonTable::unreadableImportFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    // A FIFO without a writer would block a plain open for good.
    QTest::newRow("FIFO") << "fifo";
}

void TestJsonTable::unreadableImportFile() {
    QFETCH(QString, kind);
    const QString path = dir_->filePath(QStringLiteral("Runpad.json"));
    if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
    else
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    GridModel grid;
    fillGrid(grid);
    const GridSnapshot before(grid);
    const QString error =
        errorOf([&] { LoadJsonToGrid(grid, QString::fromLatin1(kJsonImportName)); });
    QVERIFY2(error.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(path)),
             qPrintable(error));
    QVERIFY(GridSnapshot(grid) == before);
}

void TestJsonTable::exportCannotCreate() {
    const QString path = dir_->filePath(QStringLiteral("runpad.json"));
    QVERIFY(QDir().mkdir(path));
    GridModel grid;
    const QString error =
        errorOf([&] { SaveGridToJson(grid, QString::fromLatin1(kJsonExportName)); });
    QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(path)),
             qPrintable(error));
    QVERIFY(error.size() > QStringLiteral("Cannot create file \"%1\". ").arg(path).size());
}

void TestJsonTable::failedExportKeepsOlderFile() {
    const QString path = dir_->filePath(QStringLiteral("runpad.json"));
    const QByteArray older = R"({"data":[["older"]]})";
    QVERIFY(writeFile(path, older));
    GridModel grid;
    grid.setCell(1, 1, QString(5000, u'x'));
    QString error;
    {
        FileSizeLimit limit(2000);
        if (!limit.active())
            QSKIP("cannot limit the file size");
        error = errorOf([&] { SaveGridToJson(grid, QString::fromLatin1(kJsonExportName)); });
    }
    QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(path)),
             qPrintable(error));
    QCOMPARE(readFile(path), older);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("runpad.json")});
}

QTEST_GUILESS_MAIN(TestJsonTable)
#include "tst_json_table.moc"
