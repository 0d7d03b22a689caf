#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Defaults;
class QMenu;
class TranslateKeys;
class TranslationCatalog;

// The Translate submenu of the tray menu: translate the next dictation, the
// translate key, the typing target, and a way to add a language. Its title and
// rows are rebuilt from the settings and the catalogue each time the tray menu
// opens, which also refreshes the catalogue (throttled). GUI thread only.
class TranslationMenu {
public:
    struct Row {
        enum class Kind { TranslateOnce, KeyHint, Separator, Language, NoLanguages, AddLanguage };
        Kind kind;
        QString title;
        // Language rows: the code they choose.
        QString code;
        bool operator==(const Row&) const = default;
    };

    struct Services {
        Defaults* defaults = nullptr;
        TranslationCatalog* catalog = nullptr;
        // Whether translation is available; "Translate One Dictation" does nothing otherwise.
        std::function<bool()> available;
        // Marks the next dictation for translation and starts or stops one.
        std::function<void()> dictateOnce;
        // Opens the Translation page; empty shows "Add a Language…" disabled.
        std::function<void()> addLanguage;

        // The shared settings and catalogue, and `keys` (which must outlive the menu).
        static Services standard(TranslateKeys& keys);
    };

    // The candidates the catalogue reads into, and `target` itself, in candidate order.
    static QStringList offered(const QString& target, const QStringList& catalogTargets);
    static QString title(const QString& target);
    static QList<Row> rows(const QString& target, const QString& tapKey, const QStringList& catalogTargets);

    // Adds the submenu to `menu` and keeps it current.
    static QMenu* addTo(QMenu* menu, Services services);
};
