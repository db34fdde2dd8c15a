#pragma once

#include <QSet>
#include <QString>
#include <functional>
#include <optional>

namespace runpad {

// Preview picture path of a command: every "/" replaced by "_", then the
// extension. Relative names resolve against the current directory.
QString previewImagePath(const QString& command, const QString& extension);

// Pictures pasted for a row are written with this extension.
inline constexpr auto kPastedPictureExtension = QLatin1StringView(".jpg");

// The preview picture file of a command: the ".bmp" file when it exists,
// else the ".jpg" file when that exists, else empty. exists answers for one
// path whether a regular file is there.
QString findPreviewPicture(const QString& command,
                           const std::function<bool(const QString&)>& exists);

// Answers whether a preview picture file exists. Since a preview picture name
// holds no "/", every such name lies in the current directory: the directory
// is listed once and each question is answered from that list, so marking a
// table of many rows costs one listing instead of two file lookups per row.
class PictureFinder {
public:
    explicit PictureFinder(QString directory = QString());

    // True when a regular file (or a link to one) of that name exists.
    bool exists(const QString& name);

private:
    QString directory_;
    std::optional<QSet<QString>> files_;
};

} // namespace runpad
