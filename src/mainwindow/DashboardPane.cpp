#include "mainwindow/DashboardPane.h"

#include "insertion/NoteTarget.h"
#include "looks/TextColours.h"
#include "looks/TintedSymbol.h"
#include "mainwindow/DashboardCard.h"
#include "mainwindow/GreetingLine.h"
#include "mainwindow/HeroCard.h"
#include "mainwindow/PhoneNoteRow.h"
#include "mainwindow/RecentDictationRow.h"
#include "onboarding/Greeting.h"
#include "phonelink/PhoneNotesInbox.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "state/Announce.h"
#include "state/MainWindowPane.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int kGreetingGap = 3;
constexpr int kListSpacing = 10;
constexpr int kHeaderSpacing = 8;
constexpr int kHeaderTopSpace = 4;
constexpr qreal kHeaderLetterSpacing = 0.7;
constexpr int kBadgeHorizontal = 7;
constexpr int kBadgeVertical = 2;
constexpr int kBadgeFill = 46; // 0.18 of 255
constexpr int kMorningFrom = 5;
constexpr int kAfternoonFrom = 12;
constexpr int kEveningFrom = 18;

bool isDay(int hour) { return hour >= kMorningFrom && hour < kEveningFrom; }

const QString kNotesFolder = QStringLiteral("notesFolder");
const QString kUserName = QStringLiteral("userName");

QLabel* sectionTitle(const QString& text, const QColor& color, QWidget* parent) {
    QFont font = DashboardCard::font(DashboardCard::kCaption, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, kHeaderLetterSpacing);
    QLabel* title = DashboardCard::plainLabel(text, font, parent);
    QPalette colours = title->palette();
    colours.setColor(QPalette::WindowText, color);
    title->setPalette(colours);
    return title;
}

QPushButton* plainButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setFont(DashboardCard::font(DashboardCard::kCaption));
    button->setForegroundRole(QPalette::PlaceholderText);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

QString DashboardPane::greetingWords(int hour, const QString& name) {
    const QString salutation = !isDay(hour)            ? QStringLiteral("Good evening")
                               : hour < kAfternoonFrom ? QStringLiteral("Good morning")
                                                       : QStringLiteral("Good afternoon");
    return salutation + QStringLiteral(", ") + name;
}

QString DashboardPane::greetingSymbol(int hour) {
    return isDay(hour) ? QStringLiteral("\u2600\uFE0F") : QString::fromUcs4(U"\U0001F319");
}

QString DashboardPane::greeting(int hour, const QString& name) {
    return greetingWords(hour, name) + QLatin1Char(' ') + greetingSymbol(hour);
}

DashboardPane::DashboardPane(DashboardServices services, QWidget* parent)
    : QScrollArea(parent), m_services(std::move(services)) {
    setWindowTitle(QStringLiteral("Dashboard"));
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* page = new QWidget;
    page->setAutoFillBackground(false);
    m_column = new QVBoxLayout(page);
    m_column->setSpacing(kSpacing);
    m_column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    m_column->setAlignment(Qt::AlignTop);

    auto* greetingBlock = new QVBoxLayout;
    greetingBlock->setSpacing(kGreetingGap);
    m_greeting = new GreetingLine(DashboardCard::font(kGreetingSize, QFont::Bold), page);
    QLabel* momentum = DashboardCard::plainLabel(QStringLiteral("You're on a roll. Keep the momentum going."),
                                                 DashboardCard::font(DashboardCard::kSubheadline), page);
    momentum->setForegroundRole(QPalette::PlaceholderText);
    greetingBlock->addWidget(m_greeting);
    greetingBlock->addWidget(momentum);
    m_column->addLayout(greetingBlock);

    m_hero = new HeroCard(*m_services.stats, page);
    m_column->addWidget(m_hero);
    m_column->addStretch(1);
    setWidget(page);
    viewport()->setAutoFillBackground(false);
    // The card at the top is on screen whenever the page is.
    m_hero->installEventFilter(this);
    page->setBackgroundRole(QPalette::Window);

    refreshGreeting();
    rebuildPhoneSection();
    rebuildRecentSection();
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &DashboardPane::followScroll);
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &DashboardPane::followScroll);

    connect(m_services.history, &HistoryStore::entriesChanged, this, &DashboardPane::rebuildRecentSection);
    if (m_services.inbox) {
        connect(m_services.inbox, &PhoneNotesInbox::notesChanged, this, &DashboardPane::queuePhoneUpdate);
        connect(m_services.inbox, &PhoneNotesInbox::justArrivedChanged, this, [this] {
            if (m_badge) {
                const int count = m_services.inbox->justArrived();
                m_badge->setText(QString::number(count) + QStringLiteral(" just arrived"));
                m_badge->setVisible(count >= 1);
            }
            // A new count is a new arrival, with a wait of its own.
            cancelArrivalWait();
            watchArrivals();
        });
    }
    if (m_services.target)
        connect(m_services.target, &NoteTarget::changed, this, &DashboardPane::rebuildPhoneSection);
    connect(m_services.defaults, &Defaults::changed, this, [this](const QString& key) {
        if (key == kUserName) {
            refreshGreeting();
        } else if (key == DictationSettings::kPaperTheme || key == DictationSettings::kPaperShade) {
            rebuildPhoneSection();
            rebuildRecentSection();
        } else if (key == kNotesFolder || key == QLatin1String("insertTargetBundleID")) {
            rebuildPhoneSection();
        }
    });
}

