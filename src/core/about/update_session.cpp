#include "core/about/update_session.h"

namespace runpad {

UpdateSession::UpdateSession(QString updateHost, DownloadFunction download,
                             std::function<void()> cancel)
    : host_(std::move(updateHost)), download_(std::move(download)), cancel_(std::move(cancel)) {}

UpdateSession::~UpdateSession() {
    if (pending_.empty())
        return;
    if (cancel_)
        cancel_();
    for (PendingCheck& check : pending_)
        check.outcome.wait();
}

CheckOutcome UpdateSession::fetch(const QString& url, const QString& indexFilePath) const {
    return fetchUpdateIndex(download_, url, indexFilePath);
}

void UpdateSession::startBackgroundCheck(const QString& url, const QString& indexFilePath,
                                         QObject* context,
                                         std::function<void(const CheckOutcome&)> apply) {
    // The worker gets copies: it touches nothing the UI thread changes.
    auto outcome = std::async(std::launch::async, [this, download = download_, url, indexFilePath] {
        CheckOutcome result = fetchUpdateIndex(download, url, indexFilePath);
        QMetaObject::invokeMethod(
            this, [this] { applyPending(false); }, Qt::QueuedConnection);
        return result;
    });
    pending_.push_back({std::move(outcome), std::move(apply), context});
}

void UpdateSession::finishBackgroundCheck() {
    applyPending(true);
}

void UpdateSession::applyPending(bool wait) {
    while (!pending_.empty()) {
        PendingCheck& front = pending_.front();
        if (!wait && front.outcome.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        // Off the queue before its result is taken: a check that ended in an
        // exception must not stay queued with its result already consumed.
        PendingCheck check = std::move(front);
        pending_.pop_front();
        const CheckOutcome outcome = check.outcome.get();
        const auto apply = std::move(check.apply);
        const QPointer<QObject> context = check.context;
        // An error in one outcome is the apply function's to report; the
        // later outcomes are still applied.
        if (apply && context)
            apply(outcome);
    }
}

} // namespace runpad
