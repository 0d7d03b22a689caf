#include "onboarding/OnbBody.h"

#include "onboarding/OnbStyle.h"

#include <QHBoxLayout>
#include <QLabel>

OnbBody::OnbBody(const QString& text, QWidget* parent) : QWidget(parent), m_label(new QLabel(text, this)) {
    QFont f = m_label->font();
    f.setPixelSize(kPoints);
    m_label->setFont(f);
    m_label->setAlignment(Qt::AlignHCenter);
    m_label->setWordWrap(true);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setMaximumWidth(kMaxWidth);
    OnbStyle::setForeground(*m_label, OnbStyle::secondary(palette()));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    row->addWidget(m_label, 100);
    row->addStretch(1);
}

QString OnbBody::text() const { return m_label->text(); }
