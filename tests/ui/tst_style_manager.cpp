#include "core/appearance/style_registry.h"
#include "core/common/app_error.h"
#include "ui/style_manager.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <QtTest>

using runpad::AppError;
using runpad::StyleManager;
using runpad::StyleRegistry;

namespace {

// Every style but the system one, in the registry's order.
QStringList embeddedStyles() {
    return StyleRegistry().names().mid(1);
}

const QColor kHeaderYellow(255, 255, 0);
const QColor kBodyWhite(255, 255, 255);
const QColor kBodyGrey(176, 176, 176);

// A grid whose colours come from the model, as the program's own grid paints
// a yellow header over a white and grey body.
class ColouredGridModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& = {}) const override { return 4; }
    int columnCount(const QModelIndex& = {}) const override { return 3; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::BackgroundRole)
            return QBrush(index.row() % 2 ? kBodyGrey : kBodyWhite);
        return {};
    }
    QVariant headerData(int, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::BackgroundRole)
            return QBrush(kHeaderYellow);
        return {};
    }
};

// The look the application has before any style is chosen: a style and a
// palette no embedded style uses, so a restore that misses either shows.
const QString kDesktopStyle = QStringLiteral("Windows");
QPalette desktopPalette() {
    return QPalette(QColor(0x80, 0x60, 0x40), QColor(0xc8, 0xb8, 0xa0));
}

struct Look {
    QString styleName;
    QPalette palette;
    QString styleSheet;

    static Look current() {
        return {StyleManager::widgetStyleName(), QApplication::palette(), qApp->styleSheet()};
    }
};

} // namespace

class TestStyleManager : public QObject {
    Q_OBJECT
private slots:
    void init();
    void startsWithSystemAppearance();
    void unknownNameChangesNothing_data();
    void unknownNameChangesNothing();
    void embeddedStyleApplied_data();
    void embeddedStyleApplied();
    void systemAppearanceRestored_data();
    void systemAppearanceRestored();
    void gridColoursSurvive_data();
    void gridColoursSurvive();

private:
    StyleRegistry registry_;
    QPalette desktopPalette_;
};

void TestStyleManager::init() {
    qApp->setStyleSheet(QString());
    QApplication::setStyle(kDesktopStyle);
    QApplication::setPalette(desktopPalette());
    // As the application resolved it: roles the palette left open come from
    // the platform.
    desktopPalette_ = QApplication::palette();
}

void TestStyleManager::startsWithSystemAppearance() {
    StyleManager manager(registry_, *qApp);
    QVERIFY(manager.activeName().isEmpty());
    QCOMPARE(manager.styleNames(), registry_.names());
}

void TestStyleManager::unknownNameChangesNothing_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("name");

    QTest::newRow("unknown name on the system look") << ""
                                                     << "Nope";
    QTest::newRow("unknown name on an embedded style") << "Glow"
                                                       << "Nope";
    QTest::newRow("wrong case") << "Sky"
                                << "glow";
    QTest::newRow("empty name") << "Glossy"
                                << "";
}

void TestStyleManager::unknownNameChangesNothing() {
    QFETCH(QString, before);
    QFETCH(QString, name);
    StyleManager manager(registry_, *qApp);
    if (!before.isEmpty())
        manager.activate(before);
    const Look look = Look::current();

    try {
        manager.activate(name);
        QFAIL("no error raised");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QStringLiteral("Style '%1' not found").arg(name));
    }

    QCOMPARE(manager.activeName(), before);
    QCOMPARE(StyleManager::widgetStyleName(), look.styleName);
    QCOMPARE(QApplication::palette(), look.palette);
    QCOMPARE(qApp->styleSheet(), look.styleSheet);
}

void TestStyleManager::embeddedStyleApplied_data() {
    QTest::addColumn<QString>("name");
    for (const QString& name : embeddedStyles())
        QTest::newRow(qPrintable(name)) << name;
}

void TestStyleManager::embeddedStyleApplied() {
    QFETCH(QString, name);
    StyleManager manager(registry_, *qApp);
    manager.activate(name);

    const runpad::StyleDefinition& style = registry_.style(name);
    QCOMPARE(manager.activeName(), name);
    QCOMPARE(qApp->styleSheet(), style.styleSheet);
    QCOMPARE(QApplication::palette(), style.palette);
    QVERIFY(QApplication::palette() != desktopPalette_);
    // While a sheet is set the application's style is a wrapper around the
    // base style; taking the sheet away shows the base.
    qApp->setStyleSheet(QString());
    QCOMPARE(StyleManager::widgetStyleName(), QStringLiteral("fusion"));
}

void TestStyleManager::systemAppearanceRestored_data() {
    QTest::addColumn<QStringList>("sequence");
    for (const QString& name : embeddedStyles())
        QTest::newRow(qPrintable(QStringLiteral("after ") + name)) << QStringList{name};
    QTest::newRow("after two styles") << QStringList{QStringLiteral("Glow"), QStringLiteral("Sky")};
    QTest::newRow("chosen twice") << QStringList{QStringLiteral("Glossy"),
                                                 QStringLiteral("Windows")};
}

void TestStyleManager::systemAppearanceRestored() {
    QFETCH(QStringList, sequence);
    StyleManager manager(registry_, *qApp);
    for (const QString& name : sequence)
        manager.activate(name);

    manager.activate(QStringLiteral("Windows"));

    QCOMPARE(manager.activeName(), QStringLiteral("Windows"));
    QCOMPARE(StyleManager::widgetStyleName(), kDesktopStyle.toLower());
    QCOMPARE(QApplication::palette(), desktopPalette_);
    QVERIFY(qApp->styleSheet().isEmpty());
}

void TestStyleManager::gridColoursSurvive_data() {
    embeddedStyleApplied_data();
}

// The sheets dress the grid's frame only: colours the program gives its
// header and cells still reach the screen, and every sheet parses.
void TestStyleManager::gridColoursSurvive() {
    QFETCH(QString, name);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("Could not parse")));
    StyleManager manager(registry_, *qApp);
    manager.activate(name);

    ColouredGridModel model;
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->hide();
    view.resize(400, 200);
    view.clearSelection();
    const QImage shot = view.grab().toImage();

    const QHeaderView* header = view.horizontalHeader();
    const QPoint headerCentre(header->sectionViewportPosition(1) + header->sectionSize(1) / 2,
                              header->height() / 2);
    const QColor headerColour = shot.pixelColor(header->mapTo(&view, headerCentre));
    QVERIFY2(headerColour.red() > 200 && headerColour.green() > 200 && headerColour.blue() < 100,
             qPrintable(headerColour.name()));

    for (int row : {1, 2}) {
        const QPoint cell = view.visualRect(model.index(row, 1)).center();
        QCOMPARE(shot.pixelColor(view.viewport()->mapTo(&view, cell)),
                 row % 2 ? kBodyGrey : kBodyWhite);
    }
}

QTEST_MAIN(TestStyleManager)
#include "tst_style_manager.moc"
