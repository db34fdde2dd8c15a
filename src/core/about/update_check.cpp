#include "core/about/update_check.h"

#include "core/common/app_error.h"
#include "core/common/regular_file.h"
#include "core/table/json_reader.h"

#include <algorithm>

namespace runpad {

const QString kUpdateNotAvailableText = QStringLiteral("Web site upgrade not available.");
const QString kIndexFileName = QStringLiteral("index.json");

namespace {
// An index is a few hundred bytes; anything far larger is not one.
constexpr qint64 kMaxIndexBytes = 1 << 20;
} // namespace

QString updateBaseUrl(const QString& host, const QString& shortName) {
    return QStringLiteral("http://") + host + QStringLiteral("/NAS_file_Share/") + shortName +
           QLatin1Char('/');
}

qint64 cacheBusterValue(const QDateTime& now) {
    const QDateTime local = now.toLocalTime();
    return QDateTime(local.date(), local.time(), Qt::UTC).toSecsSinceEpoch();
}

QString beginCheck(UpdateVariables& vars, const QDateTime& now) {
    vars.OnlineVersionText.clear();
    return vars.UpdateBaseUrl + vars.IndexFileName + QStringLiteral("?cb=") +
           QString::number(cacheBusterValue(now));
}

QString onlineVersionText(const QString& onlineVersion) {
    return QStringLiteral("Version:  ") + onlineVersion + QStringLiteral("\r\navailable online");
}

QString updateButtonCaption(const QString& localVersion, const QString& onlineVersion,
                            const QString& versionText) {
    const int order = QString::compare(localVersion, onlineVersion, Qt::CaseSensitive);
    if (order < 0)
        return QStringLiteral("Newer ") + versionText;
    if (order == 0)
        return QStringLiteral("version up-to-date (") + onlineVersion + QLatin1Char(')');
    return QStringLiteral("Older ") + versionText;
}

UpdateIndex parseUpdateIndex(const QByteArray& bytes) {
    UpdateIndex index;
    try {
        const JsonDocument doc = JsonDocument::parse(bytes, kIndexFileName);
        if (!doc.root().isObject()) {
            index.error = QStringLiteral("The update index is not a JSON object");
            return index;
        }
        const std::pair<std::optional<QString>*, QString> members[] = {
            {&index.fileName, QStringLiteral("file_name")},
            {&index.version, QStringLiteral("version")},
            {&index.website, QStringLiteral("website")}};
        for (const auto& [target, name] : members) {
            *target = doc.memberText(name);
            if (!*target) {
                index.error = QStringLiteral("The update index has no member \"%1\"").arg(name);
                return index;
            }
        }
    } catch (const AppError& e) {
        index.error = e.message();
    }
    return index;
}

CheckOutcome fetchUpdateIndex(const DownloadFunction& download, const QString& url,
                              const QString& indexFilePath) {
    CheckOutcome outcome;
    outcome.downloaded = download(url, indexFilePath);
    if (!outcome.downloaded)
        return outcome;
    try {
        const std::optional<QByteArray> bytes = readRegularFile(indexFilePath, kMaxIndexBytes);
        if (!bytes)
            outcome.index.error = QStringLiteral("The update index was not stored");
        else
            outcome.index = parseUpdateIndex(*bytes);
    } catch (const AppError& e) {
        outcome.index.error = e.message();
    }
    return outcome;
}

CheckCaptions applyCheckOutcome(UpdateVariables& vars, const CheckOutcome& outcome) {
    CheckCaptions captions;
    if (!outcome.downloaded) {
        vars.OnlineVersionText = kUpdateNotAvailableText;
        captions.downloadCaption = vars.OnlineVersionText;
        return captions;
    }
    const UpdateIndex& index = outcome.index;
    if (index.fileName)
        vars.OnlineFileName = *index.fileName;
    if (index.version)
        vars.OnlineVersion = *index.version;
    if (index.website)
        vars.OnlineWebsite = *index.website;
    if (!index.error.isEmpty())
        throw AppError(index.error);
    vars.OnlineVersionText = onlineVersionText(vars.OnlineVersion);
    captions.webCaption = vars.OnlineWebsite;
    captions.downloadHint = vars.OnlineVersion;
    captions.downloadCaption =
        updateButtonCaption(vars.LocalVersion, vars.OnlineVersion, vars.OnlineVersionText);
    return captions;
}

bool isPlainUpdateFileName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') ||
            c.unicode() < 32)
            return false;
    }
    return true;
}

bool isBlankFileName(const QString& name) {
    return std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() <= 32; });
}

QString updateConfirmationText(const UpdateVariables& vars) {
    return QStringLiteral("File: ") + vars.OnlineFileName + QStringLiteral("\r\nVersion: ") +
           vars.OnlineVersion + QStringLiteral("\r\ndownload online?");
}

} // namespace runpad
