#include "platform/linux/LinuxWording.h"

#include <QHash>

QString LinuxWording::forDesktop(const QString& text) const {
    static const QHash<QString, QString> table = {
        // First run: the onboarding pages and the keyboard guide's key names.
        {QStringLiteral("Everything happens on this Mac. Nothing you say is sent anywhere."),
         QStringLiteral("Everything happens on this computer. Nothing you say is sent anywhere.")},
        {QStringLiteral("Dictate into any app on your Mac, punctuated and cleaned up as you go."),
         QStringLiteral("Dictate into any app on your computer, punctuated and cleaned up as you go.")},
        {QStringLiteral("macOS asks before any app can hear you or type for you. Quorvane needs both, and nothing else."),
         QStringLiteral("Hearing you and typing for you each need a yes from your desktop. Quorvane needs both, and "
                        "nothing else.")},
        {QStringLiteral("Double-tap the right \u2318 key, say anything, then double-tap again to stop."),
         QStringLiteral("Double-tap the right Super key, say anything, then double-tap again to stop.")},
        {QStringLiteral("What lets your words land in Mail, Safari, or wherever you were working."),
         QStringLiteral("What lets your words land in your mail, your browser, or wherever you were working.")},
        {QStringLiteral("It works the same in Mail, Safari, your editor, anywhere your Mac can type."),
         QStringLiteral("It works the same in your mail, your browser, your editor, anywhere you can type.")},
        {QStringLiteral("About 1.2 GB, one time. Your Mac does all the talking and listening itself, which is why there "
                        "is something to download."),
         QStringLiteral("About 1.2 GB, one time. Your computer does all the talking and listening itself, which is why "
                        "there is something to download.")},
        {QStringLiteral("Hi there! I'm Quorvane, your new reading voice. I live on your Mac, and I never repeat what I "
                        "hear."),
         QStringLiteral("Hi there! I'm Quorvane, your new reading voice. I live on your computer, and I never repeat "
                        "what I hear.")},
        {QStringLiteral("Twelve languages, either direction, all on this Mac. Nothing is uploaded."),
         QStringLiteral("Twelve languages, either direction, all on this computer. Nothing is uploaded.")},
        {QStringLiteral("Right Command"), QStringLiteral("Right Super")},
        {QStringLiteral("Left Command"), QStringLiteral("Left Super")},
        {QStringLiteral("Right Option"), QStringLiteral("Right Alt")},
        {QStringLiteral("Left Option"), QStringLiteral("Left Alt")},
        {QStringLiteral("No sound from your mic. Check System Settings > Sound > Input."),
         QStringLiteral("No sound from your mic. Check Settings > Sound > Input.")},
        // Translation runs on Apertium and its language-pair packages.
        {QStringLiteral("Translation needs macOS 26 or later."),
         QStringLiteral("Translation needs Apertium with at least one language pair installed.")},
        {QStringLiteral(" is not downloaded yet. System Settings > General > Language & Region > Translation Languages."),
         QStringLiteral(" is not installed yet. Install the Apertium language pair with your package manager.")},
        {QStringLiteral(" cannot be translated on this Mac."), QStringLiteral(" cannot be translated on this computer.")},
        {QStringLiteral("macOS asks you to confirm, then downloads it. It stays on this Mac and works with no network "
                        "afterwards. Adding one language covers both directions with English."),
         QStringLiteral("Your package manager installs it; Quorvane shows the command. It stays on this computer and "
                        "works with no network afterwards. Adding one language covers both directions with English.")},
        {QStringLiteral("Every language Quorvane offers is already on this Mac."),
         QStringLiteral("Every language Quorvane offers is already on this computer.")},
        // The Translation page: its languages are the translator's packages.
        {QStringLiteral("Ready on this Mac"), QStringLiteral("Ready on this computer")},
        {QStringLiteral("No languages are downloaded yet, so there is nothing to translate from. Add one in Language "
                        "& Region and it will appear here."),
         QStringLiteral("No language pairs are installed yet, so there is nothing to translate from. Install one "
                        "with your package manager and it will appear here.")},
        {QStringLiteral("Manage in System Settings\u2026"), QStringLiteral("Manage in your package manager\u2026")},
        {QStringLiteral("Only needed to remove a language, or to see everything macOS holds. Adding one is quicker "
                        "above. On that page, scroll to the bottom and click Translation Languages; the list at the "
                        "top is a different thing."),
         QStringLiteral("Only needed to remove a language: each one is an Apertium language pair, removed like any "
                        "other package. Adding one is quicker above.")},
        {QStringLiteral("Translation happens on your Mac, using the language models macOS has downloaded. Quorvane "
                        "refuses to translate a language that is not on this Mac rather than sending your words "
                        "anywhere."),
         QStringLiteral("Translation happens on this computer, using the Apertium language pairs installed on it. "
                        "Quorvane refuses to translate a language that is not on this computer rather than sending "
                        "your words anywhere.")},
        // The double-tap keys: Command is Super and Option is Alt here.
        {QStringLiteral("Right Command \u2318"), QStringLiteral("Right Super")},
        {QStringLiteral("Right Option \u2325"), QStringLiteral("Right Alt")},
        {QStringLiteral("Right Control \u2303"), QStringLiteral("Right Control")},
        {QStringLiteral("Left Command \u2318"), QStringLiteral("Left Super")},
        {QStringLiteral("Left Option \u2325"), QStringLiteral("Left Alt")},
        {QStringLiteral("Control \u2303"), QStringLiteral("Control")},
        // The caps of the drawn keyboard: Super and Alt, as a PC keyboard prints them.
        {QStringLiteral("\u2318"), QStringLiteral("\u2756")},
        {QStringLiteral("command"), QStringLiteral("super")},
        {QStringLiteral("\u2325"), QString()},
        {QStringLiteral("option"), QStringLiteral("alt")},
        {QStringLiteral("\u2303"), QString()},
        {QStringLiteral("control"), QStringLiteral("ctrl")},
        // The accessibility shortcuts' hints, for GNOME's Accessibility panel.
        {QStringLiteral("Open Pointer Control, then Dwell Control, to click by resting the pointer."),
         QStringLiteral("Open Click Assist under Pointing & Clicking, then turn on Hover Click, to click by resting the "
                        "pointer.")},
        {QStringLiteral("Zoom and Display are under Vision. Display scaling is in Displays, not here."),
         QStringLiteral("Zoom and Large Text are under Seeing. Display scaling is in Displays, not here.")},
        {QStringLiteral("VoiceOver is under Vision. Command F5 also turns it on and off."),
         QStringLiteral("The Screen Reader is under Seeing. Super Alt S also turns it on and off.")},
        // Phone notes: the question about an unknown phone, and the notes folder
        // that stands in for the notes application.
        {QStringLiteral(" arrived from an iPhone this Mac has not seen before. Are they yours?"),
         QStringLiteral(" arrived from a phone this computer has not seen before. Are they yours?")},
        {QStringLiteral("Notes needs permission. Allow Quorvane under Privacy & Security, Automation."),
         QStringLiteral("Notes could not be saved: Quorvane may not write to its notes folder. Check the folder's "
                        "permissions.")},
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
        // Reading aloud: the speech engine runs on this computer and fetches nothing.
        {QStringLiteral("Could not start %@. The first use of a voice needs a moment online."),
         QStringLiteral("Could not start %@. The speech engine did not answer.")},
        {QStringLiteral("This Mac has no voice for %@."), QStringLiteral("This computer has no voice for %@.")},
        // The self-update: install folders live in /opt or ~/Applications.
        {QStringLiteral(". Updates can only install once it is in the Applications folder. Move it there and open it "
                        "again, then check for updates."),
         QStringLiteral(". Updates can only install once it is in /opt or in the Applications folder of your home "
                        "folder. Move it there and open it again, then check for updates.")},
        {QStringLiteral(" was refused by macOS, so Quorvane is still running "),
         QStringLiteral(" was refused by the system, so Quorvane is still running ")},
        {QStringLiteral(". This is a permission on the app itself rather than anything wrong with the download.\n\n"
                        "Downloading it from the site and dragging it into Applications replaces this copy properly."),
         QStringLiteral(". This is a permission on the install folder rather than anything wrong with the download.\n\n"
                        "Downloading it from the site and unpacking it into the Applications folder of your home "
                        "folder replaces this copy properly.")},
        {QStringLiteral("macOS said: "), QStringLiteral("The system said: ")},
        // The settings pages.
        {QStringLiteral("Match the Mac"), QStringLiteral("Match the desktop")},
        {QStringLiteral("Runs on-device after you speak and adds about a second. Balanced fixes fillers, stammers and "
                        "grammar; Aggressive also tightens wordy phrasing. Nothing leaves your Mac."),
         QStringLiteral("Runs on-device after you speak and adds about a second. Balanced fixes fillers, stammers and "
                        "grammar; Aggressive also tightens wordy phrasing. Nothing leaves your computer.")},
        {QStringLiteral("Let my iPhone hand notes to this Mac"), QStringLiteral("Let my phone hand notes to this computer")},
        {QStringLiteral("Notes from your iPhone"), QStringLiteral("Notes from your phone")},
        {QStringLiteral("Keep Quorvane in the Dock"), QStringLiteral("Keep Quorvane in the taskbar")},
        {QStringLiteral("Open macOS accessibility settings\u2026"), QStringLiteral("Open accessibility settings\u2026")},
        {QStringLiteral("macOS does not let an app change its own text size, so Quorvane has no setting for it. Enlarging "
                        "happens system wide instead: Zoom magnifies the screen, and Displays offers a scaled resolution "
                        "that makes everything larger. Both apply to Quorvane along with everything else."),
         QStringLiteral("Quorvane follows the desktop's text size rather than keeping a setting of its own. Enlarging "
                        "happens desktop wide instead: Zoom magnifies the screen, and Displays offers a scale that makes "
                        "everything larger. Both apply to Quorvane along with everything else.")},
        {QStringLiteral("Stays on your Mac, never sent anywhere."),
         QStringLiteral("Stays on this computer, never sent anywhere.")},
        {QStringLiteral("Use Apple Intelligence when available"),
         QStringLiteral("Use the system\u2019s on-device model when available")},
        {QStringLiteral("Apple Intelligence"), QStringLiteral("System on-device model")},
        {QStringLiteral("Use the name on this Mac"), QStringLiteral("Use the name on this computer")},
        {QStringLiteral("used when this Mac has it enabled"), QStringLiteral("not available on this computer")},
        {QStringLiteral("Every tier runs entirely on this Mac. Your words never leave it."),
         QStringLiteral("Every tier runs entirely on this computer. Your words never leave it.")},
        {QStringLiteral("Everything here stays on this Mac. The tuning is 256 numbers in a file you can delete."),
         QStringLiteral("Everything here stays on this computer. The tuning is 256 numbers in a file you can delete.")},
        // The about block's tagline.
        {QStringLiteral("Dictation and reading that never leave your Mac."),
         QStringLiteral("Dictation and reading that never leave your computer.")},
        // The problem report's details block keeps its labels 10 characters wide.
        {QStringLiteral("macOS     "), QStringLiteral("System    ")},
        {QStringLiteral("Mac       "), QStringLiteral("Processor ")},
        {QStringLiteral("What happened:\n\n\nWhat you expected instead:\n\n\nWhat you were doing at the time:\n\n\n"
                        "\u2014\u2014\u2014\nThe lines below describe this Mac, not you. Delete any of them you would\n"
                        "rather not send.\n\n"),
         QStringLiteral("What happened:\n\n\nWhat you expected instead:\n\n\nWhat you were doing at the time:\n\n\n"
                        "\u2014\u2014\u2014\nThe lines below describe this computer, not you. Delete any of them you would\n"
                        "rather not send.\n\n")},
    };
    return table.value(text, text);
}
