// sondrel-report's PDF of a survey: the survey's pages ahead of the
// geometry's (the header by its codes, or that there is none; the verdict;
// the observation and per-metre tables) and charts along the chainage in
// metres, read back with pdfinfo and pdftotext.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/SurveyRecording.h"
#include "support/TempFolder.h"
#include "survey/SurveyFile.h"

namespace sondrel {
namespace {

std::string run(const std::string& program, const std::vector<std::string>& args,
                int* status = nullptr) {
    test::ChildProcess child(program, args);
    EXPECT_TRUE(child.start()) << child.error();
    const int s = child.wait(std::chrono::seconds(60));
    if (status) *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return child.output();
}

struct Case {
    const char* name;
    bool header;
    std::vector<std::string> shown;  // regular expressions the text must hold
};

class SurveyReportTest : public ::testing::TestWithParam<Case> {};

TEST_P(SurveyReportTest, PdfHoldsTheSurveysPagesAndChartsAlongTheChainage) {
    test::TempFolder dir;
    const std::string qzr = dir.file("run.qzr"), pdf = dir.file("run.pdf"), ini = dir.file("s.ini");
    std::vector<test::SurveyShot> shots;
    for (int i = 0; i <= 40; ++i) {
        PipeModel pipe = test::stillPipe(0.6);
        if (i >= 10 && i <= 30) pipe.ovality = 0.16;  // 1 to 3 m along
        shots.push_back({pipe, 0.1 * i, 0.5 * i});
    }
    test::writeShots(qzr, shots);
    std::ofstream(ini) << "[Pipe Geometry]\r\nNominal Diameter=0.600\r\n";
    if (GetParam().header) {
        SurveyRecord r;
        ASSERT_TRUE(r.header.set("AAA", "MH7-MH8"));
        ASSERT_TRUE(r.header.set("ACB", "600"));
        ASSERT_TRUE(r.header.set("ACD", "AV"));
        r.header.startChainage = 30.0;
        ASSERT_EQ(saveSidecar(qzr, r), "");
    }
    int status = -1;
    const std::string said =
        run(SONDREL_BIN_DIR "/sondrel-report", {qzr, "-o", pdf, "--settings", ini}, &status);
    ASSERT_EQ(status, 0) << said;

    const std::string info = run("/usr/bin/pdfinfo", {pdf});
    std::smatch pages;
    ASSERT_TRUE(std::regex_search(info, pages, std::regex("Pages:\\s+(\\d+)"))) << info;
    EXPECT_GE(std::stoi(pages[1]), 2) << "the survey's page and the geometry's summary";
    const std::string text = run("/usr/bin/pdftotext", {"-layout", pdf, "-"});
    for (const std::string& expected : GetParam().shown)
        EXPECT_TRUE(std::regex_search(text, std::regex(expected))) << expected << "\n" << text;
    for (const char* always : {"Verdict: (PASS|EVALUATE|FAIL)", "Observations", "BAA", "Per metre",
                               "Mean diameter \\(mm\\)", "chainage \\(m\\)"})
        EXPECT_TRUE(std::regex_search(text, std::regex(always))) << always << "\n" << text;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, SurveyReportTest,
    ::testing::Values(
        // Chainage from 30 m: the axis is ticked in round metres from there.
        Case{"WithHeader",
             true,
             {"AAA +pipe length reference: MH7-MH8", "ACD +material: AV \\(",
              "Start chainage: 30.00 m", "from the header", "\\b3[1-3](\\.\\d)? m\\b"}},
        Case{"WithoutHeader", false, {"No survey header", "from the settings", "\\b[1-3] ?m\\b"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sondrel
