#include "looks/Surface.h"

#include "looks/PaperCard.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

Surface::Surface(QWidget* content, bool paper, bool followsWindow, Defaults& defaults, QWidget* parent)
    : QWidget(parent), m_content(content), m_paper(paper), m_followsWindow(followsWindow), m_defaults(defaults) {
    auto* layout = new QVBoxLayout(this);
    if (m_paper) {
        const QMarginsF pad = PaperCard::kPadding;
        layout->setContentsMargins(int(pad.left()), int(pad.top()), int(pad.right()), int(pad.bottom()));
    } else {
        layout->setContentsMargins(kPlainPadding, kPlainPadding, kPlainPadding, kPlainPadding);
    }
    layout->addWidget(m_content);
    connect(&m_defaults, &Defaults::changed, this, [this](const QString& key) {
        if (key == DictationSettings::kPaperShade)
            restyle();
    });
    restyle();
}

bool Surface::surroundingIsDark() const {
    const QWidget* around = parentWidget();
    const QPalette palette = around ? around->palette() : QWidget::palette();
    return Paper::looksDark(palette);
}

bool Surface::isDark() const {
    return PaperCard::isDark(DictationSettings::readText(m_defaults, DictationSettings::kPaperShade),
                             surroundingIsDark(), m_followsWindow);
}

void Surface::restyle() {
    if (!m_paper || m_restyling)
        return;
    m_restyling = true;
    const Paper::Palette& palette = Paper::palette(isDark());
    QPalette inside = m_content->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        inside.setColor(role, palette.ink);
    inside.setColor(QPalette::Window, palette.sheet);
    inside.setColor(QPalette::Base, palette.sheet);
    m_content->setPalette(inside);
    m_restyling = false;
    update();
}

void Surface::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::PaletteChange)
        restyle();
    QWidget::changeEvent(event);
}

void Surface::paintEvent(QPaintEvent*) {
    if (!m_paper)
        return;
    QPainter painter(this);
    PaperCard{kLineHeight, kRadius, m_followsWindow}.paint(painter, QRectF(rect()), Paper::palette(isDark()));
}
