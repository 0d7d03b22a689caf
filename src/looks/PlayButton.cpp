#include "looks/PlayButton.h"

#include "looks/TintedSymbol.h"

QColor PlayButton::ember() { return QColor::fromRgbF(0.831f, 0.4f, 0.122f); }

PlayButton::PlayButton(Speak speak, QWidget* parent) : QToolButton(parent), m_speak(std::move(speak)) {
    setAutoRaise(true);
    setToolTip(tr("Hear it"));
    setIcon(QIcon(TintedSymbol::pixmap(QStringLiteral("play.circle.fill"), kSymbolSize, ember(), devicePixelRatioF())));
    setIconSize(QSize(kSymbolSize, kSymbolSize));
    setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; }"));
    setAccessibleName(tr("Hear %1").arg(QString()));
    connect(this, &QToolButton::clicked, this, &PlayButton::play);
}

void PlayButton::setText(const QString& text) {
    m_text = text;
    setAccessibleName(tr("Hear %1").arg(text));
}

void PlayButton::play() {
    const QString spoken = m_text.trimmed();
    if (spoken.isEmpty() || !m_speak)
        return;
    m_speak(spoken);
}
