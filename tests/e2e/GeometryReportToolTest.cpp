// sondrel-report as a program: the report of the model survey is a PDF that a
// reader opens, with a page of places after the summary; what cannot be read
// or written is said and ends in failure.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/ModelSurvey.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

const std::string kTool = SONDREL_BIN_DIR "/sondrel-report";

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

// The pages pdfinfo counts; -1 when it cannot read the file.
int pdfPages(const std::string& path) {
    const Outcome info = run("/usr/bin/pdfinfo", {path});
    std::smatch m;
    static const std::regex pages("Pages:\\s+(\\d+)");
    if (!test::ChildProcess::exitedCleanly(info.status) ||
        !std::regex_search(info.output, m, pages))
        return -1;
    return std::stoi(m[1]);
}

TEST(GeometryReportTool, WritesAReportAReaderOpens) {
    if (!std::filesystem::exists("/usr/bin/pdfinfo")) GTEST_SKIP() << "poppler-utils missing";
    test::TempFolder dir;
    const std::string qzr = dir.file("survey.qzr");
    writeSurvey(qzr);
    const std::string ini = dir.file("Sondrel.INI");
    std::ofstream(ini) << "[Pipe Geometry]\r\nNominal Diameter=0.600\r\nOvality Alarm=8\r\n"
                          "Sediment Alarm=12\r\n";

    struct Case {
        const char* name;
        std::vector<std::string> settings;
        int pages;  // the summary page, and one of places when any is beyond
    };
    const Case cases[] = {
        {"alarms.pdf", {"--settings", ini}, 2},
        {"calm.pdf", {"--settings", dir.file("calm.ini")}, 1},
    };
    std::ofstream(dir.file("calm.ini")) << "[Pipe Geometry]\r\nNominal Diameter=0.600\r\n"
                                           "Ovality Alarm=50\r\nSediment Alarm=50\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.settings;
        args.insert(args.end(), {qzr, "-o", dir.file(c.name)});
        const Outcome report = run(kTool, args);
        ASSERT_TRUE(test::ChildProcess::exitedCleanly(report.status)) << report.output;
        EXPECT_EQ(pdfPages(dir.file(c.name)), c.pages);
    }
    EXPECT_NE(run(kTool, {"--settings", ini, qzr, "-o", dir.file("alarms.pdf")})
                  .output.find("2 places beyond the alarm levels"),
              std::string::npos);
}

TEST(GeometryReportTool, FailuresAreSaid) {
    test::TempFolder dir;
    const std::string qzr = dir.file("survey.qzr");
    writeSurvey(qzr);
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* said;
    };
    const Case cases[] = {
        {{qzr}, 2, "-o REPORT.pdf"},
        {{dir.file("none.qzr"), "-o", dir.file("x.pdf")}, 1, "none.qzr"},
        {{qzr, "-o", dir.file("no/such/folder/x.pdf")}, 1, "cannot create"},
        {{"--settings", dir.file("missing.ini"), qzr, "-o", dir.file("x.pdf")}, 1, "missing.ini"},
        {{qzr, "-o", dir.file("x.pdf"), "--bogus"}, 2, "unknown option"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(kTool, c.args);
        ASSERT_TRUE(WIFEXITED(r.status)) << r.output;
        EXPECT_EQ(WEXITSTATUS(r.status), c.status) << r.output;
        EXPECT_NE(r.output.find(c.said), std::string::npos) << r.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("no/such/folder/x.pdf")));
}

}  // namespace
}  // namespace sondrel
