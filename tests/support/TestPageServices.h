#pragma once

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
#include "support/Paths.h"

// The road services that the main window's pages reach, made as the program's
// root makes them, for a test that builds the program's own pages: the reader
// on the shared state and the user's pronunciation list, the phone notes in
// memory. Make it after the platform the test installs.
struct TestPageServices {
    ReadAloudStore readings{Paths::userData()};
    ReaderController reader{AppState::shared(), readerServices(readings)};
    HoverReader hover{hoverServices(reader)};
    VoiceAudition audition{reader};
    FlagMagnifierHover flagHover;
    FakePhoneNotesInbox inbox;
    MilestoneBadge badge{Defaults::shared(), DelayedCalls::timers(), MilestoneBadge::Environment::desktop()};

    PageServices services() { return PageServices{reader, hover, readings, audition, flagHover, inbox, badge}; }

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
