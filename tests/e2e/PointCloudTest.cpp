// sondrel-convert --cloud as a program: a data file of the model pipe becomes
// a PLY and a LAS file, each read back here by a reader written from the
// format's description (not the writer's code), and CloudCompare opens the PLY
// file. Every cloud must hold the XYZ export's points, at its coordinates.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/ModelSurvey.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

const std::string kTool = SONDREL_BIN_DIR "/sondrel-convert";

struct Point {
    double x = 0, y = 0, z = 0;
    std::map<std::string, double> attributes;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T>
T at(const std::string& bytes, std::size_t offset) {
    T v{};
    EXPECT_LE(offset + sizeof v, bytes.size());
    if (offset + sizeof v <= bytes.size()) std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

std::string textAt(const std::string& bytes, std::size_t offset, std::size_t width) {
    std::string t = bytes.substr(offset, width);
    return t.substr(0, t.find('\0'));
}

// The XYZ export's points: x, y, z of every non-empty line.
std::vector<Point> readXyz(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<Point> points;
    std::string line;
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::string date, time;
        Point p;
        if (fields >> date >> time >> p.x >> p.y >> p.z) points.push_back(p);
    }
    return points;
}

// PLY from its description: an ASCII header up to "end_header\n", then the
// vertices as the properties list them, binary little-endian.
std::vector<Point> readPly(const std::string& path) {
    const std::string bytes = slurp(path);
    const std::size_t end = bytes.find("end_header\n");
    if (end == std::string::npos) {
        ADD_FAILURE() << "no end of header";
        return {};
    }
    std::stringstream header(bytes.substr(0, end));
    std::string line;
    std::getline(header, line);
    EXPECT_EQ(line, "ply");
    std::size_t count = 0;
    std::vector<std::pair<std::string, std::string>> properties;  // type, name
    while (std::getline(header, line)) {
        std::stringstream words(line);
        std::string word;
        words >> word;
        if (word == "format") {
            std::string format;
            words >> format;
            EXPECT_EQ(format, "binary_little_endian");
        } else if (word == "element") {
            std::string name;
            words >> name >> count;
            EXPECT_EQ(name, "vertex");
        } else if (word == "property") {
            std::string type, name;
            words >> type >> name;
            properties.emplace_back(type, name);
        }
    }
    const std::map<std::string, std::size_t> sizes = {{"double", 8}, {"float", 4}, {"uint", 4}};
    std::size_t stride = 0;
    for (const auto& [type, name] : properties) stride += sizes.at(type);
    std::size_t offset = end + std::strlen("end_header\n");
    EXPECT_EQ(bytes.size(), offset + count * stride) << "the file holds the vertices it declares";
    std::vector<Point> points;
    for (std::size_t i = 0; i < count && offset + stride <= bytes.size(); ++i) {
        Point p;
        for (const auto& [type, name] : properties) {
            double v = type == "double"  ? at<double>(bytes, offset)
                       : type == "float" ? at<float>(bytes, offset)
                                         : at<std::uint32_t>(bytes, offset);
            offset += sizes.at(type);
            if (name == "x")
                p.x = v;
            else if (name == "y")
                p.y = v;
            else if (name == "z")
                p.z = v;
            else
                p.attributes[name] = v;
        }
        points.push_back(p);
    }
    return points;
}

struct LasFile {
    std::uint64_t count = 0;
    std::uint32_t legacyCount = 0;
    double min[3]{}, max[3]{};
    std::vector<Point> points;
    std::vector<std::string> extraNames;
};

// LAS 1.4 from its description: the 375-byte header, the variable length
// records (the Extra Bytes one: 192-byte descriptors), then point records of
// format 6 (30 bytes) followed by the extra bytes in descriptor order.
LasFile readLas(const std::string& path) {
    const std::string b = slurp(path);
    LasFile las;
    EXPECT_EQ(b.substr(0, 4), "LASF");
    EXPECT_EQ(at<std::uint8_t>(b, 24), 1);
    EXPECT_EQ(at<std::uint8_t>(b, 25), 4);
    EXPECT_EQ(at<std::uint16_t>(b, 94), 375);
    const auto pointOffset = at<std::uint32_t>(b, 96);
    const auto vlrs = at<std::uint32_t>(b, 100);
    EXPECT_EQ(at<std::uint8_t>(b, 104), 6) << "point data format";
    const auto recordLength = at<std::uint16_t>(b, 105);
    las.legacyCount = at<std::uint32_t>(b, 107);
    double scale[3], offset[3];
    for (int i = 0; i < 3; ++i) {
        scale[i] = at<double>(b, 131 + 8 * i);
        offset[i] = at<double>(b, 155 + 8 * i);
        las.max[i] = at<double>(b, 179 + 16 * i);
        las.min[i] = at<double>(b, 187 + 16 * i);
        EXPECT_EQ(scale[i], 0.0001);
    }
    las.count = at<std::uint64_t>(b, 247);
    EXPECT_EQ(at<std::uint64_t>(b, 255), las.count) << "all first returns";

    struct Extra {
        std::uint8_t type;
        std::string name;
    };
    std::vector<Extra> extras;
    std::size_t v = 375;
    for (std::uint32_t i = 0; i < vlrs; ++i) {
        const std::string user = textAt(b, v + 2, 16);
        const auto id = at<std::uint16_t>(b, v + 18);
        const auto length = at<std::uint16_t>(b, v + 20);
        if (user == "LASF_Spec" && id == 4) {
            EXPECT_EQ(length % 192, 0);
            for (std::size_t d = v + 54; d < v + 54 + length; d += 192) {
                extras.push_back({at<std::uint8_t>(b, d + 2), textAt(b, d + 4, 32)});
                las.extraNames.push_back(extras.back().name);
            }
        }
        v += 54 + length;
    }
    EXPECT_EQ(v, pointOffset);
    const std::map<std::uint8_t, std::size_t> sizes = {{5, 4}, {9, 4}, {10, 8}};
    std::size_t extraSize = 0;
    for (const Extra& e : extras) extraSize += sizes.at(e.type);
    EXPECT_EQ(recordLength, 30 + extraSize);
    EXPECT_EQ(b.size(), pointOffset + las.count * recordLength);
    for (std::size_t p = pointOffset; p + recordLength <= b.size(); p += recordLength) {
        Point point;
        point.x = at<std::int32_t>(b, p) * scale[0] + offset[0];
        point.y = at<std::int32_t>(b, p + 4) * scale[1] + offset[1];
        point.z = at<std::int32_t>(b, p + 8) * scale[2] + offset[2];
        EXPECT_EQ(at<std::uint8_t>(b, p + 14), 0x11) << "return 1 of 1";
        std::size_t e = p + 30;
        for (const Extra& extra : extras) {
            point.attributes[extra.name] = extra.type == 10  ? at<double>(b, e)
                                           : extra.type == 9 ? at<float>(b, e)
                                                             : at<std::uint32_t>(b, e);
            e += sizes.at(extra.type);
        }
        las.points.push_back(point);
    }
    return las;
}

int run(const std::vector<std::string>& args, std::string* output = nullptr) {
    test::ChildProcess tool(kTool, args);
    EXPECT_TRUE(tool.start());
    const int status = tool.wait(std::chrono::seconds(60));
    if (output) *output = tool.output();
    return status;
}

// The points in the same order as the XYZ file's, each within `tolerance`.
void expectSamePoints(const std::vector<Point>& got, const std::vector<Point>& xyz,
                      double tolerance) {
    ASSERT_EQ(got.size(), xyz.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE("point " + std::to_string(i));
        ASSERT_NEAR(got[i].x, xyz[i].x, tolerance);
        ASSERT_NEAR(got[i].y, xyz[i].y, tolerance);
        ASSERT_NEAR(got[i].z, xyz[i].z, tolerance);
    }
}

class PointCloud : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(ini) << "[Pipe Geometry]\r\nNominal Diameter=0.600\r\n";
        records = writeSurvey(qzr, [](int n) { return 1200.0 + 0.25 * n; });
        ASSERT_TRUE(test::ChildProcess::exitedCleanly(run({"--settings", ini, "-q", qzr})));
        xyz = readXyz(dir.file("survey.xyz"));
        ASSERT_GT(xyz.size(), 1000u);
    }
    test::TempFolder dir;
    const std::string qzr = dir.file("survey.qzr");
    const std::string ini = dir.file("Sondrel.INI");
    int records = 0;
    // The XYZ text has millimetres; its numbers are the same floats rounded.
    static constexpr double kXyzTolerance = 0.0005 + 1e-6;
    std::vector<Point> xyz;
};

