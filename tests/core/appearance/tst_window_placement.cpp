#include "core/appearance/window_placement.h"

#include <QtTest>

using runpad::RestoredPlacement;
using runpad::StoredPlacement;

namespace runpad {
char* toString(const RestoredPlacement& p) {
    return QTest::toString(
        QStringLiteral("%1x%2 at (%3, %4)").arg(p.width).arg(p.height).arg(p.left).arg(p.top));
}
} // namespace runpad

Q_DECLARE_METATYPE(StoredPlacement)
Q_DECLARE_METATYPE(RestoredPlacement)

namespace {

const QRect kFullHd(0, 0, 1920, 1080);
const QRect kLeftMonitor(-1280, 0, 1280, 1024);
const QRect kUpperMonitor(0, -1080, 1920, 1080);
const QRect kRightMonitor(1920, 0, 1920, 1080);

StoredPlacement stored(std::optional<int> width, std::optional<int> height, std::optional<int> left,
                       std::optional<int> top) {
    return {width, height, left, top};
}

} // namespace

class TestWindowPlacement : public QObject {
    Q_OBJECT
private slots:
    void virtualScreenSize_data();
    void virtualScreenSize();
    void restorePlacement_data();
    void restorePlacement();
    void frameEdgesLieOnTheScreen_data();
    void frameEdgesLieOnTheScreen();
};

void TestWindowPlacement::virtualScreenSize_data() {
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QSize>("expected");

    QTest::newRow("no screens") << QList<QRect>{} << QSize(0, 0);
    QTest::newRow("one screen") << QList<QRect>{kFullHd} << QSize(1920, 1080);
    QTest::newRow("second monitor left of the primary")
        << QList<QRect>{kLeftMonitor, kFullHd} << QSize(3200, 1080);
    QTest::newRow("second monitor above the primary")
        << QList<QRect>{kFullHd, kUpperMonitor} << QSize(1920, 2160);
    QTest::newRow("monitors of different heights side by side")
        << QList<QRect>{QRect(0, 0, 1024, 768), QRect(1024, 200, 1280, 1024)} << QSize(2304, 1224);
}

void TestWindowPlacement::virtualScreenSize() {
    QFETCH(QList<QRect>, screens);
    QFETCH(QSize, expected);
    QCOMPARE(runpad::virtualScreenSize(screens), expected);
}

