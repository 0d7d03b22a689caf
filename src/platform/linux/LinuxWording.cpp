#include "platform/linux/LinuxWording.h"

#include <QHash>

QString LinuxWording::forDesktop(const QString& text) const {
    static const QHash<QString, QString> table = {
        // First run: the onboarding pages and the keyboard guide's key names.
        {QStringLiteral("Everything happens on this Mac. Nothing you say is sent anywhere."),
         QStringLiteral("Everything happens on this computer. Nothing you say is sent anywhere.")},
        {QStringLiteral("Dictate into any app on your Mac, punctuated and cleaned up as you go."),
         QStringLiteral("Dictate into any app on your computer, punctuated and cleaned up as you go.")},
        {QStringLiteral(
             "macOS asks before any app can hear you or type for you. Quorvane needs both, and nothing else."),
         QStringLiteral("Hearing you and typing for you each need a yes from your desktop. Quorvane needs both, and "
                        "nothing else.")},
        {QStringLiteral("Double-tap the right \u2318 key, say anything, then double-tap again to stop."),
         QStringLiteral("Double-tap the right Super key, say anything, then double-tap again to stop.")},
        {QStringLiteral("What lets your words land in Mail, Safari, or wherever you were working."),
         QStringLiteral("What lets your words land in your mail, your browser, or wherever you were working.")},
        {QStringLiteral("It works the same in Mail, Safari, your editor, anywhere your Mac can type."),
         QStringLiteral("It works the same in your mail, your browser, your editor, anywhere you can type.")},
        {QStringLiteral(
             "About 1.2 GB, one time. Your Mac does all the talking and listening itself, which is why there "
             "is something to download."),
         QStringLiteral("About 45 MB, one time. Your computer does all the talking and listening itself, which is why "
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
        {QStringLiteral(
             " is not downloaded yet. System Settings > General > Language & Region > Translation Languages."),
         QStringLiteral(" is not installed yet. Install the Apertium language pair with your package manager.")},
        {QStringLiteral(" cannot be translated on this Mac."),
         QStringLiteral(" cannot be translated on this computer.")},
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
         QStringLiteral(
             "Open Click Assist under Pointing & Clicking, then turn on Hover Click, to click by resting the "
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
        {QStringLiteral("The mic captured almost no sound. Check System Settings \u203a Sound \u203a Input and speak "
                        "into the right microphone."),
         QStringLiteral("The mic captured almost no sound. Check Settings \u203a Sound \u203a Input and speak into the "
                        "right microphone.")},
        {QStringLiteral("Reveal recording in Finder"), QStringLiteral("Show recording in Files")},
        // Reading aloud: the speech engine runs on this computer and fetches nothing.
        {QStringLiteral("Could not start %@. The first use of a voice needs a moment online."),
         QStringLiteral("Could not start %@. The speech engine did not answer.")},
        {QStringLiteral("That could not be read. The first use of a voice needs a moment online."),
         QStringLiteral("That could not be read. The speech engine did not answer.")},
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
        {QStringLiteral("Let my iPhone hand notes to this Mac"),
         QStringLiteral("Let my phone hand notes to this computer")},
        {QStringLiteral("Notes from your iPhone"), QStringLiteral("Notes from your phone")},
        {QStringLiteral("Keep Quorvane in the Dock"), QStringLiteral("Keep Quorvane in the taskbar")},
        {QStringLiteral("Open macOS accessibility settings\u2026"),
         QStringLiteral("Open accessibility settings\u2026")},
        {QStringLiteral(
             "macOS does not let an app change its own text size, so Quorvane has no setting for it. Enlarging "
             "happens system wide instead: Zoom magnifies the screen, and Displays offers a scaled resolution "
             "that makes everything larger. Both apply to Quorvane along with everything else."),
         QStringLiteral(
             "Quorvane follows the desktop's text size rather than keeping a setting of its own. Enlarging "
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
         QStringLiteral(
             "What happened:\n\n\nWhat you expected instead:\n\n\nWhat you were doing at the time:\n\n\n"
             "\u2014\u2014\u2014\nThe lines below describe this computer, not you. Delete any of them you would\n"
             "rather not send.\n\n")},
        // The settings pages' help: the tray and the taskbar stand in for the
        // bar and the dock, the user account for the system's account.
        {QStringLiteral("Quorvane normally lives in the menu bar and only appears in the Dock while a window is open. "
                        "Kept in the Dock, the Quor stays there the whole time Quorvane is running and follows the "
                        "theme above. It makes no difference to what Quorvane does."),
         QStringLiteral(
             "Quorvane normally lives in the system tray and only appears in the taskbar while a window is "
             "open. Kept in the taskbar, the Quor stays there the whole time Quorvane is running and follows "
             "the theme above. It makes no difference to what Quorvane does.")},
        {QStringLiteral("Quorvane lives in the menu bar, so without this, opening it puts an icon up there and nothing "
                        "else on screen. Leaving the window open also means Quorvane appears in the Command Tab "
                        "switcher, so you can come back to it the way you come back to any other app rather than "
                        "aiming at the menu bar."),
         QStringLiteral("Quorvane lives in the system tray, so without this, opening it puts an icon there and nothing "
                        "else on screen. Leaving the window open also means Quorvane appears in the Alt+Tab switcher, "
                        "so you can come back to it the way you come back to any other app rather than aiming at the "
                        "system tray.")},
        {QStringLiteral("Quorvane checks on launch and only asks when a new version is ready. It never installs on its "
                        "own. Turn this off to check manually from the menu bar instead."),
         QStringLiteral("Quorvane checks on launch and only asks when a new version is ready. It never installs on its "
                        "own. Turn this off to check manually from the system tray instead.")},
        {QStringLiteral("Dragging Quorvane to the Trash leaves the speech engine and the models behind, because they "
                        "are downloaded rather than bundled. That is several gigabytes nobody would think to look for. "
                        "This removes all of it, along with your past dictations, your dictionary and your settings."),
         QStringLiteral("Deleting Quorvane's folder leaves the speech engine and the models behind, because they are "
                        "downloaded rather than bundled, in a folder nobody would think to look for. "
                        "This removes all of it, along with your past dictations, your dictionary and your settings.")},
        {QStringLiteral("Quorvane itself moves to the Trash. This cannot be undone."),
         QStringLiteral("Quorvane's own folder moves to the trash. This cannot be undone.")},
        {QStringLiteral("Add words Quorvane gets wrong, like names and brands. Type the correct spelling, and the "
                        "mishearings it should replace. This runs on your Mac and fixes every dictation."),
         QStringLiteral("Add words Quorvane gets wrong, like names and brands. Type the correct spelling, and the "
                        "mishearings it should replace. This runs on your computer and fixes every dictation.")},
        {QStringLiteral("Your name is the word dictation is most likely to get wrong and you are most likely to "
                        "notice. Quorvane reads it from your macOS account, so it works without you adding anything. "
                        "It is used the same way as the words below, and is never saved into your list."),
         QStringLiteral("Your name is the word dictation is most likely to get wrong and you are most likely to "
                        "notice. Quorvane reads it from your user account, so it works without you adding anything. "
                        "It is used the same way as the words below, and is never saved into your list.")},
        // Reading back a correction goes through AT-SPI, which GTK and Qt
        // fields answer and Electron's mostly do not.
        {QStringLiteral("When you change a word Quorvane wrote, it can notice and offer to remember the spelling. It "
                        "only ever re-reads the words it wrote for you, never anything else in the document. Nothing "
                        "about it leaves your Mac, and the only thing kept is the pair of words. This needs an "
                        "ordinary text field: Mail, Notes, Pages, Safari and most native apps work, while editors and "
                        "chat apps built on Electron do not report enough for Quorvane to see the change."),
         QStringLiteral("When you change a word Quorvane wrote, it can notice and offer to remember the spelling. It "
                        "only ever re-reads the words it wrote for you, never anything else in the document. Nothing "
                        "about it leaves your computer, and the only thing kept is the pair of words. This needs an "
                        "ordinary text field: most GTK and Qt apps work, your mail and your browser among them, while "
                        "editors and chat apps built on Electron do not report enough for Quorvane to see the "
                        "change.")},
        {QStringLiteral("On, this Mac says it is here so the Quorvane app on your iPhone can list it by name and send "
                        "notes straight into the Dashboard. It listens on your local network only and never reaches "
                        "out. Off, nothing is advertised and the iPhone will not find this Mac."),
         QStringLiteral("On, this computer says it is here so the Quorvane app on your phone can list it by name and "
                        "send notes straight into the Dashboard. It listens on your local network only and never "
                        "reaches out. Off, nothing is advertised and the phone will not find this computer.")},
        {QStringLiteral("Recent Dictations on the Dashboard holds the full text of what you dictated, on this Mac "
                        "only. Shortening this removes anything older straight away."),
         QStringLiteral("Recent Dictations on the Dashboard holds the full text of what you dictated, on this "
                        "computer only. Shortening this removes anything older straight away.")},
        {QStringLiteral("Off, Quorvane cleans your dictation with its own built-in model, which works the same on "
                        "every Mac and runs entirely on-device. On, it tries Apple Intelligence first on Macs that "
                        "have it. Apple's model is faster and lighter, but Quorvane cannot tune it, and it "
                        "occasionally declines to process ordinary text and hands the job back. Either way nothing "
                        "leaves your Mac."),
         QStringLiteral("Off, Quorvane cleans your dictation with its own built-in model, which works the same on "
                        "every computer and runs entirely on-device. On, it tries the system\u2019s on-device model "
                        "first where there is one. That model is faster and lighter, but Quorvane cannot tune it, and "
                        "it occasionally declines to process ordinary text and hands the job back. Either way nothing "
                        "leaves your computer.")},
        {QStringLiteral("Your iPhone transcribes with Apple's recogniser, which knows nothing about your dictionary or "
                        "your number style. When a note reaches this Mac, Quorvane rewrites it with its own engine in "
                        "this mode. The phone's original wording is kept on the note."),
         QStringLiteral("Your phone transcribes with its own recogniser, which knows nothing about your dictionary or "
                        "your number style. When a note reaches this computer, Quorvane rewrites it with its own "
                        "engine in this mode. The phone's original wording is kept on the note.")},
        {QStringLiteral("One plain sentence, in your own words. It shapes tone and punctuation only. It cannot make "
                        "Quorvane answer you or write something you didn't say. Runs on your Mac like everything "
                        "else."),
         QStringLiteral("One plain sentence, in your own words. It shapes tone and punctuation only. It cannot make "
                        "Quorvane answer you or write something you didn't say. Runs on your computer like "
                        "everything else.")},
        // Clicking by dwelling is the desktop's Hover Click; hover reading
        // needs the paragraph's text over AT-SPI.
        {QStringLiteral("If pointing is easy but clicking is not, macOS can click by resting the pointer on "
                        "something. It is called Dwell Control, it works in every app, and Quorvane does not need to "
                        "know it is on."),
         QStringLiteral("If pointing is easy but clicking is not, the desktop can click by resting the pointer on "
                        "something. It is called Hover Click, it works in every app, and Quorvane does not need to "
                        "know it is on.")},
        {QStringLiteral("Point at a paragraph anywhere on your Mac and it lights up. Click it and Quorvane reads it "
                        "aloud, with no selecting and nothing small to aim at. Links, buttons, and dragging to select "
                        "all behave normally. Selecting a piece and pressing the reader key still works too. Best in "
                        "native apps and Safari; weaker in some Electron apps."),
         QStringLiteral("Point at a paragraph anywhere on your screen and it lights up. Click it and Quorvane reads "
                        "it aloud, with no selecting and nothing small to aim at. Links, buttons, and dragging to "
                        "select all behave normally. Selecting a piece and pressing the reader key still works too. "
                        "Best in GTK and Qt apps and your browser; weaker in some Electron apps.")},
        // Pasting is Ctrl+V here, and function keys need no system switch.
        {QStringLiteral("The card you dictate onto, and your recent dictations, become the same ruled page the iPhone "
                        "writes on. Paper is opaque, so the glass effects are switched off while it is on."),
         QStringLiteral("The card you dictate onto, and your recent dictations, become the same ruled page the phone "
                        "app writes on. Paper is opaque, so the glass effects are switched off while it is on.")},
        {QStringLiteral("Off, the card gets out of the way as soon as your words have landed in the document. On, it "
                        "stays for a moment showing what was typed. Useful with more than one screen: when your words "
                        "land in a window you are not looking at, the card shows what was typed, and Command-V pastes "
                        "it where you meant."),
         QStringLiteral("Off, the card gets out of the way as soon as your words have landed in the document. On, it "
                        "stays for a moment showing what was typed. Useful with more than one screen: when your words "
                        "land in a window you are not looking at, the card shows what was typed, and Ctrl+V pastes it "
                        "where you meant.")},
        {QStringLiteral("On, Command-V pastes what you just said anywhere, which helps when your words land in the "
                        "wrong place. Turn it off for sensitive work: your clipboard goes back to what it held before, "
                        "clipboard history apps are told not to record it, and it is never sent to your other "
                        "devices. Paste last dictation still works either way."),
         QStringLiteral("On, Ctrl+V pastes what you just said anywhere, which helps when your words land in the wrong "
                        "place. Turn it off for sensitive work: your clipboard goes back to what it held before, "
                        "clipboard history apps are told not to record it, and it is never sent to your other "
                        "devices. Paste last dictation still works either way.")},
        {QStringLiteral("Click a field and press any keys. Combos like \u2303\u2325D work on every Mac. Plain function "
                        "keys (F1 to F12) only work if you have turned on \u201CUse F1, F2, etc. as standard function "
                        "keys\u201D in System Settings, otherwise macOS keeps them for volume and brightness."),
         QStringLiteral("Click a field and press any keys. Combos like Ctrl+Alt+D work on every keyboard. Plain "
                        "function keys (F1 to F12) work too, unless your desktop already uses that key for a shortcut "
                        "of its own.")},
        // First run: a copy started from inside a download.
        {QStringLiteral("macOS is running Quorvane from a temporary copy it made, which it does for anything opened "
                        "straight out of a download. Permissions granted now would be forgotten, and updates could not "
                        "install."),
         QStringLiteral("Quorvane is running from a temporary copy, as happens for anything opened straight out of a "
                        "download. Permissions granted now would be forgotten, and updates could not install.")},
        // Notes from the phone.
        {QStringLiteral("Straight from the iPhone"), QStringLiteral("Straight from the phone")},
        {QStringLiteral("an iPhone"), QStringLiteral("a phone")},
        {QStringLiteral("Add and remember this iPhone"), QStringLiteral("Add and remember this phone")},
        {QStringLiteral("Insert notes from your iPhone into"), QStringLiteral("Insert notes from your phone into")},
        {QStringLiteral("Notes from your iPhone will be filed here. It is created if it does not exist. Leave this "
                        "empty to use whatever folder Notes uses by default."),
         QStringLiteral("Notes from your phone will be filed here. It is created if it does not exist. Leave this "
                        "empty to file them straight into Quorvane Notes in your documents folder.")},
    };
    if (const auto found = table.constFind(text); found != table.constEnd())
        return found.value();
    return keyCombination(text).value_or(text);
}

std::optional<QString> LinuxWording::keyCombination(const QString& text) {
    // The modifier glyphs in the order a combination is written, with the
    // names this desktop's keys carry.
    static const QList<std::pair<QChar, QString>> modifiers = {
        {QChar(0x2303), QStringLiteral("Ctrl")},
        {QChar(0x2325), QStringLiteral("Alt")},
        {QChar(0x21E7), QStringLiteral("Shift")},
        {QChar(0x2318), QStringLiteral("Super")},
    };
    QStringList parts;
    qsizetype at = 0;
    for (const auto& [glyph, name] : modifiers) {
        if (at < text.size() && text.at(at) == glyph) {
            parts << name;
            ++at;
        }
    }
    // A glyph alone names a key cap, not a combination.
    const QString key = text.mid(at);
    if (parts.isEmpty() || key.isEmpty() || key.front().isSpace())
        return std::nullopt;
    for (const auto& [glyph, name] : modifiers)
        if (key.contains(glyph))
            return std::nullopt;
    parts << key;
    return parts.join(QLatin1Char('+'));
}
