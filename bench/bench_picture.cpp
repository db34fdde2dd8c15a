// Measures the preview pane against the IJG command-line tools, side by side in one run:
//  1. a 6000 x 4000 photo-like JPEG: djpeg to /dev/null versus our load into a 1000 x 700 pane
//     (decode, conversion to a bitmap, natural size, first paint); best of 3 each;
//  2. wheel steps from the fitted picture to the largest zoom, each with the repaint of the pane;
//  3. peak memory while painting at natural size and while zooming up to the largest zoom;
//  4. writing a 1920 x 1080 picture with savePreviewAsJpeg versus cjpeg -quality 90 on the same
//     pixels as a PPM file; best of 3 each.
// Prints one table; the last column says whether each figure meets its target.

#include "core/image/jpeg_codec.h"
#include "core/image/picture_decoder.h"
#include "platform/resident_picture_memory.h"
#include "ui/picture_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

using namespace runpad;

namespace {

constexpr int kRuns = 3;
constexpr QSize kPane(1000, 700);

// Smooth gradients and waves with a little grain, so the JPEG has the weight of a photo.
QImage photoLike(QSize size, quint32 seed) {
    QImage image(size, QImage::Format_RGB888);
    QRandomGenerator random(seed);
    const double w = size.width();
    const double h = size.height();
    for (int y = 0; y < size.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            const double wave = 40 * std::sin(x / 37.0) * std::cos(y / 53.0);
            const int grain = int(random.bounded(17)) - 8;
            line[0] = uchar(std::clamp(int(255 * x / w + wave) + grain, 0, 255));
            line[1] = uchar(std::clamp(int(255 * y / h - wave) + grain, 0, 255));
            line[2] = uchar(std::clamp(int(128 + 90 * std::sin((x + y) / 400.0)) + grain, 0, 255));
            line += 3;
        }
    }
    return image;
}

double bestOf(const std::function<void()>& run) {
    double best = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// Runs a tool and fails the bench when it does not work, since the comparison would be void.
void runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        std::exit(2);
    }
}

