#pragma once

#include <QEvent>
#include <QObject>

// Notes when a widget it filters has been painted.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const bool handled = QObject::eventFilter(watched, event);
            painted = true;
            return handled;
        }
        return false;
    }
};
