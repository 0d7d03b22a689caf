#pragma once

#include <QObject>

// Whether a hover reading is under way; observed by whoever shows it. GUI
// thread only.
class HoverReadState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)
public:
    using QObject::QObject;

    bool playing() const { return m_playing; }
    void setPlaying(bool playing) {
        if (playing == m_playing)
            return;
        m_playing = playing;
        emit playingChanged(playing);
    }

signals:
    void playingChanged(bool playing);

private:
    bool m_playing = false;
};
