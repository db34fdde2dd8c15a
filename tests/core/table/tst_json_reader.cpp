#include "core/common/app_error.h"
#include "core/table/json_reader.h"

#include "grid_test_support.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace runpad;
using runpad::testing::errorOf;

namespace {

// The external conformance suite lies beside the checkout (or beside the
// folder of worktrees); it is not part of the project.
QString suiteDir() {
    for (const char* candidate : {RUNPAD_SOURCE_DIR "/../shared/corpora/JSONTestSuite",
                                  RUNPAD_SOURCE_DIR "/../../shared/corpora/JSONTestSuite"}) {
        if (QFileInfo(QString::fromUtf8(candidate)).isDir())
            return QString::fromUtf8(candidate);
    }
    return {};
}

QByteArray utf16(const QString& text, QStringConverter::Encoding encoding) {
    QStringEncoder encoder(encoding);
    return encoder(text);
}

QString firstElementText(const QByteArray& bytes) {
    const JsonDocument doc = JsonDocument::parse(bytes, QStringLiteral("test"));
    return doc.root().at(0).text();
}

} // namespace

class TestJsonReader : public QObject {
    Q_OBJECT
private slots:
    void elementText_data();
    void elementText();
    void byteOrderMarks_data();
    void byteOrderMarks();
    void memberLookup_data();
    void memberLookup();
    void rejectsInvalidText_data();
    void rejectsInvalidText();
    void nestingLimit_data();
    void nestingLimit();
    void readFileErrors();
    void conformanceSuite();
};

void TestJsonReader::elementText_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain string") << QByteArray(R"(["abc"])") << "abc";
    QTest::newRow("empty string") << QByteArray(R"([""])") << "";
    QTest::newRow("short escapes")
        << QByteArray(R"(["\"\\\/\b\f\n\r\t"])") << QStringLiteral("\"\\/\b\f\n\r\t");
    QTest::newRow("unicode escape lower and upper hex")
        << QByteArray(R"(["\u00e9\u00E9"])") << QStringLiteral("\u00e9\u00e9");
    QTest::newRow("escaped NUL") << QByteArray(R"(["a\u0000b"])")
                                 << QStringView(u"a\0b", 3).toString();
    QTest::newRow("surrogate pair joined")
        << QByteArray(R"(["\uD83D\uDE00"])") << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("raw UTF-8") << QByteArray("[\"\xC3\xA9\xE2\x82\xAC\"]")
                               << QStringLiteral("\u00e9\u20ac");
    QTest::newRow("number with trailing zero") << QByteArray("[12.50]") << "12.50";
    QTest::newRow("negative exponent") << QByteArray("[-1.0E-07]") << "-1.0E-07";
    QTest::newRow("integer beyond 64 bits")
        << QByteArray("[123456789012345678901234567890]") << "123456789012345678901234567890";
    QTest::newRow("many decimals")
        << QByteArray("[0.10000000000000000000001]") << "0.10000000000000000000001";
    QTest::newRow("negative zero") << QByteArray("[-0]") << "-0";
    QTest::newRow("true") << QByteArray("[true]") << "true";
    QTest::newRow("false") << QByteArray("[false]") << "false";
    QTest::newRow("null") << QByteArray("[null]") << "null";
    QTest::newRow("object") << QByteArray(R"([{"a":"b"}])") << "";
    QTest::newRow("array") << QByteArray(R"([["x"]])") << "";
    QTest::newRow("white space around tokens")
        << QByteArray(" \r\n\t[ \n \"x\" \t , 1 ] \n") << "x";
}

void TestJsonReader::elementText() {
    QFETCH(QByteArray, json);
    QFETCH(QString, text);
    QCOMPARE(firstElementText(json), text);
}

