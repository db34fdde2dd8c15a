#include "core/table/ini_document.h"

#include <QStringEncoder>
#include <QTest>

#include <climits>

using runpad::IniDocument;

namespace {

IniDocument parse(const QByteArray& bytes) {
    return IniDocument::fromBytes(bytes);
}

QByteArray encoded(QStringConverter::Encoding encoding, const QString& text) {
    QStringEncoder encoder(encoding);
    return encoder(text);
}

} // namespace

class TestIniDocument : public QObject {
    Q_OBJECT

private slots:
    void decodesEncodings_data();
    void decodesEncodings();
    void serialisesAsUtf8WithLf_data();
    void serialisesAsUtf8WithLf();
    void lookup_data();
    void lookup();
    void sectionNamesOncePerName();
    void parseIniInteger_data();
    void parseIniInteger();
    void readInteger_data();
    void readInteger();
    void writeInteger_data();
    void writeInteger();
    void writeString_data();
    void writeString();
    void multiLineValueCannotStartNewLines();
    void longValueKeptWhole();
    void writtenValueSurvivesNewRead_data();
    void writtenValueSurvivesNewRead();
    void roundTripKeepsText_data();
    void roundTripKeepsText();
    void eraseSection_data();
    void eraseSection();
    void writesAfterEraseReachTheRightSection();
    void manyNewKeysStayIndexed();
    void repeatedRewritesKeepEveryValue();
    void copiesAreIndependent();
};

void TestIniDocument::decodesEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("expected");

    const QString text = QStringLiteral("[Größe]\r\nk=Straße €\r\n");
    const QString value = QStringLiteral("Straße €");
    QTest::newRow("utf-8 without bom") << text.toUtf8() << QStringLiteral("größe") << value;
    QTest::newRow("utf-8 bom is not part of the first header")
        << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << QStringLiteral("größe") << value;
    QTest::newRow("utf-16le with bom")
        << QByteArray("\xFF\xFE") + encoded(QStringConverter::Utf16LE, text)
        << QStringLiteral("größe") << value;
    QTest::newRow("utf-16be with bom")
        << QByteArray("\xFE\xFF") + encoded(QStringConverter::Utf16BE, text)
        << QStringLiteral("größe") << value;

    QTest::newRow("windows-1252 euro sign")
        << QByteArray("[S]\nk=\x80\n") << QStringLiteral("S") << QStringLiteral("€");
    QTest::newRow("windows-1252 e acute")
        << QByteArray("[S]\nk=caf\xE9\n") << QStringLiteral("S") << QStringLiteral("café");
    QTest::newRow("windows-1252 section name")
        << QByteArray("[Caf\xE9]\nk=v\n") << QStringLiteral("CAFÉ") << QStringLiteral("v");
    QTest::newRow("windows-1252 unassigned bytes keep their code")
        << QByteArray("[S]\nk=\x81\x8D\x8F\x90\x9D\n") << QStringLiteral("S")
        << QString(QChar(0x81)) + QChar(0x8D) + QChar(0x8F) + QChar(0x90) + QChar(0x9D);
    QTest::newRow("windows-1252 ends of the 0x80 block")
        << QByteArray("[S]\nk=\x82\x9F\n") << QStringLiteral("S")
        << QString(QChar(0x201A)) + QChar(0x0178);
    QTest::newRow("windows-1252 upper half is latin-1")
        << QByteArray("[S]\nk=\xA0\xC4\xFF\n") << QStringLiteral("S")
        << QString(QChar(0xA0)) + QChar(0xC4) + QChar(0xFF);
    QTest::newRow("one invalid byte makes the whole file windows-1252")
        << QByteArray("[S]\nk=\xC3\xA9\n[T]\nx=\xE9\n") << QStringLiteral("S")
        << QStringLiteral("Ã©");
    QTest::newRow("bad bytes after a utf-8 bom become replacement characters")
        << QByteArray("\xEF\xBB\xBF[S]\nk=a\xFF\x62\n") << QStringLiteral("S")
        << QStringLiteral("a\uFFFDb");
    QTest::newRow("utf-8 sequence cut off at the end")
        << QByteArray("[S]\nk=\xC3") << QStringLiteral("S") << QStringLiteral("Ã");
}

