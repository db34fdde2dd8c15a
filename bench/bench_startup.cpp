// Start-up of the real program against a minimal Qt Widgets window, started
// the same way in the same run on a private Xvfb server: time from process
// start to the first top-level window mapped on the screen, median of five
// runs taken in turns with the other cases, and resident memory once the
// window is up. Runpad runs as a copy beside a
// generated Runpad.ini with the given number of table rows.
//
// Usage: bench_startup [runs [program...]]
//   (needs Xvfb; prints one line per case; programs default to the built one)

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Sample {
    double ms = 0;
    long rssKiB = 0;
};

// Starts Xvfb on a free display and returns its number; -1 on failure.
int startXvfb(pid_t& pid) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",        "-displayfd", fd.c_str(), "-screen", "0",
                          "1280x800x24", "-nolisten",  "tcp",      nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    if (posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
        return -1;
    close(fds[1]);
    char buffer[32] = {};
    ssize_t got = 0;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
        const ssize_t n = read(fds[0], buffer + got, sizeof buffer - 1 - size_t(got));
        if (n <= 0)
            break;
        got += n;
        if (buffer[got - 1] == '\n')
            break;
    }
    close(fds[0]);
    return got > 0 ? std::atoi(buffer) : -1;
}

long residentKiB(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Runs the program once; the clock starts just before the process is spawned
// and stops when the X server reports a top-level window mapped.
Sample runOnce(xcb_connection_t* x, const QString& program, const QString& workDir) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);
    while (xcb_generic_event_t* stale = xcb_poll_for_event(x))
        free(stale);

    const QByteArray path = program.toLocal8Bit();
    const QByteArray dir = workDir.toLocal8Bit();
    const char* argv[] = {path.constData(), nullptr};
    QElapsedTimer clock;
    clock.start();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.constData()) != 0)
            _exit(127);
        execv(path.constData(), const_cast<char**>(argv));
        _exit(127);
    }
    Sample sample;
    const int fd = xcb_get_file_descriptor(x);
    bool mapped = false;
    while (!mapped && clock.elapsed() < 30000) {
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 100);
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY)
                mapped = true;
            free(event);
        }
    }
    sample.ms = clock.nsecsElapsed() / 1e6;
    if (!mapped)
        sample.ms = -1;
    usleep(300 * 1000); // let it settle into its event loop before reading memory
    sample.rssKiB = residentKiB(pid);
    kill(pid, SIGKILL); // no closing sequence: nothing is written
    waitpid(pid, nullptr, 0);
    return sample;
}

Sample median(std::vector<Sample> samples) {
    std::sort(samples.begin(), samples.end(),
              [](const Sample& a, const Sample& b) { return a.ms < b.ms; });
    Sample m = samples[samples.size() / 2];
    std::vector<long> rss;
    for (const Sample& s : samples)
        rss.push_back(s.rssKiB);
    std::sort(rss.begin(), rss.end());
    m.rssKiB = rss[rss.size() / 2];
    return m;
}

