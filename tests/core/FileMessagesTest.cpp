#include "recording/FileMessages.h"

#include <gtest/gtest.h>

namespace sondrel {
namespace {

TEST(ExitQuestion, NamesWhatIsUnderWayAndWhatExitDoesToIt) {
    struct Case {
        const char* recording;
        const char* conversion;
        const char* text;
    };
    for (const Case& c : {
             Case{"", "", ""},
             Case{"/data/run 1.qzr", "",
                  "Sonar data is being recorded to\n/data/run 1.qzr\n\nExit Sondrel now?\n\n"
                  "The recording stops; its file keeps every record written so far."},
             Case{"", "/data/old.xyz",
                  "An XYZ file is being written:\n/data/old.xyz\n\nExit Sondrel now?\n\n"
                  "The conversion stops and the incomplete XYZ file is removed."},
             Case{"/data/a.qzr", "/data/b.xyz",
                  "Sonar data is being recorded to\n/data/a.qzr\nAn XYZ file is being "
                  "written:\n/data/b.xyz\n\nExit Sondrel now?\n\nThe recording stops; its file "
                  "keeps every record written so far.\nThe conversion stops and the incomplete "
                  "XYZ file is removed."},
         }) {
        EXPECT_EQ(exitQuestionText(c.recording, c.conversion), c.text);
    }
}

}  // namespace
}  // namespace sondrel
