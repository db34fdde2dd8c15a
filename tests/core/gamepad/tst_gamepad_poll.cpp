#include "core/gamepad/gamepad_poll.h"

#include <QtTest>
#include <limits>

using namespace runpad;

namespace {

constexpr quint32 kCentred = 0xFFFFFFFFu;
constexpr quint32 kUp = 0;
constexpr quint32 kRight = 9000;
constexpr quint32 kDown = 18000;

// What one tick is expected to do; row is the current row after the caller
// has applied newRow.
struct TickOutcome {
    int row;
    bool moved;
    bool pause;
    bool launch;
};
using TickOutcomes = QList<TickOutcome>;
using Readings = QList<GamepadReading>;

GamepadReading hat(quint32 pov, bool button = false) {
    return GamepadReading{32767, 32767, button, pov};
}

Readings repeated(const GamepadReading& r, int n) {
    return Readings(n, r);
}

} // namespace

Q_DECLARE_METATYPE(TickOutcomes)
Q_DECLARE_METATYPE(Readings)
Q_DECLARE_METATYPE(runpad::GamepadReading)

class TestGamepadPoll : public QObject {
    Q_OBJECT

private slots:
    void ticks_data();
    void ticks();
    void heldHatStepsAtItsPace_data();
    void heldHatStepsAtItsPace();
    void labels_data();
    void labels();
};

void TestGamepadPoll::ticks_data() {
    QTest::addColumn<Readings>("readings");
    QTest::addColumn<int>("startRow");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<qint32>("startLastPov");
    QTest::addColumn<TickOutcomes>("expected");
    QTest::addColumn<qint32>("endLastPov");

    // Six rows: header plus rows 1..5, row 5 being the empty row at the end.
    QTest::newRow("hat held down walks to the last row, then keeps pausing")
        << repeated(hat(kDown), 6) << 1 << 6 << -1
        << TickOutcomes{{2, true, true, false}, {3, true, true, false},  {4, true, true, false},
                        {5, true, true, false}, {5, false, true, false}, {5, false, true, false}}
        << -1;
    QTest::newRow("hat held up on row 1 stays and pauses every tick")
        << repeated(hat(kUp), 3) << 1 << 6 << -1
        << TickOutcomes{{1, false, true, false}, {1, false, true, false}, {1, false, true, false}}
        << -1;
    QTest::newRow("hat held up from row 4 walks to row 1") << repeated(hat(kUp), 4) << 4 << 6 << -1
                                                           << TickOutcomes{{3, true, true, false},
                                                                           {2, true, true, false},
                                                                           {1, true, true, false},
                                                                           {1, false, true, false}}
                                                           << -1;
    QTest::newRow("hat right pauses without moving")
        << repeated(hat(kRight), 2) << 3 << 6 << -1
        << TickOutcomes{{3, false, true, false}, {3, false, true, false}} << -1;
    QTest::newRow("diagonal down-right is not down")
        << repeated(hat(13500), 1) << 3 << 6 << -1 << TickOutcomes{{3, false, true, false}} << -1;
    QTest::newRow("hat one hundredth short of down does not move")
        << repeated(hat(17999), 1) << 3 << 6 << -1 << TickOutcomes{{3, false, true, false}} << -1;
    QTest::newRow("centred after polling started does nothing, no pause")
        << repeated(hat(kCentred), 3) << 3 << 6 << -1
        << TickOutcomes{{3, false, false, false},
                        {3, false, false, false},
                        {3, false, false, false}}
        << -1;
    QTest::newRow("first tick centred pauses once, later ones do not")
        << repeated(hat(kCentred), 3) << 3 << 6 << 0
        << TickOutcomes{{3, false, true, false}, {3, false, false, false}, {3, false, false, false}}
        << -1;
    QTest::newRow("hat up from the start is ignored until it leaves up")
        << Readings{hat(kUp), hat(kUp), hat(kCentred), hat(kUp), hat(kUp)} << 4 << 6 << 0
        << TickOutcomes{{4, false, false, false},
                        {4, false, false, false},
                        {4, false, true, false},
                        {3, true, true, false},
                        {2, true, true, false}}
        << -1;
    QTest::newRow("hat down from the start moves at once")
        << repeated(hat(kDown), 1) << 1 << 6 << 0 << TickOutcomes{{2, true, true, false}} << -1;
    QTest::newRow("button held launches once, on the press")
        << repeated(hat(kCentred, true), 4) << 2 << 6 << -1
        << TickOutcomes{{2, false, false, true},
                        {2, false, false, false},
                        {2, false, false, false},
                        {2, false, false, false}}
        << -1;
    QTest::newRow("button pressed again launches again")
        << Readings{hat(kCentred, true), hat(kCentred, false), hat(kCentred, true)} << 2 << 6 << -1
        << TickOutcomes{{2, false, false, true}, {2, false, false, false}, {2, false, false, true}}
        << -1;
    QTest::newRow("button with hat down launches once, moves and pauses")
        << repeated(hat(kDown, true), 2) << 1 << 6 << -1
        << TickOutcomes{{2, true, true, true}, {3, true, true, false}} << -1;
    QTest::newRow("button released stops launching")
        << Readings{hat(kCentred, true), hat(kCentred, false)} << 2 << 6 << -1
        << TickOutcomes{{2, false, false, true}, {2, false, false, false}} << -1;
    QTest::newRow("table with one command row cannot move down")
        << repeated(hat(kDown), 2) << 1 << 2 << -1
        << TickOutcomes{{1, false, true, false}, {1, false, true, false}} << -1;
}

