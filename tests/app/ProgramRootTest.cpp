#include "app/ProgramRoot.h"

#include <gtest/gtest.h>

namespace {

// The whole root over the fake platform: every service is made, the ones
// still reached from free functions are the root's while it lives, and all of
// them go with it (the sanitizer stage runs this).
TEST(ProgramRootTest, TheRootsServicesAreTheSharedOnesWhileItLivesAndGoWithIt) {
    Defaults& installed = Defaults::shared();
    {
        ProgramRoot root;
        EXPECT_EQ(&Defaults::shared(), &root.defaults());
        EXPECT_EQ(&AppState::shared(), &root.state());
        EXPECT_EQ(&AppActions::shared(), &root.actions());
        EXPECT_EQ(&BubblePanel::shared(), &root.bubble());
        EXPECT_EQ(&DictionaryStore::shared(), &root.dictionary());
        EXPECT_EQ(&EngineBootstrap::shared(), &root.engine());
        EXPECT_EQ(&HotkeyManager::shared(), &root.hotkeys());
        EXPECT_EQ(&TranslationGate::shared(), &root.translationGate());
        EXPECT_TRUE(root.actions().toggleDictation);
        EXPECT_TRUE(root.actions().pasteLast);
        EXPECT_FALSE(root.state().isRecording());
    }
    EXPECT_EQ(&Defaults::shared(), &installed);
}

} // namespace
