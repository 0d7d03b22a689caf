#include "reader/VoicePicker.h"

#include "looks/TextColours.h"
#include "reader/FlagChip.h"
#include "reader/FlagMagnifier.h"
#include "reader/FlagMagnifierHover.h"
#include "reader/FocusLog.h"
#include "reader/VoiceAudition.h"
#include "reader/VoiceCard.h"
#include "reader/VoiceStop.h"
#include "reader/VoiceStopAccessible.h"
#include "support/Defaults.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString kVoiceKey = QStringLiteral("readerVoice");
const QString kSeparator = QStringLiteral("  \u00b7  ");
constexpr double kDividerOpacity = 0.4;
constexpr double kSecondaryAlpha = TextColours::kSecondary;

QString voicesWord(qsizetype count) { return count == 1 ? QStringLiteral("voice") : QStringLiteral("voices"); }

} // namespace

VoicePicker::Services VoicePicker::Services::standard(VoiceAudition& audition, FlagMagnifierHover& hover) {
    Services services;
    services.defaults = &Defaults::shared();
    services.audition = &audition;
    services.hover = &hover;
    services.later = DelayedCalls::timers();
    services.focusLog = [](const QString& line) { FocusLog::note(line); };
    return services;
}

VoicePicker::VoicePicker(Services services, QWidget* parent) : QWidget(parent), m_services(std::move(services)) {
    VoiceStopAccessible::install();
    m_language = VoiceLanguage::containing(KokoroVoice::selectedID(*m_services.defaults)).id;

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kSectionSpacing);

    m_chipRow = new VoiceStop(VoiceFocus::Flags, *this, this);
    auto* row = new QHBoxLayout(m_chipRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kChipSpacing - 2 * FlagChip::kMargin);
    const QList<VoiceLanguage> languages = VoiceLanguage::all();
    for (qsizetype i = 0; i < languages.size(); ++i) {
        auto* chip = new FlagChip(languages[i], m_services.later, *m_services.hover, m_chipRow);
        const QString id = languages[i].id;
        connect(chip, &FlagChip::pressed, this, [this, i, id] {
            m_flagCursor = int(i);
            setLanguage(id);
        });
        connect(chip, &FlagChip::magnifiedRequested, this, [this, id](bool magnified) {
            if (magnified)
                setMagnifiedID(id);
            else if (m_magnifiedID == id && !pointerOverMagnifier())
                setMagnifiedID(std::nullopt);
        });
        row->addWidget(chip, 0, Qt::AlignVCenter);
        m_chips << chip;
    }
    row->addStretch(1);
    column->addWidget(m_chipRow);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    auto* fade = new QGraphicsOpacityEffect(divider);
    fade->setOpacity(kDividerOpacity);
    divider->setGraphicsEffect(fade);
    column->addWidget(divider);

    auto* voices = new QVBoxLayout;
    voices->setSpacing(kCaptionSpacing - VoiceCard::kMargin);
    m_caption = new QLabel(this);
    m_caption->setTextFormat(Qt::PlainText);
    QFont captionFont = m_caption->font();
    captionFont.setPixelSize(int(std::lround(kCaptionSize)));
    captionFont.setWeight(QFont::DemiBold);
    m_caption->setFont(captionFont);
    m_caption->setContentsMargins(VoiceCard::kMargin, 0, 0, 0);
    styleCaption();
    voices->addWidget(m_caption);
    m_cardGrid = new VoiceStop(VoiceFocus::Voices, *this, this);
    voices->addWidget(m_cardGrid);
    column->addLayout(voices);
    column->addStretch(1);
    setTabOrder(m_chipRow, m_cardGrid);

    connect(m_services.audition, &VoiceAudition::playingChanged, this, &VoicePicker::refresh);
    connect(m_services.defaults, &Defaults::changed, this, [this](const QString& key) {
        if (key == kVoiceKey)
            refresh();
    });
    buildCards();
    refresh();
}

