#include "core/table/json_writer.h"

#include "core/table/grid_model.h"

namespace runpad {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendUnicodeEscape(QByteArray& out, char16_t unit) {
    const char escape[6] = {'\\',
                            'u',
                            kHexDigits[(unit >> 12) & 0xF],
                            kHexDigits[(unit >> 8) & 0xF],
                            kHexDigits[(unit >> 4) & 0xF],
                            kHexDigits[unit & 0xF]};
    out.append(escape, 6);
}

} // namespace

void appendJsonString(QByteArray& out, QStringView text) {
    out.append('"');
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    qsizetype plainStart = 0;
    // Runs of characters written as themselves are copied in one go.
    auto flushPlain = [&](qsizetype end) {
        if (end == plainStart)
            return;
        const qsizetype at = out.size();
        out.resize(at + end - plainStart);
        char* dest = out.data() + at;
        for (qsizetype i = plainStart; i < end; ++i)
            *dest++ = char(units[i]);
    };
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = units[i];
        if (u >= 32 && u <= 127 && u != u'"' && u != u'\\' && u != u'/')
            continue;
        flushPlain(i);
        plainStart = i + 1;
        switch (u) {
        case u'"':
            out.append("\\\"", 2);
            break;
        case u'\\':
            out.append("\\\\", 2);
            break;
        case u'/':
            out.append("\\/", 2);
            break;
        case u'\b':
            out.append("\\b", 2);
            break;
        case u'\t':
            out.append("\\t", 2);
            break;
        case u'\n':
            out.append("\\n", 2);
            break;
        case u'\f':
            out.append("\\f", 2);
            break;
        case u'\r':
            out.append("\\r", 2);
            break;
        default:
            appendUnicodeEscape(out, u);
        }
    }
    flushPlain(size);
    out.append('"');
}

QByteArray gridToJson(const GridModel& grid) {
    QByteArray out;
    qsizetype estimate = 12;
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.colCount(); ++c)
            estimate += grid.cellView(c, r).size() + 3;
    out.reserve(estimate + grid.rowCount() * 3);
    out.append("{\"data\":[");
    for (int r = 0; r < grid.rowCount(); ++r) {
        if (r > 0)
            out.append(',');
        out.append('[');
        for (int c = 0; c < grid.colCount(); ++c) {
            if (c > 0)
                out.append(',');
            appendJsonString(out, grid.cellView(c, r));
        }
        out.append(']');
    }
    out.append("]}");
    return out;
}

} // namespace runpad
