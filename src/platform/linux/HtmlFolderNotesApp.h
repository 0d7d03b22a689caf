#pragma once

#include "platform/NotesApp.h"

// Files notes as HTML documents under Documents/"Quorvane Notes" (the XDG
// documents folder), one file per note named after its title ("Plan.html",
// "Plan 2.html", …). Each file appears whole or not at all, and an existing
// file is never replaced. Any thread.
class HtmlFolderNotesApp : public NotesApp {
public:
    static inline const QString kFolderName = QStringLiteral("Quorvane Notes");
    // File names are cut to this many characters before the extension.
    static constexpr qsizetype kNameLimit = 120;

    // Notes under `root`; empty: the documents folder's "Quorvane Notes".
    explicit HtmlFolderNotesApp(QString root = {});

    Result create(const QString& title, const QString& html, const QString& folder) override;
    void showNotesFolder() override;

    QString root() const { return m_root; }
    // The file name a title gives, without number or extension.
    static QString fileStem(const QString& title);

private:
    QString m_root;
};
