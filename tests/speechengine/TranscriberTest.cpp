#include "engine/Transcriber.h"
#include "audio/WavData.h"
#include "engine/CancelToken.h"
#include "engine/MlxServer.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"
#include "support/QuorvaneError.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using Response = LoopbackHttpServer::Response;
using Transcriber::Diagnosis;

const QByteArray take = QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) + QByteArray(28, '\x01');

class TranscriberTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.listen(MlxServer::port)); }

    void answerWith(const Response& response) {
        server.on("POST", "/v1/audio/transcriptions", [response](const auto&) { return response; });
    }

    QString transcribed(double timeout = 10) {
        auto future = Transcriber::transcribe(take, timeout);
        EXPECT_TRUE(awaitFuture(future));
        return future.result();
    }

    Diagnosis diagnosed(double timeout = 10) {
        auto future = Transcriber::diagnose(take, timeout);
        EXPECT_TRUE(awaitFuture(future));
        return future.result();
    }

    LoopbackHttpServer server;
};

TEST_F(TranscriberTest, SendsTheTakeAsAMultipartFormWithAFreshBoundaryEachTime) {
    answerWith(Response::json(R"({"text":"  hello there \n"})"));
    EXPECT_EQ(transcribed(), QStringLiteral("hello there"));
    EXPECT_EQ(transcribed(), QStringLiteral("hello there"));

    ASSERT_EQ(server.requests().size(), 2);
    QStringList boundaries;
    for (const auto& request : server.requests()) {
        EXPECT_EQ(request.method, "POST");
        const QByteArray type = request.header("content-type");
        ASSERT_TRUE(type.startsWith("multipart/form-data; boundary=quorvane-")) << type.constData();
        const QString boundary = QString::fromUtf8(type.mid(type.indexOf('=') + 1));
        EXPECT_EQ(request.body, Transcriber::multipartBody(take, MlxServer::parakeetModelRef(), boundary));
        boundaries << boundary;
    }
    EXPECT_NE(boundaries[0], boundaries[1]);
}

TEST_F(TranscriberTest, ReadsTheTextOfA200Answer) {
    answerWith(Response::json(R"({"text":"  "})"));
    EXPECT_EQ(transcribed(), QString()) << "silence";

    // An answer without its text is the engine failing, never silence.
    for (const char* body : {R"({"language":"en"})", R"({"text":null})", R"(["text"])"}) {
        answerWith(Response::json(body));
        try {
            transcribed();
            ADD_FAILURE() << body << " was taken for a transcript";
        } catch (const QuorvaneError& error) {
            EXPECT_EQ(error.code, 2) << body;
        }
    }
    EXPECT_EQ(diagnosed(), (Diagnosis{200, {}, QStringLiteral(R"(["text"])"), std::nullopt}));

    answerWith(Response::bytes("<html>busy</html>", "text/html"));
    EXPECT_THROW(transcribed(), Transcriber::RequestFailed);
    EXPECT_EQ(diagnosed(), (Diagnosis{200, {}, QStringLiteral("<html>busy</html>"), std::nullopt}));
}

TEST_F(TranscriberTest, AnotherStatusFailsWithItsNumberAndTheDiagnosisKeepsTheBody) {
    const QByteArray body = R"({"text":" partial ","detail":")" + QByteArray(400, 'e') + "\"}";
    answerWith(Response::json(body, 503));
    try {
        transcribed();
        ADD_FAILURE() << "a 503 answer was taken";
    } catch (const QuorvaneError& error) {
        EXPECT_EQ(error, (QuorvaneError{2, QStringLiteral("Transcription failed (HTTP 503)")}));
    }
    EXPECT_EQ(diagnosed(),
              (Diagnosis{503, QStringLiteral("partial"), QString::fromUtf8(body.left(300)), std::nullopt}));
}

