#include "mainwindow/RecentDictationRow.h"

#include "looks/SegmentedSwitch.h"
#include "looks/TextColours.h"
#include "looks/TintedSymbol.h"
#include "state/MainWindowPane.h"
#include "translator/Translator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QToolButton>

namespace {

constexpr int kMicSize = 10;
constexpr int kCopySize = 12;
constexpr int kRemoveSize = 11;
constexpr int kMinimumGap = 8;

} // namespace

QString RecentDictationRow::shownText(const HistoryEntry& entry, bool showingSpoken) {
    return showingSpoken && entry.original ? *entry.original : entry.text;
}

RecentDictationRow::RecentDictationRow(const HistoryEntry& entry, bool showingSpoken, bool copied, const QDateTime& now,
                                       bool paper, Defaults& defaults, Actions actions, QWidget* parent)
    : DashboardCard(false, paper, defaults, parent), m_entry(entry), m_age(entry.date, now) {
    auto* title = new QHBoxLayout;
    title->setSpacing(kRowSpacing);
    auto* mic = new QLabel(this);
    mic->setPixmap(
        TintedSymbol::pixmap(QStringLiteral("mic.fill"), kMicSize, MainWindowPanes::kOrange, devicePixelRatioF()));
    title->addWidget(mic);
    m_when = plainLabel(QString(), font(kCaption, QFont::DemiBold), this);
    title->addWidget(m_when);
    if (!entry.app.isEmpty()) {
        QLabel* app = plainLabel(entry.app, font(kCaption2), this);
        app->setForegroundRole(QPalette::PlaceholderText);
        title->addWidget(app);
    }
    title->addStretch(1);
    title->addSpacing(kMinimumGap);
    m_copy = new QToolButton(this);
    m_copy->setAutoRaise(true);
    m_copy->setToolTip(QStringLiteral("Copy"));
    title->addWidget(m_copy);
    m_remove = new QToolButton(this);
    m_remove->setAutoRaise(true);
    m_remove->setIcon(QIcon(TintedSymbol::pixmap(QStringLiteral("xmark"), kRemoveSize,
                                                 palette().color(QPalette::PlaceholderText), devicePixelRatioF())));
    m_remove->setIconSize(QSize(kRemoveSize, kRemoveSize));
    m_remove->setToolTip(QStringLiteral("Remove from history"));
    m_remove->setAccessibleName(QStringLiteral("Remove this dictation from history"));
    title->addWidget(m_remove);
    column()->addLayout(title);

    m_text = plainLabel(shownText(entry, showingSpoken), font(kCallout), this);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    column()->addWidget(m_text);

    if (entry.original && !entry.original->isEmpty()) {
        const auto name = [](const std::optional<QString>& code, const QString& fallback) {
            return code && !code->isEmpty() ? Translator::displayName(*code) : fallback;
        };
        auto* row = new QHBoxLayout;
        row->setSpacing(kMinimumGap);
        m_switch = new SegmentedSwitch(name(entry.translatedTo, QStringLiteral("Translated")),
                                       name(entry.originalLanguage, QStringLiteral("As spoken")), showingSpoken, this);
        m_note = plainLabel(showingSpoken ? QStringLiteral("What you said") : QStringLiteral("What was typed"),
                            font(kCaption2), this);
        m_note->setForegroundRole(QPalette::PlaceholderText);
        row->addWidget(m_switch);
        row->addWidget(m_note);
        row->addStretch(1);
        column()->addLayout(row);
        connect(m_switch, &SegmentedSwitch::toggled, this, [this, show = actions.showSpoken](bool spoken) {
            m_text->setText(shownText(m_entry, spoken));
            m_note->setText(spoken ? QStringLiteral("What you said") : QStringLiteral("What was typed"));
            if (show)
                show(spoken);
        });
    }

    connect(m_copy, &QToolButton::clicked, this, [this, copy = actions.copy] {
        if (copy)
            copy(m_text->text());
    });
    connect(m_remove, &QToolButton::clicked, this, [remove = actions.remove] {
        if (remove)
            remove();
    });
    setCopied(copied);
}

void RecentDictationRow::setCopied(bool copied) {
    m_copied = copied;
    QPalette colours = m_when->palette();
    colours.setColor(QPalette::WindowText, copied ? TextColours::green(colours) : TextColours::orange(colours));
    m_when->setPalette(colours);
    m_when->setText(copied ? QStringLiteral("Copied") : m_age.text());
    const QColor symbolColour = copied ? MainWindowPanes::kGreen : palette().color(QPalette::PlaceholderText);
    m_copy->setIcon(QIcon(TintedSymbol::pixmap(copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"),
                                               kCopySize, symbolColour, devicePixelRatioF())));
    m_copy->setIconSize(QSize(kCopySize, kCopySize));
    m_copy->setAccessibleName(copied ? QStringLiteral("Copied") : QStringLiteral("Copy this dictation"));
}

void RecentDictationRow::showEvent(QShowEvent* event) {
    DashboardCard::showEvent(event);
    if (!event->spontaneous() && !m_copied)
        m_when->setText(m_age.text());
}