DashboardPane::~DashboardPane() { endArrivalBadge(); }

void DashboardPane::afterFirstPaint(std::function<void()> work) {
    if (m_painted)
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    else
        m_afterFirstPaint.append(std::move(work));
}

bool DashboardPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_hero && event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        for (std::function<void()>& work : m_afterFirstPaint)
            QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
        m_afterFirstPaint.clear();
    }
    return QScrollArea::eventFilter(watched, event);
}

bool DashboardPane::paperTheme() const {
    return DictationSettings::readBool(*m_services.defaults, DictationSettings::kPaperTheme);
}

void DashboardPane::refreshGreeting() {
    const QString name = Greeting::displayName(m_services.defaults->stringOr(kUserName, QString()),
                                               m_services.accountName ? m_services.accountName() : QString());
    const int hour = m_services.now().time().hour();
    m_greeting->setGreeting(greetingWords(hour, name), greetingSymbol(hour));
}

QList<RecentDictationRow*> DashboardPane::recentRows() const {
    return m_recentSection ? m_recentSection->findChildren<RecentDictationRow*>() : QList<RecentDictationRow*>();
}

QList<QWidget*> DashboardPane::phoneRows() const {
    QList<QWidget*> rows;
    if (m_phoneSection && m_phoneRows)
        for (int i = m_phoneRowsAt; i < m_phoneRows->count(); ++i)
            if (QWidget* row = m_phoneRows->itemAt(i)->widget())
                rows.append(row);
    return rows;
}

void DashboardPane::copy(const QString& text) {
    if (Pasteboard* pasteboard = Platform::current().pasteboard) {
        pasteboard->clear();
        pasteboard->writeText(text, false);
    }
    Announce::say(QStringLiteral("Copied"), false);
}