void TestWindowPlacement::restorePlacement_data() {
    QTest::addColumn<StoredPlacement>("saved");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("primary");
    QTest::addColumn<RestoredPlacement>("expected");

    const QList<QRect> single{kFullHd};
    const QList<QRect> withLeft{kLeftMonitor, kFullHd};

    // Sizes.
    QTest::newRow("nothing stored: default size at the origin")
        << stored({}, {}, {}, {}) << single << kFullHd << RestoredPlacement{800, 750, 0, 0};
    QTest::newRow("small size raised to the minimum")
        << stored(640, 480, 0, 0) << single << kFullHd << RestoredPlacement{800, 600, 0, 0};
    QTest::newRow("size at exactly the minimum")
        << stored(800, 600, 0, 0) << single << kFullHd << RestoredPlacement{800, 600, 0, 0};
    QTest::newRow("size one past the minimum kept")
        << stored(801, 601, 0, 0) << single << kFullHd << RestoredPlacement{801, 601, 0, 0};
    QTest::newRow("larger size kept")
        << stored(1200, 700, 0, 0) << single << kFullHd << RestoredPlacement{1200, 700, 0, 0};
    QTest::newRow("negative size raised to the minimum")
        << stored(-5, -5, 0, 0) << single << kFullHd << RestoredPlacement{800, 600, 0, 0};
    QTest::newRow("only the width stored")
        << stored(1000, {}, {}, {}) << single << kFullHd << RestoredPlacement{1000, 750, 0, 0};
    QTest::newRow("only the position stored")
        << stored({}, {}, 100, 50) << single << kFullHd << RestoredPlacement{800, 750, 100, 50};

    // Right and bottom edges held inside the virtual screen's size.
    QTest::newRow("left past the right edge pulled back")
        << stored(800, 750, 1500, 0) << single << kFullHd << RestoredPlacement{800, 750, 1120, 0};
    QTest::newRow("left at exactly the right edge kept")
        << stored(800, 750, 1120, 0) << single << kFullHd << RestoredPlacement{800, 750, 1120, 0};
    QTest::newRow("wider window pulled back further")
        << stored(1000, 750, 1500, 0) << single << kFullHd << RestoredPlacement{1000, 750, 920, 0};
    QTest::newRow("width raised before the left limit")
        << stored(500, 750, 1500, 0) << single << kFullHd << RestoredPlacement{800, 750, 1120, 0};
    QTest::newRow("top past the bottom edge pulled back")
        << stored(800, 750, 0, 500) << single << kFullHd << RestoredPlacement{800, 750, 0, 330};
    QTest::newRow("top at exactly the bottom edge kept")
        << stored(800, 750, 0, 330) << single << kFullHd << RestoredPlacement{800, 750, 0, 330};
    QTest::newRow("height raised before the top limit")
        << stored(800, 300, 0, 1000) << single << kFullHd << RestoredPlacement{800, 600, 0, 480};
    QTest::newRow("window taller than the screen goes above it")
        << stored(800, 1200, 0, 0) << single << kFullHd << RestoredPlacement{800, 1200, 0, -120};

    // Negative positions are real places on other monitors.
    QTest::newRow("left on a monitor left of the primary kept")
        << stored(800, 750, -900, 100) << withLeft << kFullHd
        << RestoredPlacement{800, 750, -900, 100};
    QTest::newRow("top on a monitor above the primary kept")
        << stored(800, 750, 100, -900) << QList<QRect>{kFullHd, kUpperMonitor} << kFullHd
        << RestoredPlacement{800, 750, 100, -900};
    QTest::newRow("window partly on the screen kept")
        << stored(800, 750, -700, 0) << single << kFullHd << RestoredPlacement{800, 750, -700, 0};

    // A window that would show on no screen.
    QTest::newRow("monitor left of the primary disconnected")
        << stored(800, 750, -2000, 100) << single << kFullHd << RestoredPlacement{800, 750, 0, 0};
    QTest::newRow("monitor above the primary disconnected")
        << stored(800, 750, 100, -2000) << single << kFullHd << RestoredPlacement{800, 750, 0, 0};
    QTest::newRow("window touching the screen only at its edge moved")
        << stored(800, 750, -800, 0) << single << kFullHd << RestoredPlacement{800, 750, 0, 0};
    QTest::newRow("moved to a primary that is not at the origin")
        << stored(800, 750, -2000, 0) << QList<QRect>{kFullHd, kRightMonitor} << kRightMonitor
        << RestoredPlacement{800, 750, 1920, 0};
    QTest::newRow("in the empty corner beside a taller monitor moved")
        << stored(800, 600, 100, 900)
        << QList<QRect>{QRect(0, 0, 1024, 768), QRect(1024, 0, 1280, 2000)}
        << QRect(0, 0, 1024, 768) << RestoredPlacement{800, 600, 0, 0};
}

void TestWindowPlacement::restorePlacement() {
    QFETCH(StoredPlacement, saved);
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, primary);
    QFETCH(RestoredPlacement, expected);

    QCOMPARE(runpad::restorePlacement(saved, runpad::virtualScreenSize(screens), screens, primary),
             expected);
}

QTEST_GUILESS_MAIN(TestWindowPlacement)
#include "tst_window_placement.moc"

void TestWindowPlacement::frameEdgesLieOnTheScreen_data() {
    QTest::addColumn<StoredPlacement>("saved");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QRect>("client");

    QTest::newRow("no frame: the client area is the window")
        << stored(800, 750, 1500, 500) << QMargins() << QRect(1120, 330, 800, 750);
    QTest::newRow("title bar and borders inside the stored size")
        << stored(800, 750, 1500, 500) << QMargins(4, 30, 4, 4) << QRect(1124, 360, 792, 716);
    QTest::newRow("first start at the origin")
        << stored({}, {}, {}, {}) << QMargins(1, 24, 1, 1) << QRect(1, 24, 798, 725);
    QTest::newRow("partly left of the screen")
        << stored(1000, 700, -700, 100) << QMargins(4, 30, 4, 4) << QRect(-696, 130, 992, 666);
}

void TestWindowPlacement::frameEdgesLieOnTheScreen() {
    QFETCH(StoredPlacement, saved);
    QFETCH(QMargins, frame);
    QFETCH(QRect, client);
    const QList<QRect> screens{kFullHd};
    const RestoredPlacement outer =
        runpad::restorePlacement(saved, runpad::virtualScreenSize(screens), screens, kFullHd);
    QCOMPARE(runpad::clientGeometry(outer, frame), client);
    // The frame around that client area has the restored outer geometry.
    QCOMPARE(client.marginsAdded(frame), QRect(outer.left, outer.top, outer.width, outer.height));
}