void TestIniDocument::decodesEncodings() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, expected);

    const IniDocument doc = parse(bytes);
    QCOMPARE(doc.readString(section, QStringLiteral("k"), QStringLiteral("<missing>")), expected);
}

void TestIniDocument::serialisesAsUtf8WithLf_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");

    const QByteArray utf8 = QStringLiteral("[Größe]\nk=€\n").toUtf8();
    QTest::newRow("utf-8 bom dropped") << QByteArray("\xEF\xBB\xBF") + utf8 << utf8;
    QTest::newRow("utf-16le becomes utf-8")
        << QByteArray("\xFF\xFE") +
               encoded(QStringConverter::Utf16LE, QStringLiteral("[Größe]\nk=€\n"))
        << utf8;
    QTest::newRow("windows-1252 becomes utf-8") << QByteArray("[Gr\xF6\xDF\x65]\nk=\x80\n") << utf8;
    QTest::newRow("crlf becomes lf")
        << QByteArray("; c\r\n[S]\r\nk=v\r\n\r\n") << QByteArray("; c\n[S]\nk=v\n\n");
    QTest::newRow("mixed line ends")
        << QByteArray("[S]\r\na=1\nb=2\r\n") << QByteArray("[S]\na=1\nb=2\n");
    QTest::newRow("last line gets a line end")
        << QByteArray("[S]\nk=v") << QByteArray("[S]\nk=v\n");
    QTest::newRow("lone cr stays inside the value")
        << QByteArray("[S]\nk=a\rb\r\n") << QByteArray("[S]\nk=a\rb\n");
    QTest::newRow("empty input") << QByteArray() << QByteArray();
    QTest::newRow("text beginning with U+FEFF keeps a mark in front")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF[S]\nk=v\n")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF[S]\nk=v\n");
}

void TestIniDocument::serialisesAsUtf8WithLf() {
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);

    QCOMPARE(parse(input).toBytes(), output);
}

