// The drawn keyboard in Linux wording: its caps name Super and Alt, while the
// keys keep the stored values the double-tap settings hold.
#include "onboarding/Keyboard.h"
#include "onboarding/KeyboardGuide.h"
#include "platform/linux/LinuxWording.h"
#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/RenderCheck.h"
#include "support/TempFolder.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

TEST(LinuxKeyCapsTest, CapsNameThePcKeysAndTheKeysKeepTheirStoredValues) {
    ScopedFakePlatform platform;
    LinuxWording wording;
    Platform services = platform.services();
    services.wording = &wording;
    Platform::install(services);

    QMap<QString, std::pair<QString, QString>> caps;
    for (const Keyboard::BottomKey& key : Keyboard::bottomRow())
        caps.insert(key.id, {Keyboard::capSymbol(key), Keyboard::capLabel(key)});
    EXPECT_EQ(caps.value(QStringLiteral("rightCommand")),
              std::make_pair(QStringLiteral("\u2756"), QStringLiteral("super")));
    EXPECT_EQ(caps.value(QStringLiteral("leftOption")), std::make_pair(QString(), QStringLiteral("alt")));
    EXPECT_EQ(caps.value(QStringLiteral("leftControl")), std::make_pair(QString(), QStringLiteral("ctrl")));

    // The guide as a Linux user sees it, for people to look at.
    TempFolder folder;
    Defaults defaults(folder.file(QStringLiteral("defaults.json")));
    KeyboardGuide guide(KeyboardGuide::Topic::Speaking, true, defaults);
    guide.setTranslating(false);
    guide.setAutoFillBackground(true);
    guide.setFixedWidth(Keyboard::kMaxWidth);
    guide.adjustSize();
    guide.show();
    QApplication::processEvents();
    EXPECT_FALSE(Artifacts::save(guide.grab().toImage(), QStringLiteral("keyboard-guide-linux.png")).isEmpty());
    RenderCheck::expectReadable(guide, QStringLiteral("keyboard-guide-linux"));
}

} // namespace
