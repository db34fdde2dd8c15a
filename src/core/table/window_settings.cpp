#include "core/table/window_settings.h"

#include "core/table/ini_document.h"

namespace runpad {

namespace {
const QString kStyleName = QStringLiteral("Style Name");
const QString kFormWidth = QStringLiteral("Form Width");
const QString kFormHeight = QStringLiteral("Form Height");
const QString kFormLeft = QStringLiteral("Form Left");
const QString kFormTop = QStringLiteral("Form Top");
const QString kTableWidth = QStringLiteral("table width");

std::optional<int> storedInteger(const IniDocument& settings, const QString& key) {
    int value = 0;
    if (parseIniInteger(settings.readString(QString::fromLatin1(kStylesSection), key), value))
        return value;
    return std::nullopt;
}
} // namespace

StoredWindowSettings readWindowSettings(const IniDocument& settings) {
    StoredWindowSettings stored;
    stored.styleName = settings.readString(QString::fromLatin1(kStylesSection), kStyleName);
    stored.placement.width = storedInteger(settings, kFormWidth);
    stored.placement.height = storedInteger(settings, kFormHeight);
    stored.placement.left = storedInteger(settings, kFormLeft);
    stored.placement.top = storedInteger(settings, kFormTop);
    stored.tableWidth = storedInteger(settings, kTableWidth);
    return stored;
}

void writeWindowSettings(IniDocument& settings, const WindowSettingsToSave& values) {
    const QString section = QString::fromLatin1(kStylesSection);
    if (!values.styleName.isEmpty())
        settings.writeString(section, kStyleName, values.styleName);
    settings.writeInteger(section, kFormWidth, values.width);
    settings.writeInteger(section, kFormHeight, values.height);
    settings.writeInteger(section, kFormLeft, values.left);
    settings.writeInteger(section, kFormTop, values.top);
    settings.writeInteger(section, kTableWidth, values.tableWidth);
}

} // namespace runpad
