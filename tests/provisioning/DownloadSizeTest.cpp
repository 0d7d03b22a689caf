#include "engine/DownloadSize.h"
#include "engine/ModelTable.h"

#include <gtest/gtest.h>

namespace {

TEST(DownloadSize, ReadsInTheUnitOfItsSize) {
    EXPECT_EQ(DownloadSize::about(1'200'000'000), QStringLiteral("about 1.2 GB"));
    EXPECT_EQ(DownloadSize::about(2'349'000'000), QStringLiteral("about 2.3 GB"));
    EXPECT_EQ(DownloadSize::about(7'962'230), QStringLiteral("about 8 MB"));
    EXPECT_EQ(DownloadSize::about(1'000'000), QStringLiteral("about 1 MB"));
    EXPECT_EQ(DownloadSize::about(999'999), QStringLiteral("under 1 MB"));
    EXPECT_EQ(DownloadSize::about(0), QStringLiteral("under 1 MB"));
    // The dictation model this build downloads.
    EXPECT_EQ(DownloadSize::about(ModelTable::totalBytes(ModelTable::files())), QStringLiteral("about 37 MB"));
}

} // namespace
