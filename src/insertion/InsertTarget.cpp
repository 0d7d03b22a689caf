#include "insertion/InsertTarget.h"

#include "cleanup/NotesWriter.h"
#include "insertion/PasteService.h"
#include "platform/NotesApp.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "support/Defaults.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QPointer>

namespace {

const QString kNotesName = QStringLiteral("Notes");
const QString kUnknownApp = QStringLiteral("the chosen app");
const QString kNeedsPermission =
    QStringLiteral("Notes needs permission. Allow Quorvane under Privacy & Security, Automation.");

void chooseInDialog(const QList<DesktopApps::App>& apps, std::function<void(std::optional<QString>)> chosen) {
    auto* dialog = new QInputDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const QString prompt =
        Wording::of(QCoreApplication::translate("InsertTarget", "Insert notes from your iPhone into"));
    dialog->setWindowTitle(prompt);
    dialog->setLabelText(prompt);
    dialog->setOkButtonText(QCoreApplication::translate("InsertTarget", "Choose"));
    QStringList names;
    for (const DesktopApps::App& app : apps)
        names.append(app.name);
    dialog->setComboBoxItems(names);
    dialog->setComboBoxEditable(false);
    QObject::connect(dialog, &QInputDialog::textValueSelected, dialog, [apps, chosen](const QString& name) {
        for (const DesktopApps::App& app : apps) {
            if (app.name == name) {
                chosen(app.identifier);
                return;
            }
        }
        chosen(std::nullopt);
    });
    dialog->open();
}

} // namespace

InsertTarget::Services InsertTarget::Services::standard(Defaults& defaults) {
    const Platform& platform = Platform::current();
    Services services;
    services.defaults = &defaults;
    services.workspace = platform.workspace;
    services.apps = platform.desktopApps;
    services.notes = platform.notesApp;
    services.paste = [](const QString& text) { PasteService::paste(text); };
    services.chooser = chooseInDialog;
    services.ownPid = QCoreApplication::applicationPid();
    return services;
}

InsertTarget::InsertTarget(Services services, QObject* parent) : NoteTarget(parent), m_services(std::move(services)) {
    if (!m_services.clock)
        m_services.clock = [] { return std::chrono::steady_clock::now(); };
    if (!m_services.after) {
        m_services.after = [this](std::chrono::milliseconds delay, std::function<void()> work) {
            QTimer::singleShot(delay, this, std::move(work));
        };
    }
    m_pinned = m_services.defaults->string(kPinnedKey);
    noticeFrontmost();
    m_activationPoll.setInterval(kActivationPoll);
    connect(&m_activationPoll, &QTimer::timeout, this, &InsertTarget::noticeFrontmost);
    if (m_services.workspace)
        m_activationPoll.start();
}

void InsertTarget::noticeFrontmost() {
    if (!m_services.workspace)
        return;
    const std::optional<Workspace::Application> front = m_services.workspace->frontmostApplication();
    if (!front || front->pid == m_services.ownPid
        || (m_app && m_app->pid == front->pid && m_app->identifier == front->identifier))
        return;
    m_app = front;
    emit changed();
}

std::optional<QString> InsertTarget::name() const {
    if (m_pinned) {
        if (*m_pinned == kNotesIdentifier)
            return kNotesName;
        const std::optional<DesktopApps::App> found = m_services.apps ? m_services.apps->find(*m_pinned) : std::nullopt;
        return found ? QString(found->name).remove(QStringLiteral(".app")) : kUnknownApp;
    }
    if (m_app && !m_app->name.isEmpty())
        return m_app->name;
    return std::nullopt;
}

void InsertTarget::setPinnedIdentifier(const QString& identifier) {
    m_pinned = identifier;
    m_services.defaults->set(kPinnedKey, identifier);
    emit changed();
}

void InsertTarget::setLastError(std::optional<QString> error) {
    if (error == m_lastError)
        return;
    m_lastError = std::move(error);
    emit changed();
}

void InsertTarget::insert(const QString& text, const QString& title, std::function<void(bool)> done) {
    const auto finish = [done](bool ok) {
        if (done)
            done(ok);
    };
    if (m_pinned == kNotesIdentifier) {
        insertIntoNotes(text, title, finish);
        return;
    }
    if (m_pinned && m_services.apps && m_services.apps->find(*m_pinned)) {
        if (!m_services.apps->launch(*m_pinned)) {
            finish(false);
            return;
        }
        pasteOnceFrontmost(*m_pinned, text, finish, m_services.clock() + kLaunchDeadline);
        return;
    }
    if (m_app && !m_app->identifier.isEmpty()) {
        if (m_services.apps && !isFrontmost(m_app->identifier))
            m_services.apps->activate(m_app->pid);
        pasteOnceFrontmost(m_app->identifier, text, finish, m_services.clock() + kActivateDeadline);
        return;
    }
    m_services.paste(text);
    finish(true);
}

void InsertTarget::insertIntoNotes(const QString& text, const QString& title, std::function<void(bool)> done) {
    if (!m_services.notes) {
        setLastError(QStringLiteral("Notes is not available."));
        done(false);
        return;
    }
    NotesWriter::create(*m_services.notes, *m_services.defaults, title, text)
        .then(this, [this, done](const NotesWriter::Result& result) {
            switch (result.outcome) {
            case NotesApp::Outcome::Created:
                setLastError(std::nullopt);
                done(true);
                return;
            case NotesApp::Outcome::NeedsPermission:
                setLastError(Wording::of(kNeedsPermission));
                NotesWriter::openAutomationSettings(*m_services.notes);
                done(false);
                return;
            case NotesApp::Outcome::Failed:
                setLastError(result.message);
                done(false);
                return;
            }
        });
}

bool InsertTarget::isFrontmost(const QString& identifier) const {
    const std::optional<Workspace::Application> front =
        m_services.workspace ? m_services.workspace->frontmostApplication() : std::nullopt;
    return front && front->identifier == identifier;
}

void InsertTarget::pasteOnceFrontmost(const QString& identifier, const QString& text, std::function<void(bool)> done,
                                      std::chrono::steady_clock::time_point deadline) {
    const QPointer<InsertTarget> self(this);
    if (isFrontmost(identifier)) {
        m_services.after(kSettleDelay, [self, identifier, text, done, deadline] {
            if (!self)
                return;
            // The user may have switched away meanwhile: paste only into the target.
            if (self->isFrontmost(identifier)) {
                self->m_services.paste(text);
                done(true);
            } else if (self->m_services.clock() < deadline) {
                self->pasteOnceFrontmost(identifier, text, done, deadline);
            } else {
                done(false);
            }
        });
        return;
    }
    if (m_services.clock() < deadline) {
        m_services.after(kPollInterval, [self, identifier, text, done, deadline] {
            if (self)
                self->pasteOnceFrontmost(identifier, text, done, deadline);
        });
        return;
    }
    done(false);
}

void InsertTarget::chooseApp() {
    if (!m_services.chooser)
        return;
    QList<DesktopApps::App> apps{{kNotesIdentifier, kNotesName}};
    if (m_services.apps)
        apps += m_services.apps->installed();
    const QPointer<InsertTarget> self(this);
    m_services.chooser(apps, [self](std::optional<QString> identifier) {
        if (self && identifier && !identifier->isEmpty())
            self->setPinnedIdentifier(*identifier);
    });
}

void InsertTarget::chooseNotesFolder() {
    const QPointer<InsertTarget> self(this);
    NotesWriter::chooseFolder(*m_services.defaults, nullptr, [self] {
        if (self)
            emit self->changed();
    });
}