void DashboardPane::rebuildPhoneSection() {
    const QList<PhoneNote> notes = m_services.inbox ? m_services.inbox->notes() : QList<PhoneNote>();
    if (m_phoneSection) {
        m_phoneSection->deleteLater();
        m_phoneSection->hide();
        m_phoneSection = nullptr;
        m_badge = nullptr;
        m_clearPhone = nullptr;
        m_phoneRowOf.clear();
        ++m_phoneBuild;
    }
    if (notes.isEmpty()) {
        // The section went away: the arrival count is spent.
        m_phoneRowsWanted = kPhoneRowsPerScreen;
        endArrivalBadge();
        return;
    }
    auto* section = new QWidget(widget());
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kListSpacing);

    auto* header = new QHBoxLayout;
    header->setSpacing(kHeaderSpacing);
    header->setContentsMargins(0, kHeaderTopSpace, 0, 0);
    auto* title = new QHBoxLayout;
    title->setSpacing(2);
    title->addWidget(sectionTitle(QStringLiteral("FROM YOUR "), TextColours::orange(palette()), section));
    auto* phone = new QLabel(section);
    phone->setPixmap(TintedSymbol::pixmap(QStringLiteral("iphone.gen3"), DashboardCard::kCaption,
                                          MainWindowPanes::kOrange, devicePixelRatioF()));
    title->addWidget(phone);
    header->addLayout(title);
    m_badge =
        DashboardCard::plainLabel(QString(), DashboardCard::font(DashboardCard::kCaption2, QFont::DemiBold), section);
    m_badge->setStyleSheet(QStringLiteral("QLabel { color: %1; background: rgba(%2, %3, %4, %5); border-radius: 8px;"
                                          " padding: %6px %7px; }")
                               .arg(TextColours::orange(palette()).name())
                               .arg(MainWindowPanes::kOrange.red())
                               .arg(MainWindowPanes::kOrange.green())
                               .arg(MainWindowPanes::kOrange.blue())
                               .arg(kBadgeFill)
                               .arg(kBadgeVertical)
                               .arg(kBadgeHorizontal));
    const int arrived = m_services.inbox->justArrived();
    m_badge->setText(QString::number(arrived) + QStringLiteral(" just arrived"));
    m_badge->setVisible(arrived >= 1);
    header->addWidget(m_badge);
    header->addStretch(1);
    m_clearPhone = plainButton(QStringLiteral("Clear all"), section);
    connect(m_clearPhone, &QPushButton::clicked, this, [this] { m_services.inbox->clear(); });
    header->addWidget(m_clearPhone);
    column->addLayout(header);

    m_phoneSection = section;
    m_phoneRows = column;
    m_phoneRowsAt = column->count();
    const quint64 build = ++m_phoneBuild;
    addPhoneRows(notes, 0, build);
    m_column->insertWidget(m_column->indexOf(m_hero) + 1, section);
    section->show();
    watchArrivals();
}

void DashboardPane::queuePhoneUpdate() {
    if (std::exchange(m_phoneUpdateQueued, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_phoneUpdateQueued = false;
            updatePhoneRows();
        },
        Qt::QueuedConnection);
}

void DashboardPane::updatePhoneRows() {
    const QList<PhoneNote> notes = m_services.inbox ? m_services.inbox->notes() : QList<PhoneNote>();
    if (!m_phoneSection || !m_phoneRows || notes.isEmpty()) {
        rebuildPhoneSection();
        return;
    }
    QHash<QUuid, const PhoneNote*> current;
    for (const PhoneNote& note : notes)
        current.insert(note.id, &note);
    for (auto row = m_phoneRowOf.begin(); row != m_phoneRowOf.end();) {
        const PhoneNote* note = current.value(row.key());
        if (note && *note == row.value()->note()) {
            ++row;
            continue;
        }
        retirePhoneRow(row.value());
        row = m_phoneRowOf.erase(row);
    }
    addPhoneRows(notes, 0, ++m_phoneBuild);
    watchArrivals();
}

PhoneNoteRow* DashboardPane::makePhoneRow(const PhoneNote& note, const PhoneNoteRow::Target& target,
                                          const QDateTime& now, bool paper) {
    PhoneNoteRow::Actions actions;
    actions.copy = [this](const QString& text) { copy(text); };
    actions.dismiss = [this, note] { m_services.inbox->remove(note); };
    actions.send = [this, note](const QString& text) { send(note, text); };
    actions.showAsDictated = [this, id = note.id](bool on) {
        if (on)
            m_asDictated.insert(id);
        else
            m_asDictated.remove(id);
    };
    actions.chooseApp = [this] {
        if (m_services.target)
            m_services.target->chooseApp();
    };
    actions.chooseFolder = [this] {
        if (m_services.target)
            m_services.target->chooseNotesFolder();
        rebuildPhoneSection();
    };
    auto* row = new PhoneNoteRow(note, m_asDictated.contains(note.id), m_insertFailed == note.id, target, now, paper,
                                 *m_services.defaults, std::move(actions), m_phoneSection);
    m_phoneRowOf.insert(note.id, row);
    return row;
}

