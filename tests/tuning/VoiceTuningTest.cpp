#include "engine/VoiceTuning.h"
#include "audio/Recorder.h"
#include "engine/MlxServer.h"
#include "engine/Transcriber.h"
#include "support/Await.h"
#include "support/FakeAudioInput.h"
#include "support/LoopbackHttpServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Response = LoopbackHttpServer::Response;
using Phase = VoiceTuning::Phase;
using Outcome = VoiceTuning::Outcome;
using namespace std::chrono_literals;

constexpr int kTakeSamples = 8000;
constexpr int kTakes = VoiceTuning::kTrainingTakes + VoiceTuning::kCheckingTakes;

// The take number hidden in a take's samples: take k holds (k + 1) / 100.
float markOf(int take) { return float(take + 1) / 100.0f; }

int takeIn(const QByteArray& body) {
    const qsizetype wav = body.indexOf("RIFF");
    if (wav < 0)
        return -1;
    const auto sample = qint16(quint8(body[wav + 44]) | (quint8(body[wav + 45]) << 8));
    return qRound(sample / 327.67) - 1;
}

TEST(WordErrors, CountSubstitutionsInsertionsAndDeletionsOfWords) {
    EXPECT_EQ(VoiceTuning::wordErrors(QStringLiteral("Please bring the signed forms to the front desk"),
                                      QStringLiteral("please bring the signed form to the front desk")),
              std::make_pair(1, 9));
    EXPECT_EQ(VoiceTuning::wordErrors(QStringLiteral("Thank you for calling, how can I help you today"),
                                      QStringLiteral("THANK YOU FOR CALLING HOW CAN I HELP YOU TODAY")),
              std::make_pair(0, 10));
    EXPECT_EQ(VoiceTuning::wordErrors(QStringLiteral("one two three"), QStringLiteral("one and two")),
              std::make_pair(2, 3));
    EXPECT_EQ(VoiceTuning::wordErrors(QStringLiteral("one two three"), QStringLiteral("zero one two three four")),
              std::make_pair(2, 3));
    EXPECT_EQ(VoiceTuning::wordErrors(QStringLiteral(" ,. "), QStringLiteral("anything at all")), std::make_pair(0, 0));
}

class VoiceTuningTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen(MlxServer::port));
        input.devices = {{1, QStringLiteral("Test mic"), 1}};
        input.defaultDevice = 1;
        input.script.format = {16000, 1};
        auto recorder = std::make_unique<Recorder>(&input);
        tuning = std::make_unique<VoiceTuning>(
            std::move(recorder), [](const QByteArray& wav, std::chrono::milliseconds timeout) {
                return Transcriber::transcribe(wav, std::chrono::duration<double>(timeout).count());
            });
        tuning->setProgressInterval(20ms);
        QObject::connect(tuning.get(), &VoiceTuning::phaseChanged,
                         [this](const Phase& phase) { phases.append(phase); });

        server.setFallback([](const auto&) { return Response::json(R"({"ok":true})"); });
        server.on("GET", "/v1/quorvane/adapt/status", [this](const auto&) {
            return Response::json(fitted ? R"({"tuned":true,"clips":0,"step":40,"steps":40})"
                                         : R"({"tuned":false,"clips":12,"step":3,"steps":40})");
        });
        server.on("POST", "/v1/quorvane/adapt/fit", [this](const auto&) {
            Response response = Response::json(R"({"ok":true,"clips":12,"steps":40,"loss":1.5})");
            response.delayMs = 150;
            fitted = true;
            return response;
        });
        server.on("POST", "/v1/audio/transcriptions", [this](const LoopbackHttpServer::Request& request) {
            const int checking = takeIn(request.body) - VoiceTuning::kTrainingTakes;
            Response response = Response::json(QJsonDocument(QJsonObject{{"text", heard(checking, fitted)}}).toJson());
            response.delayMs = fitted ? delayAfterFit : 0;
            return response;
        });
    }

    void recordTakes(int count) {
        for (int take = 0; take < count; ++take) {
            tuning->beginRecording();
            input.lastCapture()->deliver(std::vector<float>(kTakeSamples, markOf(tuning->captured())));
            tuning->finishRecording();
        }
    }

    QList<QByteArray> paths() const {
        QList<QByteArray> list;
        for (const auto& request : server.requests())
            if (request.path != "/v1/quorvane/adapt/status")
                list.append(request.path);
        return list;
    }

    // The requests after the fit.
    QList<QByteArray> pathsAfterFit() const {
        const QList<QByteArray> all = paths();
        return all.mid(all.indexOf("/v1/quorvane/adapt/fit") + 1);
    }

    Phase ran() {
        phases.clear();
        EXPECT_TRUE(awaitFuture(tuning->run(), 20000));
        return tuning->phase();
    }

    LoopbackHttpServer server;
    FakeAudioInput input;
    std::unique_ptr<VoiceTuning> tuning;
    QList<Phase> phases;
    bool fitted = false;
    int delayAfterFit = 0;
    // What the recogniser hears of held-back take `index`, before or after the fit.
    std::function<QString(int index, bool fitted)> heard = [](int index, bool) {
        return VoiceTuning::checkingSentences().at(index);
    };
};

