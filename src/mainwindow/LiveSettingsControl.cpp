#include "mainwindow/LiveSettingsControl.h"

#include "mainwindow/SampleScene.h"
#include "mainwindow/SampleTile.h"
#include "support/Defaults.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr qreal kCaptionSize = 11;

QLabel* captionLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setFont(SampleScenes::font(kCaptionSize));
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

LiveSettingsControl::LiveSettingsControl(Defaults& defaults, QString key, QVariant fallback, int tileHeight,
                                         QList<Option> options, QWidget* parent)
    : QWidget(parent), m_defaults(defaults), m_key(std::move(key)), m_fallback(std::move(fallback)),
      m_options(std::move(options)), m_column(new QVBoxLayout(this)) {
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(kSpacing);
    auto* row = new QHBoxLayout;
    row->setSpacing(kSpacing);
    for (const Option& option : std::as_const(m_options)) {
        auto* tile = new SampleTile(option.label, tileHeight, option.scene(m_defaults), this);
        const QVariant value = option.value;
        connect(tile, &SampleTile::clicked, this, [this, value] { m_defaults.set(m_key, value); });
        row->addWidget(tile, 1, Qt::AlignTop);
        m_tiles.append(tile);
    }
    m_column->addLayout(row);
    connect(&m_defaults, &Defaults::changed, this, [this](const QString& changed) {
        if (changed == m_key || m_followed.contains(changed))
            refresh();
    });
    refresh();
}

void LiveSettingsControl::setCaption(const QString& caption) { m_column->insertWidget(0, captionLabel(caption, this)); }

void LiveSettingsControl::setNote(const QString& note) { m_column->addWidget(captionLabel(note, this)); }

void LiveSettingsControl::followKey(const QString& key) { m_followed.append(key); }

bool LiveSettingsControl::matches(const QVariant& value) const {
    const QVariant stored = m_defaults.contains(m_key) ? m_defaults.value(m_key) : m_fallback;
    if (stored.typeId() != m_fallback.typeId())
        return false;
    return stored == value;
}

int LiveSettingsControl::selectedIndex() const {
    for (qsizetype i = 0; i < m_tiles.size(); ++i)
        if (m_tiles.at(i)->isSelected())
            return int(i);
    return -1;
}

void LiveSettingsControl::refresh() {
    for (qsizetype i = 0; i < m_tiles.size(); ++i) {
        m_tiles.at(i)->setSelected(matches(m_options.at(i).value));
        m_tiles.at(i)->setScene(m_options.at(i).scene(m_defaults));
    }
}
