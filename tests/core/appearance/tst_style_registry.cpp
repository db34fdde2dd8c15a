#include "core/appearance/style_registry.h"
#include "core/common/app_error.h"

#include <QtTest>

#include <cmath>

using runpad::AppError;
using runpad::StyleRegistry;

namespace {

const QStringList kEmbedded{
    QStringLiteral("Aqua Light Slate"),
    QStringLiteral("Glossy"),
    QStringLiteral("Glow"),
    QStringLiteral("Iceberg Classico"),
    QStringLiteral("Lavender Classico"),
    QStringLiteral("Sky"),
    QStringLiteral("Slate Classico"),
};

// WCAG relative luminance and contrast ratio.
double luminance(const QColor& colour) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct TextPair {
    QPalette::ColorRole text;
    QPalette::ColorRole background;
};

const TextPair kTextPairs[] = {
    {QPalette::WindowText, QPalette::Window},
    {QPalette::Text, QPalette::Base},
    {QPalette::ButtonText, QPalette::Button},
    {QPalette::HighlightedText, QPalette::Highlight},
    {QPalette::ToolTipText, QPalette::ToolTipBase},
};

QString roleName(QPalette::ColorRole role) {
    return QLatin1String(QMetaEnum::fromType<QPalette::ColorRole>().valueToKey(role));
}

// A sheet with just the eight colours every palette block must give.
QString minimalSheet(const QString& extraLines = {}) {
    return QStringLiteral("/* @palette\n"
                          " * Window: #e0e0e0\n"
                          " * WindowText: #101010\n"
                          " * Base: #ffffff\n"
                          " * Text: #000000\n"
                          " * Button: #d0d0d0\n"
                          " * ButtonText: #202020\n"
                          " * Highlight: #203080\n"
                          " * HighlightedText: #ffffff\n") +
           extraLines + QStringLiteral(" * @end */\nQLabel { color: #101010; }\n");
}

} // namespace

class TestStyleRegistry : public QObject {
    Q_OBJECT
private slots:
    void namesInMenuOrder();
    void lookUp_data();
    void lookUp();
    void unknownStyleRaises();
    void systemEntryCarriesNothing();
    void embeddedStyleIsComplete_data();
    void embeddedStyleIsComplete();
    void embeddedStylesDiffer();
    void paletteBlockRejected_data();
    void paletteBlockRejected();
    void paletteGroupsDerived();
    void paletteGroupOverride();

private:
    const StyleRegistry registry_;
};

void TestStyleRegistry::namesInMenuOrder() {
    QCOMPARE(registry_.names(), QStringList{QStringLiteral("Windows")} + kEmbedded);
}

void TestStyleRegistry::lookUp_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("known");
    QTest::addColumn<bool>("system");

    QTest::newRow("system appearance") << "Windows" << true << true;
    QTest::newRow("embedded style") << "Glow" << true << false;
    QTest::newRow("embedded style with blanks") << "Lavender Classico" << true << false;
    QTest::newRow("wrong case") << "glow" << false << false;
    QTest::newRow("system name in wrong case") << "windows" << false << false;
    QTest::newRow("trailing blank") << "Sky " << false << false;
    QTest::newRow("resource file name") << "slate_classico" << false << false;
    QTest::newRow("empty name") << "" << false << false;
}

void TestStyleRegistry::lookUp() {
    QFETCH(QString, name);
    QFETCH(bool, known);
    QFETCH(bool, system);

    QCOMPARE(registry_.contains(name), known);
    QCOMPARE(registry_.isSystem(name), system);
    if (known) {
        QCOMPARE(registry_.style(name).name, name);
        QCOMPARE(registry_.style(name).system, system);
    }
}

void TestStyleRegistry::unknownStyleRaises() {
    try {
        registry_.style(QStringLiteral("glow"));
        QFAIL("no error raised");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QStringLiteral("Style 'glow' not found"));
    }
}

void TestStyleRegistry::systemEntryCarriesNothing() {
    const runpad::StyleDefinition& system = registry_.style(QStringLiteral("Windows"));
    QVERIFY(system.styleSheet.isEmpty());
    QVERIFY(system.baseStyle.isEmpty());
}

void TestStyleRegistry::embeddedStyleIsComplete_data() {
    QTest::addColumn<QString>("name");
    for (const QString& name : kEmbedded)
        QTest::newRow(qPrintable(name)) << name;
}

