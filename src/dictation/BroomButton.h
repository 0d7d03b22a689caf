#pragma once

#include "state/AppState.h"

#include <QAbstractButton>

#include <functional>

// The result card's "Clean up" button: an orange capsule that re-cleans the
// last insertion. Disabled while a clean-up runs and after one succeeded.
class BroomButton : public QAbstractButton {
    Q_OBJECT
public:
    // `cleanUp` runs on each press (the re-clean drives `cleanupState`).
    BroomButton(AppState& state, std::function<void()> cleanUp, QWidget* parent = nullptr);

    static bool enabledFor(AppState::CleanupState state);
    bool hovering() const { return m_hovering; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void follow();

    AppState& m_state;
    std::function<void()> m_cleanUp;
    bool m_hovering = false;
};
