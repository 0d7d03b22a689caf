#include "reader/ReaderWindowController.h"

#include "audio/WavData.h"
#include "support/Await.h"
#include "support/FakeAudioPlayers.h"
#include "support/LoopbackHttpServer.h"
#include "support/QtPrinting.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPromise>
#include <QStandardPaths>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace std::chrono_literals;
using Controller = ReaderWindowController;
using Timed = Controller::TimedResult;

namespace {

// A wait the test finishes when it likes.
template <typename T> struct Pending {
    std::shared_ptr<QPromise<T>> promise = std::make_shared<QPromise<T>>();
    Pending() { promise->start(); }
    void finish(const T& value) {
        promise->addResult(value);
        promise->finish();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

Timed result(const QByteArray& wav, QList<Timed::Word> words, double duration) {
    return {wav, std::move(words), duration};
}

const QList<Timed::Word> kTwoSentences = {
    {"One", 0.1, 0.4}, {"two.", 0.4, 0.9}, {"Three", 1.0, 1.3}, {"four.", 1.3, 1.8}};

// Services with the engine up; tests replace what they drive.
Controller::Services readyServices(FakeAudioPlayers& players) {
    Controller::Services services;
    services.ensureEngine = [] { return QtFuture::makeReadyFuture(true); };
    services.selectedVoice = [] { return QStringLiteral("af_heart"); };
    services.players = [&players] { return &players; };
    services.makesWindow = false;
    return services;
}

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// A controller whose engine and synthesis answer when the test says.
struct Harness {
    FakeAudioPlayers players;
    QList<Pending<bool>> engines;
    QList<std::pair<QString, Pending<std::optional<Timed>>>> syntheses;
    // The names the save panel was opened with; it is always cancelled.
    QStringList proposedNames;
    std::unique_ptr<Controller> controller;

    Harness() {
        Controller::Services services = readyServices(players);
        services.ensureEngine = [this] {
            engines.append(Pending<bool>());
            return engines.back().promise->future();
        };
        services.synthesize = [this](const QString& text, const QString&) {
            syntheses.append({text, Pending<std::optional<Timed>>()});
            return syntheses.back().second.promise->future();
        };
        services.chooseDestination = [this](QWidget*, const QString& name) {
            proposedNames << name;
            return std::optional<QString>();
        };
        controller = std::make_unique<Controller>(services);
    }

    // What a press on Save offers to save, if anything.
    std::optional<QString> saveOffers() {
        const qsizetype before = proposedNames.size();
        awaitFuture(controller->exportAudio());
        return proposedNames.size() > before ? std::optional<QString>(proposedNames.last()) : std::nullopt;
    }

    // One reading through both waits with `answer`.
    void readThrough(const QString& text, const std::optional<Timed>& answer) {
        QFuture<void> done = controller->read(text);
        engines.back().finish(true);
        syntheses.back().second.finish(answer);
        ASSERT_TRUE(awaitFuture(done));
    }
};

} // namespace

TEST(ReadAlongController, ReadsThroughTheTimedEndpointAndPlaysAtTheChosenRate) {
    LoopbackHttpServer server;
    ASSERT_TRUE(server.listen());
    server.on("POST", "/v1/audio/speech_timed", [](const LoopbackHttpServer::Request&) {
        return LoopbackHttpServer::Response::json(
            R"({"audio":"UklGRg==","words":[{"text":"world.","start":0.6,"end":1.1},{"text":"Hello","start":0.1,"end":0.5}]})");
    });
    FakeAudioPlayers players;
    Controller::Services services = readyServices(players);
    services.synthesize = [&](const QString& text, const QString& voice) {
        return Controller::synthesizeTimed(text, voice, server.url());
    };
    services.selectedVoice = [] { return QStringLiteral("bf_emma"); };
    Controller controller(services);
    controller.setRate(1.5);

    ASSERT_TRUE(awaitFuture(controller.read(QStringLiteral("Hello world."))));
    ASSERT_EQ(server.requests().size(), 1);
    const QJsonObject body = QJsonDocument::fromJson(server.requests()[0].body).object();
    EXPECT_EQ(body.value("voice").toString(), "bf_emma");
    EXPECT_EQ(body.value("speed").toDouble(), 1.0);

    EXPECT_FALSE(controller.preparing());
    EXPECT_FALSE(controller.status());
    ASSERT_EQ(controller.timeline().words.size(), 2);
    EXPECT_EQ(controller.timeline().words[0].text, "Hello");
    EXPECT_DOUBLE_EQ(controller.timeline().duration, 1.1); // no duration in the answer
    ASSERT_EQ(players.made.size(), 1);
    EXPECT_EQ(players.made[0]->wav, QByteArray("RIFF"));
    EXPECT_TRUE(players.made[0]->playing);
    EXPECT_DOUBLE_EQ(players.made[0]->rate, 1.5);
    EXPECT_TRUE(controller.isPlaying());

    controller.setRate(2.0);
    EXPECT_DOUBLE_EQ(players.made[0]->rate, 2.0);
}

TEST(ReadAlongController, ASecondReadingOrACloseMakesTheFirstOnesResultsStale) {
    Harness h;
    // Second read while the first waits for the engine.
    QFuture<void> first = h.controller->read(QStringLiteral("First text."));
    QFuture<void> second = h.controller->read(QStringLiteral("Second text."));
    h.engines[1].finish(true);
    h.engines[0].finish(true);
    ASSERT_EQ(h.syntheses.size(), 1);
    EXPECT_TRUE(h.syntheses[0].first.startsWith("Second"));
    // A third read while the second waits for its speech.
    QFuture<void> third = h.controller->read(QStringLiteral("Third text."));
    h.engines[2].finish(true);
    h.syntheses[1].second.finish(result("THIRD", {{"Third", 0, 1}}, 1));
    h.syntheses[0].second.finish(result("SECOND", {{"Second", 0, 1}}, 1));
    EXPECT_TRUE(awaitFuture(first) && awaitFuture(second) && awaitFuture(third));
    EXPECT_EQ(h.players.played(), QList<QByteArray>{"THIRD"});
    EXPECT_EQ(h.controller->timeline().words[0].text, "Third");

    // Closing while the engine works: nothing plays, nothing stays busy.
    h.controller->read(QStringLiteral("Closed text."));
    EXPECT_TRUE(h.controller->preparing());
    EXPECT_FALSE(h.controller->hasPlayer());
    h.controller->windowClosed();
    EXPECT_FALSE(h.controller->preparing());
    h.engines.back().finish(true);
    EXPECT_EQ(h.syntheses.size(), 2);
    EXPECT_EQ(h.players.made.size(), 1);
    EXPECT_EQ(h.controller->timeline().words[0].text, "Third");

    // The reader's stop while the speech is being made.
    h.controller->read(QStringLiteral("Stopped text."));
    h.engines.back().finish(true);
    h.controller->stopEverything();
    EXPECT_FALSE(h.controller->preparing());
    h.syntheses.back().second.finish(result("STOPPED", {{"Stopped", 0, 1}}, 1));
    EXPECT_EQ(h.players.made.size(), 1);
    EXPECT_FALSE(h.controller->status());
}

TEST(ReadAlongController, FailuresEndPreparingWithTheirNotice) {
    Harness h;
    QFuture<void> noEngine = h.controller->read(QStringLiteral("Text."));
    h.engines.back().finish(false);
    ASSERT_TRUE(awaitFuture(noEngine));
    EXPECT_FALSE(h.controller->preparing());
    EXPECT_EQ(h.controller->status(), Controller::kCouldNotRead);
    EXPECT_TRUE(h.syntheses.isEmpty());

    h.readThrough(QStringLiteral("Text."), std::nullopt);
    EXPECT_FALSE(h.controller->preparing());
    EXPECT_EQ(h.controller->status(), Controller::kCouldNotRead);

    h.readThrough(QStringLiteral("Hola."), result("RIFF", {}, 2));
    EXPECT_EQ(h.controller->status(), Controller::kNoWords);
    EXPECT_TRUE(h.controller->isPlaying()); // the audio still plays

    h.readThrough(QStringLiteral("Text."), result("BAD audio", kTwoSentences, 2));
    EXPECT_EQ(h.controller->status(), Controller::kCouldNotPlay);
    EXPECT_FALSE(h.controller->hasPlayer());
    EXPECT_FALSE(h.controller->isPlaying());
}

TEST(ReadAlongController, AFailedReadingLeavesNothingOfTheEarlierOneToShowOrSave) {
    const QString earlier = QStringLiteral("One two. Three four.");
    const QString later = QStringLiteral("New words.");
    Harness h;
    h.readThrough(earlier, result("OLD", kTwoSentences, 1.8));
    ASSERT_EQ(h.saveOffers(), QStringLiteral("One two Three four.m4a"));

    // The engine does not come up for the next text.
    QFuture<void> noEngine = h.controller->read(later);
    h.engines.back().finish(false);
    ASSERT_TRUE(awaitFuture(noEngine));
    EXPECT_EQ(h.controller->status(), Controller::kCouldNotRead);
    EXPECT_TRUE(h.controller->timeline().words.isEmpty());
    EXPECT_EQ(h.saveOffers(), std::nullopt) << "the old audio under the new text's name";

    // The speech for the next text fails.
    h.readThrough(earlier, result("OLD", kTwoSentences, 1.8));
    h.readThrough(later, std::nullopt);
    EXPECT_EQ(h.controller->status(), Controller::kCouldNotRead);
    EXPECT_TRUE(h.controller->timeline().words.isEmpty());
    EXPECT_DOUBLE_EQ(h.controller->timeline().duration, 0);
    EXPECT_EQ(h.saveOffers(), std::nullopt);

    // A reading closed while it is made drops nothing: the earlier one is
    // still whole, and saved under its own name.
    h.readThrough(earlier, result("OLD", kTwoSentences, 1.8));
    h.controller->read(later);
    h.controller->windowClosed();
    EXPECT_EQ(h.controller->timeline().words.size(), kTwoSentences.size());
    EXPECT_EQ(h.saveOffers(), QStringLiteral("One two Three four.m4a"));
}

TEST(ReadAlongController, AnOutputThatRefusesToStartSaysSoInsteadOfPlaying) {
    Harness h;
    h.players.refusesToStart = true;
    h.readThrough(QStringLiteral("One two. Three four."), result("RIFF", kTwoSentences, 1.8));
    EXPECT_EQ(h.controller->status(), Controller::kCouldNotPlay);
    EXPECT_FALSE(h.controller->isPlaying());
    EXPECT_FALSE(h.controller->hasPlayer()) << "a player that never started would hold the reader busy";
    EXPECT_EQ(h.saveOffers(), QStringLiteral("One two Three four.m4a")) << "the audio itself is fine";

    // Resuming on an output that has gone away.
    h.players.refusesToStart = false;
    h.readThrough(QStringLiteral("One two. Three four."), result("RIFF", kTwoSentences, 1.8));
    EXPECT_TRUE(h.controller->isPlaying());
    EXPECT_FALSE(h.controller->status());
    h.controller->togglePlayback();
    h.players.made.back()->refuses = true;
    h.controller->togglePlayback();
    EXPECT_FALSE(h.controller->isPlaying());
    EXPECT_EQ(h.controller->status(), Controller::kCouldNotPlay);
    h.controller->seekToWord(2);
    EXPECT_FALSE(h.controller->isPlaying());
    // The output is back: the next press plays and the notice goes.
    h.players.made.back()->refuses = false;
    h.controller->togglePlayback();
    EXPECT_TRUE(h.controller->isPlaying());
    EXPECT_FALSE(h.controller->status());
}

TEST(ReadAlongController, ThePageShowsTheTextHandedInWithTheTimesOfWhatWasSaid) {
    Harness h;
    // The preparation said "jif" for the user's "GIF" and wrote out the sum.
    h.readThrough(QStringLiteral("A GIF, for $3.50. Done!"), result("RIFF",
                                                                    {{"A", 0, 0.2},
                                                                     {"jif,", 0.2, 0.5},
                                                                     {"for", 0.5, 0.7},
                                                                     {"3", 0.7, 0.9},
                                                                     {"dollars", 0.9, 1.1},
                                                                     {"50", 1.1, 1.3},
                                                                     {"cents.", 1.3, 1.6},
                                                                     {"Done!", 1.6, 2}},
                                                                    2));
    QStringList shown;
    QList<double> starts;
    QList<int> sentences;
    for (const ReaderTimeline::Word& word : h.controller->timeline().words) {
        shown << word.text;
        starts << word.start;
        sentences << word.sentence;
    }
    EXPECT_EQ(shown, QStringList({"A", "GIF,", "for", "$3.50.", "Done!"}));
    EXPECT_EQ(starts, QList<double>({0, 0.2, 0.5, 0.7, 1.6}));
    EXPECT_EQ(sentences, QList<int>({0, 0, 0, 0, 1}));
    EXPECT_FALSE(h.controller->status());

    // Words that are not this text at all (another language's guesses) light nothing.
    h.readThrough(QStringLiteral("Buenos días, amigos míos."),
                  result("RIFF", {{"when", 0, 0.4}, {"those", 0.4, 0.8}, {"arrive", 0.8, 1.2}}, 1.2));
    EXPECT_TRUE(h.controller->timeline().words.isEmpty());
    EXPECT_EQ(h.controller->status(), Controller::kNoWords);
    EXPECT_TRUE(h.controller->isPlaying());
}

TEST(ReadAlongController, TapsJumpWhilePlayingAndPlayFromTheWordWhilePaused) {
    Harness h;
    h.players.duration = 1800ms;
    h.readThrough(QStringLiteral("One two. Three four."), result("RIFF", kTwoSentences, 1.8));
    FakeAudioPlayers::Record& played = *h.players.made[0];

    h.controller->seekToWord(2);
    EXPECT_DOUBLE_EQ(h.controller->currentTime(), 1.0);
    EXPECT_TRUE(played.playing);
    EXPECT_TRUE(h.controller->isPlaying());

    h.controller->togglePlayback();
    EXPECT_FALSE(played.playing);
    h.controller->seekToWord(1);
    EXPECT_DOUBLE_EQ(h.controller->currentTime(), 0.4);
    EXPECT_TRUE(played.playing);
    EXPECT_TRUE(h.controller->isPlaying());

    h.controller->seekToWord(4);
    h.controller->seekToWord(-1);
    EXPECT_DOUBLE_EQ(h.controller->currentTime(), 0.4);

    // Skipping lands on a sentence's start; the ticker copies the position.
    h.controller->skip(0.7);
    EXPECT_DOUBLE_EQ(h.controller->currentTime(), 1.0);
    h.controller->skip(-15);
    EXPECT_DOUBLE_EQ(h.controller->currentTime(), 0);
    h.players.made[0]->playing = true;
    h.controller->player()->seek(1234ms);
    h.controller->tick();
    EXPECT_DOUBLE_EQ(h.controller->currentTime(), 1.234);
}

TEST(ReadAlongController, FinishingStopsAtTheEndAndANewReadingKeepsTheSpeed) {
    Harness h;
    h.readThrough(QStringLiteral("One two. Three four."), result("RIFF", kTwoSentences, 2.5));
    h.controller->setRate(1.25);
    ASSERT_TRUE(h.players.finishCurrent());
    settle();
    EXPECT_FALSE(h.controller->isPlaying());
    EXPECT_DOUBLE_EQ(h.controller->currentTime(), 2.5);

    h.readThrough(QStringLiteral("Again."), result("RIFF2", {{"Again.", 0, 1}}, 1));
    EXPECT_TRUE(h.players.made[0]->stopped);
    EXPECT_DOUBLE_EQ(h.players.made[1]->rate, 1.25);
    EXPECT_DOUBLE_EQ(h.controller->currentTime(), 0);
    // A late finish of the replaced player changes nothing.
    h.players.made[0]->finished();
    settle();
    EXPECT_TRUE(h.controller->isPlaying());
}

namespace {

// Exports through a stand-in converter script.
struct ExportHarness : Harness {
    TempFolder folder;
    TempFolder temporary;
    ScopedEnvironment tmp{"TMPDIR", temporary.path().toUtf8()};
    QList<QString> proposed;
    std::optional<QString> answer;
    QStringList revealed;

    ExportHarness(const QByteArray& script) {
        Controller::Services services = readyServices(players);
        services.synthesize = [](const QString&, const QString&) {
            return QtFuture::makeReadyFuture(std::optional<Timed>(
                result("RIFFwav", {{"Save", 0, 0.3}, {"me,", 0.3, 0.6}, {"please:", 0.6, 1}, {"now!", 1, 1.8}}, 1.8)));
        };
        services.chooseDestination = [this](QWidget*, const QString& name) {
            proposed << name;
            return answer;
        };
        services.reveal = [this](const QString& path) { revealed << path; };
        if (!script.isEmpty()) {
            services.converter = temporary.write(QStringLiteral("convert.sh"), "#!/bin/sh\n" + script);
            QFile::setPermissions(services.converter, QFile::ReadOwner | QFile::ExeOwner);
        }
        controller = std::make_unique<Controller>(services);
        awaitFuture(controller->read(QStringLiteral("Save me, please: now!")));
        answer = folder.file(QStringLiteral("Reading.m4a"));
        folder.write(QStringLiteral("Reading.m4a"), "the user's old file");
    }

    QStringList leftovers() const {
        QStringList found = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        found.removeAll(QStringLiteral("Reading.m4a"));
        for (const QString& name : QDir(temporary.path()).entryList(QDir::Files | QDir::Hidden))
            if (name != QLatin1String("convert.sh"))
                found << name;
        return found;
    }

    QByteArray saved() const {
        QFile file(folder.file(QStringLiteral("Reading.m4a")));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
};

// Copies the input (argument 4) to the output (last argument) as ffmpeg would convert it.
const QByteArray kConverts = "for last; do :; done\n{ printf 'M4A:'; cat \"$4\"; } > \"$last\"\n";
const QByteArray kFails = "for last; do :; done\nprintf 'partial' > \"$last\"\necho 'Input #0' >&2\n"
                          "echo 'Conversion failed: no space left' >&2\nexit 1\n";

} // namespace

TEST(ReadAlongExport, ReplacesTheChosenFileOnlyAfterAFinishedConversion) {
    ExportHarness h(kConverts);
    QFuture<void> saving = h.controller->exportAudio();
    EXPECT_TRUE(h.controller->exporting());
    // A second press while the first runs does nothing.
    EXPECT_TRUE(h.controller->exportAudio().isFinished());
    ASSERT_TRUE(awaitFuture(saving));
    EXPECT_EQ(h.proposed, QList<QString>{"Save me please now.m4a"});
    EXPECT_FALSE(h.controller->exporting());
    EXPECT_FALSE(h.controller->status());
    EXPECT_EQ(h.saved(), QByteArray("M4A:RIFFwav"));
    EXPECT_EQ(h.revealed, QStringList{h.folder.file("Reading.m4a")});
    EXPECT_TRUE(h.leftovers().isEmpty()) << h.leftovers().join(", ").toStdString();
}

TEST(ReadAlongExport, AFailedConversionKeepsTheUsersFileAndSaysWhy) {
    ExportHarness h(kFails);
    ASSERT_TRUE(awaitFuture(h.controller->exportAudio()));
    EXPECT_EQ(h.controller->status(), Controller::kCouldNotSave + "Conversion failed: no space left");
    EXPECT_EQ(h.saved(), QByteArray("the user's old file"));
    EXPECT_TRUE(h.revealed.isEmpty());
    EXPECT_TRUE(h.leftovers().isEmpty()) << h.leftovers().join(", ").toStdString();
    EXPECT_FALSE(h.controller->exporting());
}

TEST(ReadAlongExport, CancellingOrLackingAConverterLeavesNothingBehind) {
    ExportHarness cancelled(kConverts);
    cancelled.answer.reset();
    ASSERT_TRUE(awaitFuture(cancelled.controller->exportAudio()));
    EXPECT_FALSE(cancelled.controller->status());
    EXPECT_FALSE(cancelled.controller->exporting());
    EXPECT_TRUE(cancelled.leftovers().isEmpty());

    ExportHarness none({});
    ASSERT_TRUE(awaitFuture(none.controller->exportAudio()));
    EXPECT_EQ(none.controller->status(), Controller::kCouldNotConvert);
    EXPECT_EQ(none.saved(), QByteArray("the user's old file"));
    EXPECT_TRUE(none.leftovers().isEmpty());
    EXPECT_FALSE(none.controller->exporting());

    // Nothing read yet: no panel at all.
    Harness fresh;
    EXPECT_TRUE(fresh.controller->exportAudio().isFinished());
    EXPECT_FALSE(fresh.controller->exporting());
}

TEST(ReadAlongExport, AReadingThatChangesWhileTheSavePanelIsOpenSavesNothing) {
    // The panel is modal: the reading goes on behind it. One reading finishes
    // there with other words, the next one fails.
    for (const std::optional<Timed>& behindThePanel :
         {std::optional<Timed>(result("RIFFnew", {{"Other", 0, 0.5}, {"words.", 0.5, 1}}, 1)),
          std::optional<Timed>()}) {
        ExportHarness h(kConverts);
        h.controller.reset();
        Controller::Services services = readyServices(h.players);
        QList<Pending<std::optional<Timed>>> syntheses;
        services.synthesize = [&](const QString&, const QString&) {
            syntheses.append(Pending<std::optional<Timed>>());
            return syntheses.back().promise->future();
        };
        services.converter = h.temporary.file(QStringLiteral("convert.sh"));
        services.reveal = [&](const QString& path) { h.revealed << path; };
        QList<QString> proposed;
        services.chooseDestination = [&](QWidget*, const QString& name) {
            proposed << name;
            QFuture<void> next = h.controller->read(QStringLiteral("Other words."));
            syntheses.back().finish(behindThePanel);
            EXPECT_TRUE(awaitFuture(next));
            return h.answer;
        };
        h.controller = std::make_unique<Controller>(services);
        QFuture<void> first = h.controller->read(QStringLiteral("Save me, please: now!"));
        QCoreApplication::processEvents();
        syntheses.back().finish(
            result("RIFFold", {{"Save", 0, 0.3}, {"me,", 0.3, 0.6}, {"please:", 0.6, 1}, {"now!", 1, 1.8}}, 1.8));
        ASSERT_TRUE(awaitFuture(first));

        ASSERT_TRUE(awaitFuture(h.controller->exportAudio()));
        EXPECT_EQ(proposed, QList<QString>{"Save me please now.m4a"});
        EXPECT_EQ(h.controller->status(), Controller::kReadingChanged);
        EXPECT_EQ(h.saved(), QByteArray("the user's old file"));
        EXPECT_TRUE(h.revealed.isEmpty());
        EXPECT_TRUE(h.leftovers().isEmpty()) << h.leftovers().join(", ").toStdString();
        EXPECT_FALSE(h.controller->exporting());
    }
}

TEST(ReadAlongExport, TheInstalledConverterWritesAnM4AOfTheReadingsLength) {
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    constexpr int kRate = 16000;
    QList<float> tone(kRate * 2);
    for (int i = 0; i < tone.size(); ++i)
        tone[i] = 0.3f * float(std::sin(2 * M_PI * 440 * i / kRate));
    TempFolder folder;
    FakeAudioPlayers players;
    Controller::Services services = readyServices(players);
    const QByteArray wav = WavData::encode(tone);
    services.synthesize = [wav](const QString&, const QString&) {
        return QtFuture::makeReadyFuture(std::optional<Timed>(result(wav, kTwoSentences, 2)));
    };
    services.converter = ffmpeg;
    const QString destination = folder.file(QStringLiteral("reading.m4a"));
    services.chooseDestination = [&](QWidget*, const QString&) { return std::optional<QString>(destination); };
    Controller controller(services);
    ASSERT_TRUE(awaitFuture(controller.read(QStringLiteral("One two. Three four."))));
    ASSERT_TRUE(awaitFuture(controller.exportAudio(), 60000));
    EXPECT_FALSE(controller.status()) << controller.status().value_or(QString()).toStdString();

    QFile file(destination);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(12);
    EXPECT_EQ(head.mid(4, 8), QByteArray("ftypM4A "));
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "stream=codec_name:format=duration", "-of",
                                            "default=noprint_wrappers=1", destination});
    ASSERT_TRUE(probe.waitForFinished(30000));
    const QString info = QString::fromUtf8(probe.readAllStandardOutput());
    EXPECT_TRUE(info.contains("codec_name=aac")) << info.toStdString();
    const double seconds = info.section(QStringLiteral("duration="), 1).section(u'\n', 0, 0).toDouble();
    EXPECT_NEAR(seconds, 2.0, 0.1) << info.toStdString();
}
