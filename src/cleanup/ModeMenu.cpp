#include "cleanup/ModeMenu.h"

#include "cleanup/ModeStore.h"
#include "support/Defaults.h"

#include <QMenu>

ModeMenu::ModeMenu(ModeStore& store, Defaults& settings, QMenu* menu)
    : QObject(menu), m_store(store), m_settings(settings), m_submenu(menu->addMenu(QString())) {
    connect(m_submenu, &QMenu::aboutToShow, this, &ModeMenu::rebuild);
    connect(&m_store, &ModeStore::modesChanged, this, &ModeMenu::retitle);
    connect(&m_settings, &Defaults::changed, this, [this](const QString& key) {
        if (key == ModeStore::pinnedKey || key == ModeStore::enabledKey)
            retitle();
    });
    rebuild();
}

QString ModeMenu::title(const ModeStore& store, const Defaults& settings) {
    if (!store.isEnabled())
        return tr("Mode: off");
    if (const std::optional<QString> pinned = settings.string(ModeStore::pinnedKey))
        if (const std::optional<DictationMode> mode = store.mode(*pinned))
            return tr("Mode: ") + mode->name + tr(" (pinned)");
    return tr("Mode: Automatic");
}

void ModeMenu::retitle() { m_submenu->setTitle(title(m_store, m_settings)); }

void ModeMenu::rebuild() {
    retitle();
    m_submenu->clear();
    const std::optional<QString> pinned = m_settings.string(ModeStore::pinnedKey);
    const bool automatic = !m_settings.contains(ModeStore::pinnedKey);
    QAction* automaticItem = m_submenu->addAction((automatic ? kMarked : kUnmarked) + tr("Automatic"));
    connect(automaticItem, &QAction::triggered, this, [this] { pin(QString()); });
    m_submenu->addSeparator();
    for (const DictationMode& mode : m_store.modes()) {
        QAction* item = m_submenu->addAction((pinned == mode.id ? kMarked : kUnmarked) + mode.name);
        const QString id = mode.id;
        connect(item, &QAction::triggered, this, [this, id] { pin(id); });
    }
}

void ModeMenu::pin(const QString& id) {
    if (id.isEmpty())
        m_settings.remove(ModeStore::pinnedKey);
    else
        m_settings.set(ModeStore::pinnedKey, id);
    // Readers of the store see the change as the store's own.
    m_store.setModes(m_store.modes());
    rebuild();
}
