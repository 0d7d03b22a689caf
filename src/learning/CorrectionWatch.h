#pragma once

#include "insertion/AXText.h"
#include "learning/CorrectionCandidate.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class CorrectionLedger;
class Defaults;

// Remembers where the last dictation was pasted and, when the next one starts,
// reads that stretch of the field again to see whether the user corrected a
// word in it. Only while "learnCorrections" is on (absent means off). A
// correction worth asking about waits in `pending` until the chip offers it.
// GUI thread.
class CorrectionWatch : public QObject {
    Q_OBJECT
public:
    // The units of the field kept on either side of an insertion to find it
    // again. Only that stretch of the field is read, whatever its size: a long
    // document costs no more to check than a short one.
    static constexpr qint64 kContext = 200;

    // The last insertion remembered.
    struct Written {
        QString text;
        AXText::Range range;
        QString bundleID;
        // The field's text on either side of the insertion right after it was
        // made, up to kContext units each way; none when the field could not be
        // read or did not reach the range.
        struct Surroundings {
            QString before;
            QString after;
            // Where `before` starts in the field.
            qint64 start = 0;
            // Whether `after` runs to the end of the field.
            bool afterToEnd = false;
        };
        std::optional<Surroundings> surroundings;
    };

    struct Services {
        Defaults& defaults;
        CorrectionLedger& ledger;
        // Whether the dictionary already has this canonical word (any capitals).
        std::function<bool(const QString&)> isKnown;
        // Writes one line to the shared trace log.
        std::function<void(const QString&)> trace;
    };

    explicit CorrectionWatch(Services services, QObject* parent = nullptr);

    bool isEnabled() const;
    const std::optional<Written>& last() const { return m_last; }
    const std::optional<CorrectionCandidate>& pending() const { return m_pending; }
    // Hands the pending candidate over and clears it.
    std::optional<CorrectionCandidate> takePending();

    // Remembers an insertion when learning is on, the text is not empty, its
    // range is known and the frontmost application has an identifier; forgets
    // the previous one in every case.
    void noteInsertion(const QString& text, std::optional<AXText::Range> range);
    // Examines the remembered insertion once and may set `pending`. The stretch
    // is found again between the text that stood before and after it, so edits
    // inside it may change its length (by up to its own length and kContext).
    // When the text around it changed too, an insertion still found whole is
    // unchanged; otherwise the user's edit cannot be told apart from the
    // stretch and nothing is offered.
    void checkForCorrection();

signals:
    void pendingChanged();

private:
    Services m_services;
    std::optional<Written> m_last;
    std::optional<CorrectionCandidate> m_pending;
};
