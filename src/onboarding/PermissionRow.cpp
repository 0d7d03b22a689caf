#include "onboarding/PermissionRow.h"

#include "onboarding/OnbStyle.h"
#include "onboarding/OnbSymbol.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kInset = 11;
constexpr qreal kCorner = 9;
constexpr float kFillAlpha = 0.045F;
} // namespace

PermissionRow::PermissionRow(const QString& icon, const QString& title, const QString& detail, bool granted,
                             const QString& action, std::function<void()> tapped, QWidget* parent)
    : QWidget(parent), m_granted(granted) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kInset, kInset, kInset, kInset);
    row->setSpacing(kInset);
    auto* symbol = new OnbSymbol(granted ? QStringLiteral("checkmark.circle.fill") : icon, 16,
                                 granted ? OnbStyle::green(palette()) : OnbStyle::accent(palette()), this);
    symbol->setFixedWidth(20);
    row->addWidget(symbol, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* name = new QLabel(title, this);
    name->setFont(OnbStyle::font(13.5, QFont::DemiBold));
    auto* why = new QLabel(detail, this);
    why->setFont(OnbStyle::font(11.5));
    why->setWordWrap(true);
    OnbStyle::setForeground(*why, OnbStyle::secondary(palette()));
    texts->addWidget(name);
    texts->addWidget(why);
    row->addLayout(texts, 1);
    row->addSpacing(8);
    if (granted) {
        auto* done = new QLabel(QStringLiteral("Granted"), this);
        done->setFont(OnbStyle::font(11.5, QFont::DemiBold));
        OnbStyle::setForeground(*done, OnbStyle::green(palette()));
        row->addWidget(done, 0, Qt::AlignVCenter);
    } else {
        m_button = new QPushButton(action, this);
        m_button->setFont(OnbStyle::font(11.5));
        connect(m_button, &QPushButton::clicked, this, [tapped = std::move(tapped)] {
            if (tapped)
                tapped();
        });
        row->addWidget(m_button, 0, Qt::AlignVCenter);
    }
}

void PermissionRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(OnbStyle::withAlpha(OnbStyle::primary(palette()), kFillAlpha));
    painter.drawRoundedRect(QRectF(rect()), kCorner, kCorner);
}
