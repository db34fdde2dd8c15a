// Draws the picture shown when a command has no picture of its own: a
// command-prompt window with a short session in it. Run by hand after a
// change, with the output path as argument, and check the result in as
// src/ui/resources/builtin_preview.jpg.

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QTextStream>

namespace runpad {
namespace {

constexpr int kWidth = 1483;
constexpr int kHeight = 792;
constexpr int kTitleHeight = 46;
constexpr int kScrollBarWidth = 22;
constexpr int kCaptionButtonWidth = 58;

const QColor kFrame(0x4a, 0x6a, 0x8e);
const QColor kTitleBar(0xff, 0xff, 0xff);
const QColor kTitleText(0x1a, 0x1a, 0x1a);
const QColor kConsole(0x0c, 0x0c, 0x0c);
const QColor kConsoleText(0xcc, 0xcc, 0xcc);

const QStringList kSession = {
    QStringLiteral("Command Processor [Version 10.0.19045.3803]"),
    QStringLiteral("(c) All rights reserved."),
    QString(),
    QStringLiteral("C:\\Users\\runpad>dir"),
    QStringLiteral(" Volume in drive C has no label."),
    QStringLiteral(" Volume Serial Number is 5A3C-91E2"),
    QString(),
    QStringLiteral(" Directory of C:\\Users\\runpad"),
    QString(),
    QStringLiteral("12.03.2024  09:14    <DIR>          ."),
    QStringLiteral("12.03.2024  09:14    <DIR>          .."),
    QStringLiteral("05.02.2024  17:40    <DIR>          Desktop"),
    QStringLiteral("11.03.2024  08:02    <DIR>          Documents"),
    QStringLiteral("10.03.2024  21:55    <DIR>          Downloads"),
    QStringLiteral("28.02.2024  12:31             4 218 notes.txt"),
    QStringLiteral("07.03.2024  16:47            16 384 commands.ini"),
    QStringLiteral("               2 File(s)         20 602 bytes"),
    QStringLiteral("               5 Dir(s)  112 448 356 352 bytes free"),
    QString(),
    QStringLiteral("C:\\Users\\runpad>"),
};

QFont monospaceFont() {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(20);
    return font;
}

// A small console glyph: a dark screen with a prompt chevron and underscore.
void drawWindowIcon(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(0x3c, 0x3c, 0x3c), 1.5));
    p.setBrush(QColor(0x1e, 0x1e, 0x1e));
    p.drawRoundedRect(r, 2, 2);
    p.setPen(QPen(QColor(0xe8, 0xe8, 0xe8), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal x = r.left() + 5, y = r.center().y();
    p.drawPolyline(QPolygonF{{x, y - 4}, {x + 4, y}, {x, y + 4}});
    p.drawLine(QPointF(x + 7, y + 4), QPointF(x + 12, y + 4));
}

void drawTitleBar(QPainter& p) {
    const QRect bar(0, 0, kWidth, kTitleHeight);
    p.fillRect(bar, kTitleBar);
    drawWindowIcon(p, QRectF(14, (kTitleHeight - 20) / 2.0, 22, 20));

    QFont titleFont(QStringLiteral("DejaVu Sans"));
    titleFont.setPixelSize(16);
    p.setFont(titleFont);
    p.setPen(kTitleText);
    p.drawText(QRect(48, 0, 600, kTitleHeight), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Command Prompt"));

    // Close, maximise and minimise, right to left; the square and the dash
    // are drawn without antialiasing so they stay one crisp pixel wide.
    p.setBrush(Qt::NoBrush);
    const int cy = kTitleHeight / 2;
    int cx = kWidth - kCaptionButtonWidth / 2;
    p.setPen(QPen(kTitleText, 1.2));
    p.drawLine(QPointF(cx - 6, cy - 6), QPointF(cx + 6, cy + 6));
    p.drawLine(QPointF(cx + 6, cy - 6), QPointF(cx - 6, cy + 6));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kTitleText, 1));
    cx -= kCaptionButtonWidth;
    p.drawRect(cx - 6, cy - 6, 12, 12);
    cx -= kCaptionButtonWidth;
    p.drawLine(cx - 6, cy, cx + 6, cy);
    p.setRenderHint(QPainter::Antialiasing, true);
}

void drawScrollBar(QPainter& p, const QRect& area) {
    p.fillRect(area, QColor(0xf0, 0xf0, 0xf0));
    const int cx = area.center().x();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x60, 0x60, 0x60));
    p.drawPolygon(QPolygonF{{cx - 4.5, area.top() + 13.0},
                            {cx + 4.5, area.top() + 13.0},
                            {cx + 0.0, area.top() + 8.0}});
    p.drawPolygon(QPolygonF{{cx - 4.5, area.bottom() - 12.0},
                            {cx + 4.5, area.bottom() - 12.0},
                            {cx + 0.0, area.bottom() - 7.0}});
    // The session fills the first screen, so the thumb covers nearly all.
    p.setBrush(QColor(0xc1, 0xc1, 0xc1));
    p.drawRect(QRect(area.left() + 4, area.top() + 22, area.width() - 8, area.height() - 140));
}

void drawConsole(QPainter& p, const QRect& area) {
    p.fillRect(area, kConsole);
    const QFont font = monospaceFont();
    const QFontMetrics metrics(font);
    p.setFont(font);
    p.setPen(kConsoleText);
    const int left = area.left() + 10;
    const int lineHeight = metrics.height() + 4;
    int baseline = area.top() + 10 + metrics.ascent();
    for (const QString& line : kSession) {
        p.drawText(left, baseline, line);
        baseline += lineHeight;
    }
    // The cursor after the last prompt, caught in its visible phase.
    baseline -= lineHeight;
    const int cursorX = left + metrics.horizontalAdvance(kSession.last());
    p.fillRect(QRect(cursorX, baseline - metrics.ascent() + 2,
                     metrics.horizontalAdvance(QLatin1Char('M')), metrics.height() - 2),
               kConsoleText);
}

QImage drawPreview() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kFrame);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    drawTitleBar(p);
    // One-pixel window frame around the client area.
    const QRect client(1, kTitleHeight, kWidth - 2, kHeight - kTitleHeight - 1);
    const QRect console(client.left(), client.top(), client.width() - kScrollBarWidth,
                        client.height());
    drawConsole(p, console);
    drawScrollBar(p, QRect(console.right() + 1, client.top(), kScrollBarWidth, client.height()));
    p.setPen(kFrame);
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.drawRect(image.rect().adjusted(0, 0, -1, -1));
    return image;
}

} // namespace
} // namespace runpad

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: make_builtin_preview OUTPUT.jpg\n";
        return 2;
    }
    const QImage image = runpad::drawPreview();
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!image.save(path, "JPG", 90)) {
        err << "cannot write " << path << "\n";
        return 1;
    }
    return 0;
}
