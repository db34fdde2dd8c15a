// CPU cost of the gamepad timer while nobody touches anything, in the two
// modes the program sits in for hours: polling an attached controller every
// 10 ms, and retrying Initialize every second with none attached. Each case
// runs for 10 s in a Qt event loop, first the timer alone, then the whole main
// window with its own timer, and reports process CPU time (user + system)
// against wall time. Target: under 1 % of one core in each case.

#include "core/gamepad/gamepad_poll.h"
#include "platform/gamepad_input.h"

#include <SDL.h>

#include "core/appearance/style_registry.h"
#include "platform/clock.h"
#include "platform/icon_extractor.h"
#include "platform/shell_start.h"
#include "ui/error_display.h"
#include "ui/main_form.h"
#include "ui/style_manager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

using namespace runpad;

namespace {

constexpr int kRunMs = 10'000;

double cpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    const auto secs = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec / 1e6; };
    return secs(ru.ru_utime) + secs(ru.ru_stime);
}

struct Result {
    double wall;
    double cpu;
    int ticks;
};

// Runs the event loop for kRunMs; ticks is left for the caller to fill in.
Result runEventLoop() {
    QTimer stop;
    stop.setSingleShot(true);
    stop.setTimerType(Qt::PreciseTimer); // a coarse one may end the run up to 5 % early
    QObject::connect(&stop, &QTimer::timeout, qApp, &QCoreApplication::quit);
    QElapsedTimer wall;
    const double cpu0 = cpuSeconds();
    wall.start();
    stop.start(kRunMs);
    QCoreApplication::exec();
    return {wall.nsecsElapsed() / 1e9, cpuSeconds() - cpu0, 0};
}

// Runs onTick from a QTimer at the given interval for kRunMs.
template <typename F> Result runTimer(int interval, F onTick) {
    QTimer timer;
    timer.setInterval(interval);
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        onTick();
        ++ticks;
    });
    timer.start();
    Result result = runEventLoop();
    result.ticks = ticks;
    return result;
}

// Runs measure with a virtual controller attached; the joystick subsystem
// must run before one can be attached.
template <typename F> Result withVirtualController(F measure) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
        return {0, 0, -1};
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 16, 1);
    Result result{0, 0, -1};
    if (index >= 0) {
        result = measure();
        SDL_JoystickDetachVirtual(index);
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    return result;
}

// The polling branch of the main window's timer, minus the widgets: the
// labels' texts are built but shown nowhere.
Result pollingWithController() {
    return withVirtualController([] {
        TGamepadInput pad;
        if (!pad.Initialize())
            return Result{0, 0, -1};
        qint32 lastPov = -1;
        PollCarry carry;
        QElapsedTimer clock;
        clock.start();
        int row = 1;
        qsizetype textLength = 0;
        Result result = runTimer(kPollingInterval, [&] {
            pad.UpdateState();
            const PollTick tick = pollTick(
                {pad.GetXAxis(), pad.GetYAxis(), pad.GetButtonState(0), pad.GetPOVState(0)}, row,
                20, lastPov, carry, quint32(clock.elapsed()));
            textLength += tick.xLabel.size() + tick.yLabel.size() + tick.buttonLabel.size();
            if (tick.newRow)
                row = *tick.newRow;
        });
        if (textLength == 0)
            result.ticks = -1;
        return result;
    });
}

// The retry branch: nothing attached, Initialize once a second.
Result retryWithoutController() {
    TGamepadInput pad;
    if (pad.Initialize())
        return {0, 0, -1}; // a real controller is attached; this case cannot run
    QString panel4;
    return runTimer(kRetryInterval, [&] {
        if (!pad.Initialize())
            panel4 = kGamepadFailedText;
    });
}

// What the main window needs, with nothing that shows a box or starts a program.
struct QuietPrompts : UserPrompts {
    void showError(const QString&) override {}
    bool confirm(const QString&) override { return true; }
    void showMessage(const QString&) override {}
};
struct NoShell : ShellStarter {
    std::optional<QString> shellExecute(const ShellStartRequest&) override { return {}; }
};

// The whole main window, idle for kRunMs, with its own timer doing the work.
Result idleMainWindow() {
    QTemporaryDir dir;
    QuietPrompts prompts;
    ErrorReporter errors(prompts);
    SystemClock clock;
    StyleRegistry registry;
    StyleManager styles(registry, *qApp);
    NoShell shell;
    IconExtractor icons;
    TForm1 form({dir.filePath(QStringLiteral("Runpad")), clock, prompts, errors, styles, shell,
                 icons, nullptr, [] { return std::make_unique<TGamepadInput>(); }});
    form.show();
    QCoreApplication::processEvents(); // first paint outside the measurement
    Result result = runEventLoop();
    result.ticks = kRunMs / form.Timer1->interval();
    return result;
}

Result windowWithController() {
    return withVirtualController(idleMainWindow);
}

void printRow(const char* name, const Result& r) {
    if (r.ticks < 0) {
        std::printf("%-34s %8s %8s %8s %12s\n", name, "-", "-", "-", "did not run");
        return;
    }
    std::printf("%-34s %8.2f %8.3f %8d %11.3f%%\n", name, r.wall, r.cpu, r.ticks,
                100.0 * r.cpu / r.wall);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // No controller first, before this program has touched SDL itself, so the
    // window's controller starts the joystick subsystem alone as at startup.
    const Result retry = retryWithoutController();
    const Result polling = pollingWithController();
    const Result windowRetry = idleMainWindow();
    const Result windowPolling = windowWithController();

    std::printf("%-34s %8s %8s %8s %12s\n", "case", "wall s", "cpu s", "ticks", "% of a core");
    printRow("timer only, no controller (1 s)", retry);
    printRow("timer only, controller (10 ms)", polling);
    printRow("main window, no controller", windowRetry);
    printRow("main window, controller idle", windowPolling);
    return (retry.ticks < 0 || polling.ticks < 0 || windowRetry.ticks < 0 ||
            windowPolling.ticks < 0)
               ? 1
               : 0;
}
