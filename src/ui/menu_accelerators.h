#pragma once

#include <QList>
#include <QStringList>

class QAction;

namespace runpad {

// Captions of one menu level with accelerators: a caption that has an "&"
// keeps it; every other one gets an "&" before its first letter or digit that
// no other item of the level uses yet (compared without letter case). A
// caption with no free character stays as it is.
QStringList withAccelerators(const QStringList& captions);

// Applies withAccelerators to the visible texts of one menu level; separators
// are skipped.
void assignAccelerators(const QList<QAction*>& level);

// The character an "&" marks in a caption, or a null character.
QChar acceleratorOf(const QString& caption);

} // namespace runpad
