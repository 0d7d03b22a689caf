#include "onboarding/OnbTitle.h"

namespace {
constexpr qreal kKerning = -0.4;
}

OnbTitle::OnbTitle(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont f = font();
    f.setPixelSize(kPoints);
    f.setBold(true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, kKerning);
    setFont(f);
    setAlignment(Qt::AlignHCenter);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int OnbTitle::heightForWidth(int width) const {
    return fontMetrics()
        .boundingRect(QRect(0, 0, width, QWIDGETSIZE_MAX), Qt::TextWordWrap | Qt::AlignHCenter, text())
        .height();
}

QSize OnbTitle::sizeHint() const {
    const int w = width() > 0 ? width() : fontMetrics().horizontalAdvance(text());
    return QSize(fontMetrics().horizontalAdvance(text()), heightForWidth(w));
}

QSize OnbTitle::minimumSizeHint() const { return QSize(0, fontMetrics().height()); }