qint64 statusKb(const char* key) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Starts a new peak (VmHWM) at the present resident size; false where the kernel refuses.
bool resetPeak() {
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

// The peak since the last reset, or the lifetime peak where it cannot be reset.
qint64 peakKb() {
    const qint64 hwm = statusKb("VmHWM");
    if (hwm >= 0)
        return hwm;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void repaintNow(PictureScrollBox& pane) {
    pane.viewport()->repaint();
    QCoreApplication::processEvents();
}

void row(const char* what, double ours, double theirs, const char* unit, const char* target,
         bool met) {
    if (theirs > 0) {
        std::printf("%-52s %10.1f %10.1f %6s %7.2f  %-14s %s\n", what, ours, theirs, unit,
                    ours / theirs, target, met ? "ok" : "MISSED");
    } else {
        std::printf("%-52s %10.1f %10s %6s %7s  %-14s %s\n", what, ours, "-", unit, "-", target,
                    met ? "ok" : "MISSED");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    const QString cjpeg = QStandardPaths::findExecutable(QStringLiteral("cjpeg"));
    if (djpeg.isEmpty() || cjpeg.isEmpty()) {
        std::fprintf(stderr, "djpeg and cjpeg are needed (package libjpeg-turbo-progs)\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString photoPath = dir.filePath(QStringLiteral("photo.jpg"));
    {
        QImageWriter writer(photoPath, "jpeg");
        writer.setQuality(90);
        if (!writer.write(photoLike(QSize(6000, 4000), 1))) {
            std::fprintf(stderr, "cannot write the test photo: %s\n",
                         qPrintable(writer.errorString()));
            return 2;
        }
    }

    // Decoded as the program decodes previews: into the memory main() hands the window.
    const ResidentPictureMemory pictureMemory;
    PictureScrollBox pane;
    pane.decoder = [&pictureMemory](const QString& path) {
        return decodePictureFile(path, nullptr, &pictureMemory);
    };
    pane.resize(kPane);
    pane.show();
    QCoreApplication::processEvents();
    pane.resetPreview();

    // ---- 1. Load into the pane ----
    const double djpegMs = bestOf([&] {
        runTool(djpeg, {QStringLiteral("-outfile"), QStringLiteral("/dev/null"),
                        QStringLiteral("-ppm"), photoPath});
    });
    const double loadMs = bestOf([&] {
        pane.assignPicture(QImage(), true); // nothing of the last round left to reuse
        QPoint origin(0, 0);
        pane.LoadImageFile(photoPath);
        pane.ZoomImageAt(0, origin);
        repaintNow(pane);
    });

    // ---- 3a. Peak memory at natural size ----
    const bool peakResets = resetPeak();
    repaintNow(pane);
    pane.horizontalScrollBar()->setValue(2500);
    repaintNow(pane);
    const qint64 naturalPeak = peakKb();

    // ---- 2. Wheel steps from fitted to the largest zoom ----
    pane.FormResize();
    repaintNow(pane);
    if (peakResets)
        resetPeak();
    const QPoint centre = pane.mapToGlobal(QRect(QPoint(), kPane).center());
    std::vector<double> stepMs;
    int steps = 0;
    for (int previous = -1; pane.model().width() != previous && steps < 200; ++steps) {
        previous = pane.model().width();
        QElapsedTimer timer;
        timer.start();
        pane.ScrollBox1MouseWheel(Qt::NoButton, 120, centre);
        repaintNow(pane);
        stepMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(stepMs.begin(), stepMs.end());
    const double slowestStep = stepMs.back();
    const double largestScale = double(pane.model().width()) / pane.model().bitmap().width();
    const qint64 zoomPeak = peakKb();

    // ---- 4. Saving ----
    const QImage shot = photoLike(QSize(1920, 1080), 2);
    const QString ppmPath = dir.filePath(QStringLiteral("shot.ppm"));
    if (!shot.save(ppmPath, "PPM")) {
        std::fprintf(stderr, "cannot write the PPM file\n");
        return 2;
    }
    const QString oursPath = dir.filePath(QStringLiteral("ours.jpg"));
    const QString theirsPath = dir.filePath(QStringLiteral("cjpeg.jpg"));
    const double saveMs = bestOf([&] { savePreviewAsJpeg(shot, oursPath); });
    const double cjpegMs = bestOf([&] {
        runTool(cjpeg, {QStringLiteral("-quality"), QStringLiteral("90"),
                        QStringLiteral("-outfile"), theirsPath, ppmPath});
    });

    // Timings on a busy machine run long; the load says how busy it was.
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    if (loadAverage.open(QIODevice::ReadOnly))
        std::printf("load average %s\n", loadAverage.readLine().trimmed().constData());
    std::printf("%-52s %10s %10s %6s %7s  %-14s %s\n", "measure", "ours", "IJG tool", "unit",
                "ratio", "target", "");
    row("6000x4000 JPEG: load + first paint vs djpeg", loadMs, djpegMs, "ms", "<= 1.3x",
        loadMs <= 1.3 * djpegMs);
    char zoomLabel[64];
    std::snprintf(zoomLabel, sizeof zoomLabel,
                  "slowest of %d wheel steps to scale %.0f (median %.1f)", steps, largestScale,
                  stepMs[stepMs.size() / 2]);
    row(zoomLabel, slowestStep, 0, "ms", "< 16 ms", slowestStep < 16);
    const double growth = double(zoomPeak) / double(naturalPeak);
    std::printf("%-52s %10.1f %10.1f %6s %7.2f  %-14s %s\n",
                peakResets ? "peak RSS: largest zoom vs natural size"
                           : "peak RSS (lifetime): zoom vs natural",
                zoomPeak / 1024.0, naturalPeak / 1024.0, "MB", growth, "within 10 %",
                growth <= 1.10 ? "ok" : "MISSED");
    row("1920x1080 JPEG save vs cjpeg -quality 90", saveMs, cjpegMs, "ms", "<= 1.3x",
        saveMs <= 1.3 * cjpegMs);
    return 0;
}
