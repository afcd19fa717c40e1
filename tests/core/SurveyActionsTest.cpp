// The survey commands' rules without a window: which recording a header is
// for, the header kept for the next recording, a sidecar that could not be
// read left alone, an observation added only where the survey places the
// record on show, and new limits graded without reading the recording again.

#include "app/SurveyActions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "acquisition/SondrelDoc.h"
#include "app/CommandDispatcher.h"
#include "common/IniFile.h"
#include "common/JobProgress.h"
#include "support/Operators.h"
#include "support/SurveyRecording.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

struct FakeSurveyWindows : SurveyWindows {
    std::optional<SurveyHeader> answer;
    std::vector<std::string> asked;  // the subjects of the header dialogs
    GradingLimits limits;
    std::optional<SurveyHeader> askSurveyHeader(const SurveyHeader&,
                                                const std::string& subject) override {
        asked.push_back(subject);
        return answer;
    }
    void showObservations(bool) override {}
    bool observationsShown() const override { return true; }
    // At once, on this thread: the rules do not care where the work runs.
    bool runJob(const std::string&, std::function<void(JobProgress&)> work,
                std::function<void(bool)> done) override {
        JobProgress progress;
        work(progress);
        done(false);
        return true;
    }
    void surveyChanged() override {}
    std::vector<std::string> live;  // AAB of each header live pings were given
    void liveHeaderChanged(const SurveyHeader& header) override {
        live.push_back(header.value("AAB"));
    }
    std::optional<Calibration> askCalibration(const Survey&) override { return {}; }
    std::optional<ObservationSettings> askThresholds(const ObservationSettings&) override {
        return {};
    }
    std::optional<GradingLimits> askLimits(const GradingLimits&) override { return limits; }
};

std::string slurp(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

struct Rig {
    test::TempFolder folder;
    CSondrelDoc doc;
    ViewRequests view;
    CommandDispatcher commands{doc, view};
    testing::ScriptedOperator op;
    FakeSurveyWindows windows;
    std::string playing, recording;
    SurveyActions actions{commands, doc, windows,
                          SurveyPeers{&op, folder.file("Sondrel.INI"), [this] { return playing; },
                                      [this] { return recording; }}};
    Rig() {
        std::ofstream(folder.file("Sondrel.INI")) << "[Pipe Geometry]\r\nNominal Diameter=0.6\r\n";
        windows.answer.emplace();
        windows.answer->set("AAB", "MH3");
    }
    std::string survey(const char* name) {
        const std::string path = folder.file(name);
        std::vector<test::SurveyShot> shots;
        for (int i = 0; i <= 30; ++i) {
            PipeModel pipe = test::stillPipe(0.6);
            if (i >= 10 && i <= 20) pipe.ovality = 0.12;  // about 6 % deformed
            shots.push_back({pipe, 0.1 * i, 0.5 * i});
        }
        test::writeShots(path, shots);
        return path;
    }
};

TEST(SurveyActions, TheHeaderGoesToThePlayingFileElseItWaitsForTheNextRecording) {
    Rig r;
    const std::string played = r.survey("played.qzr");
    r.playing = played;
    r.actions.editSurveyHeader();
    EXPECT_EQ(loadSidecar(played).record.header.value("AAB"), "MH3");
    EXPECT_TRUE(r.windows.live.empty()) << "a played file's header places no live ping";

    r.playing.clear();
    const std::string next = r.survey("next.qzr");
    r.actions.editSurveyHeader();
    EXPECT_EQ(r.windows.asked.back(), "the next recording");
    EXPECT_EQ(loadSidecar(next).status, SidecarStatus::Missing);
    // Live pings are placed by the header kept, and by the recording's after.
    EXPECT_EQ(r.windows.live, std::vector<std::string>{"MH3"});
    r.recording = next;
    r.actions.recordingStarted(next);
    EXPECT_EQ(r.windows.live, (std::vector<std::string>{"MH3", "MH3"}));
    EXPECT_FALSE(r.doc.flags.surveyHeaderMissing);
    r.actions.recordingStopped();
    r.recording.clear();
    EXPECT_EQ(loadSidecar(next).record.header.value("AAB"), "MH3");
    // Kept for one recording only: the next one starts without.
    EXPECT_TRUE(r.actions.pendingHeader().empty());
    EXPECT_TRUE(r.op.messages.empty());
}

TEST(SurveyActions, ASidecarThatCannotBeReadIsNeverWrittenOver) {
    Rig r;
    r.playing = r.survey("damaged.qzr");
    const std::string sidecar = sidecarPathFor(r.playing);
    std::ofstream(sidecar) << "[Survey File]\r\nVersion=99\r\n";
    const std::string before = slurp(sidecar);
    r.actions.editSurveyHeader();
    EXPECT_TRUE(r.windows.asked.empty());
    ASSERT_EQ(r.op.messages.size(), 1u);
    r.actions.analyse();
    ASSERT_NE(r.actions.survey(), nullptr);
    EXPECT_FALSE(r.actions.deleteObservation(0));
    EXPECT_EQ(slurp(sidecar), before);
}

TEST(SurveyActions, AnObservationIsAddedAtThePlaceOfTheRecordOnShowAndLimitsRegrade) {
    Rig r;
    r.playing = r.survey("run.qzr");
    r.actions.analyse();
    ASSERT_NE(r.actions.survey(), nullptr);
    const SurveyPing& ping = r.actions.survey()->pings[25];
    Observation added;
    added.code = "BBE";
    EXPECT_FALSE(r.actions.addObservation(added, ping.filePosition + 1))
        << "no record starts there";
    EXPECT_EQ(r.op.messages.size(), 1u);
    ASSERT_TRUE(r.actions.addObservation(added, ping.filePosition));
    const std::vector<Observation> stored = loadSidecar(r.playing).record.observations;
    const auto it = std::find_if(stored.begin(), stored.end(),
                                 [](const Observation& o) { return o.code == "BBE"; });
    ASSERT_NE(it, stored.end());
    EXPECT_FLOAT_EQ(static_cast<float>(it->chainage), ping.chainage);
    EXPECT_TRUE(it->byOperator);

    const Verdict before = r.actions.survey()->summary.verdict;
    EXPECT_NE(before, Verdict::Pass);
    r.windows.limits.evaluate = 40;
    r.windows.limits.fail = 50;
    r.actions.surveyLimits();
    EXPECT_EQ(r.actions.survey()->summary.verdict, Verdict::Pass);
    EXPECT_EQ(loadGradingLimits([&] {
                  IniFile ini;
                  ini.load(r.folder.file("Sondrel.INI"));
                  return ini;
              }())
                  .fail,
              50);
}

}  // namespace
}  // namespace sondrel