void TestJsonReader::byteOrderMarks_data() {
    const QString json = QStringLiteral("[\"\u00e9\u20ac\U0001F600\"]");
    const QString expected = QStringLiteral("\u00e9\u20ac\U0001F600");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-8 with mark") << ("\xEF\xBB\xBF" + json.toUtf8()) << expected;
    QTest::newRow("UTF-8 without mark") << json.toUtf8() << expected;
    QTest::newRow("UTF-16 LE with mark")
        << ("\xFF\xFE" + utf16(json, QStringConverter::Utf16LE)) << expected;
    QTest::newRow("UTF-16 BE with mark")
        << ("\xFE\xFF" + utf16(json, QStringConverter::Utf16BE)) << expected;
    // Not valid UTF-8: the ANSI code page, with its own characters at 80..9F.
    QTest::newRow("Windows-1252 without mark")
        << QByteArray("[\"\x80\xE9\x93\"]") << QStringLiteral("\u20ac\u00e9\u201c");
    QTest::newRow("UTF-8 mark before white space") << QByteArray("\xEF\xBB\xBF  [\"x\"]") << "x";
}

void TestJsonReader::byteOrderMarks() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(firstElementText(bytes), text);
}

void TestJsonReader::memberLookup_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("text");
    const QByteArray index =
        R"({"file_name":"Runpad.zip","version":"23.01.19.01","website":"http:\/\/x\/"})";
    QTest::newRow("string member") << index << "version" << true << "23.01.19.01";
    QTest::newRow("escaped solidus decoded") << index << "website" << true << "http://x/";
    QTest::newRow("first of duplicates counts")
        << QByteArray(R"({"version":"1","version":"2"})") << "version" << true << "1";
    QTest::newRow("names are case-sensitive")
        << QByteArray(R"({"Version":"1"})") << "version" << false << "";
    QTest::newRow("missing member") << index << "size" << false << "";
    QTest::newRow("number member keeps its text")
        << QByteArray(R"({"version":23.010})") << "version" << true << "23.010";
    QTest::newRow("null member") << QByteArray(R"({"version":null})") << "version" << true
                                 << "null";
    QTest::newRow("object member reads empty")
        << QByteArray(R"({"version":{"a":1}})") << "version" << true << "";
    QTest::newRow("escaped member name")
        << QByteArray(R"({"v\u00e9":"x"})") << QStringLiteral("v\u00e9") << true << "x";
    QTest::newRow("top level array has no members")
        << QByteArray(R"(["version"])") << "version" << false << "";
    QTest::newRow("top level string has no members")
        << QByteArray(R"("version")") << "version" << false << "";
}

void TestJsonReader::memberLookup() {
    QFETCH(QByteArray, json);
    QFETCH(QString, name);
    QFETCH(bool, found);
    QFETCH(QString, text);
    const JsonDocument doc = JsonDocument::parse(json, QStringLiteral("index"));
    const std::optional<QString> value = doc.memberText(name);
    QCOMPARE(value.has_value(), found);
    if (found)
        QCOMPARE(*value, text);
}

void TestJsonReader::rejectsInvalidText_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("where");
    QTest::newRow("empty") << QByteArray() << "line 1, column 1";
    QTest::newRow("mark only") << QByteArray("\xEF\xBB\xBF") << "line 1, column 1";
    QTest::newRow("missing comma on line 2")
        << QByteArray("[\n \"a\" \"b\"]") << "line 2, column 6";
    QTest::newRow("column counts characters")
        << QByteArray("[\"\xC3\xA9\xC3\xA9\" x]") << "line 1, column 7";
    QTest::newRow("two values") << QByteArray("[] []") << "line 1, column 4";
    QTest::newRow("trailing comma") << QByteArray("[1,]") << "line 1, column 4";
    QTest::newRow("NUL after the value") << QByteArray("[1]\0", 4) << "line 1, column 4";
    QTest::newRow("NUL before the value") << QByteArray("\0[1]", 4) << "line 1, column 1";
    QTest::newRow("unterminated string") << QByteArray("[\"abc") << "line 1, column 6";
    QTest::newRow("raw control character in string")
        << QByteArray("[\"a\tb\"]") << "line 1, column";
    QTest::newRow("lone high surrogate") << QByteArray(R"(["\uD800x"])") << "line 1, column";
    QTest::newRow("leading zero") << QByteArray("[012]") << "line 1, column";
    QTest::newRow("bare word") << QByteArray("[nul]") << "line 1, column";
    QTest::newRow("single quotes") << QByteArray("['a']") << "line 1, column 2";
}

