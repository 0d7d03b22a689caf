#include "platform/linux/LinuxWording.h"

#include <QHash>

QString LinuxWording::forDesktop(const QString& text) const {
    static const QHash<QString, QString> table = {
        {QStringLiteral("No sound from your mic. Check System Settings > Sound > Input."),
         QStringLiteral("No sound from your mic. Check Settings > Sound > Input.")},
        // Translation runs on Apertium and its language-pair packages.
        {QStringLiteral("Translation needs macOS 26 or later."),
         QStringLiteral("Translation needs Apertium with at least one language pair installed.")},
        {QStringLiteral(" is not downloaded yet. System Settings > General > Language & Region > Translation Languages."),
         QStringLiteral(" is not installed yet. Install the Apertium language pair with your package manager.")},
        {QStringLiteral(" cannot be translated on this Mac."), QStringLiteral(" cannot be translated on this computer.")},
        // Pasting needs keystrokes that reach other applications, which
        // Wayland does not allow.
        {QStringLiteral("Copied. Grant Accessibility to auto-paste."),
         QStringLiteral("Copied. This desktop does not let Quorvane type: paste with Ctrl+V.")},
        {QStringLiteral("Copied. Grant Accessibility to paste it for you."),
         QStringLiteral("Copied. This desktop does not let Quorvane type: paste with Ctrl+V.")},
        // The microphone test.
        {QStringLiteral("The mic captured almost no sound. Check System Settings \u203a Sound \u203a Input and speak into the right microphone."),
         QStringLiteral("The mic captured almost no sound. Check Settings \u203a Sound \u203a Input and speak into the right microphone.")},
        {QStringLiteral("Reveal recording in Finder"), QStringLiteral("Show recording in Files")},
    };
    return table.value(text, text);
}
