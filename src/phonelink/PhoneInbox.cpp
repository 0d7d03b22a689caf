#include "phonelink/PhoneInbox.h"

#include "cleanup/CleanLevel.h"
#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "insertion/InsertionContext.h"
#include "phonelink/PhoneNoteCodec.h"
#include "platform/Wording.h"
#include "state/AppActions.h"
#include "support/Defaults.h"
#include "support/Paths.h"
#include "support/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcInbox, "quorvane.phonelink")

const QString kNotesModeId = QStringLiteral("notes");
const QString kUnnamedPhone = QStringLiteral("an iPhone");
constexpr int kRememberButton = 0;
constexpr int kOnceButton = 1;
constexpr int kNoAnswer = -1;

QString translated(const char* text) { return QCoreApplication::translate("PhoneInbox", text); }

QFuture<QString> cleanWithEngine(CleanupEngine& engine, const QString& text, const DictationMode& mode) {
    return engine.clean(text, mode.cleanLevel == CleanLevel::Aggressive, mode.instruction, mode.numberStyle, true)
        .then([](const CleanupEngine::Result& result) { return result.text; });
}

} // namespace

PhoneInbox::Services PhoneInbox::Services::standard(Defaults& defaults, ModeStore& modes) {
    return Services{&defaults,
                    &modes,
                    messageBoxPresenter(),
                    {},
                    [] { return std::chrono::steady_clock::now(); },
                    [] { openMainWindowPage(MainWindowPane::Dashboard); }};
}

QString PhoneInbox::standardFilePath() {
    const QString configured = qEnvironmentVariable(kPathVariable.toUtf8().constData());
    if (!configured.isEmpty())
        return configured;
    const QString folder = Paths::engineFolder();
    PrivateFiles::makeFolder(folder);
    return QDir(folder).filePath(kFileName);
}

PhoneInbox::PhoneInbox(const QString& filePath, CleanupEngine& cleanup, Services services, QObject* parent)
    : PhoneNotesInbox(parent), m_file(filePath), m_services(std::move(services)) {
    if (!m_services.clean)
        m_services.clean = [&cleanup](const QString& text, const DictationMode& mode) {
            return cleanWithEngine(cleanup, text, mode);
        };
    if (!m_services.clock)
        m_services.clock = [] { return std::chrono::steady_clock::now(); };
    load();
}

PhoneInbox::~PhoneInbox() = default;

std::chrono::steady_clock::time_point PhoneInbox::now() const { return m_services.clock(); }

void PhoneInbox::load() {
    const std::optional<QJsonDocument> document = m_file.readJson();
    if (!document)
        return;
    std::optional<QList<PhoneNote>> notes =
        document->isArray() ? PhoneNoteCodec::decode(document->array()) : std::nullopt;
    if (!notes) {
        qCWarning(lcInbox) << "the phone inbox file does not decode; it is kept aside at the next save";
        m_file.markUndecodable();
        return;
    }
    m_notes = std::move(*notes);
}

void PhoneInbox::save() {
    if (!m_file.write(m_entries.file(m_notes)))
        qCWarning(lcInbox) << "could not write" << m_file.path();
}

void PhoneInbox::setJustArrived(int count) {
    if (count == m_justArrived)
        return;
    m_justArrived = count;
    emit justArrivedChanged();
}

void PhoneInbox::remove(const PhoneNote& note) {
    m_notes.removeIf([&note](const PhoneNote& held) { return held.id == note.id; });
    save();
    emit notesChanged();
}

void PhoneInbox::clear() {
    m_notes.clear();
    save();
    emit notesChanged();
}

bool PhoneInbox::isKnown(const QString& deviceID) const {
    return m_services.defaults->stringList(kKnownPhonesKey).value_or(QStringList()).contains(deviceID);
}

QString PhoneInbox::displayDevice(const QString& name) {
    QString kept;
    for (const char32_t c : name.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph || category == QChar::Other_Surrogate
            || category == QChar::Other_NotAssigned)
            continue;
        kept += QString::fromUcs4(&c, 1);
    }
    const QList<uint> points = kept.trimmed().toUcs4();
    if (points.size() <= kDeviceNameLimit)
        return kept.trimmed();
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), kDeviceNameLimit).trimmed()
           + QChar(0x2026);
}

