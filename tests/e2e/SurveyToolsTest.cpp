// The survey through the programs: sondrel-report --coded writes the coded
// file and its observations table from the recording and its survey file;
// sondrel-convert --geometry places every row at its chainage; both refuse a
// survey file that belongs to another recording.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/SurveyRecording.h"
#include "support/TempFolder.h"
#include "survey/SurveyFile.h"

namespace sondrel {
namespace {

const std::string kReport = SONDREL_BIN_DIR "/sondrel-report";
const std::string kConvert = SONDREL_BIN_DIR "/sondrel-convert";

struct Outcome {
    int status;
    std::string output;
};

Outcome run(const std::string& program, const std::vector<std::string>& args) {
    test::ChildProcess child(program, args);
    EXPECT_TRUE(child.start()) << child.error();
    const int status = child.wait(std::chrono::seconds(60));
    return {status, child.output()};
}

int exitStatus(const Outcome& o) {
    return WIFEXITED(o.status) ? WEXITSTATUS(o.status) : -1;
}

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells(1);
        for (char c : line) {
            if (c == ',') {
                cells.emplace_back();
            } else {
                cells.back() += c;
            }
        }
        rows.push_back(cells);
    }
    return rows;
}

class SurveyToolsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::vector<test::SurveyShot> shots;
        for (int i = 0; i <= 40; ++i) {
            PipeModel pipe = test::stillPipe(0.6);
            if (i >= 10 && i <= 30) pipe.ovality = 0.16;  // 1 to 3 m
            shots.push_back({pipe, 0.1 * i, 0.5 * i});
        }
        test::writeShots(qzr, shots);
        std::ofstream(ini) << "[Pipe Geometry]\r\nNominal Diameter=0.500\r\n";
        SurveyRecord r;
        ASSERT_TRUE(r.header.set("AAA", "MH7-MH8"));
        ASSERT_TRUE(r.header.set("ACB", "600"));
        ASSERT_TRUE(r.header.set("AAK", "B"));
        r.header.startChainage = 30.0;
        ASSERT_EQ(saveSidecar(qzr, r), "");
    }
    test::TempFolder dir;
    std::string qzr = dir.file("run.qzr");
    std::string ini = dir.file("Sondrel.INI");
};

TEST_F(SurveyToolsTest, ReportWritesTheCodedFile) {
    const std::string coded = dir.file("run.txt");
    const Outcome r = run(kReport, {"--settings", ini, qzr, "--coded", coded});
    ASSERT_EQ(exitStatus(r), 0) << r.output;
    EXPECT_NE(r.output.find("fail"), std::string::npos) << r.output;
    const std::string text = test::readBytes(coded);
    EXPECT_EQ(text.rfind("#A1=ISO-8859-1\r\n", 0), 0u);
    EXPECT_NE(text.find("#B01=AAA;AAK;ACB\r\nMH7-MH8;B;600\r\n"), std::string::npos) << text;
    // Against the flow from 30 m: the squashed stretch from 29 to 27 m,
    // measured against the header's 600 mm rather than the settings' 500.
    EXPECT_NE(text.find("\r\n30.00;BCD;"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n29.00;BAA;A;;8;"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n27.00;BAA;A;;8;"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n26.00;BCE;"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 4), "#Z\r\n");
    const auto rows = csvRows(test::readBytes(dir.file("run-observations.csv")));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0][0], "chainage_m");
    EXPECT_EQ(rows[2][2], "BAA");
    EXPECT_EQ(rows[2][10], "S1");
}

TEST_F(SurveyToolsTest, ConvertPlacesEachRow) {
    const std::string csv = dir.file("run.csv");
    const Outcome r = run(kConvert, {"--settings", ini, "-q", "--geometry", csv, qzr});
    ASSERT_EQ(exitStatus(r), 0) << r.output;
    const auto rows = csvRows(test::readBytes(csv));
    ASSERT_EQ(rows.size(), 42u);
    ASSERT_EQ(rows[0].size(), 23u);
    EXPECT_EQ(rows[0][21], "chainage_m");
    EXPECT_EQ(rows[0][22], "chainage_estimated");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_NEAR(std::stod(rows[i][21]), 30.0 - 0.1 * double(i - 1), 1e-3);
        EXPECT_EQ(rows[i][22], "0");
    }
}

TEST_F(SurveyToolsTest, BothRefuseASurveyFileOfAnotherRecording) {
    std::filesystem::copy_file(qzr, dir.file("other.qzr"));
    std::filesystem::rename(dir.file("run.survey"), dir.file("other.survey"));
    const std::string before = test::readBytes(dir.file("other.survey"));
    for (const Outcome& r :
         {run(kReport, {"--settings", ini, dir.file("other.qzr"), "--coded", dir.file("o.txt")}),
          run(kConvert,
              {"--settings", ini, "--geometry", dir.file("o.csv"), dir.file("other.qzr")})}) {
        EXPECT_EQ(exitStatus(r), 1) << r.output;
        EXPECT_NE(r.output.find("other.survey: belongs to run.qzr"), std::string::npos) << r.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.csv")));
    EXPECT_EQ(test::readBytes(dir.file("other.survey")), before);
}

TEST_F(SurveyToolsTest, AnUnwritableCodedFileIsSaidAndLeftNowhere) {
    const Outcome r = run(kReport, {"--settings", ini, qzr, "--coded", "/dev/full"});
    EXPECT_EQ(exitStatus(r), 1) << r.output;
    EXPECT_NE(r.output.find("/dev/full: write failed: No space left on device"), std::string::npos)
        << r.output;
    std::filesystem::remove(dir.file("run.survey"));
    const Outcome bare = run(kReport, {"--settings", ini, qzr, "--coded", dir.file("bare.txt")});
    EXPECT_EQ(exitStatus(bare), 0) << bare.output;
    EXPECT_NE(bare.output.find("no survey file"), std::string::npos) << bare.output;
    EXPECT_EQ(test::readBytes(dir.file("bare.txt")).find("#B01"), std::string::npos);
}

}  // namespace
}  // namespace sondrel
