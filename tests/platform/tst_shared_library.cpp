#include "platform/gamepad_input.h"
#include "platform/linux/shared_library.h"

#include <QFile>
#include <QTest>
#include <cmath>

using namespace runpad;

namespace {

bool mapped(const QByteArray& libraryName) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(libraryName);
}

struct MathFunctions {
    SharedLibrary library{"libm.so.6"};
    RUNPAD_LIBRARY_FUNCTION(cbrt);
};

} // namespace

class TestSharedLibrary : public QObject {
    Q_OBJECT
private slots:
    // Linked, these would be loaded before main(); the platform layer opens
    // them on first use only.
    void noDeferredLibraryIsLoadedAtStart_data() {
        QTest::addColumn<QByteArray>("library");
        QTest::newRow("game controller") << QByteArray("libSDL2-2.0.so");
        QTest::newRow("downloads") << QByteArray("libcurl.so");
        QTest::newRow("desktop entries") << QByteArray("libgio-2.0.so");
        QTest::newRow("WMF pictures") << QByteArray("libwmf-0.2.so");
        QTest::newRow("EMF pictures") << QByteArray("libemf2svg.so");
    }
    void noDeferredLibraryIsLoadedAtStart() {
        QFETCH(QByteArray, library);
        QVERIFY2(!mapped(library), library.constData());
    }

    void controllerLoadsItsLibraryWhenInitialized() {
        QVERIFY(!mapped("libSDL2-2.0.so"));
        TGamepadInput gamepad;
        QVERIFY(!mapped("libSDL2-2.0.so"));
        gamepad.Initialize(); // no controller here: false, but SDL is loaded
        QVERIFY(mapped("libSDL2-2.0.so"));
    }

    void resolvedFunctionsWork() {
        const MathFunctions math;
        QVERIFY2(math.library.usable(), math.library.problem().c_str());
        QCOMPARE(math.cbrt(27.0), 3.0);
    }

    void missingLibraryOrFunctionMakesItUnusable_data() {
        QTest::addColumn<QByteArray>("soname");
        QTest::addColumn<QByteArray>("function");
        QTest::addColumn<QByteArray>("problemMentions");
        QTest::newRow("no such library")
            << QByteArray("libno-such-runpad-library.so.9") << QByteArray("cbrt")
            << QByteArray("libno-such-runpad-library.so.9");
        QTest::newRow("no such function")
            << QByteArray("libm.so.6") << QByteArray("no_such_runpad_function")
            << QByteArray("no_such_runpad_function");
    }
    void missingLibraryOrFunctionMakesItUnusable() {
        QFETCH(QByteArray, soname);
        QFETCH(QByteArray, function);
        QFETCH(QByteArray, problemMentions);
        SharedLibrary library(soname.constData());
        QVERIFY(library.function<double (*)(double)>(function.constData()) == nullptr);
        QVERIFY(!library.usable());
        QVERIFY2(QByteArray::fromStdString(library.problem()).contains(problemMentions),
                 library.problem().c_str());
    }
};

QTEST_GUILESS_MAIN(TestSharedLibrary)
#include "tst_shared_library.moc"
