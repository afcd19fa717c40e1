// The survey's files: the sidecar read back as written, refused when damaged,
// newer or another recording's, and replaced only whole; the coded file read
// back by a reader written here from the format's description alone.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"
#include "survey/CodedFile.h"
#include "survey/Survey.h"
#include "survey/SurveyFile.h"

namespace sondrel {
namespace {

Observation observation(const char* code, double at) {
    Observation o;
    o.code = code;
    o.chainage = at;
    return o;
}

SurveyRecord filledRecord() {
    SurveyRecord r;
    EXPECT_TRUE(r.header.set("AAA", "MH12; \"Gärtner\" Straße"));
    EXPECT_TRUE(r.header.set("AAK", "B"));
    EXPECT_TRUE(r.header.set("ABF", "2026-12-09"));
    EXPECT_TRUE(r.header.set("ABG", "10:15"));
    EXPECT_TRUE(r.header.set("ACB", "600"));
    EXPECT_TRUE(r.header.set("ACD", "AV"));
    EXPECT_TRUE(r.header.set("ADE", "Ω-shaped crack ☂"));
    r.header.startChainage = 12.5;
    r.chainage.estimatedSpeed = 0.15;
    r.chainage.keptPass = KeptPass::First;
    r.calibration = {true, 1483.25, 1.5, 0.6, 2.0, 4.0, 0.6061, 1500.0};
    Observation deformation = observation("BAA", 13.25);
    deformation.characterisation1 = "A";
    deformation.quantification1 = 8.6;
    deformation.continuous = "S1";
    deformation.filePosition = 81300;
    Observation finish = deformation;
    finish.chainage = 15.0;
    finish.continuous = "F1";
    Observation deposit = observation("BBC", 17.0);
    deposit.quantification1 = 14.0;
    deposit.clockFrom = 4;
    deposit.clockTo = 8;
    deposit.remark = "grease; \"soft\"";
    deposit.byOperator = true;
    Observation gone = observation("BBE", 19.0);
    gone.byOperator = gone.deleted = true;
    Observation joint = observation("BDB", 20.0);
    joint.joint = true;
    joint.quantification2 = 3.0;
    r.observations = {observation("BCD", 12.5), deformation, finish, deposit, gone, joint};
    return r;
}

class SidecarTest : public ::testing::Test {
  protected:
    void SetUp() override { recording = folder.write("run.qzr", std::string(813, 'Q')); }
    test::TempFolder folder;
    std::string recording;
};

TEST_F(SidecarTest, ReadsBackWhatItWrote) {
    const SurveyRecord r = filledRecord();
    ASSERT_EQ(saveSidecar(recording, r), "");
    EXPECT_TRUE(std::filesystem::exists(folder.file("run.survey")));
    const SidecarLoad load = loadSidecar(recording);
    ASSERT_EQ(load.status, SidecarStatus::Loaded) << load.message;
    EXPECT_EQ(load.record.header, r.header);
    EXPECT_EQ(load.record.chainage, r.chainage);
    EXPECT_EQ(load.record.calibration, r.calibration);
    EXPECT_EQ(load.record.observations, r.observations);
    EXPECT_EQ(load.record.recordingName, "run.qzr");
    EXPECT_EQ(load.record.recordingSize, 813);
    // Saved again, the same bytes.
    EXPECT_EQ(sidecarText(load.record), test::readBytes(folder.file("run.survey")));
}

TEST_F(SidecarTest, ReadsNumbersAsItWritesThem) {
    SurveyRecord r = filledRecord();
    r.header.startChainage = 12.34567;
    r.observations[1].chainage = 13.25049;
    r.observations[1].quantification1 = 8.6049;
    ASSERT_EQ(saveSidecar(recording, r), "");
    const SidecarLoad load = loadSidecar(recording);
    ASSERT_TRUE(load.ok()) << load.message;
    EXPECT_DOUBLE_EQ(load.record.header.startChainage, 12.346);
    EXPECT_DOUBLE_EQ(load.record.observations[1].chainage, 13.25);
    EXPECT_DOUBLE_EQ(load.record.observations[1].quantification1, 8.6);
    EXPECT_EQ(sidecarText(load.record), test::readBytes(folder.file("run.survey")));
}

TEST_F(SidecarTest, MissingIsAnEmptySurvey) {
    const SidecarLoad load = loadSidecar(recording);
    EXPECT_EQ(load.status, SidecarStatus::Missing);
    EXPECT_TRUE(load.ok());
    EXPECT_TRUE(load.record.header.empty());
    EXPECT_EQ(load.message, "");
}

TEST_F(SidecarTest, RefusesWhatItCannotTrustAndLeavesItAlone) {
    ASSERT_EQ(saveSidecar(recording, filledRecord()), "");
    const std::string good = test::readBytes(folder.file("run.survey"));
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    struct Case {
        const char* what;
        std::string text;
        SidecarStatus status;
        const char* says;
    };
    const Case cases[] = {
        {"random bytes", "\x01\x02garbage\xff", SidecarStatus::Damaged, "is not a survey file"},
        {"newer", replaced("Version=1", "Version=2"), SidecarStatus::Newer, "newer version"},
        {"another name", replaced("File=run.qzr", "File=other.qzr"), SidecarStatus::OtherRecording,
         "belongs to other.qzr"},
        {"another size", replaced("Size=813", "Size=812"), SidecarStatus::OtherRecording,
         "of 812 bytes, not to run.qzr of 813 bytes"},
        {"grown smaller since it was written", replaced("Size=813", "Size=814\r\nGrowing=1"),
         SidecarStatus::OtherRecording, "of 814 bytes, not to run.qzr of 813 bytes"},
        {"a field", replaced("ACB=600", "ACB=6"), SidecarStatus::Damaged,
         "ACB (height, mm): a whole number from 50 to 10000"},
        {"the chainage", replaced("Start Chainage=12.500", "Start Chainage=x"),
         SidecarStatus::Damaged, "Start Chainage"},
        {"the pass", replaced("Kept Pass=first", "Kept Pass=middle"), SidecarStatus::Damaged,
         "Kept Pass"},
        {"the calibration", replaced("Sound Velocity=1483.25", "Sound Velocity=99"),
         SidecarStatus::Damaged, "[Calibration] Sound Velocity"},
        {"an observation", replaced("BBC;", "B;C;"), SidecarStatus::Damaged,
         "[Observations] 4: not an observation"},
        {"a clock", replaced(";4;8;", ";4;13;"), SidecarStatus::Damaged, "[Observations] 4"},
        {"a line break in a remark", replaced("grease", "gre\rase"), SidecarStatus::Damaged,
         "[Observations] 4"},
        {"a count beyond its lines", replaced("Count=6", "Count=7"), SidecarStatus::Damaged,
         "[Observations] 7"},
    };
    for (const Case& c : cases) {
        const std::string path = folder.write("run.survey", c.text);
        const SidecarLoad load = loadSidecar(recording);
        EXPECT_EQ(load.status, c.status) << c.what;
        EXPECT_FALSE(load.ok()) << c.what;
        EXPECT_NE(load.message.find(c.says), std::string::npos) << c.what << ": " << load.message;
        EXPECT_EQ(load.message.rfind(path + ": ", 0), 0u) << "names the file: " << load.message;
        EXPECT_TRUE(load.record.header.empty()) << c.what;
        EXPECT_EQ(test::readBytes(path), c.text) << "left as it was: " << c.what;
    }
}

// A sidecar written while its recording was being made, which a crash or a
// write error then ended before the size was written again, keeps its survey.
TEST_F(SidecarTest, ARecordingThatGrewAfterItsSidecarWasWrittenKeepsIt) {
    SurveyRecord growing = filledRecord();
    growing.recordingGrowing = true;
    ASSERT_EQ(saveSidecar(recording, growing), "");
    std::ofstream(recording, std::ios::binary | std::ios::app) << std::string(813, 'x');
    const SidecarLoad load = loadSidecar(recording);
    ASSERT_EQ(load.status, SidecarStatus::Loaded) << load.message;
    EXPECT_EQ(load.record.header, growing.header);
    EXPECT_TRUE(load.record.recordingGrowing);

    growing.recordingGrowing = false;  // as the end of the recording writes it
    ASSERT_EQ(saveSidecar(recording, growing), "");
    std::ofstream(recording, std::ios::binary | std::ios::app) << std::string(813, 'x');
    EXPECT_EQ(loadSidecar(recording).status, SidecarStatus::OtherRecording);
}

TEST_F(SidecarTest, AFailedSaveKeepsTheOldSidecar) {
    ASSERT_EQ(saveSidecar(recording, filledRecord()), "");
    const std::string before = test::readBytes(folder.file("run.survey"));
    SurveyRecord longer = filledRecord();
    for (int i = 0; i < 50; ++i) longer.observations.push_back(observation("BDB", i));
    std::string message;
    {
        // A disk that fills up part of the way through.
        const testing::FileSizeLimit limit(before.size() / 2);
        ASSERT_TRUE(limit.ok());
        message = saveSidecar(recording, longer);
    }
    EXPECT_EQ(message.rfind(folder.file("run.survey") + ": cannot be written: ", 0), 0u) << message;
    EXPECT_NE(message.find("too large"), std::string::npos) << message;
    EXPECT_EQ(test::readBytes(folder.file("run.survey")), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary file left";
}

// ---------------------------------------------------------------- coded file

// A reader of the coded format written from its description: '#' lines
// carry a key and a value; a #B01 or #C line of codes is followed by lines of
// values; fields are parted by the #A3 separator unless quoted by #A5, a
// doubled quote standing for one.
struct CodedReading {
    std::map<std::string, std::string> settings;  // "A1" -> "ISO-8859-1"
    std::vector<std::string> headerCodes, headerValues;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    bool ended = false;
};

std::vector<std::string> splitFields(const std::string& line, char separator, char quote) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == quote && i + 1 < line.size() && line[i + 1] == quote) {
                fields.back() += quote;
                ++i;
            } else if (c == quote) {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == quote) {
            quoted = true;
        } else if (c == separator) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

CodedReading readCoded(const std::string& text) {
    CodedReading r;
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    char separator = ',', quote = '\'';
    enum { None, Header, Observations } block = None;
    for (const std::string& line : lines) {
        EXPECT_FALSE(r.ended) << "nothing after #Z";
        if (line == "#Z") {
            r.ended = true;
            continue;
        }
        if (line.size() > 1 && line[0] == '#') {
            const std::size_t eq = line.find('=');
            const std::string key = line.substr(1, eq - 1);
            const std::string value = line.substr(eq + 1);
            if (key == "A3") separator = value.at(0);
            if (key == "A5") quote = value.at(0);
            if (key == "B01") {
                r.headerCodes = splitFields(value, separator, quote);
                block = Header;
            } else if (key == "C") {
                r.columns = splitFields(value, separator, quote);
                block = Observations;
            } else {
                r.settings[key] = value;
            }
            continue;
        }
        if (block == Header) {
            r.headerValues = splitFields(line, separator, quote);
            block = None;
        } else if (block == Observations) {
            r.rows.push_back(splitFields(line, separator, quote));
        } else {
            ADD_FAILURE() << "a line of values outside a block: " << line;
        }
    }
    return r;
}

TEST(CodedFile, ReadBackByAnIndependentReader) {
    Survey survey;
    survey.record = filledRecord();
    survey.observations = survey.record.observations;
    const CodedReading r = readCoded(codedFileText(survey));
    EXPECT_EQ(r.settings.at("A1"), "ISO-8859-1");
    EXPECT_EQ(r.settings.at("A2"), "en");
    EXPECT_EQ(r.settings.at("A3"), ";");
    EXPECT_EQ(r.settings.at("A4"), ".");
    EXPECT_EQ(r.settings.at("A5"), "\"");
    EXPECT_EQ(r.settings.at("A6"), "2011");
    EXPECT_TRUE(r.ended);

    const std::vector<std::string> codes = {"AAA", "AAK", "ABF", "ABG", "ACB", "ACD", "ADE"};
    EXPECT_EQ(r.headerCodes, codes);
    ASSERT_EQ(r.headerValues.size(), codes.size());
    EXPECT_EQ(r.headerValues[0],
              "MH12; \"G\xE4rtner\" Stra\xDF"
              "e")
        << "in ISO-8859-1";
    EXPECT_EQ(r.headerValues[1], "B");
    EXPECT_EQ(r.headerValues[4], "600");
    EXPECT_EQ(r.headerValues[6], "?-shaped crack ?") << "what ISO-8859-1 cannot hold";

    const std::vector<std::string> columns = {"I", "A", "B", "C", "D", "E",
                                              "F", "G", "H", "J", "K"};
    EXPECT_EQ(r.columns, columns);
    // The deleted observation is not delivered.
    ASSERT_EQ(r.rows.size(), 5u);
    const auto cell = [&](std::size_t row, const char* column) {
        const auto at = std::find(columns.begin(), columns.end(), column) - columns.begin();
        return r.rows[row].at(static_cast<std::size_t>(at));
    };
    for (const auto& row : r.rows) EXPECT_EQ(row.size(), columns.size());
    EXPECT_EQ(cell(0, "A"), "BCD");
    EXPECT_EQ(cell(0, "I"), "12.50");
    EXPECT_EQ(cell(1, "A"), "BAA");
    EXPECT_EQ(cell(1, "B"), "A");
    EXPECT_EQ(cell(1, "D"), "9");  // 8.6 rounded
    EXPECT_EQ(cell(1, "J"), "S1");
    EXPECT_EQ(cell(2, "J"), "F1");
    EXPECT_EQ(cell(2, "I"), "15.00");
    EXPECT_EQ(cell(3, "F"), "grease; \"soft\"");
    EXPECT_EQ(cell(3, "G"), "4");
    EXPECT_EQ(cell(3, "H"), "8");
    EXPECT_EQ(cell(4, "K"), "A");
    EXPECT_EQ(cell(4, "E"), "3");
    EXPECT_EQ(cell(4, "D"), "");
}

TEST(CodedFile, WritesBothFilesOrNeither) {
    test::TempFolder folder;
    Survey survey;
    survey.record = filledRecord();
    survey.observations = survey.record.observations;
    const std::string coded = folder.file("run.txt");
    ASSERT_EQ(writeCodedFile(survey, coded), "");
    EXPECT_EQ(observationsCsvPathFor(coded), folder.file("run-observations.csv"));
    EXPECT_EQ(test::readBytes(coded), codedFileText(survey));
    const std::string csv = test::readBytes(folder.file("run-observations.csv"));
    EXPECT_EQ(csv, observationsCsvText(survey));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6) << "a header and five observations";
    EXPECT_NE(csv.find("\"grease; \"\"soft\"\"\""), std::string::npos);

