#pragma once

#include "core/table/table_columns.h"
#include <QColor>
#include <QFont>
#include <QPen>
#include <QString>

class QPainter;
class QRect;

namespace runpad {

// The grid's drawing surface: font, text colour, brush and pen keep their
// settings from one cell to the next, as the cell drawing relies on.
struct DrawingSurface {
    QFont font;
    QColor fontColor = Qt::black;
    QColor brush = Qt::white;
    QPen pen;
};

struct CellState {
    bool currentRow = false;
    bool currentCol = false;
    bool rowSelect = false;
};

// Paints grid cells: a yellow header with blue bold text, white body cells
// with a grey current cell or row, and the image column's marker as a
// green ticked box.
class CellPainter {
public:
    static inline const QColor kHeaderBackground{255, 255, 0};
    static inline const QColor kHeaderText{0, 0, 255};
    static inline const QColor kBodyBackground{255, 255, 255};
    static inline const QColor kSelection{176, 176, 176};
    static inline const QColor kBodyText{0, 0, 0};
    static inline const QColor kMarker{66, 186, 75};

    CellPainter(const QFont& initialFont, const QPen& gridPen);

    void drawHeaderCell(QPainter& painter, const QRect& rect, const QString& text);
    void drawBodyCell(QPainter& painter, const QRect& rect, int col, const QString& text,
                      const CellState& state);

    const DrawingSurface& surface() const { return surface_; }
    static bool isImageMarker(int col, const QString& text) {
        return col == kImageCol && text == kImageMarker;
    }

private:
    void fill(QPainter& painter, const QRect& rect);
    void drawText(QPainter& painter, const QRect& rect, int x, int y, const QString& text);
    void drawMarker(QPainter& painter, const QRect& rect, int x, int y);

    DrawingSurface surface_;
};

} // namespace runpad
