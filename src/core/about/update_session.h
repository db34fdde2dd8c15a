#pragma once

#include "core/about/update_check.h"

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <future>

namespace runpad {

// The About dialogs' shared state and their way to the update host. Program
// start runs its check on a worker thread so the first window never waits on
// the network; the result is applied on the UI thread when the work ends, or
// earlier when an About command needs it (finishBackgroundCheck).
class UpdateSession : public QObject {
    Q_OBJECT
public:
    // cancel, when given, makes a running download give up at once; it is
    // used when the session ends with a check still running.
    UpdateSession(QString updateHost, DownloadFunction download, std::function<void()> cancel = {});
    ~UpdateSession() override;

    UpdateVariables& variables() { return vars_; }
    const QString& updateHost() const { return host_; }
    bool download(const QString& url, const QString& fileName) const {
        return download_(url, fileName);
    }

    // The check's network part, on the calling thread.
    CheckOutcome fetch(const QString& url, const QString& indexFilePath) const;

    // Runs fetch on a worker thread; apply then runs once on the UI thread,
    // with context alive. Several checks may run at once: their outcomes are
    // applied in the order the checks were started.
    void startBackgroundCheck(const QString& url, const QString& indexFilePath, QObject* context,
                              std::function<void(const CheckOutcome&)> apply);
    // Waits for every pending background check and applies the outcomes now.
    void finishBackgroundCheck();
    bool backgroundCheckPending() const { return !pending_.empty(); }

private:
    struct PendingCheck {
        std::future<CheckOutcome> outcome;
        std::function<void(const CheckOutcome&)> apply;
        QPointer<QObject> context;
    };
    // Applies the oldest pending checks: all of them when `wait`, else those
    // that have ended, up to the first still running.
    void applyPending(bool wait);

    QString host_;
    DownloadFunction download_;
    std::function<void()> cancel_;
    UpdateVariables vars_;
    std::deque<PendingCheck> pending_;
};

} // namespace runpad
