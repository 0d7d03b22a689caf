#pragma once

#include <QWidget>

class Defaults;

// The main window around its content. Closing only hides it; its frame is
// kept under an autosave name in the settings and restored when it is made.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // `content` becomes the window's child; `defaults` must outlive the window.
    MainWindow(QWidget* content, const QString& autosaveName, Defaults& defaults);

    QWidget* content() const { return m_content; }
    // Whether a saved frame was put back.
    bool restoredFrame() const { return m_restored; }
    // The settings key that keeps the frame.
    static QString frameKey(const QString& autosaveName);

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Notes the application's quit, whose close of this window must not be refused.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void saveFrame();

    QWidget* m_content;
    QString m_key;
    Defaults& m_defaults;
    bool m_restored = false;
    bool m_quitting = false;
};
