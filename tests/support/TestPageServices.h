#pragma once

#include "insertion/InsertTarget.h"
#include "mainwindow/PageServices.h"
#include "onboarding/MilestoneBadge.h"
#include "reader/FlagMagnifierHover.h"
#include "reader/HoverReader.h"
#include "reader/ReadAloudStore.h"
#include "reader/ReaderController.h"
#include "reader/VoiceAudition.h"
#include "state/AppState.h"
#include "support/Defaults.h"
#include "support/FakePhoneNotesInbox.h"
#include "support/LowerServices.h"
#include "support/Paths.h"

#include <memory>

// The services that the main window's pages reach, made as the program's
// root makes them, for a test that builds the program's own pages: the lower
// services, the reader on the shared state and the user's pronunciation list,
// the phone notes in memory, and the insertion target at its first asking.
// Make it after the platform the test installs.
struct TestPageServices {
    LowerServices lower;
    ReadAloudStore readings{Paths::userData()};
    ReaderController reader{AppState::shared(), readerServices(readings)};
    HoverReader hover{hoverServices(reader)};
    VoiceAudition audition{reader};
    FlagMagnifierHover flagHover;
    FakePhoneNotesInbox inbox;
    MilestoneBadge badge{Defaults::shared(), DelayedCalls::timers(), MilestoneBadge::Environment::desktop()};
    std::unique_ptr<InsertTarget> target;

    PageServices services() {
        return PageServices{lower.history,
                            lower.stats,
                            lower.dictionary,
                            lower.modes,
                            lower.wordBias,
                            lower.voiceTuning,
                            lower.hotkeys,
                            lower.modifierTaps,
                            [this]() -> NoteTarget& { return insertTarget(); },
                            reader,
                            hover,
                            readings,
                            audition,
                            flagHover,
                            inbox,
                            badge};
    }

    InsertTarget& insertTarget() {
        if (!target)
            target = std::make_unique<InsertTarget>(InsertTarget::Services::standard(Defaults::shared()));
        return *target;
    }

private:
    static ReaderController::Services readerServices(const ReadAloudStore& readings) {
        ReaderController::Services services = ReaderController::Services::standard();
        services.readings = &readings;
        return services;
    }
    static HoverReader::Services hoverServices(ReaderController& reader) {
        HoverReader::Services services = HoverReader::Services::standard();
        services.speak = [&reader](const QString& text) { return reader.speak(text, std::nullopt, 1.0, 1.0f); };
        services.stopReading = [&reader] { reader.stopEverything(); };
        return services;
    }
};