TEST_F(VoiceTuningTest, FifteenTakesDoNothingAndUndoTakesTheNewestTake) {
    recordTakes(15);
    EXPECT_EQ(tuning->currentSentence(), VoiceTuning::checkingSentences().at(3));
    EXPECT_TRUE(tuning->run().isFinished());
    EXPECT_EQ(tuning->phase(), Phase::idle());
    EXPECT_TRUE(server.requests().isEmpty());

    tuning->discardLast();
    EXPECT_EQ(tuning->checkingClips().size(), 2);
    tuning->discardLast();
    tuning->discardLast();
    tuning->discardLast();
    EXPECT_EQ(tuning->trainingClips().size(), 11);
    EXPECT_EQ(tuning->currentSentence(), VoiceTuning::trainingSentences().at(11));
}

TEST_F(VoiceTuningTest, UndoAndStartOverDuringATakeStopTheRecorderAndDropTheTake) {
    recordTakes(2);
    tuning->beginRecording();
    tuning->discardLast();
    EXPECT_EQ(input.lastCapture()->stops, 1);
    EXPECT_EQ(tuning->phase(), Phase::idle());
    EXPECT_EQ(tuning->currentSentence(), VoiceTuning::trainingSentences().at(1));

    tuning->beginRecording();
    tuning->reset();
    EXPECT_EQ(input.lastCapture()->stops, 1);
    EXPECT_EQ(tuning->phase(), Phase::idle());
    EXPECT_EQ(tuning->captured(), 0);
}

TEST_F(VoiceTuningTest, AShortTakeIsDroppedAndTheSameSentenceAskedAgain) {
    tuning->beginRecording();
    EXPECT_EQ(tuning->phase(), Phase::recording(0, false));
    input.lastCapture()->deliver(std::vector<float>(3000, 0.5f));
    tuning->finishRecording();
    EXPECT_EQ(tuning->captured(), 0);
    EXPECT_EQ(tuning->phase(), Phase::idle());
    EXPECT_EQ(tuning->currentSentence(), VoiceTuning::trainingSentences().at(0));
}

TEST_F(VoiceTuningTest, APerfectFirstMeasurementTrainsNothing) {
    recordTakes(kTakes);
    EXPECT_EQ(ran(), Phase::done(Outcome::alreadyPerfect(33)));
    EXPECT_EQ(paths(),
              (QList<QByteArray>{"/v1/quorvane/adapt/discard", "/v1/audio/transcriptions", "/v1/audio/transcriptions",
                                 "/v1/audio/transcriptions", "/v1/audio/transcriptions"}));
    EXPECT_EQ(phases.mid(0, 5),
              (QList<Phase>{Phase::measuringBefore(0), Phase::measuringBefore(1), Phase::measuringBefore(2),
                            Phase::measuringBefore(3), Phase::measuringBefore(4)}));
}

