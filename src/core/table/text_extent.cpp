#include "core/table/text_extent.h"

#include <QString>

namespace runpad {

namespace {
QFont withoutKerning(QFont font) {
    font.setKerning(false);
    return font;
}
} // namespace

TextExtent::TextExtent(const QFont& font) : metrics_(withoutKerning(font)) {}

int TextExtent::advance(char32_t codePoint) const {
    if (codePoint <= 0xFFFF) {
        if (basic_.empty())
            basic_.assign(0x10000, -1);
        qint32& known = basic_[codePoint];
        if (known < 0)
            known = metrics_.horizontalAdvance(QChar(char16_t(codePoint)));
        return known;
    }
    const auto found = supplementary_.constFind(codePoint);
    if (found != supplementary_.cend())
        return *found;
    const char32_t one[] = {codePoint};
    const int w = metrics_.horizontalAdvance(QString::fromUcs4(one, 1));
    supplementary_.insert(codePoint, w);
    return w;
}

int TextExtent::width(QStringView text) const {
    int total = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            total += advance(QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            ++i;
        } else {
            total += advance(c);
        }
    }
    return total;
}

} // namespace runpad
