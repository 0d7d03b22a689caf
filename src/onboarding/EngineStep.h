#pragma once

#include <QWidget>

class EngineBootstrap;
class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

// The engine page: sets up the speech engine in front of the user. Coming
// into view while the engine is idle starts the set-up; in any other stage it
// only shows where the set-up stands. After a failure the user chooses
// "Try Again" or "Start Over"; nothing retries or moves on by itself.
class EngineStep : public QWidget {
    Q_OBJECT
public:
    explicit EngineStep(EngineBootstrap& bootstrap, QWidget* parent = nullptr);

    QString title() const;
    // The bar while the set-up runs; null when ready or failed.
    QProgressBar* bar() const { return m_bar; }
    QPushButton* tryAgainButton() const { return m_tryAgain; }
    QPushButton* startOverButton() const { return m_startOver; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();
    void finishRebuild();

    EngineBootstrap& m_bootstrap;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_content = nullptr;
    QLabel* m_title = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_detail = nullptr;
    QPushButton* m_tryAgain = nullptr;
    QPushButton* m_startOver = nullptr;
};
