#include "translation/TranslationMenu.h"

#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "translation/DoubleTapKeyLabel.h"
#include "translation/TranslateKeys.h"
#include "translator/TranslationCatalog.h"
#include "translator/Translator.h"

#include <QMenu>
#include <QPointer>

namespace {

const QString kTargetKey = QStringLiteral("translationTarget");

void fill(QMenu* submenu, const TranslationMenu::Services& services) {
    using Kind = TranslationMenu::Row::Kind;
    const QString target = Translator::typeTarget();
    const QString tapKey = DictationSettings::readText(*services.defaults, DictationSettings::kTranslateTapKey);
    submenu->clear();
    submenu->setTitle(TranslationMenu::title(target));
    for (const TranslationMenu::Row& row : TranslationMenu::rows(target, tapKey, services.catalog->targets())) {
        switch (row.kind) {
        case Kind::Separator:
            submenu->addSeparator();
            break;
        case Kind::KeyHint:
        case Kind::NoLanguages:
            submenu->addAction(row.title)->setEnabled(false);
            break;
        case Kind::TranslateOnce:
            QObject::connect(submenu->addAction(row.title), &QAction::triggered, submenu, [services] {
                if (services.available && services.available() && services.dictateOnce)
                    services.dictateOnce();
            });
            break;
        case Kind::Language:
            QObject::connect(submenu->addAction(row.title), &QAction::triggered, submenu,
                             [defaults = services.defaults, code = row.code] { defaults->set(kTargetKey, code); });
            break;
        case Kind::AddLanguage: {
            QAction* add = submenu->addAction(row.title);
            add->setEnabled(bool(services.addLanguage));
            QObject::connect(add, &QAction::triggered, submenu, [open = services.addLanguage] {
                if (open)
                    open();
            });
            break;
        }
        }
    }
}

} // namespace

TranslationMenu::Services TranslationMenu::Services::standard(TranslateKeys& keys) {
    Services services;
    services.defaults = &Defaults::shared();
    services.catalog = &TranslationCatalog::shared();
    services.available = [] { return Translator::isAvailable(); };
    services.dictateOnce = [&keys] { keys.dictateOnceTranslated(); };
    return services;
}

QStringList TranslationMenu::offered(const QString& target, const QStringList& catalogTargets) {
    QStringList codes;
    for (const QString& code : TranslationCatalog::candidates())
        if (catalogTargets.contains(code) || code == target)
            codes.append(code);
    return codes;
}

QString TranslationMenu::title(const QString& target) {
    return QStringLiteral("Translate into: ") + Translator::displayName(target);
}

QList<TranslationMenu::Row> TranslationMenu::rows(const QString& target, const QString& tapKey,
                                                  const QStringList& catalogTargets) {
    QList<Row> rows;
    rows.append({Row::Kind::TranslateOnce, QStringLiteral("Translate One Dictation"), {}});
    rows.append({Row::Kind::KeyHint, QStringLiteral("or double-tap ") + DoubleTapKeyLabel::of(tapKey), {}});
    rows.append({Row::Kind::Separator, {}, {}});
    const QStringList codes = offered(target, catalogTargets);
    for (const QString& code : codes) {
        const QString mark = code == target ? QStringLiteral("\u2713 ") : QStringLiteral("   ");
        rows.append({Row::Kind::Language, mark + Translator::displayName(code), code});
    }
    if (codes.isEmpty())
        rows.append({Row::Kind::NoLanguages, QStringLiteral("No languages downloaded"), {}});
    rows.append({Row::Kind::Separator, {}, {}});
    rows.append({Row::Kind::AddLanguage, QStringLiteral("Add a Language\u2026"), {}});
    return rows;
}

QMenu* TranslationMenu::addTo(QMenu* menu, Services services) {
    auto* submenu = new QMenu(menu);
    menu->addMenu(submenu);
    fill(submenu, services);
    // The title shows in the tray menu itself, so both are brought up to date
    // when that opens; the catalogue's answer arrives a moment later.
    QObject::connect(menu, &QMenu::aboutToShow, submenu, [submenu, services] {
        fill(submenu, services);
        (void)services.catalog->refresh(false);
    });
    QObject::connect(submenu, &QMenu::aboutToShow, submenu, [submenu, services] { fill(submenu, services); });
    QObject::connect(services.catalog, &TranslationCatalog::targetsChanged, submenu, [submenu, services] {
        if (!submenu->isVisible())
            fill(submenu, services);
    });
    return submenu;
}
