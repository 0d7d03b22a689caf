#include "learning/WordSwapper.h"

#include "insertion/AXText.h"
#include "insertion/InsertionAccess.h"
#include "insertion/PasteService.h"
#include "learning/WordCandidates.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "stores/DictionaryStore.h"
#include "stores/PersonalNames.h"
#include "support/Text.h"

#include <QUuid>

WordSwapper::WordSwapper(AppState& state, WordList words)
    : m_state(state), m_words(words ? std::move(words)
                                    : WordList([] { return PersonalNames::merged(DictionaryStore::canonicals()); })) {}

QList<AppState::WordSwap> WordSwapper::findSwaps(const QString& text) {
    QList<AppState::WordSwap> swaps;
    if (text.isEmpty())
        return swaps;
    const QStringList words = m_words();
    if (words.isEmpty())
        return swaps;
    for (const WordCandidates::Hit& hit : WordCandidates::scan(text, words, kThreshold)) {
        swaps.append({QUuid::createUuid(), hit.word, hit.options, int(Text::graphemeCount(text.left(hit.location))),
                      int(Text::graphemeCount(hit.word))});
    }
    return swaps;
}

std::optional<QString> WordSwapper::applied(const AppState::WordSwap& swap, const QString& option,
                                            const QString& text) {
    if (swap.start < 0 || swap.length <= 0 || qsizetype(swap.start) + swap.length > Text::graphemeCount(text))
        return std::nullopt;
    const qsizetype from = Text::utf16OffsetOfGrapheme(text, swap.start);
    const qsizetype to = Text::utf16OffsetOfGrapheme(text, qsizetype(swap.start) + swap.length);
    if (text.mid(from, to - from) != swap.word)
        return std::nullopt;
    return text.left(from) + option + text.mid(to);
}

void WordSwapper::take(const AppState::WordSwap& swap, const QString& option) {
    const std::optional<QString> replaced = applied(swap, option, m_state.finalText());
    if (!replaced) {
        m_state.setWordSwaps({});
        return;
    }
    const bool inFront = targetInFront();
    // The field holds the text as it was typed, fitted to the text before it
    // (a blank in front, a capital dropped to go on with a sentence).
    const QString typed = m_insertion ? m_insertion->insertedText() : m_state.finalText();
    const QString retyped = m_insertion ? m_insertion->fittedAsInserted(*replaced) : *replaced;
    m_state.setFinalText(*replaced);
    m_state.setWordSwaps({});
    if (!inFront || !InsertionAccess::canPaste() || !caretStillAfter(typed))
        return;
    PasteService::sendBackspaces(int(Text::graphemeCount(typed)));
    PasteService::paste(retyped);
    if (m_insertion)
        m_insertion->replacedBy(retyped);
}

bool WordSwapper::targetInFront() const {
    if (m_state.targetAppName().isEmpty())
        return true;
    Workspace* workspace = Platform::current().workspace;
    const auto front = workspace ? workspace->frontmostApplication() : std::nullopt;
    return (front ? front->name : QString()) == m_state.targetAppName();
}

bool WordSwapper::caretStillAfter(const QString& inserted) {
    // A caret moved elsewhere would have the Backspaces delete the user's own text.
    const std::optional<QString> before = AXText::textBeforeCaret(inserted.size());
    return !before || before->endsWith(inserted);
}