void TestJsonReader::rejectsInvalidText() {
    QFETCH(QByteArray, json);
    QFETCH(QString, where);
    const QString message =
        errorOf([&] { JsonDocument::parse(json, QStringLiteral("\"broken.json\"")); });
    QVERIFY2(message.startsWith(QStringLiteral("\"broken.json\": ") + where), qPrintable(message));
}

void TestJsonReader::nestingLimit_data() {
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("at the limit") << kMaxJsonDepth << true;
    QTest::newRow("one beyond the limit") << kMaxJsonDepth + 1 << false;
    // Deep enough to overflow a recursive parser's stack.
    QTest::newRow("far beyond the limit") << 1000000 << false;
}

void TestJsonReader::nestingLimit() {
    QFETCH(int, depth);
    QFETCH(bool, accepted);
    for (const char* brackets : {"[]", "{}"}) {
        QByteArray json;
        for (int i = 0; i < depth; ++i)
            json +=
                (brackets[0] == '{' && i > 0) ? QByteArray("\"a\":{") : QByteArray(1, brackets[0]);
        json += QByteArray(depth, brackets[1]);
        const QString message = errorOf([&] { JsonDocument::parse(json, QStringLiteral("deep")); });
        QVERIFY2(message.isNull() == accepted, qPrintable(message));
        if (!accepted)
            QVERIFY2(message.contains(QStringLiteral("nested deeper than 512 levels")),
                     qPrintable(message));
    }
}

void TestJsonReader::readFileErrors() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("missing.json"));
    QVERIFY(errorOf([&] {
                JsonDocument::readFile(missing);
            }).startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(missing)));
    QVERIFY(errorOf([&] {
                JsonDocument::readFile(dir.path());
            }).startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(dir.path())));

    const QString big = dir.filePath(QStringLiteral("big.json"));
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(kMaxJsonBytes + 1)); // sparse: costs no disk space
    file.close();
    const QString message = errorOf([&] { JsonDocument::readFile(big); });
    QVERIFY2(message.contains(QStringLiteral("too large")), qPrintable(message));

    const QString broken = dir.filePath(QStringLiteral("broken.json"));
    QFile out(broken);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("{\"a\":}");
    out.close();
    QVERIFY(errorOf([&] {
                JsonDocument::readFile(broken);
            }).startsWith(QStringLiteral("\"%1\": line 1, column 6: ").arg(broken)));
}

void TestJsonReader::conformanceSuite() {
    const QString dir = suiteDir();
    if (dir.isEmpty())
        QSKIP("JSONTestSuite corpus not found beside the checkout");
    const QStringList names = QDir(dir).entryList({QStringLiteral("*.json")}, QDir::Files);
    QVERIFY(!names.isEmpty());
    for (const QString& name : names) {
        QFile file(QDir(dir).filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        // An i_ case may go either way; running it shows it neither crashes
        // nor hangs.
        const QString message = errorOf([&] { JsonDocument::parse(bytes, name); });
        if (name.startsWith(u'y'))
            QVERIFY2(message.isNull(), qPrintable(name + QStringLiteral(": ") + message));
        else if (name.startsWith(u'n'))
            QVERIFY2(!message.isNull(), qPrintable(name + QStringLiteral(" was accepted")));
    }
}

QTEST_GUILESS_MAIN(TestJsonReader)
#include "tst_json_reader.moc"