VoicePicker::~VoicePicker() {
    if (m_escapeFilter)
        qApp->removeEventFilter(this);
    if (m_popup) {
        m_popup->removeEventFilter(this);
        delete m_popup.data();
    }
}

QString VoicePicker::readerVoice() const { return KokoroVoice::selectedID(*m_services.defaults); }

VoiceLanguage VoicePicker::shown() const {
    const QList<VoiceLanguage> languages = VoiceLanguage::all();
    for (const VoiceLanguage& language : languages)
        if (language.id == m_language)
            return language;
    return languages.first();
}

void VoicePicker::setLanguage(const QString& id) {
    if (m_language == id)
        return;
    m_language = id;
    m_voiceCursor = 0;
    buildCards();
    refresh();
}

void VoicePicker::setGridWidth(double width) { m_gridWidth = width; }

int VoicePicker::cardsPerRow() const {
    if (m_gridWidth <= 0)
        return 1;
    return std::max(int(std::floor((m_gridWidth + kCardSpacing) / (kCardMinimum + kCardSpacing))), 1);
}

void VoicePicker::setMagnifiedID(std::optional<QString> id) {
    if (m_magnifiedID == id)
        return;
    m_magnifiedID = std::move(id);
    for (FlagChip* chip : m_chips)
        chip->setMagnified(m_magnifiedID == chip->language().id);
    if (m_magnifiedID)
        openMagnifier();
    else
        closeMagnifier();
}

QString VoicePicker::headline() const {
    const VoiceLanguage language = shown();
    QString text =
        QString::number(language.voices.size()) + u' ' + language.label + u' ' + voicesWord(language.voices.size());
    const QString stored = readerVoice();
    if (VoiceLanguage::containing(stored).id != language.id)
        text += kSeparator + QStringLiteral("your default is ") + KokoroVoice::named(stored).name;
    return text;
}

QString VoicePicker::caption() const {
    QString text = headline();
    if (shown().mosaic)
        text += kSeparator + QStringLiteral("spoken in ") + QString::number(kSpanishCountries)
                + QStringLiteral(" countries");
    return text;
}

QString VoicePicker::cursorVoiceAnnouncement() const {
    const QList<KokoroVoice> voices = shown().voices;
    const QString stored = readerVoice();
    const KokoroVoice voice =
        m_voiceCursor >= 0 && m_voiceCursor < voices.size() ? voices[m_voiceCursor] : KokoroVoice::named(stored);
    QString text = voice.name + QStringLiteral(", ") + voice.flavor;
    if (voice.id == stored)
        text += QStringLiteral(", your reading voice");
    return text;
}

void VoicePicker::choose(const KokoroVoice& voice) {
    if (m_services.audition->playing() == voice.id) {
        m_services.defaults->set(kVoiceKey, voice.id);
        return;
    }
    // Any other press plays the sample: of a new voice to hear it before
    // choosing it, of the chosen voice to hear it again.
    m_services.audition->play(voice);
}

void VoicePicker::activateVoice() {
    const QList<KokoroVoice> voices = shown().voices;
    if (m_voiceCursor >= 0 && m_voiceCursor < voices.size())
        choose(voices[m_voiceCursor]);
}

void VoicePicker::moveFlags(MoveDirection direction) {
    const int count = int(VoiceLanguage::all().size());
    if (direction == MoveDirection::Left)
        m_flagCursor = std::max(m_flagCursor - 1, 0);
    else if (direction == MoveDirection::Right)
        m_flagCursor = std::min(m_flagCursor + 1, count - 1);
    else
        return;
    const QString id = VoiceLanguage::all()[m_flagCursor].id;
    if (id != m_language)
        setLanguage(id);
    else
        refresh();
}

void VoicePicker::moveVoices(MoveDirection direction) {
    const int count = int(shown().voices.size());
    int step = 0;
    switch (direction) {
    case MoveDirection::Up:
        step = -cardsPerRow();
        break;
    case MoveDirection::Down:
        step = cardsPerRow();
        break;
    case MoveDirection::Left:
        step = -1;
        break;
    case MoveDirection::Right:
        step = 1;
        break;
    }
    if (count == 0)
        m_voiceCursor = 0;
    else
        m_voiceCursor = m_voiceCursor + step < 0 ? 0 : std::min(m_voiceCursor + step, count - 1);
    refresh();
}