void DashboardPane::addPhoneRows(const QList<PhoneNote>& notes, qsizetype from, quint64 build) {
    if (build != m_phoneBuild || !m_phoneRows)
        return;
    PhoneNoteRow::Target target;
    if (m_services.target) {
        target.pinnedIdentifier = m_services.target->pinnedIdentifier();
        target.name = m_services.target->name();
        target.lastError = m_services.target->lastError();
    }
    target.notesFolder = m_services.defaults->stringOr(kNotesFolder, QString());
    const QDateTime now = m_services.now();
    const bool paper = paperTheme();
    // Rows already made cost only a look; new ones are made a pass's worth at a time.
    const qsizetype allowed = from == 0 ? kRowsAtOnce : kRowsPerPass;
    const qsizetype end = std::min(notes.size(), m_phoneRowsWanted);
    qsizetype made = 0;
    qsizetype i = from;
    for (; i < end && made < allowed; ++i) {
        const PhoneNote& note = notes.at(i);
        const int at = m_phoneRowsAt + int(i);
        PhoneNoteRow* row = m_phoneRowOf.value(note.id);
        if (row) {
            if (m_phoneRows->itemAt(at) && m_phoneRows->itemAt(at)->widget() == row)
                continue;
            m_phoneRows->removeWidget(row);
        } else {
            row = makePhoneRow(note, target, now, paper);
            ++made;
        }
        m_phoneRows->insertWidget(at, row);
        row->show();
    }
    if (i < end)
        afterFirstPaint([this, notes, i, build] { addPhoneRows(notes, i, build); });
    else
        dropPhoneRowsPast(end);
}

void DashboardPane::dropPhoneRowsPast(qsizetype count) {
    while (m_phoneRows->count() > m_phoneRowsAt + count) {
        QLayoutItem* item = m_phoneRows->itemAt(m_phoneRows->count() - 1);
        auto* row = qobject_cast<PhoneNoteRow*>(item->widget());
        if (!row)
            break;
        m_phoneRowOf.remove(row->note().id);
        retirePhoneRow(row);
    }
}

void DashboardPane::retirePhoneRow(PhoneNoteRow* row) {
    m_phoneRows->removeWidget(row);
    row->hide();
    row->deleteLater();
}

void DashboardPane::followScroll() {
    if (!m_phoneSection || !m_phoneRows || !m_services.inbox)
        return;
    const qsizetype total = m_services.inbox->notes().size();
    if (m_phoneRowsWanted >= total || m_phoneRows->count() - m_phoneRowsAt < m_phoneRowsWanted)
        return; // all wanted, or the rows wanted are still being made
    const int screen = viewport()->height();
    const int endInView = m_phoneSection->geometry().bottom() - verticalScrollBar()->value();
    if (endInView > 2 * screen)
        return;
    m_phoneRowsWanted += kPhoneRowsPerScreen;
    addPhoneRows(m_services.inbox->notes(), m_phoneRows->count() - m_phoneRowsAt, ++m_phoneBuild);
}

void DashboardPane::send(const PhoneNote& note, const QString& text) {
    if (!m_services.target)
        return;
    QPointer<DashboardPane> self(this);
    m_services.target->insert(text, note.displayTitle(), [self, id = note.id](bool delivered) {
        if (!self)
            return;
        self->m_insertFailed = delivered ? std::nullopt : std::optional<QUuid>(id);
        self->rebuildPhoneSection();
    });
}

void DashboardPane::watchArrivals() {
    // Changes to the list or the section while the badge shows leave its one
    // wait running.
    if (!m_services.inbox || !m_phoneSection || !isVisible() || m_arrivalWaiting)
        return;
    if (m_services.inbox->justArrived() < 1)
        return;
    m_arrivalWaiting = true;
    const quint64 wait = ++m_arrivalWait;
    m_services.later(kArrivalBadge, this, [this, wait] {
        // A newer count started its own wait: it keeps its full time.
        if (wait != m_arrivalWait)
            return;
        m_arrivalWaiting = false;
        if (m_services.inbox)
            m_services.inbox->setJustArrived(0);
    });
}

void DashboardPane::cancelArrivalWait() {
    ++m_arrivalWait;
    m_arrivalWaiting = false;
}

void DashboardPane::endArrivalBadge() {
    cancelArrivalWait();
    if (m_services.inbox && m_services.inbox->justArrived() != 0)
        m_services.inbox->setJustArrived(0);
}