int PhoneInbox::importNotes(const QByteArray& data, Source source, Reply reply) {
    return importBatch(PhoneNoteCodec::decode(data), source, std::move(reply));
}

int PhoneInbox::importBatch(const std::optional<QList<PhoneNote>>& batch, Source source, Reply reply) {
    const auto answerNow = [&reply](int imported) {
        if (reply)
            reply(Resolution{Resolution::Kind::Accepted, imported});
    };
    if (!batch) {
        answerNow(0);
        return 0;
    }
    // New notes: ids the inbox does not hold, each taken once (the first copy).
    QSet<QUuid> seen;
    for (const PhoneNote& note : std::as_const(m_notes))
        seen.insert(note.id);
    QList<PhoneNote> fresh;
    for (const PhoneNote& note : *batch) {
        if (seen.contains(note.id))
            continue;
        seen.insert(note.id);
        fresh.append(note);
    }
    if (fresh.isEmpty()) {
        answerNow(0);
        return 0;
    }

    const std::optional<QString> firstID = fresh.first().deviceID;
    const bool onePhone = firstID && std::all_of(fresh.cbegin(), fresh.cend(), [&firstID](const PhoneNote& note) {
                              return note.deviceID == firstID;
                          });
    const bool trusted = source == Source::Document ? (!firstID || isKnown(*firstID)) : (onePhone && isKnown(*firstID));
    if (trusted) {
        accept(fresh);
        answerNow(int(fresh.size()));
        return int(fresh.size());
    }

    // The batch waits for the user; one it replaces is dropped without a receipt.
    resolvePending(Resolution{Resolution::Kind::Dropped, 0});
    PendingImport pending;
    pending.id = QUuid::createUuid();
    const std::optional<QString> device = fresh.first().device;
    pending.device = device ? displayDevice(*device) : QString();
    if (pending.device.isEmpty())
        pending.device = kUnnamedPhone;
    if (source == Source::Document ? firstID.has_value() : onePhone)
        pending.deviceID = firstID;
    pending.notes = fresh;
    m_pending = pending;
    m_pendingReply = std::move(reply);
    emit pendingChanged();
    const QUuid id = pending.id;
    QTimer::singleShot(0, this, [this, id] { askAbout(id); });
    return 0;
}

void PhoneInbox::askAbout(const QUuid& id) {
    if (!m_pending || m_pending->id != id || m_asking)
        return;
    const int count = int(m_pending->notes.size());
    Alert alert;
    alert.title = translated("Notes from %1").arg(Wording::of(m_pending->device));
    alert.text = QString::number(count) + QStringLiteral(" note") + (count == 1 ? QString() : QStringLiteral("s"))
                 + Wording::of(QStringLiteral(" arrived from an iPhone this Mac has not seen before. Are they yours?"));
    const bool canRemember = m_pending->deviceID.has_value();
    if (canRemember)
        alert.buttons.append(Wording::of(translated("Add and remember this iPhone")));
    alert.buttons.append(translated("Add just this once"));
    alert.buttons.append(translated("Discard"));
    m_asking = id;
    m_services.alerts(alert, [self = QPointer<PhoneInbox>(this), id, canRemember](int button) {
        // Without a phone to remember the buttons start at "Add just this once".
        if (self)
            self->answer(id, canRemember || button < 0 ? button : button + 1);
    });
}

void PhoneInbox::answer(const QUuid& id, int button) {
    if (m_asking == id)
        m_asking.reset();
    switch (button) {
    case kNoAnswer:
        // The question went away with the program: nothing is stored and the
        // phone gets no receipt, so it keeps the notes.
        dropPending(id);
        break;
    case kRememberButton:
        acceptPending(id, true);
        break;
    case kOnceButton:
        acceptPending(id, false);
        break;
    default:
        rejectPending(id);
        break;
    }
    // A batch that replaced the one just answered gets its own question now.
    if (m_pending && !m_asking) {
        const QUuid next = m_pending->id;
        QTimer::singleShot(0, this, [this, next] { askAbout(next); });
    }
}

