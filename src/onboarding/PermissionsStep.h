#pragma once

#include <QWidget>

#include <functional>

class PermissionRow;
class QLabel;
class QVBoxLayout;

// The permissions page: the microphone and typing into other applications,
// each with its button or "Granted", under "All set" once both are granted.
// It only shows the flags its host gives it and never writes them.
class PermissionsStep : public QWidget {
    Q_OBJECT
public:
    PermissionsStep(std::function<void()> requestMic, std::function<void()> requestAX, QWidget* parent = nullptr);
    // Redraws the page for the host's flags.
    void setGranted(bool mic, bool ax);

    QString title() const;
    PermissionRow* microphoneRow() const { return m_mic; }
    PermissionRow* typingRow() const { return m_ax; }

private:
    std::function<void()> m_requestMic;
    std::function<void()> m_requestAX;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_content = nullptr;
    QWidget* m_symbol = nullptr;
    QLabel* m_title = nullptr;
    QWidget* m_rows = nullptr;
    PermissionRow* m_mic = nullptr;
    PermissionRow* m_ax = nullptr;
};
