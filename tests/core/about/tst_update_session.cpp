#include "core/about/update_session.h"

#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

using namespace runpad;

class TestUpdateSession : public QObject {
    Q_OBJECT
private slots:
    // A check whose worker ended in an exception leaves the queue: the
    // exception reaches the caller once and the later checks still apply.
    void failedCheckLeavesTheQueue() {
        QTemporaryDir dir;
        int calls = 0;
        UpdateSession session(QStringLiteral("host"), [&calls](const QString&, const QString&) {
            if (calls++ == 0)
                throw std::runtime_error("lost");
            return false;
        });
        QStringList applied;
        QObject context;
        const auto start = [&](const QString& name) {
            session.startBackgroundCheck(QStringLiteral("http://host/index.json"),
                                         dir.filePath(name), &context,
                                         [&applied, name](const CheckOutcome& outcome) {
                                             applied << name + (outcome.downloaded ? "+" : "-");
                                         });
        };
        start(QStringLiteral("first"));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, session.finishBackgroundCheck());
        start(QStringLiteral("second"));
        session.finishBackgroundCheck();
        QCOMPARE(applied, QStringList({"second-"}));
        QVERIFY(!session.backgroundCheckPending());
    }
};

QTEST_GUILESS_MAIN(TestUpdateSession)
#include "tst_update_session.moc"
