#include "platform/file_version.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace runpad;

namespace {

// A minimal ELF file: the header, a section name table, optionally a
// version section, and the section header table at the end.
struct ElfSpec {
    bool is64 = true;
    bool bigEndian = false;
    QByteArray sectionName = RUNPAD_FILE_VERSION_SECTION;
    QByteArray record;
};

class Writer {
public:
    Writer(bool bigEndian) : big_(bigEndian) {}
    void put(QByteArray& out, quint64 value, int width) const {
        for (int i = 0; i < width; ++i) {
            const int shift = big_ ? 8 * (width - 1 - i) : 8 * i;
            out.append(char((value >> shift) & 0xFF));
        }
    }

private:
    bool big_;
};

QByteArray makeElf(const ElfSpec& spec) {
    const Writer w(spec.bigEndian);
    const int word = spec.is64 ? 8 : 4;
    const int headerSize = spec.is64 ? 64 : 52;
    const int entrySize = spec.is64 ? 64 : 40;

    QByteArray names("\0", 1);
    const int nameTableName = names.size();
    names.append(".shstrtab\0", 10);
    const int versionName = names.size();
    names.append(spec.sectionName + '\0');

    const int namesOffset = headerSize;
    const int recordOffset = namesOffset + names.size();
    const int tableOffset = recordOffset + spec.record.size();
    const int sections = spec.record.isEmpty() ? 2 : 3;

    QByteArray out("\x7F"
                   "ELF",
                   4);
    out.append(char(spec.is64 ? 2 : 1));
    out.append(char(spec.bigEndian ? 2 : 1));
    out.append(char(1));
    out.append(QByteArray(9, '\0'));
    w.put(out, 2, 2);              // e_type
    w.put(out, 62, 2);             // e_machine
    w.put(out, 1, 4);              // e_version
    w.put(out, 0, word);           // e_entry
    w.put(out, 0, word);           // e_phoff
    w.put(out, tableOffset, word); // e_shoff
    w.put(out, 0, 4);              // e_flags
    w.put(out, headerSize, 2);
    w.put(out, 0, 2); // e_phentsize
    w.put(out, 0, 2); // e_phnum
    w.put(out, entrySize, 2);
    w.put(out, sections, 2);
    w.put(out, 1, 2); // e_shstrndx
    out.append(names);
    out.append(spec.record);

    auto section = [&](int name, int type, int offset, int size) {
        QByteArray e;
        w.put(e, name, 4);
        w.put(e, type, 4);
        w.put(e, 0, word); // flags
        w.put(e, 0, word); // addr
        w.put(e, offset, word);
        w.put(e, size, word);
        e.append(QByteArray(entrySize - e.size(), '\0'));
        out.append(e);
    };
    section(0, 0, 0, 0);
    section(nameTableName, 3, namesOffset, names.size());
    if (!spec.record.isEmpty())
        section(versionName, 1, recordOffset, spec.record.size());
    return out;
}

QByteArray record(unsigned a, unsigned b, unsigned c, unsigned d) {
    const FileVersionRecord r = makeFileVersionRecord(a, b, c, d);
    return QByteArray(reinterpret_cast<const char*>(r.bytes), sizeof r.bytes);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestFileVersion : public QObject {
    Q_OBJECT
private slots:
    void builtExecutablesCarryTheProjectVersion_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("the program") << QStringLiteral(RUNPAD_EXECUTABLE);
        QTest::newRow("this test") << QCoreApplication::applicationFilePath();
    }
    void builtExecutablesCarryTheProjectVersion() {
        QFETCH(QString, path);
        int major, minor, release, build;
        QString packed;
        const QString dotted = GetFileVersionText(path, major, minor, release, build, packed);
        QCOMPARE(QList<int>({major, minor, release, build}),
                 QList<int>({RUNPAD_VERSION_MAJOR, RUNPAD_VERSION_MINOR, RUNPAD_VERSION_PATCH, 0}));
        const QString expected = QStringLiteral("%1.%2.%3.00")
                                     .arg(RUNPAD_VERSION_MAJOR, 2, 10, QLatin1Char('0'))
                                     .arg(RUNPAD_VERSION_MINOR, 2, 10, QLatin1Char('0'))
                                     .arg(RUNPAD_VERSION_PATCH, 2, 10, QLatin1Char('0'));
        QCOMPARE(dotted, expected);
        QCOMPARE(packed, QString(expected).remove(QLatin1Char('.')));
    }

    void readsTheRecord_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("dotted");
        QTest::addColumn<QString>("packed");
        QTest::addColumn<QList<int>>("numbers");
        const QList<int> none{-1, -1, -1, -1};
        const QString unknown = QStringLiteral("?.?.?.?");
        const QString zeros = QStringLiteral("00000000");

        QTest::newRow("64-bit little-endian")
            << makeElf({true, false, RUNPAD_FILE_VERSION_SECTION, record(23, 1, 18, 6)})
            << "23.01.18.06"
            << "23011806" << QList<int>{23, 1, 18, 6};
        QTest::newRow("64-bit big-endian")
            << makeElf({true, true, RUNPAD_FILE_VERSION_SECTION, record(23, 1, 18, 6)})
            << "23.01.18.06"
            << "23011806" << QList<int>{23, 1, 18, 6};
        QTest::newRow("32-bit little-endian")
            << makeElf({false, false, RUNPAD_FILE_VERSION_SECTION, record(1, 2, 3, 4)})
            << "01.02.03.04"
            << "01020304" << QList<int>{1, 2, 3, 4};
        QTest::newRow("32-bit big-endian")
            << makeElf({false, true, RUNPAD_FILE_VERSION_SECTION, record(1, 2, 3, 4)})
            << "01.02.03.04"
            << "01020304" << QList<int>{1, 2, 3, 4};
        QTest::newRow("fields of 100 and more show their last two digits")
            << makeElf({true, false, RUNPAD_FILE_VERSION_SECTION, record(2024, 100, 65535, 0)})
            << "24.00.35.00"
            << "24003500" << QList<int>{2024, 100, 65535, 0};
        QTest::newRow("no version section")
            << makeElf({true, false, RUNPAD_FILE_VERSION_SECTION, {}}) << unknown << zeros << none;
        QTest::newRow("section of another name")
            << makeElf({true, false, ".runpad_versio", record(1, 2, 3, 4)}) << unknown << zeros
            << none;
        QTest::newRow("longer name with the same beginning")
            << makeElf({true, false, ".runpad_version2", record(1, 2, 3, 4)}) << unknown << zeros
            << none;
        QTest::newRow("record too short")
            << makeElf({true, false, RUNPAD_FILE_VERSION_SECTION, record(1, 2, 3, 4).left(15)})
            << unknown << zeros << none;
        QByteArray badMagic = record(1, 2, 3, 4);
        badMagic[0] = 'X';
        QTest::newRow("wrong magic")
            << makeElf({true, false, RUNPAD_FILE_VERSION_SECTION, badMagic}) << unknown << zeros
            << none;
        QTest::newRow("empty file") << QByteArray() << unknown << zeros << none;
        QTest::newRow("text file")
            << QByteArray("just some text, no ELF here at all\n") << unknown << zeros << none;
        QTest::newRow("ELF magic only") << QByteArray("\x7F"
                                                      "ELF")
                                        << unknown << zeros << none;
    }
    void readsTheRecord() {
        QFETCH(QByteArray, file);
        QFETCH(QString, dotted);
        QFETCH(QString, packed);
        QFETCH(QList<int>, numbers);
        const QString path = write(file);
        int major = 7, minor = 7, release = 7, build = 7;
        QString packedOut;
        QCOMPARE(GetFileVersionText(path, major, minor, release, build, packedOut), dotted);
        QCOMPARE(packedOut, packed);
        QCOMPARE(QList<int>({major, minor, release, build}), numbers);
    }

