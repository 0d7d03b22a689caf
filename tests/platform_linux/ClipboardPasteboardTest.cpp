#include "platform/linux/ClipboardPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

namespace {

QClipboard* clipboard() { return QGuiApplication::clipboard(); }

QStringList formats() {
    const QMimeData* data = clipboard()->mimeData();
    return data ? data->formats() : QStringList();
}

TEST(ClipboardPasteboardTest, ATransientTextCarriesTheMarkersAndAPlainOneDoesNot) {
    ClipboardPasteboard pasteboard;
    pasteboard.writeText(QStringLiteral("Grüße \U0001F44B"), true);
    EXPECT_EQ(clipboard()->text(), QStringLiteral("Grüße \U0001F44B"));
    EXPECT_EQ(clipboard()->mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    EXPECT_TRUE(formats().contains(QStringLiteral("org.nspasteboard.TransientType")));
    EXPECT_TRUE(formats().contains(QStringLiteral("org.nspasteboard.ConcealedType")));

    pasteboard.writeText(QStringLiteral("kept"), false);
    EXPECT_FALSE(formats().contains(QStringLiteral("x-kde-passwordManagerHint")));
}

TEST(ClipboardPasteboardTest, TheChangeCountMovesOnceForOurWriteAndForAnyOtherWrite) {
    ClipboardPasteboard pasteboard;
    const qint64 start = pasteboard.changeCount();
    pasteboard.writeText(QStringLiteral("ours"), true);
    EXPECT_EQ(pasteboard.changeCount(), start + 1);
    EXPECT_EQ(pasteboard.changeCount(), start + 1);

    clipboard()->setText(QStringLiteral("someone else's"));
    EXPECT_EQ(pasteboard.changeCount(), start + 2);
}

TEST(ClipboardPasteboardTest, ASnapshotPutsBackEveryFormat) {
    ClipboardPasteboard pasteboard;
    auto* data = new QMimeData;
    data->setText(QStringLiteral("plain"));
    data->setHtml(QStringLiteral("<b>rich</b>"));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    data->setImageData(image);
    clipboard()->setMimeData(data);

    const Pasteboard::Snapshot snapshot = pasteboard.snapshot();
    pasteboard.writeText(QStringLiteral("dictated"), true);
    pasteboard.restore(snapshot);
    EXPECT_EQ(clipboard()->text(), QStringLiteral("plain"));
    EXPECT_EQ(clipboard()->mimeData()->html(), QStringLiteral("<b>rich</b>"));
    EXPECT_EQ(clipboard()->image().pixelColor(1, 1), QColor(Qt::blue));
    EXPECT_FALSE(formats().contains(QStringLiteral("x-kde-passwordManagerHint")));
}

TEST(ClipboardPasteboardTest, AnEmptySnapshotGivesTheClipboardUpInsteadOfTakingItEmpty) {
    ClipboardPasteboard pasteboard;
    pasteboard.writeText(QStringLiteral("dictated"), true);
    pasteboard.restore({});
    EXPECT_TRUE(clipboard()->text().isEmpty());
    EXPECT_TRUE(formats().isEmpty());
}

TEST(ClipboardPasteboardTest, WhenFetchedWaitsForSomeoneToAskForTheData) {
    ClipboardPasteboard pasteboard;
    pasteboard.writeText(QStringLiteral("dictated"), true);
    int calls = 0;
    pasteboard.whenFetched([&] { ++calls; });
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);

    EXPECT_EQ(clipboard()->text(), QStringLiteral("dictated")); // the target asks
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    pasteboard.whenFetched([&] { ++calls; });
    EXPECT_EQ(calls, 2);

    // A new write forgets who waited for the old one.
    pasteboard.writeText(QStringLiteral("next"), true);
    pasteboard.whenFetched([&] { calls += 100; });
    pasteboard.writeText(QStringLiteral("last"), true);
    pasteboard.whenFetched([&] { calls += 10; });
    EXPECT_EQ(clipboard()->text(), QStringLiteral("last"));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 12);
}

} // namespace