void DashboardPane::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    refreshGreeting();
    watchArrivals();
}

void DashboardPane::hideEvent(QHideEvent* event) {
    // Notes that arrived while the page showed count as seen, rows made or not.
    if (m_phoneSection || m_phoneUpdateQueued)
        endArrivalBadge();
    QScrollArea::hideEvent(event);
}

void DashboardPane::rebuildRecentSection() {
    const QList<HistoryEntry>& entries = m_services.history->entries();
    if (m_recentSection) {
        m_recentSection->deleteLater();
        m_recentSection->hide();
        m_recentSection = nullptr;
        m_clearHistory = nullptr;
        m_rows.clear();
        ++m_recentBuild;
    }
    if (entries.isEmpty())
        return;
    auto* section = new QWidget(widget());
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kSpacing);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, kHeaderTopSpace, 0, 0);
    header->addWidget(
        sectionTitle(QStringLiteral("RECENT DICTATIONS"), palette().color(QPalette::PlaceholderText), section));
    header->addStretch(1);
    m_clearHistory = plainButton(QStringLiteral("Clear all"), section);
    connect(m_clearHistory, &QPushButton::clicked, this, &DashboardPane::eraseHistory);
    header->addWidget(m_clearHistory);
    column->addLayout(header);

    auto* rows = new QVBoxLayout;
    rows->setSpacing(kListSpacing);
    column->addLayout(rows);
    m_recentSection = section;
    m_recentRows = rows;
    const int phoneIndex = m_phoneSection ? m_column->indexOf(m_phoneSection) : m_column->indexOf(m_hero);
    m_column->insertWidget(phoneIndex + 1, section);
    section->show();
    addRecentRows(entries, 0, ++m_recentBuild);
}

void DashboardPane::addRecentRows(const QList<HistoryEntry>& entries, qsizetype from, quint64 build) {
    if (build != m_recentBuild || !m_recentRows)
        return;
    const QDateTime now = m_services.now();
    const bool paper = paperTheme();
    // Before the first paint, phone notes above take their share of the screen.
    const qsizetype above = m_phoneSection ? m_phoneRowOf.size() : 0;
    const qsizetype first = qMax<qsizetype>(1, kRowsAtOnce - above);
    const qsizetype end = qMin(entries.size(), from + (from == 0 ? first : kRowsPerPass));
    for (qsizetype i = from; i < end; ++i) {
        const HistoryEntry& entry = entries.at(i);
        RecentDictationRow::Actions actions;
        actions.copy = [this, entry](const QString& text) { copyEntry(entry, text); };
        actions.remove = [this, entry] { m_services.history->remove(entry); };
        actions.showSpoken = [this, id = entry.id](bool spoken) {
            if (spoken)
                m_showingSpoken.insert(id);
            else
                m_showingSpoken.remove(id);
        };
        auto* row = new RecentDictationRow(entry, m_showingSpoken.contains(entry.id), m_copiedID == entry.id, now,
                                           paper, *m_services.defaults, std::move(actions), m_recentSection);
        m_rows.insert(entry.id, row);
        m_recentRows->addWidget(row);
        row->show();
    }
    if (end < entries.size())
        afterFirstPaint([this, entries, end, build] { addRecentRows(entries, end, build); });
}

void DashboardPane::copyEntry(const HistoryEntry& entry, const QString& text) {
    copy(text);
    if (m_copiedID)
        if (RecentDictationRow* previous = m_rows.value(*m_copiedID))
            previous->setCopied(false);
    m_copiedID = entry.id;
    if (RecentDictationRow* row = m_rows.value(entry.id))
        row->setCopied(true);
    m_services.later(kCopiedFeedback, this, [this, id = entry.id] {
        // A later copy of another entry keeps its own feedback.
        if (m_copiedID != id)
            return;
        m_copiedID.reset();
        if (RecentDictationRow* row = m_rows.value(id))
            row->setCopied(false);
    });
}

void DashboardPane::eraseHistory() {
    const QList<HistoryEntry> before = m_services.history->entries();
    m_services.history->setEntries({});
    // The list stays as it was when the file still holds it.
    if (!m_services.history->save())
        m_services.history->setEntries(before);
}