TEST_F(VoiceTuningTest, FewerErrorsAfterTheFitKeepTheAdapter) {
    recordTakes(kTakes);
    heard = [](int index, bool fitted) {
        const QString sentence = VoiceTuning::checkingSentences().at(index);
        return fitted || index != 2 ? sentence : QStringLiteral("please ring the signed form to the front desk");
    };
    EXPECT_EQ(ran(), Phase::done(Outcome::better(2, 0, 33)));

    QList<QJsonObject> clips;
    for (const auto& request : server.requests())
        if (request.path == "/v1/quorvane/adapt/clip")
            clips.append(QJsonDocument::fromJson(request.body).object());
    ASSERT_EQ(clips.size(), VoiceTuning::kTrainingTakes);
    for (int index = 0; index < clips.size(); ++index) {
        EXPECT_EQ(clips[index].value("text").toString(), VoiceTuning::trainingSentences().at(index));
        EXPECT_EQ(QByteArray::fromBase64(clips[index].value("audio").toString().toLatin1()),
                  tuning->trainingClips().at(index));
    }
    // The watcher shows the server's progress while the fit runs.
    EXPECT_TRUE(std::any_of(phases.begin(), phases.end(), [](const Phase& phase) {
        return phase.kind == Phase::Kind::Tuning && phase.of == 40 && phase.count > 0;
    }));
    EXPECT_EQ(paths().count("/v1/quorvane/adapt/clear"), 0)
        << "the earlier adapter was deleted before the new one proved better";
    // Stored only once the held-back takes were heard better.
    EXPECT_EQ(pathsAfterFit().count("/v1/quorvane/adapt/keep"), 1);
    EXPECT_EQ(pathsAfterFit().last(), "/v1/quorvane/adapt/keep");
}

TEST_F(VoiceTuningTest, AnAdapterTheServerCouldNotStoreFailsTheRunAndTheStoredOneIsBackInForce) {
    recordTakes(kTakes);
    heard = [](int index, bool fitted) {
        return fitted || index != 1 ? VoiceTuning::checkingSentences().at(index) : QStringLiteral("our records");
    };
    server.on("POST", "/v1/quorvane/adapt/keep",
              [](const auto&) { return Response::json(R"({"ok":false,"reason":"not stored: disk full"})"); });
    const Phase phase = ran();
    EXPECT_EQ(phase.kind, Phase::Kind::Failed);
    EXPECT_FALSE(phase.message.isEmpty());
    EXPECT_EQ(pathsAfterFit().mid(VoiceTuning::kCheckingTakes),
              (QList<QByteArray>{"/v1/quorvane/adapt/keep", "/v1/quorvane/adapt/discard"}));
    EXPECT_EQ(paths().count("/v1/quorvane/adapt/clear"), 0);
}

TEST_F(VoiceTuningTest, ATieIsNotBetterAndKeepsTheStoredAdapter) {
    recordTakes(kTakes);
    heard = [](int index, bool) {
        return index == 0 ? QStringLiteral("the doctor described a different medication")
                          : VoiceTuning::checkingSentences().at(index);
    };
    EXPECT_EQ(ran(), Phase::done(Outcome::notBetter(2, 2, 33)));
    EXPECT_EQ(pathsAfterFit().last(), "/v1/quorvane/adapt/discard");
    EXPECT_EQ(paths().count("/v1/quorvane/adapt/clear"), 0);
    EXPECT_EQ(pathsAfterFit().count("/v1/quorvane/adapt/keep"), 0);
}

TEST_F(VoiceTuningTest, ATranscriptionTimeOutAfterTuningFailsAndKeepsTheStoredAdapter) {
    recordTakes(kTakes);
    heard = [](int, bool) { return QStringLiteral("nothing like it"); };
    delayAfterFit = 2000;
    tuning->setTranscriptionTimeout(300ms);
    const Phase phase = ran();
    EXPECT_EQ(phase.kind, Phase::Kind::Failed);
    EXPECT_FALSE(phase.message.isEmpty());
    EXPECT_EQ(pathsAfterFit(), (QList<QByteArray>{"/v1/audio/transcriptions", "/v1/quorvane/adapt/discard"}));
    EXPECT_EQ(paths().count("/v1/quorvane/adapt/clear"), 0);
}

TEST_F(VoiceTuningTest, ASilentServerFailsTheRunWithTheTransportError) {
    recordTakes(kTakes);
    server.close();
    const Phase phase = ran();
    EXPECT_EQ(phase.kind, Phase::Kind::Failed);
    EXPECT_FALSE(phase.message.isEmpty());
}

TEST_F(VoiceTuningTest, TurningOffClearsTheAdapterAndKeepsTheTakes) {
    recordTakes(3);
    EXPECT_TRUE(awaitFuture(tuning->turnOff()));
    EXPECT_EQ(tuning->phase(), Phase::done(Outcome::turnedOff()));
    EXPECT_EQ(paths(), QList<QByteArray>{"/v1/quorvane/adapt/clear"});
    EXPECT_EQ(tuning->captured(), 3);
}

} // namespace
