// Runs against SDL's virtual joysticks in this process, so no hardware is
// needed. The test starts SDL's joystick subsystem itself: a virtual joystick
// can only be attached while it runs, and SDL counts the starts, so the
// instances under test share it.

#include "platform/gamepad_input.h"

#include <SDL.h>

#include <QtTest>
#include <memory>

using namespace runpad;

namespace {

constexpr quint32 kCentred = 4294967295u;

// A virtual controller with a handle of the test's own for setting its state.
class VirtualPad {
public:
    VirtualPad(int axes, int buttons, int hats) {
        const int index =
            SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats);
        if (index < 0)
            return;
        m_id = SDL_JoystickGetDeviceInstanceID(index);
        m_joystick = SDL_JoystickOpen(index);
        // A game-controller type starts its trigger axes at the minimum; start
        // every axis at rest instead so each test sets only what it needs.
        for (int i = 0; i < axes; ++i)
            setAxis(i, 0);
    }
    ~VirtualPad() {
        close();
        detach();
    }
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    bool isValid() const { return m_joystick != nullptr; }
    SDL_JoystickID id() const { return m_id; }

    void setAxis(int axis, Sint16 value) { SDL_JoystickSetVirtualAxis(m_joystick, axis, value); }
    void setButton(int button, bool down) {
        SDL_JoystickSetVirtualButton(m_joystick, button, down ? SDL_PRESSED : SDL_RELEASED);
    }
    void setHat(int hat, Uint8 value) { SDL_JoystickSetVirtualHat(m_joystick, hat, value); }

    // Lets go of the test's handle so only the instance under test holds one.
    void close() {
        if (m_joystick)
            SDL_JoystickClose(m_joystick);
        m_joystick = nullptr;
    }
    // Unplugs the controller.
    void detach() {
        if (m_id < 0)
            return;
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == m_id) {
                SDL_JoystickDetachVirtual(i);
                break;
            }
        }
        m_id = -1;
    }

private:
    SDL_JoystickID m_id = -1;
    SDL_Joystick* m_joystick = nullptr;
};

// Everything the accessors return, as one text, so a mismatch shows in full.
QString describe(const TGamepadInput& pad) {
    QStringList parts;
    parts << QStringLiteral("axes %1 %2 %3 %4 %5 %6")
                 .arg(pad.GetXAxis())
                 .arg(pad.GetYAxis())
                 .arg(pad.GetZAxis())
                 .arg(pad.GetX2Axis())
                 .arg(pad.GetY2Axis())
                 .arg(pad.GetZ2Axis());
    parts << QStringLiteral("sliders %1 %2").arg(pad.GetSlider(0)).arg(pad.GetSlider(1));
    QString povs = QStringLiteral("hats");
    for (int i = 0; i < 4; ++i)
        povs += QLatin1Char(' ') + QString::number(pad.GetPOVState(i));
    parts << povs;
    QString buttons = QStringLiteral("buttons ");
    for (int i = 0; i < 32; ++i)
        buttons += pad.GetButtonState(i) ? QLatin1Char('1') : QLatin1Char('0');
    parts << buttons;
    return parts.join(QLatin1String(", "));
}

QString describe(const TDIJoyState& s) {
    QStringList parts;
    parts << QStringLiteral("axes %1 %2 %3 %4 %5 %6")
                 .arg(s.lX)
                 .arg(s.lY)
                 .arg(s.lZ)
                 .arg(s.lRx)
                 .arg(s.lRy)
                 .arg(s.lRz);
    parts << QStringLiteral("sliders %1 %2").arg(s.rglSlider[0]).arg(s.rglSlider[1]);
    QString povs = QStringLiteral("hats");
    for (quint32 pov : s.rgdwPOV)
        povs += QLatin1Char(' ') + QString::number(pov);
    parts << povs;
    QString buttons = QStringLiteral("buttons ");
    for (quint8 b : s.rgbButtons)
        buttons += (b & 0x80) ? QLatin1Char('1') : QLatin1Char('0');
    parts << buttons;
    return parts.join(QLatin1String(", "));
}

} // namespace

