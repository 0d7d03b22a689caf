#pragma once

#include "mainwindow/PageServices.h"

#include <QProcessEnvironment>
#include <QString>

#include <functional>

class BubblePanel;
class CleanupEngine;
class DictationController;
class DictionaryStore;
class EngineBootstrap;
class RecognizerBias;

// The developer self-tests: switches in the environment, read once at launch,
// each of which drives one real part of the program; most write a short
// plain-text result to the file the switch names, for a script to read.
// Failures go into the results, never into a dialog. Each test runs as a task
// of its own on the GUI thread, so tests started together interleave at their
// waits. GUI thread.
namespace SelfTests {

// Starts, each as its own task and in this order, the test of every switch
// `environment` sets: QV_SETUP_STATE, QV_GLASS_TEST, QV_DIAG_TEST, QV_DL_TEST,
// QV_DICTATE_TEST, QV_BUBBLE_TEST, QV_CLEANUP_TEST, QV_DISMISS_TEST,
// QV_WINDOW_TEST, QV_SHOT, QV_LANG_TEST, QV_DICT_TEST, QV_MIC_TEST,
// QV_BUBBLE_SHOT. The three switches that are not paths count only when
// exactly "1"; any other value, even an empty one, starts its test.
// The services the tests drive, made by the program's root.
struct Services {
    PageServices pages;
    DictationController& dictation;
    BubblePanel& bubble;
    EngineBootstrap& engine;
    const DictionaryStore& dictionary;
    RecognizerBias& wordBias;
    CleanupEngine& cleanup;
    std::function<void()> showMicrophoneTest;
};
void start(const QProcessEnvironment& environment, const Services& services);

// The page to render and where its PNG goes, from QV_SHOT's value: split at
// the first ":" with empty pieces dropped, the page name first (else
// "Dictation"), then the path (else "pane.png" in `temporaryFolder`).
struct PageShot {
    QString page;
    QString path;

    static PageShot fromSwitch(const QString& value, const QString& temporaryFolder);
};

// The tests; `path` names the result file, relative to the working folder
// when not absolute.
// "engineExists=… modelsComplete=… onboardingDone=… shouldShow=…", then quits.
void reportSetupState(const QString& path, EngineBootstrap& engine);
// The glass variant grid in a floating panel that takes neither focus nor pointer.
void showGlassVariants();
// "status=… size=… progressSeen=… error=…" for the dictation model's config.json.
void downloadModelFile(const QString& path);
// One whole dictation and what the program did along it.
void dictateOnce(const QString& path, DictationController& dictation);
// A sample listening bubble, then its result card.
void showSampleBubble(BubblePanel& bubble);
// "engine=… seconds=…", "input: …", "output: …".
void cleanTranscript(CleanupEngine& cleanup, const QString& path, const QString& input);
// "before=… dismissed=…": whether a key press takes the result card away.
void dismissResultCard(const QString& path, BubblePanel& bubble);
// Opens a main window, steps through every page: "survived=true panes=…".
void stepThroughPages(const QString& path, const PageServices& pages);
// Renders one settings page to a PNG file, then quits.
void shootPage(const PageShot& shot, const PageServices& pages);
// "verdict=…" and six phrase lines on Spanish detection.
void checkSpanishDetection(const QString& path);
// "verdict=…" and four sentence lines on dictionary corrections.
void checkDictionaryCorrections(const QString& path, const DictionaryStore& dictionary, RecognizerBias& bias);
// Records 2.5 s from the microphone and transcribes it.
void recordAndTranscribe(const QString& path);
// A PNG of the screen around the bubble, 3 s after the launch.
void captureBubble(const QString& path, BubblePanel& bubble);

} // namespace SelfTests
