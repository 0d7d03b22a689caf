#pragma once

#include "stores/DictionaryStore.h"
#include "stores/WordBoostSink.h"

#include <QList>
#include <QStringList>

// Records the dictionary's pushes to the word boost, with the canonical words
// other threads could read at the moment of each push.
class RecordingWordBoost : public WordBoostSink {
public:
    struct Push {
        bool force;
        QStringList wordsSeen;
    };
    QList<Push> pushes;

    void push(bool force) override { pushes.append({force, DictionaryStore::canonicals()}); }
};
