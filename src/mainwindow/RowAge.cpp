#include "mainwindow/RowAge.h"

#include "mainwindow/RelativeTime.h"

RowAge::RowAge(QDateTime moment, QDateTime madeAt) : m_moment(std::move(moment)), m_madeAt(std::move(madeAt)) {
    m_since.start();
}

QString RowAge::text() const { return RelativeTime::text(m_moment, m_madeAt.addMSecs(m_since.elapsed())); }
