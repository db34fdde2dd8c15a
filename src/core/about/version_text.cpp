#include "core/about/version_text.h"

#include <QFileInfo>

namespace runpad {

const QString kUnknownDottedVersion = QStringLiteral("?.?.?.?");
const QString kUnknownPackedVersion = QStringLiteral("00000000");

QString PadNumber(int n, int width) {
    QString s = QString::number(n);
    if (s.size() < width)
        return s.rightJustified(width, QLatin1Char('0'));
    if (s.size() == width)
        return s;
    return s.right(2);
}

namespace {
QStringList twoDigitFields(const FileVersionNumbers& v) {
    return {PadNumber(v.major, 2), PadNumber(v.minor, 2), PadNumber(v.release, 2),
            PadNumber(v.build, 2)};
}
} // namespace

QString dottedVersion(const FileVersionNumbers& v) {
    return twoDigitFields(v).join(QLatin1Char('.'));
}

QString packedVersion(const FileVersionNumbers& v) {
    return twoDigitFields(v).join(QString());
}

QString appShortName(const QString& executablePath) {
    const QString name = QFileInfo(executablePath).fileName();
    // Linux executables carry no extension: only a real ".exe" is cut.
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        return name.left(name.size() - 4);
    return name;
}

QString dateSeparator(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted || c.isLetter())
            continue;
        if (!c.isSpace())
            return QString(c);
    }
    return QStringLiteral("/");
}

QString releaseDateText(const QDateTime& localTime, const QLocale& locale) {
    const QDate date = localTime.date();
    const QString sep = dateSeparator(locale);
    return QString::number(date.year()).rightJustified(4, QLatin1Char('0')) + sep +
           PadNumber(date.month(), 2) + sep + PadNumber(date.day(), 2);
}

QString versionLine(const QString& localVersion, const QString& releaseDate) {
    return QStringLiteral("Ver: ") + localVersion + QStringLiteral(", Released on ") + releaseDate;
}

} // namespace runpad