void TestIniDocument::lookup_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");

    QTest::newRow("exact names") << QByteArray("[Options]\nWidth=5\n") << "Options"
                                 << "Width" << true << "5";
    QTest::newRow("section case differs") << QByteArray("[Options]\nWidth=5\n") << "OPTIONS"
                                          << "Width" << true << "5";
    QTest::newRow("key case differs") << QByteArray("[Options]\nWidth=5\n") << "Options"
                                      << "wIDTH" << true << "5";
    QTest::newRow("non-ascii case differs") << QByteArray("[Ärger]\nÜber=1\n") << "ärger"
                                            << "über" << true << "1";
    QTest::newRow("first duplicate non-ascii key counts")
        << QByteArray("[A]\nÜber=1\nüBER=2\n") << "a"
        << "ÜBER" << true << "1";
    // Folding maps these non-ASCII letters onto ASCII ones, so both ways of
    // hashing a name must agree.
    QTest::newRow("kelvin sign asked, ascii k in file")
        << QByteArray("[A]\nk=1\n") << "A" << QStringLiteral("\u212A") << true << "1";
    QTest::newRow("ascii k asked, kelvin sign in file")
        << QByteArray("[A]\n\xE2\x84\xAA=1\n") << "A"
        << "K" << true << "1";
    QTest::newRow("blanks around section name in file")
        << QByteArray("  [ \tOptions  ]\nk=1\n") << "Options"
        << "k" << true << "1";
    QTest::newRow("blanks around caller's section name")
        << QByteArray("[Options]\nk=1\n") << " \tOptions "
        << "k" << true << "1";
    QTest::newRow("blanks around key in file") << QByteArray("[S]\n \tsave time \t=5\n") << "S"
                                               << "save time" << true << "5";
    QTest::newRow("trailing blank in caller's key") << QByteArray("[S]\nsave time =5\n") << "S"
                                                    << "save time " << true << "5";
    QTest::newRow("blank inside a key matters") << QByteArray("[S]\nsavetime=5\n") << "S"
                                                << "save time" << false << "";
    QTest::newRow("first duplicate section counts")
        << QByteArray("[A]\nk=1\n[B]\n[a]\nk=2\n") << "A"
        << "k" << true << "1";
    QTest::newRow("key only in a later duplicate section is hidden")
        << QByteArray("[A]\nx=1\n[A]\nk=2\n") << "A"
        << "k" << false << "";
    QTest::newRow("first duplicate key counts") << QByteArray("[A]\nk=1\nK=2\n") << "A"
                                                << "k" << true << "1";
    QTest::newRow("key belongs to its own section only") << QByteArray("[A]\n[B]\nk=1\n") << "A"
                                                         << "k" << false << "";
    QTest::newRow("missing section") << QByteArray("[A]\nk=1\n") << "B"
                                     << "k" << false << "";
    QTest::newRow("commented key") << QByteArray("[A]\n;k=1\n") << "A"
                                   << "k" << false << "";
    QTest::newRow("indented commented key") << QByteArray("[A]\n \t; k=1\n") << "A"
                                            << "; k" << false << "";
    QTest::newRow("line without equals is no key") << QByteArray("[A]\nk\n") << "A"
                                                   << "k" << false << "";
    QTest::newRow("key before the first header is in no section") << QByteArray("k=1\n[A]\n") << "A"
                                                                  << "k" << false << "";
    QTest::newRow("key before the first header is not the empty section")
        << QByteArray("k=1\n[A]\n") << ""
        << "k" << false << "";
    QTest::newRow("text after the closing bracket ignored")
        << QByteArray("[A] ; note\nk=1\n") << "A"
        << "k" << true << "1";
    QTest::newRow("value keeps later equals signs") << QByteArray("[A]\nk=a=b=\n") << "A"
                                                    << "k" << true << "a=b=";
    QTest::newRow("value keeps semicolon") << QByteArray("[A]\nk=a;b\n") << "A"
                                           << "k" << true << "a;b";
    QTest::newRow("value keeps surrounding blanks") << QByteArray("[A]\nk=  a b \t\n") << "A"
                                                    << "k" << true << "  a b \t";
    QTest::newRow("value keeps quotes") << QByteArray("[A]\nk=\"a b\"\n") << "A"
                                        << "k" << true << "\"a b\"";
    QTest::newRow("value keeps backslashes") << QByteArray("[A]\nk=C:\\new\\t.exe\n") << "A"
                                             << "k" << true << "C:\\new\\t.exe";
    QTest::newRow("empty value is present") << QByteArray("[A]\nk=\n") << "A"
                                            << "k" << true << "";
    QTest::newRow("crlf not part of the value") << QByteArray("[A]\r\nk=v\r\n") << "A"
                                                << "k" << true << "v";
    QTest::newRow("lone cr is part of the value") << QByteArray("[A]\nk=a\rb\n") << "A"
                                                  << "k" << true << "a\rb";
}

void TestIniDocument::lookup() {
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(bool, found);
    QFETCH(QString, value);

    const IniDocument doc = parse(file);
    QCOMPARE(doc.hasKey(section, key), found);
    QCOMPARE(doc.readString(section, key, QStringLiteral("<default>")),
             found ? value : QStringLiteral("<default>"));
}

void TestIniDocument::sectionNamesOncePerName() {
    const IniDocument doc = parse("k=1\n[A]\n[b]\n[a]\n[ C ]\n[B]\n");
    QCOMPARE(doc.sectionNames(), QStringList({"A", "b", "C"}));
}

