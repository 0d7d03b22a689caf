#pragma once

#include "FakeSpeech.h"
#include "reader/FlagMagnifierHover.h"
#include "reader/VoiceAudition.h"
#include "reader/VoicePicker.h"
#include "support/Defaults.h"
#include "support/ManualTimers.h"
#include "support/TempFolder.h"

#include <QStringList>

#include <memory>

// A picker over temporary settings, a reader the test ends by hand, a clock
// the test moves and a focus log that only collects its lines.
struct PickerFixture {
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
    FakeSpeech speech;
    VoiceAudition audition{speech.speak()};
    ManualTimers timers;
    FlagMagnifierHover hover{timers.delayedCall()};
    QStringList focusLines;
    int voiceWrites = 0;

    explicit PickerFixture(const QString& stored = QString()) {
        if (!stored.isEmpty())
            defaults.set(QStringLiteral("readerVoice"), stored);
        QObject::connect(&defaults, &Defaults::changed, [this](const QString& key) {
            if (key == QStringLiteral("readerVoice"))
                ++voiceWrites;
        });
    }

    std::unique_ptr<VoicePicker> make() {
        VoicePicker::Services services;
        services.defaults = &defaults;
        services.audition = &audition;
        services.hover = &hover;
        services.later = timers.delayedCall();
        services.focusLog = [this](const QString& line) { focusLines << line; };
        return std::make_unique<VoicePicker>(std::move(services));
    }

    QString stored() const { return defaults.stringOr(QStringLiteral("readerVoice"), QString()); }
};
