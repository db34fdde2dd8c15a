#include "core/about/update_session.h"

namespace runpad {

UpdateSession::UpdateSession(QString updateHost, DownloadFunction download,
                             std::function<void()> cancel)
    : host_(std::move(updateHost)), download_(std::move(download)), cancel_(std::move(cancel)) {}

UpdateSession::~UpdateSession() {
    if (pending_.valid()) {
        if (cancel_)
            cancel_();
        pending_.wait();
    }
}

CheckOutcome UpdateSession::fetch(const QString& url, const QString& indexFilePath) const {
    return fetchUpdateIndex(download_, url, indexFilePath);
}

void UpdateSession::startBackgroundCheck(const QString& url, const QString& indexFilePath,
                                         QObject* context,
                                         std::function<void(const CheckOutcome&)> apply) {
    finishBackgroundCheck();
    pendingApply_ = std::move(apply);
    pendingContext_ = context;
    // The worker gets copies: it touches nothing the UI thread changes.
    pending_ = std::async(std::launch::async, [this, download = download_, url, indexFilePath] {
        CheckOutcome outcome = fetchUpdateIndex(download, url, indexFilePath);
        QMetaObject::invokeMethod(this, &UpdateSession::applyPending, Qt::QueuedConnection);
        return outcome;
    });
}

void UpdateSession::finishBackgroundCheck() {
    applyPending();
}

void UpdateSession::applyPending() {
    if (!pending_.valid())
        return;
    const CheckOutcome outcome = pending_.get();
    auto apply = std::move(pendingApply_);
    pendingApply_ = nullptr;
    const QPointer<QObject> context = pendingContext_;
    pendingContext_ = nullptr;
    try {
        if (apply && context)
            apply(outcome);
    } catch (...) {
        emit backgroundCheckFinished();
        throw;
    }
    emit backgroundCheckFinished();
}

} // namespace runpad
