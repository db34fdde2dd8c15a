#include "form_fixture.h"

#include <QLabel>
#include <SDL.h>

using namespace runpad;
using namespace runpad::testing;

namespace {
constexpr quint32 kCentred = 0xFFFFFFFFu;
constexpr quint32 kUp = 0;
constexpr quint32 kDown = 18000;
const QByteArray kThreeRows = "[Table]\n2-0=command\n1-1=a\n2-1=first\n1-2=b\n2-2=second\n"
                              "1-3=c\n2-3=third\n";
} // namespace

// The main window's polling of the game controller: ticks driven one by one
// on a fake controller and a clock the test moves, and once end to end with a
// virtual controller of SDL's.
class TestGamepadForm : public QObject {
    Q_OBJECT
    std::unique_ptr<FormFixture> fx;
    std::unique_ptr<TForm1> form;

    // The controller is opened once the window is on the screen.
    void show() {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_VERIFY(fx->gamepad);
    }
    // A shown window with an attached fake controller whose timer the test drives.
    void start() {
        QVERIFY(writeFile(fx->ini(), kThreeRows));
        fx->gamepadAttached = true;
        fx->clock.step = 0;
        fx->clock.now = 5000;
        form = fx->makeForm();
        show();
        QCOMPARE(form->Timer1->interval(), 10);
        form->Timer1->stop();
    }
    // One tick, `ms` after the previous one.
    void tick(quint32 ms = 10) {
        fx->clock.now += ms;
        form->Timer1Timer();
    }

private slots:
    void init() { fx = std::make_unique<FormFixture>(); }
    void cleanup() {
        form.reset();
        fx.reset();
    }

    void controllerWaitsUntilTheWindowShows() {
        form = fx->makeForm();
        QCoreApplication::processEvents();
        QVERIFY(!fx->gamepad);
        QCOMPARE(form->panelText(4), QString());
        form->Timer1Timer(); // a tick before then does nothing
        show();
        QCOMPARE(form->panelText(4), QString("Failed to initialize gamepad"));
    }

    void withoutControllerTheTimerRetries() {
        form = fx->makeForm();
        show();
        QCOMPARE(form->panelText(4), QString("Failed to initialize gamepad"));
        QCOMPARE(form->Timer1->interval(), 1000);
        QVERIFY(form->Timer1->isActive());
        QCOMPARE(form->LabelXAxis->text(), QString("LabelXAxis"));
        form->Timer1Timer();
        QCOMPARE(form->Timer1->interval(), 1000);
        fx->gamepad->attached = true; // plugged in
        form->Timer1Timer();
        QCOMPARE(form->Timer1->interval(), 10);
    }

    void heldHatStepsEvery150msWhileTicksGoOn() {
        start();
        QCOMPARE(form->grid().row(), 1);
        fx->gamepad->pov = kDown;
        QList<int> rows;
        for (int i = 0; i < 46; ++i) {
            fx->gamepad->x = i; // every tick shows the axes, held-back ones too
            tick();
            QCOMPARE(form->LabelXAxis->text(), QString("X Axis: %1").arg(i));
            rows << form->grid().row();
        }
        // Steps at 0, 150 and 300 ms to row 4, the empty last row, then it stays.
        QCOMPARE(rows.indexOf(2), 0);
        QCOMPARE(rows.indexOf(3), 15);
        QCOMPARE(rows.indexOf(4), 30);
        QCOMPARE(rows.last(), 4);

        fx->gamepad->pov = kCentred;
        tick(200);
        fx->gamepad->pov = kUp;
        tick();
        QCOMPARE(form->grid().row(), 3);
        tick(149);
        QCOMPARE(form->grid().row(), 3);
        tick(1);
        QCOMPARE(form->grid().row(), 2);
        QVERIFY(fx->shell.requests.isEmpty());
    }

    void heldButtonStartsOneProgram() {
        start();
        form->grid().setRow(2);
        fx->gamepad->button1 = true;
        for (int i = 0; i < 12; ++i) { // a 120 ms press
            tick();
            QCOMPARE(form->LabelButton->text(), QString("Button 1 is pressed"));
        }
        QCOMPARE(fx->shell.requests.size(), 1);
        QCOMPARE(fx->shell.requests[0].file, QString("second"));
        fx->gamepad->button1 = false;
        tick();
        QCOMPARE(form->LabelButton->text(), QString("Button 1 is not pressed"));
        fx->gamepad->button1 = true;
        tick();
        QCOMPARE(fx->shell.requests.size(), 2);
    }

    // The real controller layer, with a virtual controller of SDL's.
    void virtualControllerStartsAndWalks() {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        QVERIFY(SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0);
        const auto quit = qScopeGuard([] { SDL_QuitSubSystem(SDL_INIT_JOYSTICK); });
        if (SDL_NumJoysticks() > 0)
            QSKIP("a real game controller is attached");
        const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 2, 1);
        QVERIFY(device >= 0);
        const auto detach = qScopeGuard([device] { SDL_JoystickDetachVirtual(device); });
        SDL_Joystick* handle = SDL_JoystickOpen(device);
        QVERIFY(handle);
        const auto close = qScopeGuard([handle] { SDL_JoystickClose(handle); });

        QVERIFY(writeFile(fx->ini(), kThreeRows));
        SystemClock clock;
        form = std::make_unique<TForm1>(
            FormDependencies{fx->exe(), clock, fx->prompts, fx->errors, fx->styles, fx->shell,
                             fx->icons, nullptr, [] { return std::make_unique<TGamepadInput>(); }});
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_COMPARE(form->Timer1->interval(), 10);
        QTRY_COMPARE(form->LabelButton->text(), QString("Button 1 is not pressed"));
        SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_DOWN);
        QTRY_COMPARE(form->grid().row(), 2);
        SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_CENTERED);
        SDL_JoystickSetVirtualButton(handle, 0, SDL_PRESSED);
        QTRY_COMPARE(form->LabelButton->text(), QString("Button 1 is pressed"));
        QTest::qWait(100);
        SDL_JoystickSetVirtualButton(handle, 0, SDL_RELEASED);
        QTRY_COMPARE(form->LabelButton->text(), QString("Button 1 is not pressed"));
        QCOMPARE(fx->shell.requests.size(), 1);
        form.reset();
    }
};

QTEST_MAIN(TestGamepadForm)
#include "tst_gamepad_form.moc"
