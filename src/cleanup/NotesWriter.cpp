#include "cleanup/NotesWriter.h"

#include "platform/Platform.h"
#include "platform/Wording.h"
#include "support/Defaults.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QtConcurrent>

namespace NotesWriter {

namespace {

bool isSpaceOrTab(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString trimSpacesAndTabs(const QString& text) {
    qsizetype start = 0, end = text.size();
    while (start < end && isSpaceOrTab(text.at(start)))
        ++start;
    while (end > start && isSpaceOrTab(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

// The line breaks a body is split at.
bool isNewline(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QString escaped(QString text) {
    text.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    text.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    text.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return text;
}

} // namespace

QString html(const QString& title, const QString& body) {
    QString out = QStringLiteral("<h1>") + escaped(title) + QStringLiteral("</h1>");
    qsizetype start = 0;
    for (qsizetype i = 0; i <= body.size(); ++i) {
        if (i < body.size() && !isNewline(body.at(i)))
            continue;
        const QString line = body.mid(start, i - start);
        if (!trimSpacesAndTabs(line).isEmpty())
            out += QStringLiteral("<div>") + escaped(line) + QStringLiteral("</div>");
        start = i + 1;
    }
    return out;
}

std::optional<QString> folder(const QString& stored) {
    const QString name = trimSpacesAndTabs(stored);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return std::nullopt;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control
            || c.category() == QChar::Other_Format || isNewline(c))
            return std::nullopt;
    }
    return name;
}

QFuture<Result> create(NotesApp& app, const Defaults& defaults, const QString& title, const QString& body) {
    const QString stored = defaults.stringOr(kFolderKey, QString());
    const std::optional<QString> target = folder(stored);
    if (!target) {
        return QtFuture::makeReadyFuture(
            Result{NotesApp::Outcome::Failed,
                   QStringLiteral("\u201c%1\u201d cannot be used as a Notes folder.").arg(trimSpacesAndTabs(stored))});
    }
    const QString page = html(title, body);
    return QtConcurrent::run([&app, title, page, name = *target] { return app.create(title, page, name); });
}

QFuture<Result> create(const QString& title, const QString& body) {
    NotesApp* app = Platform::current().notesApp;
    if (!app)
        return QtFuture::makeReadyFuture(Result{NotesApp::Outcome::Failed, QStringLiteral("Notes is not available.")});
    return create(*app, Defaults::shared(), title, body);
}

void openAutomationSettings(NotesApp& app) { app.showNotesFolder(); }

void chooseFolder(Defaults& defaults, QWidget* parent, std::function<void()> done) {
    auto* dialog = new QInputDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QCoreApplication::translate("NotesWriter", "Which folder in Notes?"));
    dialog->setLabelText(Wording::of(QCoreApplication::translate(
        "NotesWriter", "Notes from your iPhone will be filed here. It is created if it does not exist. Leave this "
                       "empty to use whatever folder Notes uses by default.")));
    dialog->setOkButtonText(QCoreApplication::translate("NotesWriter", "Save"));
    dialog->setCancelButtonText(QCoreApplication::translate("NotesWriter", "Cancel"));
    dialog->setTextValue(defaults.stringOr(kFolderKey, QString()));
    if (auto* field = dialog->findChild<QLineEdit*>())
        field->setPlaceholderText(QStringLiteral("Notes"));
    QObject::connect(dialog, &QInputDialog::textValueSelected, dialog, [&defaults, done](const QString& text) {
        defaults.set(kFolderKey, trimSpacesAndTabs(text));
        if (done)
            done();
    });
    dialog->open();
}

} // namespace NotesWriter
