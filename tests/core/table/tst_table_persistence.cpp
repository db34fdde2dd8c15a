#include "core/table/grid_model.h"
#include "core/table/ini_document.h"
#include "core/table/picture_finder.h"
#include "core/table/table_persistence.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace runpad;

namespace {

// A settings document whose table holds the given commands in rows 1.. and
// the header in row 0.
IniDocument tableWithCommands(int count) {
    IniDocument doc;
    doc.writeString("Table", "1-0", "Function");
    doc.writeString("Table", "2-0", "command");
    for (int r = 1; r <= count; ++r) {
        doc.writeString("Table", tableKey(1, r), QString("fn%1").arg(r));
        doc.writeString("Table", tableKey(2, r), QString("cmd%1").arg(r));
        doc.writeString("Table", tableKey(3, r), QString("desc%1").arg(r));
    }
    return doc;
}

QStringList rowTexts(const GridModel& grid, int row) {
    QStringList texts;
    for (int c = 0; c < 5; ++c)
        texts << grid.cell(c, row);
    return texts;
}

void touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class TestTablePersistence : public QObject {
    Q_OBJECT
private slots:
    void firstStartShowsHeaderAndDefaultRows() {
        GridModel grid;
        QTemporaryDir dir;
        PictureFinder pictures(dir.path());
        loadTable(grid, IniDocument(), pictures);
        QCOMPARE(grid.rowCount(), 5);
        QCOMPARE(rowTexts(grid, 0),
                 QStringList({"#", "Function", "command", "Description", "img"}));
        QCOMPARE(rowTexts(grid, 1),
                 QStringList({"", "DOS command", "cmd", "DOS command window", ""}));
        QCOMPARE(rowTexts(grid, 2),
                 QStringList({"", "power command", "powershell.exe", "powershell command", ""}));
        QCOMPARE(rowTexts(grid, 3), QStringList(5));
        QCOMPARE(rowTexts(grid, 4), QStringList(5));
    }

    void rowCountGrowsInStepsOfTwo_data() {
        QTest::addColumn<int>("commands");
        QTest::addColumn<int>("rowCount");
        QTest::newRow("three commands fit the five start rows") << 3 << 5;
        QTest::newRow("four commands grow the table to seven rows") << 4 << 7;
        QTest::newRow("five commands still fit seven rows") << 5 << 7;
        QTest::newRow("six commands grow the table to nine rows") << 6 << 9;
    }
    void rowCountGrowsInStepsOfTwo() {
        QFETCH(int, commands);
        QFETCH(int, rowCount);
        GridModel grid;
        QTemporaryDir dir;
        PictureFinder pictures(dir.path());
        loadTable(grid, tableWithCommands(commands), pictures);
        QCOMPARE(grid.rowCount(), rowCount);
        for (int r = 1; r <= commands; ++r) {
            QCOMPARE(grid.cell(0, r), QString::number(r));
            QCOMPARE(grid.cell(2, r), QString("cmd%1").arg(r));
        }
        QVERIFY(grid.cell(2, commands + 1).isEmpty());
    }

    void imageMarkerFollowsPictureFiles_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("marker");
        QTest::newRow("bmp beside a plain command") << "notes" << QStringList{"notes.bmp"} << "*";
        QTest::newRow("jpg when no bmp exists") << "notes" << QStringList{"notes.jpg"} << "*";
        QTest::newRow("slashes become underscores")
            << "dir/sub" << QStringList{"dir_sub.jpg"} << "*";
        QTest::newRow("absolute path names a picture in the current folder")
            << "/usr/bin/gimp" << QStringList{"_usr_bin_gimp.bmp"} << "*";
        QTest::newRow("extension appended to the whole name")
            << "tool.exe" << QStringList{"tool.exe.jpg"} << "*";
        QTest::newRow("picture of another command does not count")
            << "notes" << QStringList{"notes2.bmp", "note.jpg"} << "";
        QTest::newRow("name match is case-sensitive") << "notes" << QStringList{"Notes.bmp"} << "";
        QTest::newRow("png is no preview picture") << "notes" << QStringList{"notes.png"} << "";
        QTest::newRow("no picture at all") << "notes" << QStringList{} << "";
    }
    void imageMarkerFollowsPictureFiles() {
        QFETCH(QString, command);
        QFETCH(QStringList, files);
        QFETCH(QString, marker);
        QTemporaryDir dir;
        for (const QString& f : files)
            touch(dir.filePath(f));
        IniDocument doc = tableWithCommands(1);
        doc.writeString("Table", "2-1", command);
        doc.writeString("Table", "4-1", "stale");
        GridModel grid;
        PictureFinder pictures(dir.path());
        loadTable(grid, doc, pictures);
        QCOMPARE(grid.cell(4, 1), marker);
    }