TEST_F(PointCloud, PlyAndLasHoldTheXyzPointsWithTheirAttributes) {
    const std::string ply = dir.file("survey.ply"), las = dir.file("survey.las");
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(run({"--settings", ini, "--cloud", ply, qzr})));
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(run({"--settings", ini, "--cloud", las, qzr})));
    const std::vector<Point> plyPoints = readPly(ply);
    const LasFile lasFile = readLas(las);
    expectSamePoints(plyPoints, xyz, kXyzTolerance);
    expectSamePoints(lasFile.points, plyPoints, 0.00005 + 1e-9);

    EXPECT_EQ(lasFile.count, xyz.size());
    EXPECT_EQ(lasFile.legacyCount, 0u) << "format 6 keeps its count in the 64-bit field only";
    const std::vector<std::string> names = {"departure", "range", "angle", "record", "time"};
    EXPECT_EQ(lasFile.extraNames, names);
    double low[3] = {1e300, 1e300, 1e300}, high[3] = {-1e300, -1e300, -1e300};
    for (const Point& p : lasFile.points) {
        const double c[3] = {p.x, p.y, p.z};
        for (int i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], c[i]);
            high[i] = std::max(high[i], c[i]);
        }
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lasFile.min[i], low[i]) << "axis " << i;
        EXPECT_EQ(lasFile.max[i], high[i]) << "axis " << i;
    }

    // Attributes: the same in both files; the range is the distance from the
    // head; records run in order; the round stretch lies on its nominal circle.
    std::size_t nearNominal = 0, roundPoints = 0;
    double lastRecord = 0;
    for (std::size_t i = 0; i < plyPoints.size(); ++i) {
        const Point& p = plyPoints[i];
        for (const std::string& name : names) {
            ASSERT_EQ(p.attributes.count(name), 1u) << name;
            if (std::isfinite(p.attributes.at(name))) {
                EXPECT_EQ(p.attributes.at(name), lasFile.points[i].attributes.at(name)) << name;
            }
        }
        EXPECT_NEAR(p.attributes.at("range"), std::hypot(p.x, p.y), 1e-5);
        const double record = p.attributes.at("record"), time = p.attributes.at("time");
        EXPECT_GE(record, lastRecord);
        // The model survey's records are stamped 10:00:00 to 10:00:09 over and over.
        EXPECT_NEAR(time, static_cast<int>(record - 1) % 10, 1e-9);
        EXPECT_GE(p.attributes.at("angle"), 0.0);
        EXPECT_LT(p.attributes.at("angle"), 360.0);
        EXPECT_NEAR(p.z, 1200.0 + 0.25 * (record - 1), 1e-4);
        lastRecord = record;
        if (record <= 8) {  // the round stretch
            ++roundPoints;
            if (std::fabs(p.attributes.at("departure")) < 0.005) ++nearNominal;
        }
    }
    EXPECT_EQ(lastRecord, records - 1) << "the last record has no points";
    EXPECT_GT(roundPoints, 1000u);
    EXPECT_GT(nearNominal, roundPoints * 95 / 100);
}

