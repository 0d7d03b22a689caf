#pragma once

#include "mainwindow/SampleScene.h"

#include <QVariant>
#include <QWidget>

#include <functional>

class Defaults;
class SampleTile;

// A stored setting chosen from a row of picture tiles: an optional caption
// above, the tiles sharing the row's width, an optional note below. A tile is
// selected exactly when the stored value has the setting's type and equals
// the tile's value; a stored value of another type, or unknown text, selects
// none. A click on a tile writes its value to the one key and does nothing
// else. The control follows every write of its key (and of the keys its
// pictures depend on) at once. GUI thread only.
class LiveSettingsControl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSpacing = 12;

    struct Option {
        QVariant value;
        QString label;
        // Builds the picture from the current settings.
        std::function<SampleScene(const Defaults&)> scene;
    };

    // `defaults` must outlive the control. `fallback` is shown while the key is
    // absent; its type (Boolean or text) is the setting's type.
    LiveSettingsControl(Defaults& defaults, QString key, QVariant fallback, int tileHeight, QList<Option> options,
                        QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    void setNote(const QString& note);
    // Keys besides the control's own whose change redraws the pictures.
    void followKey(const QString& key);

    QString key() const { return m_key; }
    QList<SampleTile*> tiles() const { return m_tiles; }
    // The selected tile's index; -1 when none is.
    int selectedIndex() const;

private:
    bool matches(const QVariant& value) const;
    void refresh();

    Defaults& m_defaults;
    QString m_key;
    QVariant m_fallback;
    QList<Option> m_options;
    QList<SampleTile*> m_tiles;
    QStringList m_followed;
    class QVBoxLayout* m_column;
};