void PhoneInbox::acceptPending(const QUuid& id, bool remember) {
    if (!m_pending || m_pending->id != id)
        return;
    const PendingImport pending = *m_pending;
    if (remember && pending.deviceID) {
        QStringList known = m_services.defaults->stringList(kKnownPhonesKey).value_or(QStringList());
        if (!known.contains(*pending.deviceID)) {
            known.append(*pending.deviceID);
            m_services.defaults->set(kKnownPhonesKey, known);
        }
    }
    // Notes that arrived meanwhile (an opened document) are not taken twice.
    QList<PhoneNote> fresh;
    for (const PhoneNote& note : pending.notes) {
        if (std::none_of(m_notes.cbegin(), m_notes.cend(),
                         [&note](const PhoneNote& held) { return held.id == note.id; }))
            fresh.append(note);
    }
    if (!fresh.isEmpty())
        accept(fresh);
    resolvePending(Resolution{Resolution::Kind::Accepted, int(fresh.size())});
}

void PhoneInbox::dropPending(const QUuid& id) {
    if (!m_pending || m_pending->id != id)
        return;
    resolvePending(Resolution{Resolution::Kind::Dropped, 0});
}

void PhoneInbox::rejectPending(const QUuid& id) {
    if (!m_pending || m_pending->id != id)
        return;
    resolvePending(Resolution{Resolution::Kind::Discarded, 0});
}

void PhoneInbox::resolvePending(Resolution resolution) {
    if (!m_pending)
        return;
    m_pending.reset();
    Reply reply = std::exchange(m_pendingReply, Reply());
    emit pendingChanged();
    if (reply)
        reply(resolution);
}

void PhoneInbox::accept(const QList<PhoneNote>& notes) {
    QList<PhoneNote> sorted = notes;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const PhoneNote& a, const PhoneNote& b) { return a.captured > b.captured; });
    m_notes = sorted + m_notes;
    save();
    emit notesChanged();
    setJustArrived(int(notes.size()));
    raiseDashboard();
    QList<QUuid> ids;
    for (const PhoneNote& note : notes)
        ids.append(note.id);
    QTimer::singleShot(0, this, [this, ids] {
        const DictationMode mode = phoneMode();
        if (mode.cleanLevel == CleanLevel::Off || mode.id == QLatin1String("code")
            || mode.id == QLatin1String("verbatim") || ids.isEmpty())
            return;
        polish(ids, 0, mode);
    });
}

void PhoneInbox::raiseDashboard() {
    const auto current = now();
    if (m_lastRaise && current - *m_lastRaise < kRaiseQuiet)
        return;
    m_lastRaise = current;
    if (m_services.showDashboard)
        m_services.showDashboard();
}

DictationMode PhoneInbox::phoneMode() const {
    const QString id = m_services.defaults->stringOr(kPhoneNoteModeKey, kNotesModeId);
    if (const std::optional<DictationMode> mode = m_services.modes->mode(id))
        return *mode;
    return DictationMode::notes(*m_services.defaults);
}

void PhoneInbox::polish(QList<QUuid> ids, qsizetype index, DictationMode mode) {
    for (; index < ids.size(); ++index) {
        const QUuid id = ids.at(index);
        const auto found =
            std::find_if(m_notes.cbegin(), m_notes.cend(), [&id](const PhoneNote& n) { return n.id == id; });
        if (found == m_notes.cend())
            continue;
        const QString source = found->original.value_or(found->text);
        if (source.isEmpty())
            continue;
        m_services.clean(source, mode).then(this, [this, ids, index, mode, source](const QString& result) {
            const QUuid id = ids.at(index);
            const auto held =
                std::find_if(m_notes.begin(), m_notes.end(), [&id](const PhoneNote& n) { return n.id == id; });
            if (held != m_notes.end()) {
                QString cleaned = result;
                if (!mode.endWithPeriod)
                    cleaned.chop(InsertionContext::trailingStripCount(cleaned));
                if (!cleaned.isEmpty() && cleaned != source) {
                    held->original = source;
                    held->text = cleaned;
                    held->cleanedBy = mode.name;
                    // Each rewrite is kept as it is done: a pass over many
                    // notes may be cut short by a quit.
                    save();
                    emit notesChanged();
                }
            }
            polish(ids, index + 1, mode);
        });
        return;
    }
}
