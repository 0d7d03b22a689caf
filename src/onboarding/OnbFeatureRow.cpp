#include "onboarding/OnbFeatureRow.h"

#include "onboarding/OnbStyle.h"
#include "onboarding/OnbSymbol.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int kSpacing = 15;
constexpr int kSymbolPoints = 20;
constexpr int kSymbolFrame = 28;
} // namespace

OnbFeatureRow::OnbFeatureRow(const QString& symbol, const QString& title, const QString& detail, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kSpacing);
    auto* icon = new OnbSymbol(symbol, kSymbolPoints, OnbStyle::accent(palette()), this);
    icon->setFixedWidth(kSymbolFrame);
    icon->setContentsMargins(0, 1, 0, 0);
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* heading = new QLabel(title, this);
    heading->setFont(OnbStyle::font(13.5, QFont::DemiBold));
    auto* explanation = new QLabel(detail, this);
    explanation->setFont(OnbStyle::font(12.5));
    explanation->setWordWrap(true);
    OnbStyle::setForeground(*explanation, OnbStyle::secondary(palette()));
    texts->addWidget(heading);
    texts->addWidget(explanation);
    row->addLayout(texts, 1);
}
