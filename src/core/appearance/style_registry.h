#pragma once

#include <QList>
#include <QPalette>
#include <QString>
#include <QStringList>

namespace runpad {

// One entry of the style menu. The system entry carries no palette or sheet:
// it stands for whatever the desktop gave the program at startup.
struct StyleDefinition {
    QString name;
    bool system = false;
    QString baseStyle;  // widget style the sheet is written against; empty for the system entry
    QPalette palette;   // every role set in every group; default for the system entry
    QString styleSheet; // empty for the system entry
};

// The visual styles the program offers, in menu order: the system appearance
// first, then the embedded styles. Names are case-sensitive.
class StyleRegistry {
public:
    static inline const QString kSystemStyleName = QStringLiteral("Windows");

    // Reads the embedded styles from the resources. Throws AppError when one
    // of them is damaged, which only a broken build can cause.
    StyleRegistry();

    QStringList names() const;
    bool contains(const QString& name) const;
    bool isSystem(const QString& name) const;

    // Throws AppError "Style '<name>' not found" for a name not in names().
    const StyleDefinition& style(const QString& name) const;

private:
    const StyleDefinition* find(const QString& name) const;

    QList<StyleDefinition> styles_;
};

// Builds a full palette from the colours given in a sheet's palette block:
//   /* @palette
//      Window: #dde5ec
//      Disabled.Text: #8a96a0
//   @end */
// Window, WindowText, Base, Text, Button, ButtonText, Highlight and
// HighlightedText are required; the other roles, and the Inactive and
// Disabled groups, are derived unless given. Throws AppError naming the
// style on a missing role or an unreadable line.
QPalette paletteFromSheet(const QString& styleName, const QString& sheet);

} // namespace runpad
