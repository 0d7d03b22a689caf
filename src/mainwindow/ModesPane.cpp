#include "mainwindow/ModesPane.h"

#include "cleanup/ModeStore.h"
#include "looks/TintedSymbol.h"
#include "platform/DesktopApps.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "support/Defaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

ModesPane::Services ModesPane::Services::standard(ModeStore& store) {
    Services services;
    services.defaults = &Defaults::shared();
    services.store = &store;
    services.appName = [](const QString& identifier) -> std::optional<QString> {
        DesktopApps* apps = Platform::current().desktopApps;
        if (!apps)
            return std::nullopt;
        const std::optional<DesktopApps::App> app = apps->find(identifier);
        return app ? std::optional<QString>(app->name) : std::nullopt;
    };
    return services;
}

ModesPane::ModesPane(Services services, QWidget* parent)
    : SettingsForm(tr("Modes"), parent), m_services(std::move(services)) {
    SettingsSection* automatic = addSection(tr("Automatic modes"));
    m_enabled = automatic->addToggle(tr("Match the app I'm writing in"), m_services.store->isEnabled());
    automatic->addHelp(tr("On, Quorvane writes email like email and chat like chat, choosing from the app your cursor "
                          "is in. There is nothing to set up. Off, every dictation uses Notes, exactly as Quorvane "
                          "worked before."));
    connect(m_enabled, &QCheckBox::toggled, this, [this](bool on) {
        m_services.defaults->set(ModeStore::enabledKey, on);
        // The store's observers hear of it as a change of the store.
        m_services.store->setModes(m_services.store->modes());
        m_modes->setVisible(on);
    });

    m_modes = addSection(tr("What happens where"));
    m_rowHolder = m_modes->add(new QWidget);
    m_rowColumn = new QVBoxLayout(m_rowHolder);
    m_rowColumn->setContentsMargins(0, 0, 0, 0);
    m_rowColumn->setSpacing(6);
    m_new = m_modes->add(new QPushButton(tr("New mode")));
    m_new->setFlat(true);
    m_new->setIcon(QIcon(
        TintedSymbol::pixmap(QStringLiteral("plus"), 12, palette().color(QPalette::Highlight), devicePixelRatioF())));
    connect(m_new, &QPushButton::clicked, this, [this] {
        const DictationMode added = m_services.store->add();
        m_editing = added.id;
        rebuild();
    });
    m_modes->addHelp(tr("An app Quorvane doesn't recognise uses Notes. Open a mode to change what it does or which "
                        "apps it covers."));
    m_modes->setVisible(m_enabled->isChecked());

    SettingsSection* phone = addSection(Wording::of(tr("Notes from your iPhone")));
    m_phone = new QComboBox;
    phone->addLabelled(tr("Write them in"), m_phone);
    connect(m_phone, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_services.defaults->set(kPhoneNoteMode, m_phone->itemData(index).toString());
    });
    phone->addHelp(Wording::of(
        tr("Your iPhone transcribes with Apple's recogniser, which knows nothing about your dictionary or your number "
           "style. When a note reaches this Mac, Quorvane rewrites it with its own engine in this mode. The phone's "
           "original wording is kept on the note.")));
    connect(m_services.store, &ModeStore::modesChanged, this, &ModesPane::rebuild);
    rebuild();
    finish();
}

void ModesPane::toggle(const QString& id) {
    m_editing = m_editing == id ? std::nullopt : std::optional<QString>(id);
    rebuild();
}

void ModesPane::rebuild() {
    for (ModeRow* row : std::as_const(m_rows)) {
        // Out of the layout at once; deleted later, as a row's own button may be
        // the sender.
        m_rowColumn->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    const QList<DictationMode> modes = m_services.store->modes();
    for (const DictationMode& mode : modes) {
        auto* row = new ModeRow(mode, *m_services.store, m_editing == mode.id, m_services.appName, m_rowHolder);
        connect(row, &ModeRow::toggled, this, &ModesPane::toggle);
        m_rowColumn->addWidget(row);
        m_rows.append(row);
    }
    const QSignalBlocker quiet(m_phone);
    m_phone->clear();
    for (const DictationMode& mode : modes)
        m_phone->addItem(mode.name, mode.id);
    m_phone->setCurrentIndex(m_phone->findData(m_services.defaults->stringOr(kPhoneNoteMode, QStringLiteral("notes"))));
}