void TestIniDocument::parseIniInteger_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");

    QTest::newRow("hex") << "0x1F" << true << 31;
    QTest::newRow("hex upper-case prefix and digits") << "0X1f" << true << 31;
    QTest::newRow("hex prefix alone") << "0x" << false << 0;
    QTest::newRow("hex with sign") << "0x-1" << false << 0;
    QTest::newRow("hex with blank") << "0x 1" << false << 0;
    QTest::newRow("hex with trailing blank") << "0x1F " << false << 0;
    QTest::newRow("hex with leading blank") << " 0x1F" << false << 0;
    QTest::newRow("hex bad digit") << "0x1G" << false << 0;
    QTest::newRow("hex largest positive") << "0x7FFFFFFF" << true << INT_MAX;
    QTest::newRow("hex high bit wraps") << "0x80000000" << true << INT_MIN;
    QTest::newRow("hex all bits wrap to -1") << "0xFFFFFFFF" << true << -1;
    QTest::newRow("hex beyond 32 bits") << "0x100000000" << false << 0;
    QTest::newRow("decimal") << "12" << true << 12;
    QTest::newRow("negative") << "-5" << true << -5;
    QTest::newRow("plus sign") << "+5" << true << 5;
    QTest::newRow("leading zeros are decimal") << "0012" << true << 12;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("leading blank") << " 7" << true << 7;
    QTest::newRow("leading tab") << "\t7" << true << 7;
    QTest::newRow("trailing blank") << "7 " << false << 0;
    QTest::newRow("blank after sign") << "- 7" << false << 0;
    QTest::newRow("two signs") << "--7" << false << 0;
    QTest::newRow("sign alone") << "-" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("digits then letters") << "7x" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blanks only") << "  " << false << 0;
    QTest::newRow("int max") << "2147483647" << true << INT_MAX;
    QTest::newRow("int max plus one") << "2147483648" << false << 0;
    QTest::newRow("int min") << "-2147483648" << true << INT_MIN;
    QTest::newRow("int min minus one") << "-2147483649" << false << 0;
    QTest::newRow("far too many digits do not wrap") << "99999999999999999999999" << false << 0;
    QTest::newRow("non-ascii digit") << QStringLiteral("٣") << false << 0;
}

void TestIniDocument::parseIniInteger() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);

    int result = 4242;
    QCOMPARE(runpad::parseIniInteger(text, result), valid);
    QCOMPARE(result, valid ? value : 4242);
}

void TestIniDocument::readInteger_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("expected");

    QTest::newRow("decimal") << "dec" << 12;
    QTest::newRow("hex") << "hex" << 255;
    QTest::newRow("invalid text gives the default") << "bad" << -7;
    QTest::newRow("empty value gives the default") << "empty" << -7;
    QTest::newRow("missing key gives the default") << "none" << -7;
}

void TestIniDocument::readInteger() {
    QFETCH(QString, key);
    QFETCH(int, expected);

    const IniDocument doc = parse("[S]\ndec=12\nhex=0xff\nbad=1.5\nempty=\n");
    QCOMPARE(doc.readInteger(QStringLiteral("S"), key, -7), expected);
}

void TestIniDocument::writeInteger_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("zero") << 0 << QByteArray("0");
    QTest::newRow("negative") << -5 << QByteArray("-5");
    QTest::newRow("int max") << INT_MAX << QByteArray("2147483647");
    QTest::newRow("int min") << INT_MIN << QByteArray("-2147483648");
}

void TestIniDocument::writeInteger() {
    QFETCH(int, value);
    QFETCH(QByteArray, text);

    IniDocument doc;
    doc.writeInteger(QStringLiteral("S"), QStringLiteral("n"), value);
    QCOMPARE(doc.toBytes(), "[S]\nn=" + text + "\n");
    QCOMPARE(parse(doc.toBytes()).readInteger(QStringLiteral("S"), QStringLiteral("n"), 1), value);
}

