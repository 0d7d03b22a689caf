#include "mainwindow/InstructionsPane.h"

#include "looks/PixelFont.h"
#include "onboarding/KeyboardGuide.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// A guide under its own title.
QWidget* titled(const QString& title, QWidget* guide, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(InstructionsPane::kTitleSpacing);
    auto* label = new QLabel(title, box);
    label->setFont(pixelFont(13, QFont::DemiBold));
    column->addWidget(label);
    guide->setParent(box);
    // Beside a stretch, so that the height the page asks for is the one the
    // guide needs at its own width: a guide narrower than the page wraps its
    // sentences onto more lines than the page's width would.
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(guide);
    row->addStretch(0);
    column->addLayout(row);
    return box;
}

} // namespace

InstructionsPane::InstructionsPane(Defaults& defaults, QWidget* parent) : QScrollArea(parent) {
    setWindowTitle(tr("Instructions"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* content = new QWidget(this);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(22, 20, 22, 20);
    column->setSpacing(0);
    auto* title = new QLabel(tr("How to use Quorvane"), content);
    title->setFont(pixelFont(15, QFont::DemiBold));
    auto* line = new QLabel(
        tr("Four gestures, all the same move. Rebind any of them in Dictation, Reader or Translation."), content);
    line->setFont(pixelFont(12.5, QFont::Normal));
    line->setForegroundRole(QPalette::PlaceholderText);
    line->setWordWrap(true);
    line->setContentsMargins(0, 3, 0, 22);
    column->addWidget(title);
    column->addWidget(line);
    m_speaking = new KeyboardGuide(KeyboardGuide::Topic::Speaking, false, defaults);
    m_reading = new KeyboardGuide(KeyboardGuide::Topic::Reading, false, defaults);
    column->addWidget(titled(QStringLiteral("Speaking"), m_speaking, content));
    column->addSpacing(kGuideSpacing);
    column->addWidget(titled(QStringLiteral("Reading"), m_reading, content));
    column->addStretch(1);
    setWidget(content);
    viewport()->setBackgroundRole(QPalette::Window);
}
