// The update feed's pure parts: which addresses are feeds and which version is newer.
#include <gtest/gtest.h>

#include "update/ReleaseFeed.h"

using namespace kelvaro;

namespace {

TEST(ReleaseFeed, OnlyHttpAddressesWithAHostAreFeeds)
{
    for (const char* text : {"", "   ", "not a url", "ftp://example.org/feed.json", "file:///tmp/feed.json", "https://"})
        EXPECT_FALSE(ReleaseFeed::feedFrom(QString::fromLatin1(text)).isValid()) << text;
    EXPECT_EQ(ReleaseFeed::feedFrom(QStringLiteral("https://example.org/kelvaro/feed.json")).host(),
              QStringLiteral("example.org"));
}

TEST(ReleaseFeed, VersionsComparePartByPart)
{
    const struct {
        const char *candidate, *current;
        bool newer;
    } rows[] = {{"1.10", "1.9", true}, {"1.2.1", "1.2", true}, {"1.2", "1.2.0", false}, {"1.2.0", "1.2", false},
                {"2.0", "2.0", false}, {"1.3b", "1.0", false}, {"1.9", "1.10", false}, {"1..3", "1.2", true},
                {".1.", "1", false},   {"1", "0", true},       {"0.1", "0", true},     {"1", "", true},
                {"", "", false},       {"+2", "1", true},      {"-1", "0", false},     {"1. 2", "1.0", false},
                {"1.2.3.4", "1.2.3", true}, {"01.2", "1.2", false},
                {"99999999999999999999", "1", false}, // beyond 64 bits counts as 0
                {"9223372036854775807", "1", true}};
    for (const auto& v : rows)
        EXPECT_EQ(ReleaseFeed::isNewer(QString::fromLatin1(v.candidate), QString::fromLatin1(v.current)), v.newer)
            << v.candidate << " vs " << v.current;
}

} // namespace
