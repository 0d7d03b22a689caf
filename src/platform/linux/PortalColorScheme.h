#pragma once

#include "platform/ColorScheme.h"

class QDBusVariant;

// The desktop's colour-scheme preference from the freedesktop settings portal
// (org.freedesktop.appearance color-scheme: 1 dark, 2 light, 0 none). The first
// answer is asked for at construction without waiting for it; later changes
// arrive with the portal's SettingChanged signal. Lives on the GUI thread.
class PortalColorScheme : public ColorScheme {
    Q_OBJECT
public:
    explicit PortalColorScheme(QObject* parent = nullptr);
    ~PortalColorScheme() override;

    // None until the portal has answered, and while it is absent.
    std::optional<bool> prefersDark() const override;

    // The preference a color-scheme value gives, or none for a value that is
    // not one of the three.
    static std::optional<bool> fromPortalValue(const QVariant& value);

private slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void update(std::optional<bool> preference);

    std::optional<bool> m_dark;
};