TEST_F(TranscriberTest, ABodyThatIsNotUtf8IsNamedByItsLength) {
    answerWith(Response::bytes(QByteArray("\xff\xfe\xfd\xc3\x28\xa0\xa1\xe2\x28\xa1\xf0\x90", 12), "audio/wav", 500));
    const Diagnosis diagnosis = diagnosed();
    EXPECT_EQ(diagnosis.status, 500);
    EXPECT_EQ(diagnosis.bodyExcerpt, QStringLiteral("<non-text 12 bytes>"));
}

TEST_F(TranscriberTest, NoAnswerFailsTheRequest) {
    server.on("POST", "/v1/audio/transcriptions", [](const auto&) {
        Response late = Response::json(R"({"text":"late"})");
        late.delayMs = 3000;
        return late;
    });
    EXPECT_THROW(transcribed(0.2), Transcriber::RequestFailed);
    EXPECT_EQ(diagnosed(0.2).status, -1);

    server.close();
    EXPECT_THROW(transcribed(), Transcriber::RequestFailed);
    const Diagnosis refused = diagnosed();
    EXPECT_EQ(refused.status, -1);
    EXPECT_TRUE(refused.transcript.isEmpty());
    EXPECT_TRUE(refused.bodyExcerpt.isEmpty());
    ASSERT_TRUE(refused.error.has_value());
    EXPECT_FALSE(refused.error->isEmpty());
}

TEST_F(TranscriberTest, ACancelledRequestEndsAtOnceWithoutItsAnswer) {
    // The first take's answer would take a minute; later ones come at once.
    int asked = 0;
    server.on("POST", "/v1/audio/transcriptions", [&asked](const auto&) {
        Response response = Response::json(asked == 0 ? R"({"text":"preview"})" : R"({"text":"final"})");
        response.delayMs = asked++ == 0 ? 60000 : 0;
        return response;
    });
    const auto failure = [](QFuture<QString> future) -> QString {
        try {
            future.result();
        } catch (const Transcriber::RequestFailed& failed) {
            return failed.message;
        }
        return QStringLiteral("answered");
    };

    CancelToken preview;
    auto previewText = Transcriber::transcribe(take, 120, preview);
    ASSERT_TRUE(QTest::qWaitFor([this] { return server.requests().size() == 1; }, 10000));
    preview.cancel();
    EXPECT_FALSE(previewText.isFinished()) << "the answer never arrives inside cancel()";
    ASSERT_TRUE(awaitFuture(previewText, 10000));
    EXPECT_EQ(failure(previewText), QStringLiteral("The request was cancelled."));
    EXPECT_EQ(transcribed(), QStringLiteral("final"));

    // A token cancelled before the call sends nothing.
    auto unsent = Transcriber::transcribe(take, 10, preview);
    ASSERT_TRUE(awaitFuture(unsent));
    EXPECT_EQ(failure(unsent), QStringLiteral("The request was cancelled."));
    EXPECT_EQ(server.requests().size(), 2);

    // Cancelling after the answer changes nothing.
    CancelToken late;
    auto answered = Transcriber::transcribe(take, 10, late);
    ASSERT_TRUE(awaitFuture(answered));
    late.cancel();
    EXPECT_EQ(answered.result(), QStringLiteral("final"));
}

TEST_F(TranscriberTest, TheServerWarmUpSpeaksThenTranscribesHalfASecondOfSilence) {
    server.on("POST", "/v1/audio/speech", [](const auto&) { return Response::json("{}", 500); });
    answerWith(Response::json(R"({"text":""})"));
    MlxServer engine;
    auto warmed = engine.warmUp();
    ASSERT_TRUE(awaitFuture(warmed));

    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[0].path, "/v1/audio/speech");
    const auto& transcription = server.requests()[1];
    const QByteArray type = transcription.header("content-type");
    EXPECT_EQ(transcription.body,
              Transcriber::multipartBody(WavData::encode(QList<float>(8000, 0.0f)), MlxServer::parakeetModelRef(),
                                         QString::fromUtf8(type.mid(type.indexOf('=') + 1))));

    // Nothing listening: the warm-up still ends, quietly.
    server.close();
    auto unanswered = engine.warmUp();
    EXPECT_TRUE(awaitFuture(unanswered));
}

} // namespace