void TestGamepadPoll::ticks() {
    QFETCH(Readings, readings);
    QFETCH(int, startRow);
    QFETCH(int, rowCount);
    QFETCH(qint32, startLastPov);
    QFETCH(TickOutcomes, expected);
    QFETCH(qint32, endLastPov);
    QCOMPARE(readings.size(), expected.size());

    int row = startRow;
    qint32 lastPov = startLastPov;
    PollCarry carry;
    for (qsizetype i = 0; i < readings.size(); ++i) {
        // Ticks far enough apart that the hat is never held back.
        const auto now = quint32(i * kPovPause);
        const PollTick tick = pollTick(readings[i], row, rowCount, lastPov, carry, now);
        const TickOutcome& want = expected[i];
        QVERIFY2(tick.newRow.has_value() == want.moved, qPrintable(QString::number(i)));
        if (tick.newRow) {
            QVERIFY2(*tick.newRow != row, "newRow is given only for a different row");
            row = *tick.newRow;
        }
        QCOMPARE(row, want.row);
        QCOMPARE(tick.pause, want.pause);
        QCOMPARE(tick.launch, want.launch);
    }
    QCOMPARE(lastPov, endLastPov);
}

void TestGamepadPoll::heldHatStepsAtItsPace_data() {
    QTest::addColumn<quint32>("start");
    QTest::addColumn<QList<int>>("rowsAt"); // current row after each 10 ms tick

    // 10 ms ticks with the hat held down from row 1: a step at 0, 150, 300 ms.
    QList<int> rows;
    for (int t = 0; t <= 320; t += 10)
        rows << 2 + t / kPovPause;
    QTest::newRow("steps every 150 ms, ticks in between") << quint32(0) << rows;
    QTest::newRow("across the wrap of the tick count") << quint32(0xFFFFFFFFu - 40) << rows;
}

void TestGamepadPoll::heldHatStepsAtItsPace() {
    QFETCH(quint32, start);
    QFETCH(QList<int>, rowsAt);
    int row = 1;
    qint32 lastPov = -1;
    PollCarry carry;
    for (qsizetype i = 0; i < rowsAt.size(); ++i) {
        const PollTick tick =
            pollTick(hat(kDown, i == 5), row, 20, lastPov, carry, start + quint32(i * 10));
        // Labels and the button are handled on every tick, held-back ones too.
        QCOMPARE(tick.launch, i == 5);
        QCOMPARE(tick.buttonLabel,
                 QString(i == 5 ? "Button 1 is pressed" : "Button 1 is not pressed"));
        if (tick.newRow)
            row = *tick.newRow;
        QVERIFY2(row == rowsAt[i], qPrintable(QStringLiteral("tick %1: row %2").arg(i).arg(row)));
    }
}

void TestGamepadPoll::labels_data() {
    QTest::addColumn<GamepadReading>("reading");
    QTest::addColumn<QString>("xLabel");
    QTest::addColumn<QString>("yLabel");
    QTest::addColumn<QString>("buttonLabel");

    QTest::newRow("at rest") << GamepadReading{32767, 32767, false, kCentred} << "X Axis: 32767"
                             << "Y Axis: 32767"
                             << "Button 1 is not pressed";
    QTest::newRow("extremes, button down")
        << GamepadReading{0, 65535, true, kCentred} << "X Axis: 0"
        << "Y Axis: 65535"
        << "Button 1 is pressed";
    QTest::newRow("negative values keep their sign")
        << GamepadReading{-1000, std::numeric_limits<qint32>::min(), false, kCentred}
        << "X Axis: -1000"
        << "Y Axis: -2147483648"
        << "Button 1 is not pressed";
}

void TestGamepadPoll::labels() {
    QFETCH(GamepadReading, reading);
    qint32 lastPov = -1;
    PollCarry carry;
    const PollTick tick = pollTick(reading, 1, 6, lastPov, carry, 0);
    QTEST(tick.xLabel, "xLabel");
    QTEST(tick.yLabel, "yLabel");
    QTEST(tick.buttonLabel, "buttonLabel");
}

QTEST_GUILESS_MAIN(TestGamepadPoll)
#include "tst_gamepad_poll.moc"