void TestIniDocument::writeString_data() {
    QTest::addColumn<QByteArray>("initial");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("existing key replaced in place, file spelling kept")
        << QByteArray("[A]\nKey=1\nother=2\n") << "a"
        << "KEY"
        << "9" << QByteArray("[A]\nKey=9\nother=2\n") << "9";
    QTest::newRow("first duplicate key replaced") << QByteArray("[A]\nk=1\nk=2\n") << "A"
                                                  << "k"
                                                  << "9" << QByteArray("[A]\nk=9\nk=2\n") << "9";
    QTest::newRow("new key goes into the first duplicate section")
        << QByteArray("[A]\nx=1\n[B]\n[a]\nk=2\n") << "A"
        << "k"
        << "9" << QByteArray("[A]\nx=1\nk=9\n[B]\n[a]\nk=2\n") << "9";
    QTest::newRow("new key appended at the end of its section")
        << QByteArray("[A]\nx=1\n[B]\ny=2\n") << "A"
        << "k"
        << "9" << QByteArray("[A]\nx=1\nk=9\n[B]\ny=2\n") << "9";
    QTest::newRow("new key placed before the blank lines closing the section")
        << QByteArray("[A]\nx=1\n\n \n[B]\n") << "A"
        << "k"
        << "9" << QByteArray("[A]\nx=1\nk=9\n\n \n[B]\n") << "9";
    QTest::newRow("new key after a comment ending the section")
        << QByteArray("[A]\nx=1\n; c\n[B]\n") << "A"
        << "k"
        << "9" << QByteArray("[A]\nx=1\n; c\nk=9\n[B]\n") << "9";
    QTest::newRow("missing section appended at the end")
        << QByteArray("[A]\nx=1\n") << "B"
        << "k"
        << "v" << QByteArray("[A]\nx=1\n[B]\nk=v\n") << "v";
    QTest::newRow("empty document") << QByteArray() << "S"
                                    << "k"
                                    << "v" << QByteArray("[S]\nk=v\n") << "v";
    QTest::newRow("lines before the first header stay first")
        << QByteArray("; head\nk=1\n") << "S"
        << "k"
        << "v" << QByteArray("; head\nk=1\n[S]\nk=v\n") << "v";
    QTest::newRow("section trimmed, new key kept as spelled")
        << QByteArray() << " \tS "
        << "save time "
        << "v" << QByteArray("[S]\nsave time =v\n") << "v";
    QTest::newRow("replacing a value keeps the key as the file spells it")
        << QByteArray("[S]\n Save Time =5\n") << "S"
        << "save time"
        << "6" << QByteArray("[S]\n Save Time =6\n") << "6";
    QTest::newRow("section found ignoring case keeps its spelling")
        << QByteArray("[Options]\n") << "OPTIONS"
        << "k"
        << "v" << QByteArray("[Options]\nk=v\n") << "v";
    QTest::newRow("value written exactly")
        << QByteArray() << "S"
        << "k"
        << "  \"q\" = x;y " << QByteArray("[S]\nk=  \"q\" = x;y \n") << "  \"q\" = x;y ";
    QTest::newRow("each cr and lf becomes a space")
        << QByteArray() << "S"
        << "k"
        << "a\r\nb\rc\nd" << QByteArray("[S]\nk=a  b c d\n") << "a  b c d";
    QTest::newRow("empty value") << QByteArray("[S]\nk=1\n") << "S"
                                 << "k"
                                 << "" << QByteArray("[S]\nk=\n") << "";
}

void TestIniDocument::writeString() {
    QFETCH(QByteArray, initial);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, expected);
    QFETCH(QString, readBack);

    IniDocument doc = parse(initial);
    QVERIFY(!doc.isModified());
    doc.writeString(section, key, value);
    QVERIFY(doc.isModified());
    QCOMPARE(doc.readString(section, key), readBack);
    QCOMPARE(doc.toBytes(), expected);
    QCOMPARE(parse(expected).readString(section, key), readBack);
}

void TestIniDocument::multiLineValueCannotStartNewLines() {
    IniDocument doc;
    doc.writeString(QStringLiteral("S"), QStringLiteral("k"),
                    QStringLiteral("a\n[Evil]\r\nx=1\n; c"));
    const IniDocument reread = parse(doc.toBytes());
    QCOMPARE(reread.sectionNames(), QStringList({"S"}));
    QCOMPARE(reread.readString(QStringLiteral("S"), QStringLiteral("k")),
             QStringLiteral("a [Evil]  x=1 ; c"));
    QVERIFY(!reread.hasKey(QStringLiteral("Evil"), QStringLiteral("x")));
}

void TestIniDocument::longValueKeptWhole() {
    QString value;
    for (int i = 0; value.size() < 100000; ++i)
        value += QString::number(i % 10);
    value += QStringLiteral("é");

    const IniDocument read = parse("[S]\nk=" + value.toUtf8() + "\nnext=1\n");
    QCOMPARE(read.readString(QStringLiteral("S"), QStringLiteral("k")), value);
    QCOMPARE(read.readString(QStringLiteral("S"), QStringLiteral("next")), QStringLiteral("1"));

    IniDocument written;
    written.writeString(QStringLiteral("S"), QStringLiteral("k"), value);
    QCOMPARE(parse(written.toBytes()).readString(QStringLiteral("S"), QStringLiteral("k")), value);
}

