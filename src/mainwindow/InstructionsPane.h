#pragma once

#include <QScrollArea>

class Defaults;
class KeyboardGuide;

// The Instructions page: the four double-tap gestures, shown by two keyboard
// guides (speaking, then reading) that read the chosen keys from the
// settings. Nothing is stored here. GUI thread only.
class InstructionsPane : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kGuideSpacing = 26;
    static constexpr int kTitleSpacing = 10;

    // `defaults` must outlive the page.
    explicit InstructionsPane(Defaults& defaults, QWidget* parent = nullptr);

    KeyboardGuide* speaking() const { return m_speaking; }
    KeyboardGuide* reading() const { return m_reading; }

private:
    KeyboardGuide* m_speaking;
    KeyboardGuide* m_reading;
};
