// The one rule of every recording, in the window and in sondrel-record: a
// write that fails leaves whole records only, and a sync or a close the
// system refuses is reported, never taken for success.

#include "recording/RecordFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "acquisition/SondrelDoc.h"
#include "recording/RecordFormat.h"
#include "support/DescriptorTheft.h"
#include "support/FileSizeLimit.h"
#include "support/PlaybackRig.h"
#include "support/TempFolder.h"

namespace sondrel::testing {
namespace {

namespace fs = std::filesystem;

TEST(RecordFile, AWriteThatFailsLeavesWholeRecordsAndItsReason) {
    test::TempFolder folder;
    const std::string link = folder.file("full.qzr");
    fs::create_symlink("/dev/full", link);
    struct Case {
        std::string path;
        rlim_t limit;
        std::int64_t records;  // whole records in the file at the end
        const char* reason;
    };
    for (const Case& c : {Case{folder.file("limited.qzr"), 3 * 1152 + 500, 3, "File too large"},
                          Case{link, RLIM_INFINITY, 0, "No space left on device"}}) {
        SCOPED_TRACE(c.path);
        CSondrelDoc doc;
        RecordFile file;
        ASSERT_TRUE(file.create(c.path));
        int appended = 0;
        {
            FileSizeLimit limit(c.limit);
            ASSERT_TRUE(limit.ok());
            for (int i = 0; i < 6; ++i) {
                makePing(doc, i, true);
                if (!file.append(doc)) break;
                ++appended;
            }
        }
        EXPECT_EQ(appended, c.records);
        EXPECT_EQ(file.records(), c.records);
        EXPECT_EQ(file.errorText(), c.reason);
        EXPECT_TRUE(file.endsOnWholeRecord());
        EXPECT_EQ(file.bytes(), c.records * 1152);
        EXPECT_TRUE(file.close());
        if (c.path != link) {
            EXPECT_EQ(fs::file_size(c.path), c.records * 1152u);
        }
    }
}

TEST(RecordFile, ACloseTheSystemRefusesIsReported) {
    test::TempFolder folder;
    CSondrelDoc doc;
    RecordFile file;
    ASSERT_TRUE(file.create(folder.file("gone.qzr")));
    makePing(doc, 0, true);
    ASSERT_TRUE(file.append(doc));
    ASSERT_TRUE(test::closeDescriptorOf(folder.file("gone.qzr")));
    EXPECT_FALSE(file.close());
    EXPECT_EQ(file.errorText(), "Bad file descriptor");
    EXPECT_FALSE(file.isOpen());
}

}  // namespace
}  // namespace sondrel::testing
