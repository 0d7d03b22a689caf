#pragma once

// Receives the dictionary's "my words changed" signal on its way to the
// recogniser's word boost, which sends the canonical spellings to the speech
// engine. `force` sends even when the list equals the one sent last.
class WordBoostSink {
public:
    virtual ~WordBoostSink() = default;
    virtual void push(bool force) = 0;
};
