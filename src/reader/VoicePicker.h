#pragma once

#include "reader/KokoroVoice.h"
#include "reader/MoveDirection.h"
#include "reader/VoiceFocus.h"
#include "reader/VoiceLanguage.h"
#include "support/DelayedCall.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class Defaults;
class FlagChip;
class FlagMagnifierHover;
class QLabel;
class VoiceAudition;
class VoiceCard;
class VoiceStop;

// Where the user chooses the reading voice: a row of language chips, then one
// card per voice of the shown language. Pressing a card plays its sample;
// pressing it again while it plays makes it the reading voice ("readerVoice",
// written here and nowhere else); pressing the chosen voice while it is quiet
// plays its sample again. The chip row and the card grid are the two keyboard
// stops, each with a cursor the arrow keys move (no wrap-around) and one
// accessible element with increase and decrease actions. While the chip row is
// shown, an application event filter lets Escape close an open flag
// magnifier, and only then swallows it. GUI thread.
class VoicePicker : public QWidget {
    Q_OBJECT
public:
    // 132 pt cards and 10 pt spacing: a row holds ⌊(width + 10) / 142⌋ cards.
    static constexpr int kCardMinimum = 132;
    static constexpr int kCardMaximum = 200;
    static constexpr int kCardSpacing = 10;
    static constexpr int kChipSpacing = 8;
    static constexpr int kSectionSpacing = 14;
    static constexpr int kCaptionSpacing = 9;
    static constexpr int kMagnifierColumns = 5;
    static constexpr double kCaptionSize = 11.5;
    static constexpr int kSpanishCountries = 21;

    struct Services {
        Defaults* defaults = nullptr;
        VoiceAudition* audition = nullptr;
        FlagMagnifierHover* hover = nullptr;
        DelayedCall later;
        std::function<void(const QString& line)> focusLog;

        // The shared settings, `audition` and `hover` (both must outlive the
        // picker), Qt timers and FocusLog.
        static Services standard(VoiceAudition& audition, FlagMagnifierHover& hover);
    };

    explicit VoicePicker(Services services, QWidget* parent = nullptr);
    ~VoicePicker() override;

    // The stored voice through the voice table ("af_heart" for an unknown id).
    QString readerVoice() const;
    QString language() const { return m_language; }
    void setLanguage(const QString& id);
    VoiceLanguage shown() const;
    std::optional<VoiceFocus> focusStop() const { return m_focus; }
    int flagCursor() const { return m_flagCursor; }
    int voiceCursor() const { return m_voiceCursor; }
    double gridWidth() const { return m_gridWidth; }
    void setGridWidth(double width);
    int cardsPerRow() const;
    std::optional<QString> magnifiedID() const { return m_magnifiedID; }
    void setMagnifiedID(std::optional<QString> id);

    QString headline() const;
    // The headline, and for a mosaic language "  ·  spoken in 21 countries".
    QString caption() const;
    QString cursorVoiceAnnouncement() const;

    // Every way of pressing a voice ends here.
    void choose(const KokoroVoice& voice);
    void activateVoice();
    void moveFlags(MoveDirection direction);
    void moveVoices(MoveDirection direction);
    // An accessibility adjustment of a stop (right increases, left decreases).
    void adjust(VoiceFocus stop, MoveDirection direction);

    QString stopLabel(VoiceFocus stop) const;
    QString stopValue(VoiceFocus stop) const;
    QString stopHint(VoiceFocus stop) const;

    // Called by the stops.
    void setFocusStop(std::optional<VoiceFocus> focus);
    void layoutCards();

    VoiceStop* chipRow() const { return m_chipRow; }
    VoiceStop* cardGrid() const { return m_cardGrid; }
    const QList<FlagChip*>& chips() const { return m_chips; }
    const QList<VoiceCard*>& cards() const { return m_cards; }
    QWidget* magnifierPopup() const { return m_popup; }
    QLabel* captionLabel() const { return m_caption; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildCards();
    void refresh();
    void openMagnifier();
    void closeMagnifier();
    bool pointerOverMagnifier() const;
    void announce(VoiceStop* stop);
    void styleCaption();

    Services m_services;
    QString m_language;
    std::optional<VoiceFocus> m_focus;
    std::optional<QString> m_magnifiedID;
    bool m_escapeFilter = false;
    int m_flagCursor = 0;
    int m_voiceCursor = 0;
    double m_gridWidth = 0;
    VoiceStop* m_chipRow = nullptr;
    VoiceStop* m_cardGrid = nullptr;
    QLabel* m_caption = nullptr;
    QList<FlagChip*> m_chips;
    QList<VoiceCard*> m_cards;
    QPointer<QWidget> m_popup;
};
