#pragma once

#include "platform/NotesApp.h"

// Files notes as HTML documents under Documents/"Quorvane Notes" (the XDG
// documents folder), one file per note named after its title ("Plan.html",
// "Plan 2.html", …). Each file appears whole or not at all, and an existing
// file is never replaced, also on file systems without hard links (vfat,
// exFAT). Any thread.
class HtmlFolderNotesApp : public NotesApp {
public:
    static inline const QString kFolderName = QStringLiteral("Quorvane Notes");
    // The longest file name Linux file systems take, in bytes of UTF-8.
    static constexpr qsizetype kNameBytes = 255;
    // A stem leaves room for the largest number and the extension
    // (" 10000.html"), so every name it gives stays within kNameBytes.
    static constexpr qsizetype kStemBytes = kNameBytes - 11;

    // Notes under `root`; empty: the documents folder's "Quorvane Notes".
    explicit HtmlFolderNotesApp(QString root = {});

    Result create(const QString& title, const QString& html, const QString& folder) override;
    void showNotesFolder() override;

    QString root() const { return m_root; }
    // The file name a title gives, without number or extension: at most
    // kStemBytes of UTF-8, cut between user-perceived characters.
    static QString fileStem(const QString& title);

protected:
    // Gives the file `from` the further name `to`, never replacing a file:
    // 0, or the errno (EEXIST when the name is taken).
    virtual int link(const QByteArray& from, const QByteArray& to) const;

private:
    QString m_root;
};
