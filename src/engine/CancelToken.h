#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

// Lets whoever started a request abandon it while it is in flight: the starter
// keeps one copy and hands another to the request; copies share one state.
// GUI thread only. Cancelling is final and runs the aborts at once, inside the
// cancel() call; a request that has already been answered is not affected.
class CancelToken {
public:
    CancelToken();

    // Marks the token cancelled and runs every abort registered with a live
    // context. Later calls do nothing.
    void cancel() const;
    bool isCancelled() const;
    // Runs `abort` when the token is cancelled while `context` lives; at once
    // when it already is.
    void onCancel(QObject* context, std::function<void()> abort) const;

private:
    struct Abort {
        QPointer<QObject> context;
        std::function<void()> run;
    };
    struct State {
        bool cancelled = false;
        std::vector<Abort> aborts;
    };
    std::shared_ptr<State> m_state;
};
