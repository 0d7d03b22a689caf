#pragma once

#include "cleanup/ModeRow.h"
#include "looks/SettingsForm.h"

#include <optional>

class Defaults;
class ModeStore;
class QCheckBox;
class QComboBox;
class QVBoxLayout;

// The Modes page: the automatic-modes switch, one row per mode (at most one
// editor open), a new mode, and the mode notes from the phone are rewritten
// in. Follows every change of the store. GUI thread only.
class ModesPane : public SettingsForm {
    Q_OBJECT
public:
    static inline const QString kPhoneNoteMode = QStringLiteral("phoneNoteMode");

    struct Services {
        Defaults* defaults = nullptr;
        ModeStore* store = nullptr;
        ModeRow::AppName appName;

        // The program's settings and `store`, which must outlive the page.
        static Services standard(ModeStore& store);
    };

    explicit ModesPane(Services services, QWidget* parent = nullptr);

    QCheckBox* enabledToggle() const { return m_enabled; }
    SettingsSection* modesSection() const { return m_modes; }
    QList<ModeRow*> rows() const { return m_rows; }
    QPushButton* newModeButton() const { return m_new; }
    QComboBox* phonePicker() const { return m_phone; }
    std::optional<QString> editing() const { return m_editing; }

private:
    void toggle(const QString& id);
    void rebuild();

    Services m_services;
    std::optional<QString> m_editing;
    QCheckBox* m_enabled = nullptr;
    SettingsSection* m_modes = nullptr;
    QWidget* m_rowHolder = nullptr;
    QVBoxLayout* m_rowColumn = nullptr;
    QList<ModeRow*> m_rows;
    QPushButton* m_new = nullptr;
    QComboBox* m_phone = nullptr;
};