    const std::string message = writeCodedFile(survey, folder.file("gone/run.txt"));
    EXPECT_EQ(message.rfind(folder.file("gone/run.txt") + ": cannot create: ", 0), 0u) << message;
    if (std::filesystem::exists("/dev/full")) {
        // The coded file fits, the table beside it fails: neither stays.
        std::filesystem::create_symlink("/dev/full", folder.file("full-observations.csv"));
        const std::string full = writeCodedFile(survey, folder.file("full.txt"));
        EXPECT_NE(full.find("full-observations.csv: write failed: "), std::string::npos) << full;
        EXPECT_FALSE(std::filesystem::exists(folder.file("full.txt")));
    }
}

TEST(CodedFile, Latin1) {
    struct Case {
        std::string in, out;
    };
    for (const Case& c : {Case{"plain", "plain"}, Case{"Gr\xC3\xBC\xC3\x9F", "Gr\xFC\xDF"},
                          Case{"\xE2\x82\xAC", "?"}, Case{"\xF0\x9F\x98\x80!", "?!"},
                          Case{"\xC3", "?"}, Case{"\xC0\x80", "??"}, Case{"a\xFFz", "a?z"}}) {
        EXPECT_EQ(latin1(c.in), c.out) << c.in;
    }
}

}  // namespace
}  // namespace sondrel