    void previewPictureIsTheBmpFirst_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("found");
        QTest::newRow("both: the bmp")
            << "notes" << QStringList{"notes.jpg", "notes.bmp"} << "notes.bmp";
        QTest::newRow("only the jpg") << "notes" << QStringList{"notes.jpg"} << "notes.jpg";
        QTest::newRow("none") << "notes" << QStringList{"notes.png"} << QString();
        QTest::newRow("slashes become underscores")
            << "tools/run.bat" << QStringList{"tools_run.bat.jpg"} << "tools_run.bat.jpg";
        QTest::newRow("empty command") << QString() << QStringList{".jpg"} << ".jpg";
    }
    void previewPictureIsTheBmpFirst() {
        QFETCH(QString, command);
        QFETCH(QStringList, files);
        QFETCH(QString, found);
        QStringList asked;
        const QString picture = findPreviewPicture(command, [&](const QString& path) {
            asked << path;
            return files.contains(path);
        });
        QCOMPARE(picture, found);
        QVERIFY(!asked.isEmpty());
        QVERIFY(asked.first().endsWith(".bmp")); // the bmp is always looked for first
    }

    void folderNamedLikeAPictureIsNoPicture() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("notes.bmp"));
        IniDocument doc = tableWithCommands(1);
        doc.writeString("Table", "2-1", "notes");
        GridModel grid;
        PictureFinder pictures(dir.path());
        loadTable(grid, doc, pictures);
        QCOMPARE(grid.cell(4, 1), QString());
    }

    void pictureFinderUsesCurrentDirectoryByDefault() {
        QTemporaryDir dir;
        touch(dir.filePath("cmd.jpg"));
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        PictureFinder pictures;
        const bool found = pictures.exists("cmd.jpg");
        QDir::setCurrent(old);
        QVERIFY(found);
    }

    void withoutHeaderCommandNoRowIsRead() {
        IniDocument doc = tableWithCommands(3);
        doc.eraseSection("Table");
        doc.writeString("Table", "1-1", "fn1");
        doc.writeString("Table", "2-1", "cmd1");
        GridModel grid;
        QTemporaryDir dir;
        PictureFinder pictures(dir.path());
        loadTable(grid, doc, pictures);
        // Row 0 stops the loop; row 1 gets only the default texts.
        QCOMPARE(rowTexts(grid, 1),
                 QStringList({"", "DOS command", "cmd", "DOS command window", ""}));
        QCOMPARE(grid.cell(0, 0), QString("#"));
    }

    void defaultsLookAtTheFunctionNameOnly() {
        IniDocument doc = tableWithCommands(2);
        doc.writeString("Table", "1-1", "");
        doc.writeString("Table", "2-1", "mine");
        QTemporaryDir dir;
        touch(dir.filePath("mine.jpg"));
        GridModel grid;
        PictureFinder pictures(dir.path());
        loadTable(grid, doc, pictures);
        // Columns 1 to 3 take the default row; number and marker stay its own.
        QCOMPARE(rowTexts(grid, 1),
                 QStringList({"1", "DOS command", "cmd", "DOS command window", "*"}));
        QCOMPARE(rowTexts(grid, 2), QStringList({"2", "fn2", "cmd2", "desc2", ""}));
    }

    void loadKeepsOlderTextsAfterTheFirstEmptyCommand() {
        GridModel grid;
        grid.setRowCount(8);
        grid.setCell(1, 6, "old function");
        grid.setCell(2, 6, "old command");
        grid.setCell(0, 6, "6");
        QTemporaryDir dir;
        PictureFinder pictures(dir.path());
        loadTable(grid, tableWithCommands(3), pictures);
        QCOMPARE(grid.rowCount(), 8);
        QVERIFY(grid.cell(2, 4).isEmpty());
        QCOMPARE(grid.cell(2, 6), QString("old command"));
        QCOMPARE(grid.cell(0, 6), QString("6"));
    }

    // The table is read in one pass over its section; it must find for every
    // cell what a lookup of that cell's key finds.
    void cellsAreWhatTheirKeysLookUp_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("blanks around keys and values")
            << QByteArray("[Table]\n 2-0 = command\n\t1-1\t=fn\n2-1 =  cmd one \n");
        QTest::newRow("the first of a repeated key counts")
            << QByteArray("[Table]\n2-0=command\n2-1=first\n2-1=second\n 2-1 =third\n");
        QTest::newRow("other spellings of a key are other keys")
            << QByteArray("[Table]\n2-0=command\n02-1=zero\n2-01=zero\n+2-1=plus\n2-+1=plus\n"
                          "2--1=minus\n2-1x=suffix\n2-1=real\n3- 1=inner blank\n");
        QTest::newRow("a second section of the same name is not read")
            << QByteArray("[Table]\n2-0=command\n2-1=one\n[Other]\n2-2=no\n"
                          "[table]\n2-2=two\n3-1=late\n");
        QTest::newRow("lines without a value and comments")
            << QByteArray("[Table]\n2-0=command\n2-1\n;2-1=comment\n2-1=after\n");
        QTest::newRow("numbers beyond int and far rows")
            << QByteArray("[Table]\n2-0=command\n2-99999999999=huge\n2-4000000=far\n"
                          "99999999999-1=wide\n2-1=near\n");
        QTest::newRow("columns beyond the grid's")
            << QByteArray("[Table]\n2-0=command\n2-1=a\n7-1=beyond\n4-1=img text\n");
        QTest::newRow("non-ASCII keys and values")
            << QByteArray("[Table]\n2-0=c\xc3\xb6mmand\n\xc3\xa9-1=x\n2-1=\xe2\x82\xac\n");
    }
    void cellsAreWhatTheirKeysLookUp() {
        QFETCH(QByteArray, file);
        // Named functions, so that rows 1 and 2 keep what was read instead
        // of the default rows.
        file.replace("[Table]\n", "[Table]\n1-1=f1\n1-2=f2\n");
        const IniDocument doc = IniDocument::fromBytes(file);
        GridModel grid;
        QTemporaryDir dir;
        PictureFinder pictures(dir.path());
        loadTable(grid, doc, pictures);
        // Rows the load went through: up to the first without a command.
        int rows = 0;
        while (!doc.readString("Table", tableKey(2, rows)).isEmpty())
            ++rows;
        for (int r = 1; r <= rows; ++r) // row 0 shows the header texts
            for (int c = 1; c < 4; ++c)
                QCOMPARE(grid.cell(c, r), doc.readString("Table", tableKey(c, r)));
    }

    // With fewer columns than the command's, the commands the grid kept
    // beyond its count decide how far the load reads: further than the file
    // has keys.
    void keptCommandsBeyondTheCountLeadPastTheKeys() {
        GridModel grid;
        grid.setRowCount(6);
        for (int r = 0; r < 5; ++r)
            grid.setCell(2, r, QString("kept%1").arg(r));
        grid.setColCount(2);
        const IniDocument doc = IniDocument::fromBytes("[Table]\n1-0=Function\n1-4=far\n");
        QTemporaryDir dir;
        PictureFinder pictures(dir.path());
        loadTable(grid, doc, pictures);
        QCOMPARE(grid.cell(1, 4), QString("far"));
    }

    void headerCellsBeyondColumnFourKeepStoredTexts() {
        GridModel grid;
        grid.setColCount(7);
        IniDocument doc = tableWithCommands(1);
        doc.writeString("Table", "5-0", "extra");
        doc.writeString("Table", "4-0", "stored img");
        QTemporaryDir dir;
        PictureFinder pictures(dir.path());
        loadTable(grid, doc, pictures);
        QCOMPARE(grid.cell(5, 0), QString("extra"));
        QCOMPARE(grid.cell(4, 0), QString("img"));
        QCOMPARE(grid.cell(0, 0), QString("#"));
    }

    void saveWritesNonEmptyCellsColumnByColumn() {
        GridModel grid;
        grid.setRowCount(3);
        grid.setCell(0, 1, "1");
        grid.setCell(1, 0, "Function");
        grid.setCell(2, 0, "command");
        grid.setCell(1, 1, "fn");
        grid.setCell(2, 1, "cmd");
        grid.setCell(2, 2, "other");
        grid.setCell(4, 1, "*");
        grid.setCell(2, 5, "beyond the row count");
        IniDocument doc;
        doc.writeString("Table", "3-9", "from an older save");
        saveTable(grid, doc);
        const QString text = QString::fromUtf8(doc.toBytes());
        QCOMPARE(text, QString("[Table]\n1-0=Function\n1-1=fn\n2-0=command\n2-1=cmd\n"
                               "2-2=other\n4-1=*\n"));
    }

    void savedTableLoadsBackUnchanged() {
        GridModel original;
        QTemporaryDir dir;
        PictureFinder pictures(dir.path());
        loadTable(original, tableWithCommands(6), pictures);
        original.setCell(3, 4, "  spaced \"quoted\" = value  ");
        IniDocument doc;
        saveTable(original, doc);
        const IniDocument reread = IniDocument::fromBytes(doc.toBytes());
        GridModel copy;
        PictureFinder pictures2(dir.path());
        loadTable(copy, reread, pictures2);
        QCOMPARE(copy.rowCount(), original.rowCount());
        for (int r = 0; r < original.rowCount(); ++r)
            QCOMPARE(rowTexts(copy, r), rowTexts(original, r));
    }

    void emptiedCellLosesItsKeyAtTheNextSave() {
        GridModel grid;
        grid.setCell(2, 0, "command");
        grid.setCell(3, 1, "description");
        IniDocument doc;
        saveTable(grid, doc);
        QVERIFY(doc.hasKey("Table", "3-1"));
        grid.setCell(3, 1, QString());
        saveTable(grid, doc);
        QVERIFY(!doc.hasKey("Table", "3-1"));
        QVERIFY(doc.hasKey("Table", "2-0"));
    }

    void saveLeavesOtherSectionsAlone() {
        IniDocument doc;
        doc.writeString("Styles", "Style Name", "Windows10");
        GridModel grid;
        grid.setCell(2, 0, "command");
        saveTable(grid, doc);
        QCOMPARE(doc.readString("Styles", "Style Name"), QString("Windows10"));
    }
};

QTEST_GUILESS_MAIN(TestTablePersistence)
#include "tst_table_persistence.moc"