void TestStyleRegistry::embeddedStyleIsComplete() {
    QFETCH(QString, name);
    const runpad::StyleDefinition& style = registry_.style(name);

    QVERIFY(!style.system);
    QCOMPARE(style.baseStyle, QStringLiteral("Fusion"));
    QVERIFY(style.styleSheet.contains(QStringLiteral("QMainWindow")));

    const QPalette& palette = style.palette;
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            if (role != QPalette::NoRole)
                QVERIFY2(palette.isBrushSet(group, QPalette::ColorRole(role)),
                         qPrintable(QStringLiteral("%1 not set in group %2")
                                        .arg(roleName(QPalette::ColorRole(role)))
                                        .arg(int(group))));

    for (const TextPair& pair : kTextPairs) {
        const QString what =
            roleName(pair.text) + QStringLiteral(" on ") + roleName(pair.background);
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            const double ratio =
                contrast(palette.color(group, pair.text), palette.color(group, pair.background));
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1: %2").arg(what).arg(ratio)));
        }
    }

    // Disabled text must still be seen, yet look different from enabled text.
    for (const TextPair& pair : {kTextPairs[0], kTextPairs[1], kTextPairs[2]}) {
        const QString what =
            roleName(pair.text) + QStringLiteral(" on ") + roleName(pair.background);
        const double enabled = contrast(palette.color(QPalette::Active, pair.text),
                                        palette.color(QPalette::Active, pair.background));
        const double disabled = contrast(palette.color(QPalette::Disabled, pair.text),
                                         palette.color(QPalette::Disabled, pair.background));
        QVERIFY2(disabled >= 2.0 && disabled < enabled - 1.0,
                 qPrintable(QStringLiteral("disabled %1: %2 (enabled %3)")
                                .arg(what)
                                .arg(disabled)
                                .arg(enabled)));
    }
}

void TestStyleRegistry::embeddedStylesDiffer() {
    for (qsizetype i = 0; i < kEmbedded.size(); ++i) {
        for (qsizetype j = i + 1; j < kEmbedded.size(); ++j) {
            const runpad::StyleDefinition& a = registry_.style(kEmbedded[i]);
            const runpad::StyleDefinition& b = registry_.style(kEmbedded[j]);
            const QString pair = a.name + QStringLiteral(" / ") + b.name;
            QVERIFY2(a.styleSheet != b.styleSheet, qPrintable(pair));
            QVERIFY2(a.palette.color(QPalette::Window) != b.palette.color(QPalette::Window),
                     qPrintable(pair));
            QVERIFY2(a.palette.color(QPalette::Highlight) != b.palette.color(QPalette::Highlight),
                     qPrintable(pair));
        }
    }
}

void TestStyleRegistry::paletteBlockRejected_data() {
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("message");

    QTest::newRow("no palette block") << "QLabel { color: red; }"
                                      << "Style 'Test': no palette block";
    QTest::newRow("block never closed") << "/* @palette\n Window: #ffffff\n */"
                                        << "Style 'Test': no palette block";
    QTest::newRow("required role missing")
        << QString(minimalSheet()).remove(QStringLiteral(" * Highlight: #203080\n"))
        << "Style 'Test': palette lacks Highlight";
    QTest::newRow("unknown role") << minimalSheet(QStringLiteral(" * Background: #ffffff\n"))
                                  << "Style 'Test': unknown palette entry 'Background: #ffffff'";
    QTest::newRow("unknown group") << minimalSheet(QStringLiteral(" * Pressed.Text: #ffffff\n"))
                                   << "Style 'Test': unknown palette entry 'Pressed.Text: #ffffff'";
    QTest::newRow("colour by name") << minimalSheet(QStringLiteral(" * Link: blue\n"))
                                    << "Style 'Test': unreadable palette line 'Link: blue'";
    QTest::newRow("short colour") << minimalSheet(QStringLiteral(" * Link: #00f\n"))
                                  << "Style 'Test': unreadable palette line 'Link: #00f'";
}

void TestStyleRegistry::paletteBlockRejected() {
    QFETCH(QString, sheet);
    QFETCH(QString, message);
    try {
        runpad::paletteFromSheet(QStringLiteral("Test"), sheet);
        QFAIL("no error raised");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), message);
    }
}

void TestStyleRegistry::paletteGroupsDerived() {
    const QPalette palette = runpad::paletteFromSheet(QStringLiteral("Test"), minimalSheet());

    QCOMPARE(palette.color(QPalette::Active, QPalette::Highlight), QColor(0x20, 0x30, 0x80));
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        QCOMPARE(palette.color(QPalette::Inactive, QPalette::ColorRole(role)),
                 palette.color(QPalette::Active, QPalette::ColorRole(role)));

    // Disabled text lies strictly between the enabled text and its background.
    const int text = palette.color(QPalette::Active, QPalette::Text).lightness();
    const int base = palette.color(QPalette::Active, QPalette::Base).lightness();
    const int disabled = palette.color(QPalette::Disabled, QPalette::Text).lightness();
    QVERIFY2(disabled > text && disabled < base, qPrintable(QString::number(disabled)));
}

void TestStyleRegistry::paletteGroupOverride() {
    const QPalette palette = runpad::paletteFromSheet(
        QStringLiteral("Test"), minimalSheet(QStringLiteral(" * Disabled.Text: #123456\n"
                                                            " * Inactive.Highlight: #654321\n")));

    QCOMPARE(palette.color(QPalette::Disabled, QPalette::Text), QColor(0x12, 0x34, 0x56));
    QCOMPARE(palette.color(QPalette::Active, QPalette::Text), QColor(Qt::black));
    QCOMPARE(palette.color(QPalette::Inactive, QPalette::Highlight), QColor(0x65, 0x43, 0x21));
    QCOMPARE(palette.color(QPalette::Active, QPalette::Highlight), QColor(0x20, 0x30, 0x80));
}

QTEST_GUILESS_MAIN(TestStyleRegistry)
#include "tst_style_registry.moc"
