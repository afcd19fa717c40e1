#include "acquisition/ReturnBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "acquisition/PingPath.h"
#include "acquisition/SondrelDoc.h"

namespace sondrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes headerOf(const char* letters, std::initializer_list<std::uint8_t> rest) {
    Bytes b(3 + rest.size());
    std::copy_n(letters, 3, b.begin());
    std::copy(rest.begin(), rest.end(), b.begin() + 3);
    return b;
}

TEST(ReturnHeaderParse, FieldsAndRejections) {
    struct Case {
        const char* name;
        Bytes bytes;
        bool decoded;
        bool valid;
        int points, position, direction, dataBytes, rangeIndex;
    };
    const Case cases[] = {
        {"empty", {}, false, false, 0, 0, 0, 0, 0},
        {"eleven bytes", headerOf("QSZ", {1, 2, 3, 4, 5, 6, 7, 8}), false, false, 0, 0, 0, 0, 0},
        {"long block", headerOf("QSZ", {0x10, 0, 0x05, 0x41, 0x3C, 0x10, 0x02, 0, 0}), true, true,
         800, 133, 1, 272, 8},
        {"lower-case medium", headerOf("qgz", {0x10, 0, 0, 0, 2, 0, 0, 0, 0}), true, true, 500, 0,
         0, 0, 7},
        {"every high bit set", headerOf("QMZ", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}),
         true, true, 250, 8191, 1, 32767, 8},
        {"unknown size letter", headerOf("QXZ", {0, 0, 0, 0, 20, 0, 0, 0, 0}), true, false, 0, 0, 0,
         0, 0},
        {"wrong last letter", headerOf("QSY", {0, 0, 0, 0, 20, 0, 0, 0, 0}), true, false, 0, 0, 0,
         0, 0},
        {"zero bytes", Bytes(12, 0), true, false, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes exact = c.bytes;  // exact size: a sanitizer build sees any overread
        const std::optional<ReturnHeader> h = parseReturnHeader(exact);
        ASSERT_EQ(h.has_value(), c.decoded);
        if (!h) continue;
        EXPECT_EQ(h->typeLetters, std::string(exact.begin(), exact.begin() + 3));
        EXPECT_EQ(h->valid, c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(h->dataPointCount, c.points);
        EXPECT_EQ(h->headPosition, c.position);
        EXPECT_EQ(h->stepDirection, c.direction);
        EXPECT_EQ(h->dataBytes, c.dataBytes);
        EXPECT_EQ(h->rangeIndex, c.rangeIndex);
        EXPECT_EQ(h->rangeCode, exact[7]);
    }
}

TEST(ReturnBlockParse, CopiesStopAtTheBlockAndAtTheBytesGiven) {
    struct Case {
        const char* letters;
        std::size_t size;
        int blockLength;
        std::size_t headerBytes, echoBytes;
        bool header;
    };
    const Case cases[] = {
        {"", 0, kBlockLengthLong, 0, 0, false},
        {"QM", 2, kBlockLengthLong, 2, 0, false},
        {"QMZ", 5, kBlockLengthShort, 5, 0, false},
        {"QMZ", 12, kBlockLengthShort, 12, 0, true},
        {"QSZ", 100, kBlockLengthLong, 12, 88, true},
        {"QMZ", 813, kBlockLengthShort, 12, 253, true},
        {"QGZ", 813, kBlockLengthMedium, 12, 501, true},
        {"QSZ", 900, kBlockLengthLong, 12, 801, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.letters) + " " + std::to_string(c.size));
        Bytes bytes(c.size, 0x5A);
        std::copy(c.letters, c.letters + std::min<std::size_t>(3, c.size), bytes.begin());
        const Ping ping = parseReturnBlock(bytes);
        EXPECT_EQ(ping.blockLength, c.blockLength);
        EXPECT_EQ(ping.headerBytes, c.headerBytes);
        EXPECT_EQ(ping.echoBytes, c.echoBytes);
        EXPECT_EQ(!ping.headerText.empty(), c.header);
        const auto& echo = ping.longBlock() ? std::span<const std::uint8_t>(ping.echoLong)
                                            : std::span<const std::uint8_t>(ping.echoShort);
        EXPECT_TRUE(std::all_of(echo.begin(),
                                echo.begin() + static_cast<std::ptrdiff_t>(c.echoBytes),
                                [](std::uint8_t b) { return b == 0x5A; }));
        EXPECT_TRUE(std::all_of(echo.begin() + static_cast<std::ptrdiff_t>(c.echoBytes), echo.end(),
                                [](std::uint8_t b) { return b == 0; }));
    }
}

TEST(ReturnBlockParse, ATruncatedBlockAppliesOnlyWhatCame) {
    auto doc = std::make_unique<CSondrelDoc>();
    doc->ping.echoLong.fill(0x11);
    Bytes bytes = headerOf("QSZ", {0x10, 0, 0, 0, 20, 0, 0, 0, 0});
    bytes.resize(20, 0xAB);
    EXPECT_TRUE(takeLivePing(*doc, parseReturnBlock(bytes)));
    EXPECT_EQ(doc->ping.echoLong[7], 0xAB);
    EXPECT_EQ(doc->ping.echoLong[8], 0x11);

    // Too short for a header: the bytes that came are copied, the ping state is kept.
    doc->ping.headerText = "old";
    EXPECT_FALSE(takeLivePing(*doc, parseReturnBlock(Bytes{'Q', 'M', 'Z'})));
    EXPECT_EQ(doc->ping.blockLength, kBlockLengthShort);
    EXPECT_EQ(doc->ping.headerText, "old");
}

TEST(ReturnBlockParse, ArbitraryBytesNeverReadOutsideThem) {
    std::mt19937 random(2024);
    const char* letters[] = {"QSZ", "QMZ", "QGZ", "qsz", "Q\0Z"};
    for (int i = 0; i < 2000; ++i) {
        Bytes bytes(random() % 900);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        if (i % 2 && bytes.size() >= 3) std::copy_n(letters[i % 5], 3, bytes.begin());
        const Ping ping = parseReturnBlock(bytes);
        ASSERT_LE(ping.headerBytes + ping.echoBytes, bytes.size());
        ASSERT_LE(ping.echoBytes + kReturnHeaderSize, static_cast<std::size_t>(ping.blockLength));
    }
}

}  // namespace
}  // namespace sondrel
