// sondrel-report as a program: the report of the model survey is a PDF that a
// reader opens, with a page of places after the summary; what cannot be read
// or written is said and ends in failure.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/ModelSurvey.h"
#include "support/TempFolder.h"
#include "survey/SurveyFile.h"

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
        // the survey's page, the summary page, one of places when any is
        // beyond, and the wall map's (the survey's 7 m make one strip)
        int pages;
    };
    const Case cases[] = {
        {"alarms.pdf", {"--settings", ini}, 4},
        {"calm.pdf", {"--settings", dir.file("calm.ini")}, 3},
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

// The text a reader finds in a report.
std::string pdfText(const std::string& path) {
    const Outcome text = run("/usr/bin/pdftotext", {"-layout", path, "-"});
    EXPECT_TRUE(test::ChildProcess::exitedCleanly(text.status)) << text.output;
    return text.output;
}

double everyTwoMetres(int n) {
    return 2.0 * n;
}

// The wall map's pages: 54 m of survey in strips of 20 m, five to a page, each
// strip named with its chainage, after the survey's pages; the survey's
// observations (its start and finish node at least) marked on the strips.
TEST(GeometryReportTool, TheWallMapFollowsInStripsWithTheObservationsMarked) {
    if (!std::filesystem::exists("/usr/bin/pdftotext")) GTEST_SKIP() << "poppler-utils missing";
    test::TempFolder dir;
    const std::string qzr = dir.file("survey.qzr");
    writeSurvey(qzr, everyTwoMetres);
    const std::string ini = dir.file("Sondrel.INI");
    std::ofstream(ini) << "[Pipe Geometry]\r\nNominal Diameter=0.600\r\n";
    ASSERT_EQ(saveSidecar(qzr, SurveyRecord{}), "");
    const std::string pdf = dir.file("surveyed.pdf");
    const Outcome report = run(kTool, {"--settings", ini, qzr, "-o", pdf});
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(report.status)) << report.output;
    // pdftotext parts the pages with a form feed.
    const std::string text = pdfText(pdf);
    std::vector<std::string> pages;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\f', at), text.size());
        pages.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    const auto wallMap = std::find_if(pages.begin(), pages.end(), [](const std::string& page) {
        return page.find("Strip 1: 0.0 m to 20.0 m") != std::string::npos;
    });
    ASSERT_NE(wallMap, pages.end()) << text;
    EXPECT_GT(wallMap - pages.begin(), 0);  // the survey's page comes first
    for (const char* seen : {"Strip 2: 20.0 m to 40.0 m", "Strip 3: 40.0 m to 60.0 m", "Sediment",
                             "No echo", "BCD", "BCE"})
        EXPECT_NE(wallMap->find(seen), std::string::npos) << seen << "\n" << *wallMap;
    EXPECT_EQ(text.find("Strip 4"), std::string::npos);
    // The geometry's summary follows.
    EXPECT_NE(std::find_if(wallMap, pages.end(),
                           [](const std::string& page) {
                               return page.find("Pipe Report") != std::string::npos;
                           }),
              pages.end());
}

// A full disk, and a folder this user may not write to: the report says which
// file and why, fails, and leaves no file behind.
TEST(GeometryReportTool, AFullDiskOrAFolderWithoutWriteAccessFails) {
    test::TempFolder dir;
    const std::string qzr = dir.file("survey.qzr");
    writeSurvey(qzr);
    const Outcome full = run(kTool, {qzr, "-o", "/dev/full"});
    ASSERT_TRUE(WIFEXITED(full.status)) << full.output;
    EXPECT_EQ(WEXITSTATUS(full.status), 1) << full.output;
    EXPECT_NE(full.output.find("/dev/full"), std::string::npos) << full.output;
    EXPECT_NE(full.output.find("No space left on device"), std::string::npos) << full.output;

    // A disk that fills part-way (a file size limit stands in): the part
    // written is removed, and the message says so.
    const std::string pdf = dir.file("cut short.pdf");
    const Outcome cut = run("/usr/bin/prlimit", {"--fsize=2048", kTool, qzr, "-o", pdf});
    ASSERT_TRUE(WIFEXITED(cut.status)) << cut.output;
    EXPECT_EQ(WEXITSTATUS(cut.status), 1) << cut.output;
    EXPECT_NE(cut.output.find(pdf + ": write failed: File too large"), std::string::npos)
        << cut.output;
    EXPECT_NE(cut.output.find("the incomplete file was removed"), std::string::npos) << cut.output;
    EXPECT_FALSE(std::filesystem::exists(pdf));

    // A folder without write access. The superuser may write anywhere, so
    // the tool then runs as nobody, who may read the survey.
    namespace fs = std::filesystem;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    const std::string locked = dir.file("locked");
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    std::vector<std::string> args = {qzr, "-o", locked + "/survey.pdf"};
    std::string program = kTool;
    if (::geteuid() == 0) {
        args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", kTool});
        program = "/usr/bin/setpriv";
    }
    const Outcome denied = run(program, args);
    ASSERT_TRUE(WIFEXITED(denied.status)) << denied.output;
    EXPECT_EQ(WEXITSTATUS(denied.status), 1) << denied.output;
    EXPECT_NE(denied.output.find(locked + "/survey.pdf: cannot create: Permission denied"),
              std::string::npos)
        << denied.output;
    EXPECT_FALSE(fs::exists(locked + "/survey.pdf"));
}

// Records before the counter gives a distance have none: the charts run
// along the distances there are, from the first reading to the last.
TEST(GeometryReportTool, TheDistanceAxisSpansTheReadingsThereAre) {
    if (!std::filesystem::exists("/usr/bin/pdftotext")) GTEST_SKIP() << "poppler-utils missing";
    test::TempFolder dir;
    const std::string qzr = dir.file("survey.qzr");
    const int records = writeSurvey(qzr, [](int n) {
        return n < 3 ? std::numeric_limits<double>::quiet_NaN() : 100.4 + 0.25 * (n - 3);
    });
    const std::string pdf = dir.file("survey.pdf");
    const Outcome report = run(kTool, {qzr, "-o", pdf});
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(report.status)) << report.output;
    const std::string text = pdfText(pdf);
    // The last record's ping has no return: the last measured one is before it.
    const double last = 100.4 + 0.25 * (records - 5);
    // The charts' ticks, on the line above each axis name, lie within the
    // readings and cover most of them.
    std::istringstream lines(text);
    std::string line, above;
    int axes = 0;
    static const std::regex tick("(\\d+(\\.\\d+)?) ?m\\b");
    while (std::getline(lines, line)) {
        if (line.find("chainage (m)") != std::string::npos) {
            ++axes;
            std::vector<double> ticks;
            for (auto m = std::sregex_iterator(above.begin(), above.end(), tick);
                 m != std::sregex_iterator(); ++m)
                ticks.push_back(std::stod((*m)[1]));
            ASSERT_GE(ticks.size(), 2u) << above;
            EXPECT_GE(ticks.front(), 100.4 - 1e-9) << above;
            EXPECT_LE(ticks.back(), last + 1e-9) << above;
            EXPECT_GE(ticks.back() - ticks.front(), (last - 100.4) / 2) << above;
        }
        above = line;
    }
    EXPECT_EQ(axes, 3) << text;
    static const std::regex fromZero("(^|\\s)0 m(\\s|$)");
    EXPECT_FALSE(std::regex_search(text, fromZero)) << text;
}

}  // namespace
}  // namespace sondrel
