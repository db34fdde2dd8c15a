#include "ui/style_manager.h"

#include "core/appearance/style_registry.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>

namespace runpad {

namespace {

// Draws the arrows of the menu bar's and toolbars' overflow buttons itself.
// The styles load them from PNG files through QImageReader, which first
// loads every image format plugin of the system to ask whether one wants the
// file: a dozen libraries, milliseconds and megabytes at every start, for a
// button that shows only when a bar is too narrow for its items.
class OverflowArrowStyle : public QProxyStyle {
public:
    explicit OverflowArrowStyle(QStyle* base) : QProxyStyle(base) {}

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (icon == SP_ToolBarHorizontalExtensionButton)
            return chevron(Qt::Horizontal);
        if (icon == SP_ToolBarVerticalExtensionButton)
            return chevron(Qt::Vertical);
        return QProxyStyle::standardIcon(icon, option, widget);
    }

private:
    static QIcon chevron(Qt::Orientation direction) {
        constexpr int kSide = 16;
        QIcon icon;
        for (const qreal ratio : {1.0, 2.0}) {
            QPixmap pixmap(QSize(kSide, kSide) * ratio);
            pixmap.setDevicePixelRatio(ratio);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(QApplication::palette().color(QPalette::ButtonText), 1.5));
            // Two arrowheads side by side, pointing where the hidden items are.
            for (const qreal at : {4.0, 9.0}) {
                const QPolygonF head =
                    direction == Qt::Horizontal
                        ? QPolygonF({QPointF(at, 4), QPointF(at + 3.5, 8), QPointF(at, 12)})
                        : QPolygonF({QPointF(4, at), QPointF(8, at + 3.5), QPointF(12, at)});
                painter.drawPolyline(head);
            }
            painter.end();
            icon.addPixmap(pixmap);
        }
        return icon;
    }
};

// The factory name of the style the application draws with.
QString factoryName(const QStyle* style) {
    if (const auto* proxy = dynamic_cast<const QProxyStyle*>(style))
        return proxy->baseStyle()->name();
    return style->name();
}

// A style by factory name; Fusion when this platform lacks the named one, so
// a switch never leaves the application without a style.
QStyle* createStyle(const QString& name) {
    QStyle* style = QStyleFactory::create(name);
    if (!style)
        style = QStyleFactory::create(QStringLiteral("Fusion"));
    return new OverflowArrowStyle(style);
}

} // namespace

StyleManager::StyleManager(const StyleRegistry& registry, QApplication& app)
    : registry_(registry), app_(app), systemStyleName_(factoryName(QApplication::style())),
      systemPalette_(QApplication::palette()) {
    // The system appearance is drawn with the overflow arrows above from the start.
    if (!dynamic_cast<OverflowArrowStyle*>(QApplication::style()))
        QApplication::setStyle(createStyle(systemStyleName_));
}

QString StyleManager::widgetStyleName() {
    return factoryName(QApplication::style());
}

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