void VoicePicker::adjust(VoiceFocus stop, MoveDirection direction) {
    if (direction != MoveDirection::Left && direction != MoveDirection::Right)
        return;
    if (stop == VoiceFocus::Flags)
        moveFlags(direction);
    else
        moveVoices(direction);
}

QString VoicePicker::stopLabel(VoiceFocus stop) const {
    return stop == VoiceFocus::Flags ? QStringLiteral("Language") : shown().label + QStringLiteral(" voices");
}

QString VoicePicker::stopValue(VoiceFocus stop) const {
    if (stop == VoiceFocus::Voices)
        return cursorVoiceAnnouncement();
    const VoiceLanguage language = shown();
    return language.label + QStringLiteral(", ") + QString::number(language.voices.size()) + u' '
           + voicesWord(language.voices.size());
}

QString VoicePicker::stopHint(VoiceFocus stop) const {
    return stop == VoiceFocus::Flags
               ? QStringLiteral("Adjust to change the language of the voices below.")
               : QStringLiteral("Adjust to move between voices. Press to hear one, press again to choose it.");
}

void VoicePicker::setFocusStop(std::optional<VoiceFocus> focus) {
    if (m_focus == focus)
        return;
    m_focus = focus;
    if (m_services.focusLog)
        m_services.focusLog(QStringLiteral("focus -> ") + VoiceFocuses::toString(focus));
    if (focus == VoiceFocus::Flags) {
        m_flagCursor = int(std::max<qsizetype>(VoiceLanguage::indexOf(m_language), 0));
    } else if (focus == VoiceFocus::Voices) {
        const QList<KokoroVoice> voices = shown().voices;
        const QString stored = readerVoice();
        m_voiceCursor = 0;
        for (qsizetype i = 0; i < voices.size(); ++i)
            if (voices[i].id == stored)
                m_voiceCursor = int(i);
    }
    refresh();
}

void VoicePicker::buildCards() {
    qDeleteAll(m_cards);
    m_cards.clear();
    for (const KokoroVoice& voice : shown().voices) {
        auto* card = new VoiceCard(voice, m_cardGrid);
        connect(card, &VoiceCard::pressed, this, [this, voice] { choose(voice); });
        card->show();
        m_cards << card;
    }
    layoutCards();
}

void VoicePicker::layoutCards() {
    // The stop keeps a margin for the cursor rings; the grid is what lies inside.
    const int margin = VoiceCard::kMargin;
    setGridWidth(std::max(m_cardGrid->width() - 2 * margin, 0));
    const int perRow = cardsPerRow();
    const double width = m_gridWidth > 0
                             ? std::min<double>((m_gridWidth - kCardSpacing * (perRow - 1)) / perRow, kCardMaximum)
                             : kCardMinimum;
    const int faceHeight = m_cards.isEmpty() ? 0 : m_cards.first()->sizeHint().height() - 2 * margin;
    for (qsizetype i = 0; i < m_cards.size(); ++i) {
        const int rowIndex = int(i) / perRow;
        const int columnIndex = int(i) % perRow;
        const QRectF face(margin + columnIndex * (width + kCardSpacing),
                          margin + rowIndex * (faceHeight + kCardSpacing), width, faceHeight);
        m_cards[i]->setGeometry(face.adjusted(-margin, -margin, margin, margin).toAlignedRect());
    }
    // Before the grid is on screen it has no width of its own yet: one card a
    // row would make the window as tall as every card.
    if (!m_cardGrid->isVisible())
        return;
    const int rows = m_cards.isEmpty() ? 0 : int((m_cards.size() + perRow - 1) / perRow);
    const int height = rows == 0 ? 0 : rows * faceHeight + (rows - 1) * kCardSpacing + 2 * margin;
    if (m_cardGrid->minimumHeight() != height)
        m_cardGrid->setFixedHeight(height);
}

