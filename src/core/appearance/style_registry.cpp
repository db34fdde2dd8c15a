#include "core/appearance/style_registry.h"

#include "core/common/app_error.h"

#include <QFile>
#include <QHash>
#include <QMetaEnum>
#include <QRegularExpression>
#include <array>
#include <utility>

namespace runpad {

namespace {

struct EmbeddedStyle {
    const char* name;
    const char* resource;
};

constexpr std::array kEmbeddedStyles{
    EmbeddedStyle{"Aqua Light Slate", ":/styles/aqua_light_slate.qss"},
    EmbeddedStyle{"Glossy", ":/styles/glossy.qss"},
    EmbeddedStyle{"Glow", ":/styles/glow.qss"},
    EmbeddedStyle{"Iceberg Classico", ":/styles/iceberg_classico.qss"},
    EmbeddedStyle{"Lavender Classico", ":/styles/lavender_classico.qss"},
    EmbeddedStyle{"Sky", ":/styles/sky.qss"},
    EmbeddedStyle{"Slate Classico", ":/styles/slate_classico.qss"},
};

// Sheets are written against Fusion: it draws the same on every platform and
// leaves to the sheet what the sheet sets.
const QString kEmbeddedBaseStyle = QStringLiteral("Fusion");

constexpr std::array kRequiredRoles{
    QPalette::Window, QPalette::WindowText, QPalette::Base,      QPalette::Text,
    QPalette::Button, QPalette::ButtonText, QPalette::Highlight, QPalette::HighlightedText,
};

constexpr std::array kGroups{QPalette::Active, QPalette::Inactive, QPalette::Disabled};

// Colour a fraction t of the way from a to b.
QColor mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

using Colours = QHash<QPalette::ColorRole, QColor>;

// The colours of one group: given ones win, the rest come from the eight
// required roles.
void fillActive(Colours& c) {
    const auto derive = [&c](QPalette::ColorRole role, const QColor& colour) {
        if (!c.contains(role))
            c.insert(role, colour);
    };
    const QColor button = c.value(QPalette::Button);
    derive(QPalette::Light, mix(button, Qt::white, 0.5));
    derive(QPalette::Midlight, mix(button, c.value(QPalette::Light), 0.5));
    derive(QPalette::Mid, mix(button, Qt::black, 0.25));
    derive(QPalette::Dark, mix(button, Qt::black, 0.45));
    derive(QPalette::Shadow, mix(button, Qt::black, 0.75));
    derive(QPalette::BrightText, Qt::white);
    derive(QPalette::AlternateBase, mix(c.value(QPalette::Base), button, 0.35));
    derive(QPalette::ToolTipBase, c.value(QPalette::Base));
    derive(QPalette::ToolTipText, c.value(QPalette::Text));
    derive(QPalette::Link, c.value(QPalette::Highlight));
    derive(QPalette::LinkVisited, mix(c.value(QPalette::Highlight), c.value(QPalette::Text), 0.4));
    derive(QPalette::PlaceholderText, mix(c.value(QPalette::Text), c.value(QPalette::Base), 0.45));
}

// Disabled text is pulled halfway towards its background: still legible, but
// plainly not active.
Colours disabledFrom(const Colours& active) {
    Colours c = active;
    c[QPalette::WindowText] = mix(active[QPalette::WindowText], active[QPalette::Window], 0.5);
    c[QPalette::Text] = mix(active[QPalette::Text], active[QPalette::Base], 0.5);
    c[QPalette::ButtonText] = mix(active[QPalette::ButtonText], active[QPalette::Button], 0.5);
    c[QPalette::Highlight] = mix(active[QPalette::Highlight], active[QPalette::Window], 0.4);
    c[QPalette::Link] = mix(active[QPalette::Link], active[QPalette::Base], 0.5);
    c[QPalette::LinkVisited] = mix(active[QPalette::LinkVisited], active[QPalette::Base], 0.5);
    c[QPalette::PlaceholderText] = mix(active[QPalette::Text], active[QPalette::Base], 0.65);
    return c;
}

QString readResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw AppError(QStringLiteral("Style resource '%1' is missing").arg(path));
    return QString::fromUtf8(file.readAll());
}

} // namespace

