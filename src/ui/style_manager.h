#pragma once

#include <QPalette>
#include <QString>
#include <QStringList>

class QApplication;

namespace runpad {

class StyleRegistry;

// Puts a style of the registry on the whole application: widget style,
// palette and style sheet together. The appearance the application had when
// the manager was made is what the system entry brings back.
class StyleManager {
public:
    StyleManager(const StyleRegistry& registry, QApplication& app);

    QStringList styleNames() const;

    // Throws AppError "Style '<name>' not found", leaving the look unchanged.
    void activate(const QString& name);

    // The last style activated; empty while the system appearance has never
    // been replaced.
    const QString& activeName() const { return activeName_; }

    // The factory name ("fusion", "windows", ...) of the widget style in use.
    static QString widgetStyleName();

private:
    const StyleRegistry& registry_;
    QApplication& app_;
    QString systemStyleName_;
    QPalette systemPalette_;
    QString activeName_;
};

} // namespace runpad
