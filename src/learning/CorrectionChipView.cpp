#include "learning/CorrectionChipView.h"

#include "learning/CapsuleGlass.h"
#include "looks/Symbols.h"
#include "looks/TextColours.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kOuterMargin = 5;
constexpr int kSideMargin = 14;
constexpr int kTopMargin = 11;
constexpr int kSpacing = 10;
constexpr int kSymbolSize = 15;
const QColor kOrange(255, 149, 0);
const QColor kPrimary(255, 255, 255);
const QColor kOnOrange(0x1d, 0x1d, 0x1f);
const QColor kSecondary = QColor::fromRgbF(1, 1, 1, float(TextColours::kSecondary));

QFont chipFont(int size, bool semibold) {
    QFont f;
    f.setPixelSize(size);
    if (semibold)
        f.setWeight(QFont::DemiBold);
    return f;
}

QRectF capsule(const QSizeF& size) {
    return QRectF(QPointF(), size).adjusted(kOuterMargin, kOuterMargin, -kOuterMargin, -kOuterMargin);
}

} // namespace

CorrectionChipView::CorrectionChipView(QWidget* parent) : QWidget(parent) {
    setFixedSize(kSize);
    CapsuleGlass::keepSolidWhereUnblended(*this, [](const QSizeF& size) { return capsule(size); });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kOuterMargin + kSideMargin, kOuterMargin + kTopMargin - kOuterMargin,
                            kOuterMargin + kSideMargin, kOuterMargin + kTopMargin - kOuterMargin);
    row->setSpacing(kSpacing);

    auto* symbol = new QLabel(this);
    QPixmap book = Symbols::icon(QStringLiteral("character.book.closed.fill")).pixmap(kSymbolSize, kSymbolSize);
    if (!book.isNull()) {
        QPainter tint(&book);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(book.rect(), kOrange);
    }
    symbol->setPixmap(book);
    row->addWidget(symbol);

    auto* lines = new QVBoxLayout;
    lines->setSpacing(1);
    m_title = new QLabel(this);
    m_title->setFont(chipFont(13, true));
    m_title->setStyleSheet(QStringLiteral("color: %1").arg(kPrimary.name(QColor::HexArgb)));
    m_detail = new QLabel(this);
    m_detail->setFont(chipFont(11, false));
    m_detail->setStyleSheet(QStringLiteral("color: %1").arg(kSecondary.name(QColor::HexArgb)));
    for (QLabel* label : {m_title, m_detail}) {
        label->setTextFormat(Qt::PlainText);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    lines->addWidget(m_title);
    lines->addWidget(m_detail);
    row->addLayout(lines, 1);

    m_no = new QPushButton(tr("No"), this);
    m_no->setFlat(true);
    m_no->setFont(chipFont(12, false));
    m_no->setStyleSheet(QStringLiteral("QPushButton { border: none; color: %1; padding: 4px 2px; }")
                            .arg(kSecondary.name(QColor::HexArgb)));
    m_add = new QPushButton(tr("Add"), this);
    m_add->setFont(chipFont(12, true));
    // Dark letters on the bright orange: white ones would not read on it.
    m_add->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none; "
                                        "border-radius: 6px; padding: 4px 8px; }")
                             .arg(kOrange.name(), kOnOrange.name()));
    for (QPushButton* button : {m_no, m_add}) {
        button->setFocusPolicy(Qt::NoFocus);
        row->addWidget(button);
    }
    connect(m_no, &QPushButton::clicked, this, &CorrectionChipView::declined);
    connect(m_add, &QPushButton::clicked, this, &CorrectionChipView::added);
    setCandidate(std::nullopt);
}

void CorrectionChipView::setCandidate(const std::optional<CorrectionCandidate>& candidate) {
    const QString meant = candidate ? candidate->meant : QString();
    const QString heard = candidate ? candidate->heard : QString();
    m_titleText = tr("Remember “%1”?").arg(meant);
    m_detailText = tr("you have fixed it from “%1” twice").arg(heard);
    fitTexts();
}

void CorrectionChipView::fitTexts() {
    layout()->activate();
    // One line each, cut short with an ellipsis where the row has no room.
    m_title->setText(m_title->fontMetrics().elidedText(m_titleText, Qt::ElideRight, m_title->width()));
    m_detail->setText(m_detail->fontMetrics().elidedText(m_detailText, Qt::ElideRight, m_detail->width()));
}

void CorrectionChipView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitTexts();
}

QString CorrectionChipView::title() const { return m_titleText; }
QString CorrectionChipView::detail() const { return m_detailText; }

void CorrectionChipView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    CapsuleGlass::paint(painter, capsule(QSizeF(size())));
}
