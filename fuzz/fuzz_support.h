#pragma once

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace runpad::fuzz {

// Qt's image plugins, fonts and the SVG renderer need an application. It is
// created once and never destroyed: destroying it at exit crashes in
// ~QGuiApplication, which libFuzzer would report as a finding.
inline void ensureApplication() {
    if (QCoreApplication::instance())
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_LOGGING_RULES", "*.debug=false;*.warning=false;qt.qpa.*=false", 1);
    static int argc = 1;
    static char name[] = "runpad_fuzz";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

inline QByteArray bytesOf(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A path inside a private folder that lives as long as the process, for
// readers that only take a file.
inline QString scratchPath(const QString& fileName) {
    static QTemporaryDir* folder = new QTemporaryDir;
    return folder->filePath(fileName);
}

// Writes the input to `fileName` in the scratch folder and gives its path.
inline QString writeScratchFile(const QString& fileName, const uint8_t* data, size_t size) {
    const QString path = scratchPath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        abort(); // the harness itself is broken, not the reader
    return path;
}

} // namespace runpad::fuzz
