#pragma once

#include "reader/VoiceLanguage.h"
#include "support/DelayedCall.h"

#include <QWidget>

#include <chrono>

class FlagMagnifierHover;

// One language chip of the voice picker: its flag or flags (a mosaic for
// Spanish) over its two-letter code in a 46 × 46 face, with the active fill
// and border, the dot of the language that holds the reading voice and the
// keyboard cursor ring around it. The chip is not a focus stop; the picker's
// chip row is. Resting the pointer on a mosaic chip asks for the magnifier
// after 0.35 s; leaving asks to close it after 0.45 s unless the pointer is in
// the magnifier. Every hover change takes a token so that earlier scheduled
// steps go void. GUI thread.
class FlagChip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFace = 46;
    // Room around the face for the cursor ring (2.5 pt pushed outward).
    static constexpr int kMargin = 3;
    static constexpr double kCornerRadius = 10;
    static constexpr double kRingRadius = 12;
    static constexpr double kRingWidth = 2.5;
    static constexpr double kBorderWidth = 1.5;
    static constexpr double kDot = 6;
    static constexpr double kDotInset = 4;
    static constexpr std::chrono::milliseconds kOpenDelay{350};
    static constexpr std::chrono::milliseconds kCloseDelay{450};
    // The Spanish mosaic: 5 × 4 cells, 32 pt wide in all.
    static constexpr int kMosaicColumns = 5;
    static constexpr int kMosaicRows = 4;
    static constexpr double kMosaicSide = 32;
    static constexpr double kMosaicSpacing = 0.5;

    FlagChip(VoiceLanguage language, DelayedCall later, FlagMagnifierHover& hover, QWidget* parent = nullptr);

    const VoiceLanguage& language() const { return m_language; }
    bool isActive() const { return m_active; }
    bool holdsChoice() const { return m_holdsChoice; }
    bool isCursor() const { return m_cursor; }
    bool magnified() const { return m_magnified; }
    bool hovering() const { return m_hovering; }
    void setActive(bool active);
    void setHoldsChoice(bool holds);
    void setIsCursor(bool cursor);
    // The picker's answer to magnifiedRequested (or any other change).
    void setMagnified(bool magnified);

    // The pointer entered (true) or left (false) the chip.
    void setHovering(bool hovering);

    // "Spanish. Point to see every country" for a mosaic, else the label.
    QString helpTag() const;
    // "American, 9 voices".
    QString accessibleText() const;

    QSize sizeHint() const override;

signals:
    void pressed();
    void magnifiedRequested(bool magnified);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF face() const;
    // Asks to close the magnifier after kCloseDelay unless the hover moved on,
    // the pointer is in the magnifier, or it still rests on the chip (then
    // it looks again later).
    void scheduleClose(quint64 token);

    VoiceLanguage m_language;
    DelayedCall m_later;
    FlagMagnifierHover& m_hover;
    QWidget* m_mosaic = nullptr;
    bool m_active = false;
    bool m_holdsChoice = false;
    bool m_cursor = false;
    bool m_magnified = false;
    bool m_hovering = false;
    quint64 m_hoverToken = 0;
};