class TestGamepadInput : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void noController();
    void hatDirections_data();
    void hatDirections();
    void firstTwoButtons_data();
    void firstTwoButtons();
    void axisRange_data();
    void axisRange();
    void eachAxisInItsOwnField();
    void missingAndSurplusObjects_data();
    void missingAndSurplusObjects();
    void unpluggedControllerReadsNoInput();
    void controllerPluggedInAfterFailedInitialize();
    void initializeAgainHoldsOneJoystick_data();
    void initializeAgainHoldsOneJoystick();
    void eventQueueStaysEmpty();
};

void TestGamepadInput::initTestCase() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    QCOMPARE(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
    // The instance opens the first joystick; a real one would come first.
    if (SDL_NumJoysticks() > 0)
        QSKIP("a game controller is attached to this machine");
}

void TestGamepadInput::cleanupTestCase() {
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

void TestGamepadInput::noController() {
    TGamepadInput pad;
    TDIJoyState zero{};
    QCOMPARE(describe(pad), describe(zero));

    QVERIFY(!pad.Initialize());
    pad.UpdateState();
    QCOMPARE(describe(pad), describe(noInputState()));
    QCOMPARE(pad.GetButtonState(0), false);
    QCOMPARE(pad.GetPOVState(0), kCentred);
}

void TestGamepadInput::hatDirections_data() {
    QTest::addColumn<int>("sdlHat");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("up") << int(SDL_HAT_UP) << 0u;
    QTest::newRow("right-up") << int(SDL_HAT_RIGHTUP) << 4500u;
    QTest::newRow("right") << int(SDL_HAT_RIGHT) << 9000u;
    QTest::newRow("right-down") << int(SDL_HAT_RIGHTDOWN) << 13500u;
    QTest::newRow("down") << int(SDL_HAT_DOWN) << 18000u;
    QTest::newRow("left-down") << int(SDL_HAT_LEFTDOWN) << 22500u;
    QTest::newRow("left") << int(SDL_HAT_LEFT) << 27000u;
    QTest::newRow("left-up") << int(SDL_HAT_LEFTUP) << 31500u;
    QTest::newRow("centred") << int(SDL_HAT_CENTERED) << kCentred;
    QTest::newRow("up and down at once names no direction")
        << int(SDL_HAT_UP | SDL_HAT_DOWN) << kCentred;
}

void TestGamepadInput::hatDirections() {
    QFETCH(int, sdlHat);
    QFETCH(quint32, expected);

    VirtualPad device(2, 2, 2);
    QVERIFY(device.isValid());
    TGamepadInput pad;
    QVERIFY(pad.Initialize());

    device.setHat(0, Uint8(sdlHat));
    pad.UpdateState();
    QCOMPARE(pad.GetPOVState(0), expected);
    QCOMPARE(pad.GetPOVState(1), kCentred);

    // The second hat is read on its own.
    device.setHat(0, SDL_HAT_CENTERED);
    device.setHat(1, Uint8(sdlHat));
    pad.UpdateState();
    QCOMPARE(pad.GetPOVState(0), kCentred);
    QCOMPARE(pad.GetPOVState(1), expected);
}

void TestGamepadInput::firstTwoButtons_data() {
    QTest::addColumn<bool>("first");
    QTest::addColumn<bool>("second");

    QTest::newRow("none") << false << false;
    QTest::newRow("first only") << true << false;
    QTest::newRow("second only") << false << true;
    QTest::newRow("both") << true << true;
}

void TestGamepadInput::firstTwoButtons() {
    QFETCH(bool, first);
    QFETCH(bool, second);

    VirtualPad device(2, 4, 1);
    QVERIFY(device.isValid());
    TGamepadInput pad;
    QVERIFY(pad.Initialize());

    device.setButton(0, first);
    device.setButton(1, second);
    pad.UpdateState();
    QCOMPARE(pad.GetButtonState(0), first);
    QCOMPARE(pad.GetButtonState(1), second);
    QCOMPARE(pad.GetButtonState(2), false);

    // Released again, the next read shows it.
    device.setButton(0, false);
    device.setButton(1, false);
    pad.UpdateState();
    QCOMPARE(pad.GetButtonState(0), false);
    QCOMPARE(pad.GetButtonState(1), false);
}

void TestGamepadInput::axisRange_data() {
    QTest::addColumn<int>("sdlValue");
    QTest::addColumn<qint32>("expected");

    QTest::newRow("minimum") << -32768 << 0;
    QTest::newRow("one above minimum") << -32767 << 0;
    QTest::newRow("half way down") << -16384 << 16383;
    QTest::newRow("just below rest") << -1 << 32766;
    QTest::newRow("rest") << 0 << 32767;
    QTest::newRow("just above rest") << 1 << 32768;
    QTest::newRow("half way up") << 16384 << 49151;
    QTest::newRow("maximum") << 32767 << 65535;
}

// The same value on all eight axes, so each of the six axes and both sliders
// goes through the mapping.
void TestGamepadInput::axisRange() {
    QFETCH(int, sdlValue);
    QFETCH(qint32, expected);

    VirtualPad device(8, 1, 1);
    QVERIFY(device.isValid());
    TGamepadInput pad;
    QVERIFY(pad.Initialize());

    for (int i = 0; i < 8; ++i)
        device.setAxis(i, Sint16(sdlValue));
    pad.UpdateState();
    QCOMPARE(pad.GetXAxis(), expected);
    QCOMPARE(pad.GetYAxis(), expected);
    QCOMPARE(pad.GetZAxis(), expected);
    QCOMPARE(pad.GetX2Axis(), expected);
    QCOMPARE(pad.GetY2Axis(), expected);
    QCOMPARE(pad.GetZ2Axis(), expected);
    QCOMPARE(pad.GetSlider(0), expected);
    QCOMPARE(pad.GetSlider(1), expected);
}

void TestGamepadInput::eachAxisInItsOwnField() {
    VirtualPad device(8, 1, 1);
    QVERIFY(device.isValid());
    TGamepadInput pad;
    QVERIFY(pad.Initialize());

    const Sint16 values[8] = {-32768, -16384, -1, 1, 16384, 32767, -32767, 0};
    for (int i = 0; i < 8; ++i)
        device.setAxis(i, values[i]);
    pad.UpdateState();
    QCOMPARE(pad.GetXAxis(), 0);
    QCOMPARE(pad.GetYAxis(), 16383);
    QCOMPARE(pad.GetZAxis(), 32766);
    QCOMPARE(pad.GetX2Axis(), 32768);
    QCOMPARE(pad.GetY2Axis(), 49151);
    QCOMPARE(pad.GetZ2Axis(), 65535);
    QCOMPARE(pad.GetSlider(0), 0);
    QCOMPARE(pad.GetSlider(1), 32767);
}

void TestGamepadInput::missingAndSurplusObjects_data() {
    QTest::addColumn<int>("axes");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("hats");

    QTest::newRow("two axes, one button, no hat") << 2 << 1 << 0;
    QTest::newRow("no axes, no buttons, one hat") << 0 << 0 << 1;
    QTest::newRow("exactly what the record holds") << 8 << 32 << 4;
    QTest::newRow("more than the record holds") << 10 << 40 << 6;
}

// Every object the device has is pushed away from rest; those it lacks must
// read at rest (axes 32767, hats centred, buttons up).
void TestGamepadInput::missingAndSurplusObjects() {
    QFETCH(int, axes);
    QFETCH(int, buttons);
    QFETCH(int, hats);

    VirtualPad device(axes, buttons, hats);
    QVERIFY(device.isValid());
    for (int i = 0; i < axes; ++i)
        device.setAxis(i, 32767);
    for (int i = 0; i < buttons; ++i)
        device.setButton(i, true);
    for (int i = 0; i < hats; ++i)
        device.setHat(i, SDL_HAT_RIGHT);

    TGamepadInput pad;
    QVERIFY(pad.Initialize());
    pad.UpdateState();

    TDIJoyState expected = noInputState();
    qint32* const axisFields[8] = {&expected.lX,           &expected.lY,          &expected.lZ,
                                   &expected.lRx,          &expected.lRy,         &expected.lRz,
                                   &expected.rglSlider[0], &expected.rglSlider[1]};
    for (int i = 0; i < 8; ++i)
        *axisFields[i] = i < axes ? 65535 : 32767;
    for (int i = 0; i < 4; ++i)
        expected.rgdwPOV[i] = i < hats ? 9000u : kCentred;
    for (int i = 0; i < 32; ++i)
        expected.rgbButtons[i] = i < buttons ? 0x80 : 0;
    QCOMPARE(describe(pad), describe(expected));
}

void TestGamepadInput::unpluggedControllerReadsNoInput() {
    auto device = std::make_unique<VirtualPad>(2, 2, 1);
    QVERIFY(device->isValid());
    TGamepadInput pad;
    QVERIFY(pad.Initialize());

    device->setButton(0, true);
    device->setHat(0, SDL_HAT_DOWN);
    device->setAxis(0, 32767);
    pad.UpdateState();
    QCOMPARE(pad.GetButtonState(0), true);
    QCOMPARE(pad.GetPOVState(0), 18000u);

    device.reset();
    pad.UpdateState();
    QCOMPARE(describe(pad), describe(noInputState()));

    // A controller plugged in again is a new device: the lost one stays held
    // and keeps reading nothing until Initialize is called.
    VirtualPad again(2, 2, 1);
    QVERIFY(again.isValid());
    again.setButton(0, true);
    pad.UpdateState();
    QCOMPARE(describe(pad), describe(noInputState()));

    QVERIFY(pad.Initialize());
    pad.UpdateState();
    QCOMPARE(pad.GetButtonState(0), true);
}

// The retry timer calls Initialize once a second; a controller plugged in
// between two calls must be found by the second.
void TestGamepadInput::controllerPluggedInAfterFailedInitialize() {
    TGamepadInput pad;
    QVERIFY(!pad.Initialize());

    VirtualPad device(2, 2, 1);
    QVERIFY(device.isValid());
    device.setButton(0, true);
    QVERIFY(pad.Initialize());
    pad.UpdateState();
    QCOMPARE(pad.GetButtonState(0), true);
}

void TestGamepadInput::initializeAgainHoldsOneJoystick_data() {
    QTest::addColumn<bool>("unplugBetween");

    QTest::newRow("controller still there") << false;
    QTest::newRow("controller unplugged before the second call") << true;
}

// SDL counts opens of the same device; a handle the instance forgot to close
// would keep the joystick open after the instance is gone.
void TestGamepadInput::initializeAgainHoldsOneJoystick() {
    QFETCH(bool, unplugBetween);

    VirtualPad device(2, 2, 1);
    QVERIFY(device.isValid());
    const SDL_JoystickID id = device.id();
    device.close();

    auto pad = std::make_unique<TGamepadInput>();
    QVERIFY(pad->Initialize());
    QVERIFY(SDL_JoystickFromInstanceID(id) != nullptr);

    if (unplugBetween) {
        device.detach();
        QVERIFY(!pad->Initialize());
        QVERIFY(SDL_JoystickFromInstanceID(id) == nullptr);
    } else {
        QVERIFY(pad->Initialize());
        QVERIFY(SDL_JoystickFromInstanceID(id) != nullptr);
    }

    pad.reset();
    QVERIFY(SDL_JoystickFromInstanceID(id) == nullptr);
}

// Nobody drains SDL's event queue, so reads must not fill it.
void TestGamepadInput::eventQueueStaysEmpty() {
    TGamepadInput pad;
    VirtualPad device(2, 2, 1);
    QVERIFY(device.isValid());
    QVERIFY(pad.Initialize());

    for (int i = 0; i < 200; ++i) {
        device.setAxis(0, Sint16(i % 2 ? 32767 : -32768));
        device.setButton(0, i % 2);
        device.setHat(0, i % 2 ? SDL_HAT_DOWN : SDL_HAT_CENTERED);
        pad.UpdateState();
    }
    QCOMPARE(pad.GetButtonState(0), true);
    QCOMPARE(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
}

QTEST_GUILESS_MAIN(TestGamepadInput)
#include "tst_gamepad_input.moc"
