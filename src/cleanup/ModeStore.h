#pragma once

#include "cleanup/DictationMode.h"

#include <QObject>

class Defaults;

// The list of dictation modes, kept as JSON in the setting "dictationModes", and
// the answer to which mode applies to the application that has the focus.
// Used from the GUI thread only.
class ModeStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<DictationMode> modes READ modes WRITE setModes NOTIFY modesChanged)
    Q_PROPERTY(DictationMode activeMode READ activeMode WRITE setActiveMode NOTIFY activeModeChanged)
public:
    static inline const QString modesKey = QStringLiteral("dictationModes");
    static inline const QString enabledKey = QStringLiteral("modesEnabled");
    static inline const QString pinnedKey = QStringLiteral("pinnedMode");

    // A store over `settings`; loads the list at once.
    explicit ModeStore(Defaults& settings, QObject* parent = nullptr);

    QList<DictationMode> modes() const { return m_modes; }
    // Publishes a new list without storing it.
    void setModes(const QList<DictationMode>& modes);
    DictationMode activeMode() const { return m_activeMode; }
    void setActiveMode(const DictationMode& mode);

    // Automatic modes ("modesEnabled", on unless stored as false).
    bool isEnabled() const;
    // A fresh notes mode for "notes", else the first mode with exactly this id.
    std::optional<DictationMode> mode(const QString& id) const;
    // The mode for the focused application: notes when automatic modes are off,
    // else the pinned mode, else the first mode with a matching prefix, else notes.
    DictationMode resolve(const std::optional<QString>& bundleID) const;

    // Appends a new user mode, stores the list and returns the mode.
    DictationMode add();
    // Replaces the mode with the same id and stores the list; an unknown id changes nothing.
    void update(const DictationMode& mode);
    // Removes a user mode and stores the list; built-in modes stay.
    void remove(const DictationMode& mode);
    // Stores the list. A stored value that could not be read is first kept under
    // "dictationModes.unreadable-<UTC time>".
    void save();
    // Reads the stored list; an absent, unreadable or empty list gives the built-ins.
    void load();

signals:
    void modesChanged();
    void activeModeChanged();

private:
    Defaults& m_settings;
    QList<DictationMode> m_builtIns;
    QList<DictationMode> m_modes;
    DictationMode m_activeMode;
    // The stored value `load` could not read, until `save` keeps it aside.
    QVariant m_unreadable;
};
