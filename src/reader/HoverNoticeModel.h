#pragma once

#include <QObject>

// What the hover panels show: a paragraph offered for reading, or one being
// read. Shared by the highlight and the notice. GUI thread only.
class HoverNoticeModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool reading READ reading NOTIFY readingChanged)
public:
    using QObject::QObject;

    bool reading() const { return m_reading; }
    void setReading(bool reading) {
        if (reading == m_reading)
            return;
        m_reading = reading;
        emit readingChanged(reading);
    }

signals:
    void readingChanged(bool reading);

private:
    bool m_reading = false;
};