bool writeTable(const QString& path, int rows) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream out(&file);
    out << "[Table]\n1-0=Function\n2-0=command\n3-0=Description\n";
    for (int r = 1; r <= rows; ++r) {
        out << "1-" << r << "=Function " << r << '\n';
        out << "2-" << r << "=/usr/bin/program-" << r << " --option value" << '\n';
        out << "3-" << r << "=A description of command number " << r << " with a few words\n";
    }
    out << "[Styles]\nForm Width=800\nForm Height=750\nForm Left=0\nForm Top=0\n";
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    pid_t xvfb = 0;
    const int display = startXvfb(xvfb);
    if (display < 0) {
        std::fprintf(stderr, "bench_startup: Xvfb did not start\n");
        return 1;
    }
    const QByteArray name = ":" + QByteArray::number(display);
    setenv("DISPLAY", name.constData(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    // A private runtime folder, as a desktop session gives every program.
    QTemporaryDir runtime;
    setenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()).constData(), 1);
    xcb_connection_t* x = xcb_connect(name.constData(), nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "bench_startup: no connection to %s\n", name.constData());
        kill(xvfb, SIGTERM);
        return 1;
    }

    const QString binDir = QCoreApplication::applicationDirPath();
    const QString minimal = binDir + QStringLiteral("/bench_minimal_window");
    const QString runpad = QStringLiteral(RUNPAD_EXE);
    QTemporaryDir work;

    // The built program, or the builds named on the command line (to compare
    // them in one run).
    QStringList programs;
    for (int i = 2; i < argc; ++i)
        programs.append(QString::fromLocal8Bit(argv[i]));
    if (programs.isEmpty())
        programs.append(QStringLiteral(RUNPAD_EXE));

    struct Case {
        QString label;
        int rows; // -1: the minimal window
        QString program;
        QString dir;
        std::vector<Sample> samples;
    };
    std::vector<Case> cases;
    cases.push_back({QStringLiteral("minimal Qt window"), -1, minimal, work.path(), {}});
    for (qsizetype b = 0; b < programs.size(); ++b) {
        const QString build = programs.size() > 1 ? QStringLiteral(" [%1]").arg(b + 1) : QString();
        for (const int rows : {0, 10000, 100000}) {
            Case c{rows == 0 ? QStringLiteral("Runpad, empty table")
                             : QStringLiteral("Runpad, %1 rows").arg(rows),
                   rows,
                   QString(),
                   work.filePath(QStringLiteral("%1-%2").arg(b).arg(rows)),
                   {}};
            c.label += build;
            QDir().mkpath(c.dir);
            c.program = c.dir + QStringLiteral("/Runpad");
            QFile::remove(c.program);
            QFile::copy(programs[b], c.program);
            // The update check of start-up runs the download helper found
            // beside the program, as an installed program runs its own.
            QFile::remove(c.dir + QStringLiteral("/runpad-fetch"));
            QFile::copy(QStringLiteral(RUNPAD_FETCH), c.dir + QStringLiteral("/runpad-fetch"));
            writeTable(c.dir + QStringLiteral("/Runpad.ini"), rows);
            cases.push_back(c);
        }
    }
    // Every case runs once to warm the caches (fonts, libraries, the copied
    // program), then the cases take turns, so that a machine that slows down
    // or speeds up during the run weighs on all of them alike.
    for (Case& c : cases)
        runOnce(x, c.program, c.dir);
    for (int i = 0; i < runs; ++i)
        for (Case& c : cases)
            c.samples.push_back(runOnce(x, c.program, c.dir));

    double minimalMs = 0;
    long minimalKiB = 0;
    int failures = 0;
    for (const Case& c : cases) {
        const Sample m = median(c.samples);
        if (c.rows < 0) {
            minimalMs = m.ms;
            minimalKiB = m.rssKiB;
        }
        std::printf("%-26s first window %7.1f ms (%.1f x minimal)   resident %6ld KiB (%.2f x)\n",
                    c.label.toLocal8Bit().constData(), m.ms, minimalMs > 0 ? m.ms / minimalMs : 0.0,
                    m.rssKiB, minimalKiB > 0 ? double(m.rssKiB) / minimalKiB : 0.0);
        if (c.rows == 10000) {
            if (m.ms > 2.5 * minimalMs) {
                std::printf("  over target: at most 2.5 x the minimal window\n");
                ++failures;
            }
            if (m.rssKiB > 2 * minimalKiB) {
                std::printf("  over target: at most 2 x the minimal window's memory\n");
                ++failures;
            }
        }
        if (c.rows == 100000 && m.ms > 700) {
            std::printf("  over target: at most 700 ms\n");
            ++failures;
        }
    }
    xcb_disconnect(x);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return failures == 0 ? 0 : 1;
}