    // Headers pointing past the end or at nonsense must give the failure
    // values, never a crash or a huge allocation.
    void damagedHeadersGiveTheFailureValues_data() {
        QTest::addColumn<int>("offset"); // into the 64-bit little-endian header
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("section table far past the end") << 0x28 << QByteArray(8, '\x7F');
        QTest::newRow("section table just past the end") << 0x28 << QByteArray("\xF0\x00", 2);
        QTest::newRow("huge section count") << 0x3C << QByteArray("\xFF\xFF", 2);
        QTest::newRow("tiny section entries") << 0x3A << QByteArray("\x04\x00", 2);
        QTest::newRow("name table index out of range") << 0x3E << QByteArray("\x09\x00", 2);
        QTest::newRow("unknown class") << 4 << QByteArray("\x03", 1);
        QTest::newRow("unknown byte order") << 5 << QByteArray("\x00", 1);
    }
    void damagedHeadersGiveTheFailureValues() {
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        QByteArray file = makeElf({true, false, RUNPAD_FILE_VERSION_SECTION, record(1, 2, 3, 4)});
        file.replace(offset, bytes.size(), bytes);
        QCOMPARE(GetFileVersionText(write(file)), QStringLiteral("?.?.?.?"));
    }

    void damagedSectionEntriesGiveTheFailureValues() {
        const QByteArray good =
            makeElf({true, false, RUNPAD_FILE_VERSION_SECTION, record(1, 2, 3, 4)});
        const int table = int(qFromLittleEndian<quint64>(good.constData() + 0x28));
        // Every word of the name table's and the version section's entries
        // set to an absurd value in turn.
        for (int entry = 1; entry <= 2; ++entry) {
            for (int at = 0; at < 64; at += 4) {
                QByteArray file = good;
                file.replace(table + entry * 64 + at, 4, QByteArray("\xFF\xFF\xFF\x7F", 4));
                const QString dotted = GetFileVersionText(write(file));
                QVERIFY2(
                    dotted == QStringLiteral("01.02.03.04") || dotted == QStringLiteral("?.?.?.?"),
                    qPrintable(
                        QStringLiteral("entry %1 word %2: %3").arg(entry).arg(at).arg(dotted)));
            }
        }
    }

    void truncatedExecutableGivesTheFailureValues() {
        const QByteArray program = readAll(QStringLiteral(RUNPAD_EXECUTABLE));
        QVERIFY(program.size() > 4096);
        for (const qsizetype size : {qsizetype(16), qsizetype(63), qsizetype(4096),
                                     program.size() / 2, program.size() - 1})
            QCOMPARE(GetFileVersionText(write(program.left(size))), QStringLiteral("?.?.?.?"));
    }

    void missingFileAndFolderGiveTheFailureValues() {
        QCOMPARE(GetFileVersionText(dir.filePath(QStringLiteral("absent"))),
                 QStringLiteral("?.?.?.?"));
        QCOMPARE(GetFileVersionText(dir.path()), QStringLiteral("?.?.?.?"));
    }

private:
    QString write(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("file%1").arg(++count));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return path;
    }
    QTemporaryDir dir;
    int count = 0;
};

QTEST_GUILESS_MAIN(TestFileVersion)
#include "tst_file_version.moc"
