#include "engine/LoopbackExchange.h"
#include "engine/EngineHttp.h"
#include "support/Await.h"
#include "support/LoopbackHttpServer.h"

#include <gtest/gtest.h>

namespace {

using LoopbackExchange::AnswerReader;
using Response = LoopbackHttpServer::Response;

// Feeds `bytes` to a reader in pieces of `piece` bytes, as a socket may, and
// answers the first complete answer and how many bytes it took.
std::pair<std::optional<HttpAnswer>, qsizetype> readInPieces(const QByteArray& bytes, qsizetype piece) {
    AnswerReader reader;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        reader.append(bytes.mid(at, piece));
        if (std::optional<HttpAnswer> answer = reader.answer(false))
            return {answer, std::min(at + piece, bytes.size())};
    }
    return {std::nullopt, bytes.size()};
}

TEST(LoopbackExchangeTest, TheRequestIsOneBufferWithItsHeadersAndTheWholeBody) {
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:50061/v1/audio/transcriptions?x=1")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("multipart/form-data; boundary=b"));
    const QByteArray body(70000, 'w');
    const QByteArray bytes = LoopbackExchange::requestBytes(request, "POST", body);

    EXPECT_TRUE(bytes.startsWith("POST /v1/audio/transcriptions?x=1 HTTP/1.1\r\nHost: 127.0.0.1:50061\r\n"));
    const qsizetype headerEnd = bytes.indexOf("\r\n\r\n");
    const QByteArray head = bytes.left(headerEnd + 4);
    EXPECT_TRUE(head.contains("\r\nContent-Type: multipart/form-data; boundary=b\r\n"));
    EXPECT_TRUE(head.contains("\r\nContent-Length: 70000\r\n"));
    EXPECT_TRUE(head.contains("\r\nConnection: close\r\n"));
    EXPECT_EQ(bytes.mid(headerEnd + 4), body);
}

TEST(LoopbackExchangeTest, AnAnswerIsCompleteOnlyWhenItsFramingIsSatisfied) {
    const QByteArray sized =
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 11\r\n\r\n{\"text\":1}\n";
    EXPECT_FALSE(readInPieces(sized.chopped(1), 7).first);
    const std::optional<HttpAnswer> whole = readInPieces(sized, 7).first;
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->body, "{\"text\":1}\n");
    EXPECT_FALSE(whole->transportFailed);

    // Chunked, with an interim answer before it; split in every possible place.
    const QByteArray chunked = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nTransfer-Encoding: chunked\r\n\r\n"
                               "4\r\nWiki\r\n6;note=x\r\npedia \r\nD\r\nin\r\n\r\nchunks.\r\n0\r\n\r\n";
    for (qsizetype piece = 1; piece <= chunked.size(); ++piece) {
        const auto [answer, at] = readInPieces(chunked, piece);
        ASSERT_TRUE(answer) << piece;
        EXPECT_EQ(answer->status, 201);
        EXPECT_EQ(answer->body, "Wikipedia in\r\n\r\nchunks.");
        EXPECT_EQ(at, chunked.size()) << piece;
    }

    // Without a length the body runs to the close.
    AnswerReader open;
    open.append("HTTP/1.0 200 OK\r\n\r\nsome");
    EXPECT_FALSE(open.answer(false));
    open.append(" audio");
    EXPECT_EQ(open.answer(true)->body, "some audio");

    AnswerReader empty;
    empty.append("HTTP/1.1 204 No Content\r\n\r\n");
    ASSERT_TRUE(empty.answer(false));
    EXPECT_EQ(empty.answer(false)->status, 204);
}

TEST(LoopbackExchangeTest, ACutShortOrForeignAnswerIsNeverTakenForAWholeOne) {
    AnswerReader cut;
    cut.append("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part");
    EXPECT_FALSE(cut.answer(false));
    const HttpAnswer lost = *cut.answer(true);
    EXPECT_TRUE(lost.transportFailed);
    EXPECT_EQ(lost.status, -1);

    AnswerReader cutChunk;
    cutChunk.append("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nshort");
    EXPECT_TRUE(cutChunk.answer(true)->transportFailed);

    AnswerReader silent;
    EXPECT_FALSE(silent.answer(false));
    EXPECT_TRUE(silent.answer(true)->transportFailed);

    AnswerReader foreign;
    foreign.append("SSH-2.0-OpenSSH_9.2\r\n");
    const std::optional<HttpAnswer> notHttp = foreign.answer(false);
    ASSERT_TRUE(notHttp);
    EXPECT_EQ(notHttp->status, -1);
    EXPECT_FALSE(notHttp->transportFailed);
    EXPECT_FALSE(notHttp->error.isEmpty());
}

TEST(LoopbackExchangeTest, ARequestReachesTheServerWholeAndItsAnswerComesBack) {
    LoopbackHttpServer server;
    ASSERT_TRUE(server.listen());
    server.on("POST", "/v1/audio/transcriptions", [](const LoopbackHttpServer::Request& request) {
        return Response::json("{\"bytes\":" + QByteArray::number(request.body.size()) + "}");
    });
    QNetworkRequest request(server.url(QStringLiteral("v1/audio/transcriptions")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("audio/wav"));
    const QByteArray take(5 * 32000, '\x11');

    QFuture<HttpAnswer> sent = EngineHttp::send(request, "POST", take, 5000);
    ASSERT_TRUE(awaitFuture(sent, 10000));
    EXPECT_EQ(sent.result().status, 200);
    EXPECT_EQ(sent.result().body, "{\"bytes\":160000}");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].body, take);
    EXPECT_EQ(server.requests()[0].header("content-type"), "audio/wav");

    // Nobody listens any more: no answer, said so.
    const QUrl gone = server.url(QStringLiteral("v1/models"));
    server.close();
    QFuture<HttpAnswer> refused = EngineHttp::send(QNetworkRequest(gone), "GET", {}, 5000);
    ASSERT_TRUE(awaitFuture(refused, 10000));
    EXPECT_TRUE(refused.result().transportFailed);
    EXPECT_EQ(refused.result().status, -1);
}

} // namespace
