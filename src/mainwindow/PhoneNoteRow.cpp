#include "mainwindow/PhoneNoteRow.h"

#include "insertion/NoteTarget.h"
#include "looks/SegmentedSwitch.h"
#include "looks/TextColours.h"
#include "looks/TintedSymbol.h"
#include "platform/Wording.h"
#include "state/MainWindowPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>

namespace {

constexpr int kTitleSize = 13;
constexpr int kCopySize = 11;
constexpr int kDismissSize = 10;
constexpr int kActionSize = 12;
constexpr int kMinimumGap = 8;
constexpr int kActionSpacing = 10;
constexpr int kActionTopSpace = 2;

QString asDictatedNote(const PhoneNote& note, bool asDictated) {
    return asDictated ? Wording::of(QStringLiteral("Straight from the iPhone"))
                      : QStringLiteral("%1 mode, with your dictionary").arg(note.cleanedBy.value_or(QString()));
}

QPushButton* linkButton(const QString& text, QWidget* parent) {
    auto* link = new QPushButton(text, parent);
    link->setFlat(true);
    link->setCursor(Qt::PointingHandCursor);
    link->setFont(DashboardCard::font(DashboardCard::kCaption));
    QPalette colours = link->palette();
    colours.setColor(QPalette::ButtonText, TextColours::orange(colours));
    link->setPalette(colours);
    return link;
}

QPushButton* prominentButton(const QString& text, const QString& symbol, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setFont(DashboardCard::font(kActionSize, QFont::Medium));
    // Dark letters on the bright orange: white ones would not read on it.
    const QColor letters = MainWindowPanes::kOnOrange;
    button->setIcon(QIcon(TintedSymbol::pixmap(symbol, kActionSize, letters, parent->devicePixelRatioF())));
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border-radius: 6px;"
                                         " padding: 4px 10px; }")
                              .arg(MainWindowPanes::kOrange.name(), letters.name()));
    return button;
}

} // namespace

QString PhoneNoteRow::shownText(const PhoneNote& note, bool asDictated) {
    return asDictated && note.original ? *note.original : note.text;
}

QString PhoneNoteRow::failureLine(const Target& target) {
    if (target.lastError)
        return *target.lastError;
    return QStringLiteral("Could not reach ") + target.name.value_or(QStringLiteral("that app"))
           + QStringLiteral(". The note is still here, and the text is on your clipboard.");
}

