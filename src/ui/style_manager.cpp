#include "ui/style_manager.h"

#include "core/appearance/style_registry.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace runpad {

namespace {

// A style by factory name; Fusion when this platform lacks the named one, so
// a switch never leaves the application without a style.
QStyle* createStyle(const QString& name) {
    if (QStyle* style = QStyleFactory::create(name))
        return style;
    return QStyleFactory::create(QStringLiteral("Fusion"));
}

} // namespace

StyleManager::StyleManager(const StyleRegistry& registry, QApplication& app)
    : registry_(registry), app_(app), systemStyleName_(QApplication::style()->name()),
      systemPalette_(QApplication::palette()) {}

QStringList StyleManager::styleNames() const {
    return registry_.names();
}

void StyleManager::activate(const QString& name) {
    const StyleDefinition& style = registry_.style(name);
    if (style.system) {
        // The sheet goes first, so the restored style is not wrapped in a
        // sheet style that would only be thrown away.
        app_.setStyleSheet(QString());
        QApplication::setStyle(createStyle(systemStyleName_));
        QApplication::setPalette(systemPalette_);
    } else {
        QApplication::setStyle(createStyle(style.baseStyle));
        QApplication::setPalette(style.palette);
        app_.setStyleSheet(style.styleSheet);
    }
    activeName_ = style.name;
}

} // namespace runpad
