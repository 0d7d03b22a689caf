#pragma once

#include "dictation/DictationPeers.h"
#include "dictation/LastInsertion.h"
#include "dictation/WordSwapTaker.h"
#include "state/AppState.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Did-you-mean offers for the words of an inserted text that sound like one of
// the user's own words, and the taking of one. Keeps no state of its own: the
// offers live in `AppState::wordSwaps` until one is taken. GUI thread.
class WordSwapper : public WordSwapFinder, public WordSwapTaker {
public:
    using WordList = std::function<QStringList()>;

    inline static constexpr double kThreshold = 0.6;

    // `words` gives the user's words anew at each search; by default the
    // dictionary's canonical words merged with the user's own names.
    explicit WordSwapper(AppState& state, WordList words = {});

    QList<AppState::WordSwap> findSwaps(const QString& text) override;
    // `text` with the swap's word replaced by `option`; nothing when the word no
    // longer stands at the swap's place.
    static std::optional<QString> applied(const AppState::WordSwap& swap, const QString& option, const QString& text);
    // Replaces the word in the published text and clears the offers. When the
    // target is still in front, keys can be posted and the text before the caret
    // (where it can be read) still ends with the inserted text, the insertion is
    // deleted and the new text pasted in its place, fitted as the insertion was.
    void take(const AppState::WordSwap& swap, const QString& option) override;
    // What the last dictation typed, which a swap retypes; without it the
    // published text is taken for it. Must outlive the swapper.
    void setLastInsertion(LastInsertion* insertion) { m_insertion = insertion; }

private:
    bool targetInFront() const;
    static bool caretStillAfter(const QString& inserted);

    AppState& m_state;
    WordList m_words;
    LastInsertion* m_insertion = nullptr;
};
