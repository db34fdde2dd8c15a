#include "core/table/picture_finder.h"

#include <QDir>
#include <QFileInfo>

namespace runpad {

QString previewImagePath(const QString& command, const QString& extension) {
    QString path = command;
    path.replace(u'/', u'_');
    return path + extension;
}

QString findPreviewPicture(const QString& command,
                           const std::function<bool(const QString&)>& exists) {
    for (const QLatin1StringView extension : {QLatin1StringView(".bmp"), kPastedPictureExtension}) {
        QString path = previewImagePath(command, extension);
        if (exists(path))
            return path;
    }
    return {};
}

PictureFinder::PictureFinder(QString directory) : directory_(std::move(directory)) {}

bool PictureFinder::exists(const QString& name) {
    if (name.contains(u'/')) // not a plain name: ask the file system directly
        return QFileInfo(directory_.isEmpty() ? name : directory_ + u'/' + name).isFile();
    if (!files_) {
        const QDir dir(directory_.isEmpty() ? QDir::currentPath() : directory_);
        const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
        files_.emplace(entries.begin(), entries.end());
    }
    return files_->contains(name);
}

} // namespace runpad
