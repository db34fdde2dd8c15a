#include "core/table/json_writer.h"

#include "core/table/grid_model.h"

#include <array>

namespace runpad {

namespace {

// For each ASCII code: the letter of its short escape, 'u' for a \u escape,
// or 0 when it is written as itself.
constexpr std::array<char, 128> kEscapes = [] {
    std::array<char, 128> escapes{};
    for (int code = 0; code < 32; ++code)
        escapes[code] = 'u';
    escapes['"'] = '"';
    escapes['\\'] = '\\';
    escapes['/'] = '/';
    escapes['\b'] = 'b';
    escapes['\t'] = 't';
    escapes['\n'] = 'n';
    escapes['\f'] = 'f';
    escapes['\r'] = 'r';
    return escapes;
}();

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Bytes of the written string, quotation marks included. Sizing first lets
// the whole file be written into one allocation.
qsizetype escapedSize(QStringView text) {
    qsizetype size = 2;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        size += u >= 128 ? 6 : kEscapes[u] == 0 ? 1 : kEscapes[u] == 'u' ? 6 : 2;
    }
    return size;
}

char* writeEscaped(char* out, QStringView text) {
    *out++ = '"';
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        const char escape = u < 128 ? kEscapes[u] : 'u';
        if (escape == 0) {
            *out++ = char(u);
            continue;
        }
        *out++ = '\\';
        *out++ = escape;
        if (escape == 'u') {
            *out++ = kHexDigits[(u >> 12) & 0xF];
            *out++ = kHexDigits[(u >> 8) & 0xF];
            *out++ = kHexDigits[(u >> 4) & 0xF];
            *out++ = kHexDigits[u & 0xF];
        }
    }
    *out++ = '"';
    return out;
}

char* writeLiteral(char* out, QByteArrayView literal) {
    for (const char c : literal)
        *out++ = c;
    return out;
}

constexpr QByteArrayView kOpening = "{\"data\":[";
constexpr QByteArrayView kClosing = "]}";

} // namespace

void appendJsonString(QByteArray& out, QStringView text) {
    const qsizetype at = out.size();
    out.resize(at + escapedSize(text));
    writeEscaped(out.data() + at, text);
}

QByteArray gridToJson(const GridModel& grid) {
    const int rows = grid.rowCount();
    const int cols = grid.colCount();
    // Brackets of each row, commas between rows and between cells.
    qsizetype size = kOpening.size() + kClosing.size() + qsizetype(rows) * 2 + (rows - 1) +
                     qsizetype(rows) * (cols - 1);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            size += escapedSize(grid.cellView(c, r));

    QByteArray text(size, Qt::Uninitialized);
    char* out = writeLiteral(text.data(), kOpening);
    for (int r = 0; r < rows; ++r) {
        if (r > 0)
            *out++ = ',';
        *out++ = '[';
        for (int c = 0; c < cols; ++c) {
            if (c > 0)
                *out++ = ',';
            out = writeEscaped(out, grid.cellView(c, r));
        }
        *out++ = ']';
    }
    out = writeLiteral(out, kClosing);
    Q_ASSERT(out == text.constData() + text.size());
    return text;
}

} // namespace runpad
