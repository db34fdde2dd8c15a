#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace runpad {

// The decimal text of n fitted to `width` characters: padded with leading
// zeros when shorter; when longer, only its last two characters are kept.
QString PadNumber(int n, int width);

// The four numbers of a file version, -1 each when the file has none.
struct FileVersionNumbers {
    int major = -1;
    int minor = -1;
    int release = -1;
    int build = -1;
};

// "?.?.?.?" and "00000000": what a file without a version shows.
extern const QString kUnknownDottedVersion;
extern const QString kUnknownPackedVersion;

// The two-digit fields joined by dots (23.01.18.06) and without separators (23011806).
QString dottedVersion(const FileVersionNumbers& v);
QString packedVersion(const FileVersionNumbers& v);

// The program's short name: its file name without folder, and without ".exe"
// when it ends so ("Runpad.exe" and "Runpad" both give "Runpad").
QString appShortName(const QString& executablePath);

// The locale's date separator, read from its short date format ("/" when the
// format shows none).
QString dateSeparator(const QLocale& locale);

// "yyyy/mm/dd" with the locale's separator in place of each "/".
QString releaseDateText(const QDateTime& localTime, const QLocale& locale);

// "Ver: 23.01.18.06, Released on 2024/08/01".
QString versionLine(const QString& localVersion, const QString& releaseDate);

} // namespace runpad
