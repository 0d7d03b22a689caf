#pragma once

class FlagMagnifierHover;
class HoverReader;
class MilestoneBadge;
class PhoneNotesInbox;
class ReadAloudStore;
class ReaderController;
class VoiceAudition;

// The services of the roads that the main window's pages reach; the
// program's root makes them, tests make their own. They outlive every page.
struct PageServices {
    ReaderController& reader;
    HoverReader& hover;
    ReadAloudStore& readings;
    VoiceAudition& audition;
    FlagMagnifierHover& flagHover;
    PhoneNotesInbox& inbox;
    MilestoneBadge& badge;
};
