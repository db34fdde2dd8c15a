// The yardstick for the start-up benchmark: the smallest Qt Widgets window.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.resize(800, 750);
    window.show();
    return QApplication::exec();
}
