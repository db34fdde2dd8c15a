#include "ui/menu_accelerators.h"

#include <QAction>
#include <QSet>

namespace runpad {

QChar acceleratorOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] == u'&') { // "&&" is a literal ampersand
            ++i;
            continue;
        }
        return caption[i + 1];
    }
    return {};
}

QStringList withAccelerators(const QStringList& captions) {
    QSet<QChar> used;
    for (const QString& caption : captions) {
        const QChar key = acceleratorOf(caption);
        if (!key.isNull())
            used.insert(key.toCaseFolded());
    }
    QStringList result;
    result.reserve(captions.size());
    for (const QString& caption : captions) {
        QString text = caption;
        if (acceleratorOf(caption).isNull()) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar c = text[i];
                if (!c.isLetterOrNumber() || used.contains(c.toCaseFolded()))
                    continue;
                used.insert(c.toCaseFolded());
                text.insert(i, u'&');
                break;
            }
        }
        result.append(text);
    }
    return result;
}

void assignAccelerators(const QList<QAction*>& level) {
    QList<QAction*> items;
    QStringList captions;
    for (QAction* action : level) {
        if (action->isSeparator())
            continue;
        items.append(action);
        captions.append(action->text());
    }
    const QStringList assigned = withAccelerators(captions);
    for (qsizetype i = 0; i < items.size(); ++i)
        if (items[i]->text() != assigned[i])
            items[i]->setText(assigned[i]);
}

} // namespace runpad
