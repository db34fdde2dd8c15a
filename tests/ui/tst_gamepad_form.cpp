#include "form_fixture.h"

#include <QLabel>
#include <SDL.h>

using namespace runpad;
using namespace runpad::testing;

// Drives the main window with a virtual game controller of SDL's, in process.
class TestGamepadForm : public QObject {
    Q_OBJECT
    std::unique_ptr<FormFixture> fx;
    int device = -1;
    SDL_Joystick* handle = nullptr;

private slots:
    void initTestCase() {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        QVERIFY(SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0);
        if (SDL_NumJoysticks() > 0)
            QSKIP("a real game controller is attached");
    }
    void cleanupTestCase() { SDL_QuitSubSystem(SDL_INIT_JOYSTICK); }
    void init() { fx = std::make_unique<FormFixture>(); }
    void cleanup() {
        fx.reset();
        if (handle)
            SDL_JoystickClose(handle);
        handle = nullptr;
        if (device >= 0)
            SDL_JoystickDetachVirtual(device);
        device = -1;
    }

    void withoutControllerTheTimerRetries() {
        auto form = fx->makeForm();
        QCOMPARE(form->panelText(4), QString("Failed to initialize gamepad"));
        QCOMPARE(form->Timer1->interval(), 1000);
        QVERIFY(form->Timer1->isActive());
        QCOMPARE(form->LabelXAxis->text(), QString("LabelXAxis"));
    }

    void hatWalksAndButtonLaunches() {
        device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 2, 1);
        QVERIFY(device >= 0);
        handle = SDL_JoystickOpen(device);
        QVERIFY(handle);
        QVERIFY(writeFile(fx->ini(), "[Table]\n2-0=command\n1-1=a\n2-1=first\n1-2=b\n2-2=second\n"
                                     "1-3=c\n2-3=third\n"));
        auto form = fx->makeForm();
        QCOMPARE(form->Timer1->interval(), 10);
        QCOMPARE(form->grid().rowCount(), 5);
        QCOMPARE(form->grid().row(), 1);

        QTRY_COMPARE(form->LabelButton->text(), QString("Button 1 is not pressed"));
        QCOMPARE(form->LabelXAxis->text(), QString("X Axis: 32767"));

        SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_DOWN);
        // Rows 2, 3 and 4 (the empty last row), then it stays.
        QTRY_COMPARE_WITH_TIMEOUT(form->grid().row(), 4, 5000);
        SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_CENTERED);
        QTest::qWait(200);
        QCOMPARE(form->grid().row(), 4);

        SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_UP);
        QTRY_COMPARE_WITH_TIMEOUT(form->grid().row(), 3, 5000);
        SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_CENTERED);
        QTest::qWait(300);
        const int row = form->grid().row();
        QVERIFY(row >= 1 && row <= 3);

        form->grid().setRow(2);
        SDL_JoystickSetVirtualButton(handle, 0, SDL_PRESSED);
        QTRY_VERIFY(!fx->shell.requests.isEmpty());
        SDL_JoystickSetVirtualButton(handle, 0, SDL_RELEASED);
        QTRY_COMPARE(form->LabelButton->text(), QString("Button 1 is not pressed"));
        for (const ShellStartRequest& r : fx->shell.requests)
            QCOMPARE(r.file, QString("second"));
    }
};

QTEST_MAIN(TestGamepadForm)
#include "tst_gamepad_form.moc"
