#pragma once

#include "learning/CorrectionCandidate.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class CorrectionChipView;
class CorrectionLedger;
class CorrectionWatch;

// The small floating chip that asks whether to remember a corrected word. It
// shows 22 points in from the bottom right of the usable area of the screen
// under the pointer, never takes the focus, and hides itself after 9 seconds;
// letting it time out neither adds nor declines. GUI thread.
class CorrectionChip : public QObject {
    Q_OBJECT
public:
    inline static constexpr std::chrono::milliseconds kHideAfter{9000};
    inline static constexpr int kInset = 22;

    struct Services {
        CorrectionWatch& watch;
        CorrectionLedger& ledger;
        // Adds a canonical word with the misheard forms it replaces.
        std::function<void(const QString& canonical, const QStringList& variants)> addWord;
    };

    explicit CorrectionChip(Services services, std::chrono::milliseconds hideAfter = kHideAfter,
                            QObject* parent = nullptr);
    ~CorrectionChip() override;

    // Shows the watch's pending candidate, taking it; nothing without one.
    void offerIfPending();
    void show();
    void dismiss();
    // "No": settles the pair, then hides. "Add": adds the word, then hides.
    void decline();
    void add();

    const std::optional<CorrectionCandidate>& candidate() const { return m_candidate; }
    bool isShown() const;
    // The chip window; made on first show.
    CorrectionChipView* panel() const { return m_panel.get(); }
    const QTimer& hideTimer() const { return m_hideTimer; }

    // The top-left corner of a chip of `size` on a screen whose usable area is `visible`.
    static QPoint origin(const QRect& visible, const QSize& size);
    // The index of the first screen frame holding `pointer`, else `primary`.
    static int screenUnder(const QList<QRect>& frames, const QPoint& pointer, int primary);

private:
    CorrectionChipView& ensurePanel();

    Services m_services;
    std::optional<CorrectionCandidate> m_candidate;
    std::unique_ptr<CorrectionChipView> m_panel;
    QTimer m_hideTimer;
};
