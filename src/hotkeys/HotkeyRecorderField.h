#pragma once

#include <QWidget>

class HotkeyManager;
class QLabel;
class QPushButton;

// The settings row with which the user picks a global hotkey: a label and a
// button showing the combination ("⌃⌥D"); clicking it records the next key
// press (with its modifiers) as the new combination. The control registers
// nothing itself: whoever shows it listens to `edited`. While it records, the
// program's own hotkeys (`grabs`, when given) are given back to the desktop, so
// that a combination the program holds reaches the field; they are taken
// again when recording ends.
class HotkeyRecorderField : public QWidget {
    Q_OBJECT
public:
    HotkeyRecorderField(const QString& label, int keyCode, int modifiers, HotkeyManager* grabs = nullptr,
                        QWidget* parent = nullptr);
    ~HotkeyRecorderField() override;

    int keyCode() const { return m_keyCode; }
    int modifiers() const { return m_modifiers; }
    bool isRecording() const { return m_recording; }
    QPushButton* button() const { return m_button; }

    // The modifier symbols (⌃⌥⇧⌘, in that order) followed by the key's name.
    static QString describe(int keyCode, int modifiers);
    // The key's name: a fixed name for function and special keys, else what the
    // current layout prints on it (upper-cased), else what a US keyboard prints
    // there, else "Key <code>".
    static QString keyName(int code);
    // The stored modifier mask of Qt's modifiers (Shift, Control, Alt, Super).
    static int modifierMask(Qt::KeyboardModifiers modifiers);

signals:
    // The user recorded a new combination.
    void edited(int keyCode, int modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void clicked();
    void startRecording();
    void stopRecording();
    void refresh();

    QLabel* m_label;
    QPushButton* m_button;
    int m_keyCode;
    int m_modifiers;
    HotkeyManager* m_grabs;
    bool m_recording = false;
    bool m_monitorInstalled = false;
};