void TestIniDocument::writtenValueSurvivesNewRead_data() {
    QTest::addColumn<QByteArray>("initial");

    QTest::newRow("plain") << QByteArray("[Form]\nTop=20\n");
    // The second mark is text, so "[Form]" is no header; once written out the
    // text began with the bytes of a mark, the next read dropped them, found
    // the old "[Form]" first and lost the value written below it.
    QTest::newRow("utf-8 mark twice")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF[Form]\r20\r\n[time\xE4]e2026\r\n");
    QTest::newRow("utf-16 mark then U+FEFF") << QByteArray("\xFF\xFE\xFF\xFE[\0F\0]\0\n\0", 12);
}

void TestIniDocument::writtenValueSurvivesNewRead() {
    QFETCH(QByteArray, initial);

    IniDocument doc = parse(initial);
    doc.writeInteger(QStringLiteral("Form"), QStringLiteral("Left"), -12);
    doc.writeString(QStringLiteral("Table"), QStringLiteral("2-1"), QStringLiteral("cmd /c"));
    const IniDocument reread = parse(doc.toBytes());
    QCOMPARE(reread.readInteger(QStringLiteral("Form"), QStringLiteral("Left"), 0), -12);
    QCOMPARE(reread.readString(QStringLiteral("Table"), QStringLiteral("2-1")),
             QStringLiteral("cmd /c"));
    QCOMPARE(reread.toBytes(), doc.toBytes());
}

void TestIniDocument::roundTripKeepsText_data() {
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("comments and blank lines")
        << QByteArray("; top\n\n[A]\n; about k\nk=1\n  ; indented\n\n[B]\n");
    QTest::newRow("lines before the first header")
        << QByteArray("free text\nk=1\n; c\n\n[A]\nx=2\n");
    QTest::newRow("lines without equals") << QByteArray("[A]\njust words\n  \t\nk=v\n");
    QTest::newRow("unknown sections and duplicates")
        << QByteArray("[Table]\nk=1\n[Plugin]\nopt=x\n[table]\nk=2\nk=3\n");
    QTest::newRow("values as they stand")
        << QByteArray("[A]\nk=  \"q\" = x;y \t\nempty=\nsemi=;\n");
    QTest::newRow("non-ascii") << QStringLiteral("[Größe]\nk=€ ✓ 𝄞\n").toUtf8();
    QTest::newRow("blanks around keys") << QByteArray("[save time]\nsave time =5\n  k\t=1\n");
}

void TestIniDocument::roundTripKeepsText() {
    QFETCH(QByteArray, text);

    const IniDocument doc = parse(text);
    QVERIFY(!doc.isModified());
    QCOMPARE(doc.toBytes(), text);
}

void TestIniDocument::eraseSection_data() {
    QTest::addColumn<QByteArray>("initial");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("modified");

    QTest::newRow("section in the middle") << QByteArray("[A]\na=1\n[B]\nb=2\n; note\n\n[C]\nc=3\n")
                                           << "B" << QByteArray("[A]\na=1\n[C]\nc=3\n") << true;
    QTest::newRow("every duplicate, ignoring case and blanks")
        << QByteArray("[A]\n[b]\nx=1\n[C]\n[B]\ny=2\n") << " B\t" << QByteArray("[A]\n[C]\n")
        << true;
    QTest::newRow("last section") << QByteArray("; top\n[A]\na=1\n") << "A" << QByteArray("; top\n")
                                  << true;
    QTest::newRow("missing section is no change")
        << QByteArray("[A]\na=1\n") << "B" << QByteArray("[A]\na=1\n") << false;
    QTest::newRow("lines before the first header are no section")
        << QByteArray("k=1\n[A]\n") << "" << QByteArray("k=1\n[A]\n") << false;
}

void TestIniDocument::eraseSection() {
    QFETCH(QByteArray, initial);
    QFETCH(QString, section);
    QFETCH(QByteArray, expected);
    QFETCH(bool, modified);

    IniDocument doc = parse(initial);
    doc.eraseSection(section);
    QCOMPARE(doc.toBytes(), expected);
    QCOMPARE(doc.isModified(), modified);
    QVERIFY(!doc.sectionNames().contains(section.trimmed(), Qt::CaseInsensitive));
}