PhoneNoteRow::PhoneNoteRow(const PhoneNote& note, bool asDictated, bool sendFailed, const Target& target,
                           const QDateTime& now, bool paper, Defaults& defaults, Actions actions, QWidget* parent)
    : DashboardCard(true, paper, defaults, parent), m_phone(note), m_age(note.captured, now) {
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(kRowSpacing);
    m_title = plainLabel(note.displayTitle(), font(kTitleSize, QFont::DemiBold), this);
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    titleLine->addWidget(m_title, 1);
    titleLine->addSpacing(kMinimumGap);
    m_ageLabel = plainLabel(m_age.text(), font(kCaption2), this);
    m_ageLabel->setForegroundRole(QPalette::PlaceholderText);
    titleLine->addWidget(m_ageLabel);
    const QColor symbols = palette().color(QPalette::WindowText);
    m_copy = new QToolButton(this);
    m_copy->setAutoRaise(true);
    m_copy->setIcon(QIcon(TintedSymbol::pixmap(QStringLiteral("doc.on.doc"), kCopySize, symbols, devicePixelRatioF())));
    m_copy->setIconSize(QSize(kCopySize, kCopySize));
    m_copy->setToolTip(QStringLiteral("Copy"));
    m_copy->setAccessibleName(QStringLiteral("Copy this note from your phone"));
    titleLine->addWidget(m_copy);
    m_dismiss = new QToolButton(this);
    m_dismiss->setAutoRaise(true);
    m_dismiss->setIcon(
        QIcon(TintedSymbol::pixmap(QStringLiteral("xmark"), kDismissSize, symbols, devicePixelRatioF())));
    m_dismiss->setIconSize(QSize(kDismissSize, kDismissSize));
    m_dismiss->setToolTip(QStringLiteral("Dismiss"));
    m_dismiss->setAccessibleName(QStringLiteral("Dismiss this note"));
    titleLine->addWidget(m_dismiss);
    column()->addLayout(titleLine);

    m_text = plainLabel(shownText(note, asDictated), font(kCallout), this);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // No colour of its own: on paper the card gives its content the ink of
    // the shade it is drawn in, which follows the window's look.
    column()->addWidget(m_text);

    if (note.cleanedBy && note.original) {
        auto* wording = new QHBoxLayout;
        wording->setSpacing(kMinimumGap);
        m_switch = new SegmentedSwitch(QStringLiteral("Cleaned"), QStringLiteral("As dictated"), asDictated, this);
        m_note = plainLabel(asDictatedNote(note, asDictated), font(kCaption2), this);
        m_note->setForegroundRole(QPalette::PlaceholderText);
        wording->addWidget(m_switch);
        wording->addWidget(m_note);
        wording->addStretch(1);
        column()->addLayout(wording);
        connect(m_switch, &SegmentedSwitch::toggled, this, [this, show = actions.showAsDictated](bool on) {
            m_text->setText(shownText(m_phone, on));
            m_note->setText(asDictatedNote(m_phone, on));
            if (show)
                show(on);
        });
    }

    auto* actionRow = new QHBoxLayout;
    actionRow->setSpacing(kActionSpacing);
    actionRow->setContentsMargins(0, kActionTopSpace, 0, 0);
    if (!target.pinnedIdentifier) {
        m_send = prominentButton(QStringLiteral("Choose where these go") + QChar(0x2026),
                                 QStringLiteral("arrow.right.circle"), this);
        connect(m_send, &QPushButton::clicked, this, [choose = actions.chooseApp] {
            if (choose)
                choose();
        });
        actionRow->addWidget(m_send);
    } else {
        m_send = prominentButton(target.name ? QStringLiteral("Insert into ") + *target.name
                                             : QStringLiteral("Insert where the cursor is"),
                                 QStringLiteral("text.insert"), this);
        connect(m_send, &QPushButton::clicked, this, [this, send = actions.send] {
            if (send)
                send(m_text->text());
        });
        actionRow->addWidget(m_send);
        m_change = linkButton(QStringLiteral("Change"), this);
        connect(m_change, &QPushButton::clicked, this, [choose = actions.chooseApp] {
            if (choose)
                choose();
        });
        actionRow->addWidget(m_change);
        if (*target.pinnedIdentifier == NoteTarget::kNotesIdentifier) {
            m_folder = linkButton(target.notesFolder.isEmpty() ? QStringLiteral("Folder") + QChar(0x2026)
                                                               : QStringLiteral("Folder: ") + target.notesFolder,
                                  this);
            connect(m_folder, &QPushButton::clicked, this, [choose = actions.chooseFolder] {
                if (choose)
                    choose();
            });
            actionRow->addWidget(m_folder);
        }
    }
    actionRow->addStretch(1);
    column()->addLayout(actionRow);

    if (sendFailed) {
        m_failure = plainLabel(failureLine(target), font(kCaption), this);
        m_failure->setWordWrap(true);
        QPalette orange = m_failure->palette();
        orange.setColor(QPalette::WindowText, TextColours::orange(orange));
        m_failure->setPalette(orange);
        column()->addWidget(m_failure);
    }

    connect(m_copy, &QToolButton::clicked, this, [this, copy = actions.copy] {
        if (copy)
            copy(m_text->text());
    });
    connect(m_dismiss, &QToolButton::clicked, this, [dismiss = actions.dismiss] {
        if (dismiss)
            dismiss();
    });
}

void PhoneNoteRow::showEvent(QShowEvent* event) {
    DashboardCard::showEvent(event);
    if (!event->spontaneous())
        m_ageLabel->setText(m_age.text());
}
