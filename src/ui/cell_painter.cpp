#include "ui/cell_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace runpad {

CellPainter::CellPainter(const QFont& initialFont, const QPen& gridPen) {
    surface_.font = initialFont;
    surface_.pen = gridPen;
}

void CellPainter::fill(QPainter& painter, const QRect& rect) {
    painter.fillRect(rect, surface_.brush);
}

void CellPainter::drawText(QPainter& painter, const QRect& rect, int x, int y,
                           const QString& text) {
    if (text.isEmpty())
        return;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setFont(surface_.font);
    painter.setPen(surface_.fontColor);
    // One line from the given point, on the brush colour; no wrapping or
    // elision of its own.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(surface_.brush);
    const QFontMetrics metrics(surface_.font, painter.device());
    painter.drawText(QPoint(x, y + metrics.ascent()), text);
    painter.restore();
}

void CellPainter::drawHeaderCell(QPainter& painter, const QRect& rect, const QString& text) {
    surface_.brush = kHeaderBackground;
    fill(painter, rect);
    surface_.fontColor = kHeaderText;
    surface_.font.setBold(true);
    surface_.font.setPointSize(12);
    drawText(painter, rect, rect.left() + 2, rect.top() + 2, text);
}

void CellPainter::drawBodyCell(QPainter& painter, const QRect& rect, int col, const QString& text,
                               const CellState& state) {
    surface_.font.setPointSize(10);
    surface_.font.setBold(false);
    surface_.font.setItalic(false);
    surface_.font.setUnderline(false);
    surface_.font.setStrikeOut(false);
    surface_.brush = kBodyBackground;
    fill(painter, rect);
    painter.setPen(surface_.pen);
    painter.drawLine(rect.topLeft(), rect.topRight());

    if (state.currentRow) {
        if (state.currentCol || state.rowSelect) {
            surface_.brush = kSelection;
            fill(painter, rect);
        }
    } else {
        surface_.brush = kBodyBackground;
        fill(painter, rect);
    }

    if (isImageMarker(col, text)) {
        surface_.fontColor = kMarker;
        drawMarker(painter, rect, rect.left() + 2, rect.top() + 3);
        // The marker leaves the monospace face behind for the cells after it.
        surface_.font.setFamily(QStringLiteral("Consolas"));
        surface_.font.setPointSize(10);
    } else {
        surface_.fontColor = kBodyText;
        drawText(painter, rect, rect.left() + 2, rect.top() + 2, text);
    }
}

void CellPainter::drawMarker(QPainter& painter, const QRect& rect, int x, int y) {
    // A ticked box the size of a 14 point glyph.
    QFont glyphFont = surface_.font;
    glyphFont.setPointSize(14);
    const QFontMetrics metrics(glyphFont, painter.device());
    const int side = qMax(8, metrics.ascent() - 2);
    const QRectF box(x + 1.5, y + 1.5, side - 3, side - 3);

    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRect(x, y, side, side), surface_.brush);
    QPen pen(surface_.fontColor, qMax(1.5, side / 10.0));
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    QPainterPath tick;
    tick.moveTo(box.left() + box.width() * 0.2, box.top() + box.height() * 0.52);
    tick.lineTo(box.left() + box.width() * 0.42, box.top() + box.height() * 0.75);
    tick.lineTo(box.left() + box.width() * 0.8, box.top() + box.height() * 0.25);
    pen.setWidthF(pen.widthF() * 1.4);
    painter.setPen(pen);
    painter.drawPath(tick);
    painter.restore();
}

} // namespace runpad
