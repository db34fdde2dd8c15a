#include "ui/cell_painter.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

using namespace runpad;

namespace {

constexpr QRect kCell(0, 0, 120, 24);

// Paints one cell on a fresh surface and returns the picture.
QImage paintBody(CellPainter& painter, int col, const QString& text, const CellState& state) {
    QImage image(kCell.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    painter.drawBodyCell(p, kCell, col, text, state);
    return image;
}

bool hasDarkPixel(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 90)
                return true;
    return false;
}

bool hasColour(const QImage& image, const QColor& colour, int tolerance = 40) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green()) +
                    qAbs(c.blue() - colour.blue()) <=
                tolerance)
                return true;
        }
    return false;
}

CellPainter makePainter() {
    return CellPainter(QFont("DejaVu Sans"), QPen(QColor(10, 200, 220)));
}

} // namespace

class TestCellPainter : public QObject {
    Q_OBJECT
private slots:
    void headerIsYellowWithBlueBoldText() {
        CellPainter painter = makePainter();
        QImage image(kCell.size(), QImage::Format_RGB32);
        QPainter p(&image);
        painter.drawHeaderCell(p, kCell, "command");
        p.end();
        QCOMPARE(image.pixelColor(kCell.right(), kCell.bottom()), CellPainter::kHeaderBackground);
        QVERIFY(hasColour(image, CellPainter::kHeaderText));
        QVERIFY(painter.surface().font.bold());
        QCOMPARE(painter.surface().font.pointSize(), 12);
    }

    void bodyBackground_data() {
        QTest::addColumn<bool>("currentRow");
        QTest::addColumn<bool>("currentCol");
        QTest::addColumn<bool>("rowSelect");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<bool>("topLine");
        QTest::newRow("current cell in edit mode is grey")
            << true << true << false << CellPainter::kSelection << false;
        QTest::newRow("current row in row-select mode is grey")
            << true << false << true << CellPainter::kSelection << false;
        QTest::newRow("other cell of the current row is white with a top line")
            << true << false << false << CellPainter::kBodyBackground << true;
        QTest::newRow("cell of another row is plain white")
            << false << true << true << CellPainter::kBodyBackground << false;
    }
    void bodyBackground() {
        QFETCH(bool, currentRow);
        QFETCH(bool, currentCol);
        QFETCH(bool, rowSelect);
        QFETCH(QColor, background);
        QFETCH(bool, topLine);
        CellPainter painter = makePainter();
        const QImage image = paintBody(painter, 1, QString(), {currentRow, currentCol, rowSelect});
        QCOMPARE(image.pixelColor(60, 12), background);
        QCOMPARE(image.pixelColor(60, 0) == QColor(10, 200, 220), topLine);
        QCOMPARE(painter.surface().font.pointSize(), 10);
        QVERIFY(!painter.surface().font.bold());
    }

    void imageMarker_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("marker");
        QTest::newRow("star in the image column") << 4 << "*" << true;
        QTest::newRow("blank before the star") << 4 << " *" << false;
        QTest::newRow("two stars") << 4 << "**" << false;
        QTest::newRow("star in the command column") << 2 << "*" << false;
    }
    void imageMarker() {
        QFETCH(int, col);
        QFETCH(QString, text);
        QFETCH(bool, marker);
        CellPainter painter = makePainter();
        const QImage image = paintBody(painter, col, text, {});
        QCOMPARE(hasColour(image, CellPainter::kMarker), marker);
        QCOMPARE(hasDarkPixel(image), !marker); // other texts are drawn in black
        // The surface keeps the monospace face from the first marker on.
        QCOMPARE(painter.surface().font.family() == "Consolas", marker);
    }

    void faceCarriesOverToLaterCells() {
        CellPainter painter = makePainter();
        paintBody(painter, 4, "*", {});
        QImage image(kCell.size(), QImage::Format_RGB32);
        QPainter p(&image);
        painter.drawHeaderCell(p, kCell, "img");
        QCOMPARE(painter.surface().font.family(), QString("Consolas"));
        QCOMPARE(painter.surface().font.pointSize(), 12);
    }
};

QTEST_MAIN(TestCellPainter)
#include "tst_cell_painter.moc"
