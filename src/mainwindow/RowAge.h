#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

// How long ago a row's moment was, as the row shows it ("5 minutes ago"):
// counted from the `now` the row was made with and moved on by the time
// that has passed since, so that a row made before it comes on screen tells
// the age it has when it is seen.
class RowAge {
public:
    RowAge(QDateTime moment, QDateTime madeAt);

    QString text() const;

private:
    QDateTime m_moment;
    QDateTime m_madeAt;
    QElapsedTimer m_since;
};
