// The point cloud export's ends that a program cannot reach from outside: a
// cancel, and a folder removed while the cloud is written; and the time
// stamps the cloud's times come from.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "acquisition/SondrelDoc.h"
#include "pipeview/PointCloud.h"
#include "support/PipeScenario.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

TEST(PointCloudExport, ACancelOrAVanishedFolderLeavesNoFile) {
    test::TempFolder folder;
    const std::string qzr = folder.file("pipe.qzr");
    ASSERT_EQ(test::writePipeScenario(qzr, {{test::stillPipe(), 0, 2}}, 0.05), 40);
    const std::string away = folder.file("away");
    struct Case {
        const char* what;
        std::string output;
        bool removeFolder;
        ConversionError error;
        const char* says;
    };
    const Case cases[] = {
        {"cancelled", folder.file("c.ply"), false, ConversionError::Cancelled, "cancelled"},
        {"folder removed", away + "/c.las", true, ConversionError::OutputUnwritable,
         kRemovedWhileWritten},
        {"no format", folder.file("c.xyz"), false, ConversionError::OutputUnwritable,
         ".ply or .las"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::create_directories(away);
        CSondrelDoc doc;
        doc.flags.playbackActive = true;
        int records = 0;
        const ConversionResult r =
            exportPointCloud(doc, qzr, c.output, {}, DistanceReadingChainage(), {}, [&] {
                // Half way through, the operator cancels or the folder goes.
                if (++records < 20) return false;
                if (c.removeFolder) std::filesystem::remove_all(away);
                return !c.removeFolder;
            });
        EXPECT_EQ(r.error, c.error);
        EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
        EXPECT_FALSE(std::filesystem::exists(c.output));
    }
}

// Slices measured on several threads reach the sink as one thread makes
// them: every record, in order, with the same geometry.
TEST(PointCloudExport, SlicesAreTheSameWhateverTheThreads) {
    test::TempFolder folder;
    const std::string qzr = folder.file("pipe.qzr");
    PipeModel oval = test::stillPipe();
    oval.ovality = 0.08;
    oval.noise = 0.002;
    ASSERT_EQ(test::writePipeScenario(qzr, {{oval, 0, 10}}, 0.05), 200);
    const auto walk = [&](unsigned threads) {
        std::vector<PipeSlice> slices;
        CSondrelDoc doc;
        doc.flags.playbackActive = true;
        const ConversionResult r = walkSlices(
            doc, qzr, {.nominalDiameter = 0.6}, DistanceReadingChainage(),
            [&](const PipeSlice& s) {
                slices.push_back(s);
                return true;
            },
            {}, {}, threads);
        EXPECT_TRUE(r.ok());
        return slices;
    };
    const std::vector<PipeSlice> one = walk(1), three = walk(3);
    ASSERT_EQ(one.size(), 200u);
    ASSERT_EQ(three.size(), one.size());
    for (std::size_t i = 0; i < one.size(); ++i) {
        EXPECT_EQ(three[i].record, static_cast<std::int64_t>(i) + 1);
        EXPECT_EQ(three[i].points.size(), one[i].points.size());
        EXPECT_EQ(three[i].centreX, one[i].centreX);
        EXPECT_EQ(three[i].centreY, one[i].centreY);
        EXPECT_TRUE(one[i].measured);
    }
}

TEST(PointCloudExport, StampsReadAsSecondsOrNotAtAll) {
    const double base = stampSeconds("09-DEC-2026", "10:00:00", ".000");
    ASSERT_TRUE(std::isfinite(base));
    struct Case {
        const char *date, *time, *ms;
        double after;  // seconds after the base; NaN: unreadable
    };
    const double none = std::nan("");
    const Case cases[] = {
        {"09-DEC-2026", "10:00:01", ".250", 1.25},
        {"10-DEC-2026", "00:00:00", ".000", 14 * 3600.0},
        {"01-JAN-2027", "10:00:00", "", 23 * 86400.0},
        {"09-DEC-2026", "10:00:00", ".x", 0.0},
        {"31-FEB-2026", "10:00:00", ".000", none},
        {"09-XYZ-2026", "10:00:00", ".000", none},
        {"09-DEC-2026", "10:0:00", ".000", none},
        {"", "", "", none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.date) + " " + c.time + c.ms);
        const double s = stampSeconds(c.date, c.time, c.ms);
        if (std::isnan(c.after)) {
            EXPECT_TRUE(std::isnan(s));
        } else {
            EXPECT_NEAR(s - base, c.after, 1e-6);
        }
    }
}

}  // namespace
}  // namespace sondrel
