#pragma once

#include "reader/VoiceFocus.h"

#include <QWidget>

class VoicePicker;

// One of the voice picker's two keyboard stops (the chip row, the card
// grid): takes the focus by Tab and click, shows no focus frame (the chip or
// card under the cursor draws the ring) and hands its keys and focus changes
// to the picker. To assistive technology it is one element whose chips or
// cards stay hidden (VoiceStopAccessible). GUI thread.
class VoiceStop : public QWidget {
    Q_OBJECT
public:
    VoiceStop(VoiceFocus kind, VoicePicker& picker, QWidget* parent = nullptr);

    VoiceFocus kind() const { return m_kind; }
    VoicePicker& picker() const { return m_picker; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    VoiceFocus m_kind;
    VoicePicker& m_picker;
};