void TestIniDocument::writesAfterEraseReachTheRightSection() {
    IniDocument doc = parse("[A]\nx=1\n[B]\ny=2\n[C]\nz=3\n");
    doc.eraseSection(QStringLiteral("a"));

    QCOMPARE(doc.readString(QStringLiteral("C"), QStringLiteral("z")), QStringLiteral("3"));
    QVERIFY(!doc.hasKey(QStringLiteral("A"), QStringLiteral("x")));
    doc.writeString(QStringLiteral("C"), QStringLiteral("w"), QStringLiteral("4"));
    doc.writeString(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("5"));
    // A section written again after its erasure starts afresh at the end.
    doc.writeString(QStringLiteral("A"), QStringLiteral("n"), QStringLiteral("6"));

    QCOMPARE(doc.toBytes(), QByteArray("[B]\ny=5\n[C]\nz=3\nw=4\n[A]\nn=6\n"));
    QCOMPARE(doc.sectionNames(), QStringList({"B", "C", "A"}));
}

void TestIniDocument::manyNewKeysStayIndexed() {
    // The section ends with a blank line, so new keys are inserted ahead of
    // it; every later overwrite must still land on its own line.
    IniDocument doc = parse("[S]\nfirst=0\n\n[T]\nt=1\n");
    const int count = 2000;
    for (int i = 0; i < count; ++i)
        doc.writeInteger(QStringLiteral("S"), QStringLiteral("k%1").arg(i), i);
    for (int i = count - 1; i >= 0; i -= 3)
        doc.writeInteger(QStringLiteral("s"), QStringLiteral("K%1").arg(i), -i);

    QByteArray expected = "[S]\nfirst=0\n";
    for (int i = 0; i < count; ++i) {
        const int value = (count - 1 - i) % 3 == 0 ? -i : i;
        expected += "k" + QByteArray::number(i) + "=" + QByteArray::number(value) + "\n";
    }
    expected += "\n[T]\nt=1\n";
    QCOMPARE(doc.toBytes(), expected);
}

void TestIniDocument::repeatedRewritesKeepEveryValue() {
    // Each round replaces two long values and adds a key; the replaced text
    // piles up and gets compacted away many times over.
    IniDocument doc = parse("[S]\na=original\n[T]\nt=0\n");
    const QString s = QStringLiteral("S");
    const QString t = QStringLiteral("T");
    QString a;
    QString b;
    for (int round = 0; round < 300; ++round) {
        a = QString(1000, QChar(u'a' + round % 26)) + QString::number(round);
        b = a + u'b';
        doc.writeString(s, QStringLiteral("a"), a);
        doc.writeString(s, QStringLiteral("b"), b);
        doc.writeInteger(t, QStringLiteral("t%1").arg(round), round);
        if (round == 150)
            doc.eraseSection(t);
        QCOMPARE(doc.readString(s, QStringLiteral("a")), a);
        QCOMPARE(doc.readString(s, QStringLiteral("b")), b);
    }

    QByteArray expected = "[S]\na=" + a.toUtf8() + "\nb=" + b.toUtf8() + "\n[T]\n";
    for (int round = 151; round < 300; ++round)
        expected += "t" + QByteArray::number(round) + "=" + QByteArray::number(round) + "\n";
    QCOMPARE(doc.toBytes(), expected);
}

void TestIniDocument::copiesAreIndependent() {
    IniDocument original = parse("[S]\nk=1\n");
    original.writeString(QStringLiteral("S"), QStringLiteral("w"), QStringLiteral("x"));
    IniDocument copy = original;

    copy.writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("2"));
    copy.writeString(QStringLiteral("S"), QStringLiteral("w"), QStringLiteral("y"));
    original.writeString(QStringLiteral("S"), QStringLiteral("n"), QStringLiteral("z"));
    copy.eraseSection(QStringLiteral("T"));

    QCOMPARE(original.toBytes(), QByteArray("[S]\nk=1\nw=x\nn=z\n"));
    QCOMPARE(copy.toBytes(), QByteArray("[S]\nk=2\nw=y\n"));
}

QTEST_APPLESS_MAIN(TestIniDocument)
#include "tst_ini_document.moc"
