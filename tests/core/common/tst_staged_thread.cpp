#include "core/common/staged_thread.h"

#include <QTest>

#include <atomic>
#include <future>

using runpad::StagedThread;

class TestStagedThread : public QObject {
    Q_OBJECT
private slots:
    void secondStageRunsOnlyWhenAskedFor_data();
    void secondStageRunsOnlyWhenAskedFor();
};

void TestStagedThread::secondStageRunsOnlyWhenAskedFor_data() {
    QTest::addColumn<bool>("askWhileFirstRuns");
    QTest::addColumn<bool>("askAfterFirst");
    QTest::addColumn<bool>("secondRuns");
    QTest::newRow("asked for while the first stage runs") << true << false << true;
    QTest::newRow("asked for after the first stage") << false << true << true;
    // A program that ends early finishes the thread without ever asking.
    QTest::newRow("never asked for") << false << false << false;
}

void TestStagedThread::secondStageRunsOnlyWhenAskedFor() {
    QFETCH(bool, askWhileFirstRuns);
    QFETCH(bool, askAfterFirst);
    QFETCH(bool, secondRuns);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> firstDone;
    std::atomic<int> secondCount = 0;
    StagedThread thread(
        [released, &firstDone] {
            released.wait();
            firstDone.set_value();
        },
        [&secondCount] { ++secondCount; });
    if (askWhileFirstRuns)
        QVERIFY(thread.runSecondStage());
    release.set_value();
    firstDone.get_future().wait();
    if (askAfterFirst)
        QVERIFY(thread.runSecondStage());
    thread.finish();
    QCOMPARE(secondCount.load(), secondRuns ? 1 : 0);
    // Once finished, the second stage can no longer be asked for.
    QCOMPARE(thread.runSecondStage(), secondRuns);
    QCOMPARE(secondCount.load(), secondRuns ? 1 : 0);
}

QTEST_APPLESS_MAIN(TestStagedThread)
#include "tst_staged_thread.moc"