QPalette paletteFromSheet(const QString& styleName, const QString& sheet) {
    const auto fail = [&styleName](const QString& why) {
        return AppError(QStringLiteral("Style '%1': %2").arg(styleName, why));
    };

    const QString opening = QStringLiteral("@palette");
    const qsizetype begin = sheet.indexOf(opening);
    const qsizetype end = begin < 0 ? -1 : sheet.indexOf(QStringLiteral("@end"), begin);
    if (end < 0)
        throw fail(QStringLiteral("no palette block"));

    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    const QMetaEnum groups = QMetaEnum::fromType<QPalette::ColorGroup>();
    static const QRegularExpression entry(
        QStringLiteral(R"(^(?:(\w+)\.)?(\w+)\s*:\s*(#[0-9A-Fa-f]{6})$)"));

    std::array<Colours, kGroups.size()> given;
    const qsizetype first = begin + opening.size();
    for (const QString& line : sheet.mid(first, end - first).split(u'\n')) {
        // The block sits in a comment: a leading "*" is decoration.
        QString text = line.trimmed();
        if (text.startsWith(u'*'))
            text = text.mid(1).trimmed();
        if (text.isEmpty())
            continue;
        const QRegularExpressionMatch m = entry.match(text);
        if (!m.hasMatch())
            throw fail(QStringLiteral("unreadable palette line '%1'").arg(text));
        bool ok = true;
        int group = QPalette::Active;
        if (m.hasCaptured(1))
            group = groups.keyToValue(m.captured(1).toLatin1().constData(), &ok);
        const int role = roles.keyToValue(m.captured(2).toLatin1().constData());
        if (!ok || role < 0 || role == QPalette::NoRole || role >= QPalette::NColorRoles ||
            (group != QPalette::Active && group != QPalette::Inactive &&
             group != QPalette::Disabled))
            throw fail(QStringLiteral("unknown palette entry '%1'").arg(text));
        given[size_t(group)].insert(QPalette::ColorRole(role), QColor::fromString(m.captured(3)));
    }

    Colours active = given[QPalette::Active];
    for (const QPalette::ColorRole role : kRequiredRoles)
        if (!active.contains(role))
            throw fail(
                QStringLiteral("palette lacks %1").arg(QLatin1String(roles.valueToKey(role))));
    fillActive(active);

    std::array<Colours, kGroups.size()> resolved;
    resolved[QPalette::Active] = active;
    resolved[QPalette::Inactive] = active;
    resolved[QPalette::Disabled] = disabledFrom(active);

    QPalette palette;
    for (const QPalette::ColorGroup group : kGroups) {
        Colours& colours = resolved[size_t(group)];
        for (auto it = given[size_t(group)].cbegin(); it != given[size_t(group)].cend(); ++it)
            colours[it.key()] = it.value();
        for (auto it = colours.cbegin(); it != colours.cend(); ++it)
            palette.setColor(group, it.key(), it.value());
    }
    return palette;
}

StyleRegistry::StyleRegistry() {
    StyleDefinition system;
    system.name = kSystemStyleName;
    system.system = true;
    styles_.append(system);

    for (const EmbeddedStyle& embedded : kEmbeddedStyles) {
        StyleDefinition style;
        style.name = QString::fromLatin1(embedded.name);
        style.baseStyle = kEmbeddedBaseStyle;
        style.styleSheet = readResource(QString::fromLatin1(embedded.resource));
        style.palette = paletteFromSheet(style.name, style.styleSheet);
        styles_.append(std::move(style));
    }
}

QStringList StyleRegistry::names() const {
    QStringList result;
    for (const StyleDefinition& style : styles_)
        result.append(style.name);
    return result;
}

const StyleDefinition* StyleRegistry::find(const QString& name) const {
    for (const StyleDefinition& style : styles_)
        if (style.name == name)
            return &style;
    return nullptr;
}

bool StyleRegistry::contains(const QString& name) const {
    return find(name) != nullptr;
}

bool StyleRegistry::isSystem(const QString& name) const {
    const StyleDefinition* style = find(name);
    return style && style->system;
}

const StyleDefinition& StyleRegistry::style(const QString& name) const {
    if (const StyleDefinition* style = find(name))
        return *style;
    throw AppError(QStringLiteral("Style '%1' not found").arg(name));
}

} // namespace runpad
