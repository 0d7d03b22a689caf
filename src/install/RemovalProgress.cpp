#include "install/RemovalProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kWidth = 360;
// The bar counts in kilobytes, so that gigabytes fit its int range.
constexpr qint64 kBarUnit = 1024;

} // namespace

RemovalProgress::RemovalProgress(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_step(new QLabel(this)),
      m_bar(new QProgressBar(this)) {
    setObjectName(QStringLiteral("removalProgress"));
    setWindowTitle(tr("Removing Quorvane"));
    setFixedWidth(kWidth);
    m_step->setTextFormat(Qt::PlainText);
    m_step->setWordWrap(true);
    m_bar->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_step);
    layout->addWidget(m_bar);
    showStopping();
}

void RemovalProgress::showStopping() {
    m_step->setText(tr("Stopping the speech engine and the phone link…"));
    m_bar->setRange(0, 0);
}

void RemovalProgress::showDeleting(qint64 freed, qint64 total) {
    m_step->setText(tr("Deleting your dictations, settings, the speech engine and the models…"));
    if (total <= 0) {
        m_bar->setRange(0, 0);
        return;
    }
    m_bar->setRange(0, int(total / kBarUnit));
    m_bar->setValue(int(std::clamp(freed, qint64(0), total) / kBarUnit));
}
