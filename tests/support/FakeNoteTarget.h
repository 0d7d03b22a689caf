#pragma once

#include "insertion/NoteTarget.h"

#include <QStringList>

// A send target whose answer the test sets; records what was sent.
class FakeNoteTarget : public NoteTarget {
public:
    std::optional<QString> pinned;
    std::optional<QString> appName;
    std::optional<QString> error;
    // The outcome of the next sends.
    bool delivers = true;

    QStringList sentTexts;
    QStringList sentTitles;
    int appChoices = 0;
    int folderChoices = 0;

    std::optional<QString> pinnedIdentifier() const override { return pinned; }
    std::optional<QString> lastError() const override { return error; }
    std::optional<QString> name() const override { return appName; }
    void insert(const QString& text, const QString& title, std::function<void(bool)> done) override {
        sentTexts << text;
        sentTitles << title;
        if (done)
            done(delivers);
    }
    void chooseApp() override { ++appChoices; }
    void chooseNotesFolder() override { ++folderChoices; }
};