TEST_F(PointCloud, CloudCompareOpensThePlyFileWithTheXyzPoints) {
    std::string cloudCompare;
    for (const char* candidate : {"/usr/bin/CloudCompare", "/usr/local/bin/CloudCompare"}) {
        if (::access(candidate, X_OK) == 0) cloudCompare = candidate;
    }
    if (cloudCompare.empty()) GTEST_SKIP() << "CloudCompare is not installed";
    const std::string ply = dir.file("survey.ply");
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(run({"--settings", ini, "--cloud", ply, qzr})));
    const test::ScopedEnv offscreen("QT_QPA_PLATFORM", "offscreen");
    test::ChildProcess cc(cloudCompare,
                          {"-SILENT", "-O", ply, "-C_EXPORT_FMT", "ASC", "-SAVE_CLOUDS"});
    ASSERT_TRUE(cc.start());
    ASSERT_TRUE(test::ChildProcess::exitedCleanly(cc.wait(std::chrono::seconds(120))))
        << cc.output();
    std::string asc;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().extension() == ".asc") asc = entry.path().string();
    }
    ASSERT_FALSE(asc.empty()) << "CloudCompare saved no cloud:\n" << cc.output();
    std::ifstream in(asc);
    std::vector<Point> saved;
    std::string line;
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        Point p;
        if (fields >> p.x >> p.y >> p.z) saved.push_back(p);
    }
    // CloudCompare keeps coordinates in single precision: 0.1 mm at the
    // survey's 1.2 km holds with room.
    expectSamePoints(saved, xyz, kXyzTolerance);
    expectSamePoints(saved, readPly(ply), 0.0001);
}

// A cloud that cannot be written is said with the file and the reason, the
// program ends with 1 and no part of a file stays; a name without a cloud's
// extension is refused before anything is read.
TEST_F(PointCloud, AFailedWriteLeavesNoFileAndSaysWhy) {
    const std::string readOnly = dir.file("locked");
    std::filesystem::create_directory(readOnly);
    ::chmod(readOnly.c_str(), 0555);
    const bool root = ::geteuid() == 0;
    // A full device, reached through a name a cloud may have.
    const std::string full = dir.file("full.las");
    std::filesystem::create_symlink("/dev/full", full);
    struct Case {
        std::string output;
        int status;
        std::string says;
    };
    std::vector<Case> cases = {
        {full, 1, "full.las: write failed: No space left on device"},
        {dir.file("gone/survey.las"), 1, "gone/survey.las: cannot create: No such file"},
        {dir.file("survey.txt"), 2, "must end in .ply or .las"},
    };
    if (!root) cases.push_back({readOnly + "/c.ply", 1, "Permission denied"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        std::string said;
        const int status = run({"--settings", ini, "-q", "--cloud", c.output, qzr}, &said);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        if (c.output == full) {
            EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
        } else {
            EXPECT_FALSE(std::filesystem::exists(c.output));
        }
    }
    ::chmod(readOnly.c_str(), 0755);
}

}  // namespace
}  // namespace sondrel
