#pragma once

#include "reader/KokoroVoice.h"

#include <QWidget>

class QVariantAnimation;

// One voice in the picker's grid: its symbol, gender figure and play
// indicator over its name and a one-line subtitle, with the looks of the
// chosen voice (accent border, checkmark), the playing voice (speaker that
// pulses), the keyboard cursor (a ring around the face) and pointer hover.
// The card is not a focus stop; the picker's grid is. The widget keeps a
// 3 pt margin around its face for the ring. GUI thread.
class VoiceCard : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 3;
    static constexpr int kMinimumWidth = 132;
    static constexpr int kMaximumWidth = 200;
    static constexpr double kCornerRadius = 11;
    static constexpr double kRingRadius = 13;
    static constexpr double kRingWidth = 2.5;
    static constexpr double kChosenBorder = 1.6;
    static constexpr double kPlainBorder = 1;

    explicit VoiceCard(KokoroVoice voice, QWidget* parent = nullptr);

    const KokoroVoice& voice() const { return m_voice; }
    bool isChosen() const { return m_chosen; }
    bool isPlaying() const { return m_playing; }
    bool isCursor() const { return m_cursor; }
    bool hovering() const { return m_hovering; }
    void setChosen(bool chosen);
    void setPlaying(bool playing);
    void setIsCursor(bool cursor);
    void setHovering(bool hovering);
    // The speaker's pulse runs while the card plays.
    bool isPulsing() const;

    // "playing…", "your voice", the short flavour, "default", "click to hear".
    static QString subtitle(const KokoroVoice& voice, bool chosen, bool playing);
    QString subtitle() const { return subtitle(m_voice, m_chosen, m_playing); }
    // "figure.stand.dress" for an id whose second letter is "f", else "figure.stand".
    static QString figure(const KokoroVoice& voice);
    static QString figureTag(const KokoroVoice& voice);
    QString helpTag() const;
    QString accessibleLabel() const;
    QString accessibleValue() const;
    QString accessibleHint() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF face() const;
    void refresh();

    KokoroVoice m_voice;
    bool m_chosen = false;
    bool m_playing = false;
    bool m_cursor = false;
    bool m_hovering = false;
    QVariantAnimation* m_pulse = nullptr;
    double m_pulseOpacity = 1;
};
