#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

namespace runpad {

// What the About dialogs share: set by each dialog's setup and by each update
// check, the last one winning. One object, owned by program entry.
struct UpdateVariables {
    QString AppShortName;
    QString LocalVersion;
    QString UpdateBaseUrl;
    QString IndexFileName;
    QString IndexFilePath;
    QString OnlineFileName;
    QString OnlineVersion;
    QString OnlineWebsite;
    QString OnlineVersionText;

    friend bool operator==(const UpdateVariables&, const UpdateVariables&) = default;
};

extern const QString kUpdateNotAvailableText; // "Web site upgrade not available."
extern const QString kIndexFileName;          // "index.json"

// Fetches url into the local file fileName; true only when the whole file was
// stored. May be called from any thread.
using DownloadFunction = std::function<bool(const QString& url, const QString& fileName)>;

// The update folder of a program on the update host ("host" may carry a port).
QString updateBaseUrl(const QString& host, const QString& shortName);

// Seconds from 1970 to the local date and time read as if it were universal
// time; it changes every second, so caches never answer with an old index.
qint64 cacheBusterValue(const QDateTime& now);

// Starts a check: empties OnlineVersionText and gives the index's address.
QString beginCheck(UpdateVariables& vars, const QDateTime& now);

// "Version:  <online>\r\navailable online".
QString onlineVersionText(const QString& onlineVersion);

// The update button's caption after a successful check: the two versions
// compared ordinally by UTF-16 code unit.
QString updateButtonCaption(const QString& localVersion, const QString& onlineVersion,
                            const QString& versionText);

// The three members of the update index, in the order they are stored. A
// member the index lacks is absent; `error` then says what went wrong, and
// the members before it are still given.
struct UpdateIndex {
    std::optional<QString> fileName;
    std::optional<QString> version;
    std::optional<QString> website;
    QString error;
};

// Reads the downloaded index with the program's JSON reader (a byte-order
// mark selects UTF-8 or UTF-16; numbers keep their written text).
UpdateIndex parseUpdateIndex(const QByteArray& bytes);

// The outcome of one check's network part. Touches no shared state, so it
// may run on a worker thread.
struct CheckOutcome {
    bool downloaded = false;
    UpdateIndex index;
};
CheckOutcome fetchUpdateIndex(const DownloadFunction& download, const QString& url,
                              const QString& indexFilePath);

// What a check shows on the dialog that ran it. Absent: left as it was.
struct CheckCaptions {
    std::optional<QString> downloadCaption;
    std::optional<QString> downloadHint;
    std::optional<QString> webCaption;
};

// Stores an outcome into the shared variables and gives the captions. An
// index that lacks a member stores the members before it and then throws
// AppError, leaving the captions as they were.
CheckCaptions applyCheckOutcome(UpdateVariables& vars, const CheckOutcome& outcome);

// A file name from the network is joined to the program's folder: only a
// plain name inside that folder is accepted (no separator, drive, "." or "..").
bool isPlainUpdateFileName(const QString& name);

// True when nothing but blanks and control characters is left of the name.
bool isBlankFileName(const QString& name);

// "File: <name>\r\nVersion: <version>\r\ndownload online?".
QString updateConfirmationText(const UpdateVariables& vars);

} // namespace runpad