void VoicePicker::refresh() {
    const QString stored = readerVoice();
    const QString holding = VoiceLanguage::containing(stored).id;
    for (qsizetype i = 0; i < m_chips.size(); ++i) {
        FlagChip* chip = m_chips[i];
        chip->setActive(chip->language().id == m_language);
        chip->setHoldsChoice(chip->language().id == holding);
        chip->setIsCursor(m_focus == VoiceFocus::Flags && m_flagCursor == i);
    }
    const std::optional<QString> playing = m_services.audition->playing();
    for (qsizetype i = 0; i < m_cards.size(); ++i) {
        VoiceCard* card = m_cards[i];
        card->setChosen(card->voice().id == stored);
        card->setPlaying(playing && *playing == card->voice().id);
        card->setIsCursor(m_focus == VoiceFocus::Voices && m_voiceCursor == i);
    }
    m_caption->setText(caption());
    announce(m_chipRow);
    announce(m_cardGrid);
}

void VoicePicker::announce(VoiceStop* stop) {
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent nameChanged(stop, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessibleValueChangeEvent valueChanged(stop, stopValue(stop->kind()));
    QAccessible::updateAccessibility(&valueChanged);
}

void VoicePicker::openMagnifier() {
    closeMagnifier();
    FlagChip* anchor = nullptr;
    for (FlagChip* chip : m_chips)
        if (chip->language().id == m_magnifiedID)
            anchor = chip;
    if (!anchor)
        return;
    auto* popup = new QWidget(this, Qt::Popup | Qt::FramelessWindowHint);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(popup);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* magnifier =
        new FlagMagnifier([this] { setMagnifiedID(std::nullopt); }, kMagnifierColumns, *m_services.hover, popup);
    layout->addWidget(magnifier);
    popup->adjustSize();
    const QPoint below = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height()));
    QRect frame(QPoint(below.x() - popup->width() / 2, below.y()), popup->size());
    if (const QScreen* screen = anchor->screen()) {
        const QRect room = screen->availableGeometry();
        frame.moveLeft(std::clamp(frame.left(), room.left(), std::max(room.left(), room.right() + 1 - frame.width())));
    }
    popup->move(frame.topLeft());
    popup->installEventFilter(this);

    m_popup = popup;
    popup->show();
}

bool VoicePicker::pointerOverMagnifier() const {
    // The chip's close check can run in the moment between the pointer
    // reaching the popup and the popup hearing of it; the popup's own hover
    // handling closes it once the pointer leaves.
    return m_popup && m_popup->isVisible() && m_popup->rect().contains(m_popup->mapFromGlobal(QCursor::pos()));
}

void VoicePicker::closeMagnifier() {
    if (!m_popup)
        return;
    QWidget* popup = m_popup;
    m_popup = nullptr;
    popup->removeEventFilter(this);
    popup->close();
}

void VoicePicker::styleCaption() {
    // The caption is the picker's text colour, faded: follow every look change.
    QPalette captionPalette = palette();
    QColor secondary = captionPalette.color(QPalette::WindowText);
    secondary.setAlphaF(float(kSecondaryAlpha));
    captionPalette.setColor(QPalette::WindowText, secondary);
    m_caption->setPalette(captionPalette);
}

void VoicePicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_caption)
        styleCaption();
}

void VoicePicker::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_escapeFilter) {
        qApp->installEventFilter(this);
        m_escapeFilter = true;
    }
    layoutCards();
}

void VoicePicker::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (m_escapeFilter) {
        qApp->removeEventFilter(this);
        m_escapeFilter = false;
    }
}

bool VoicePicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_popup && event->type() == QEvent::Hide) {
        // Closed by a click outside it: the magnifier is gone.
        m_popup = nullptr;
        setMagnifiedID(std::nullopt);
        return false;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_magnifiedID) {
        setMagnifiedID(std::nullopt);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
