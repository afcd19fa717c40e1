#include "common/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cfloat>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "support/TempFolder.h"

using namespace sondrel;
using namespace std::string_literals;
using sondrel::test::readBytes;
using sondrel::test::TempFolder;

namespace {

// Every '\n' of written text must come as part of a CR LF pair.
bool onlyCrLf(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    }
    return true;
}

std::size_t entriesIn(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

}  // namespace

// ------------------------------------------------------------------ numbers

TEST(IniNumbers, LeadingIntegerIsReadUpToTheFirstNonDigit) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"  -17xyz", -17},
        {"+8", 8},
        {"\t 3 4", 3},
        {"12.9", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"0x1F", 0},
        {"- 5", 0},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(parseLeadingInt(c.text), c.expected) << c.text;
}

TEST(IniNumbers, IntegerOverflowSaturates) {
    EXPECT_EQ(parseLeadingInt("2147483648"), INT_MAX);
    EXPECT_EQ(parseLeadingInt("-2147483649"), INT_MIN);
    EXPECT_EQ(parseLeadingInt("99999999999999999999999999999999"), INT_MAX);
    EXPECT_EQ(parseLeadingInt("-99999999999999999999999999999999"), INT_MIN);
}

TEST(IniNumbers, LeadingRealIsReadLikeAtofWithoutInfinityNanOrHex) {
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {"1.", 1.0},
        {".5", 0.5},
        {"-1e3x", -1000.0},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"2.5E-1", 0.25},
        {"  1485.5 m/s", 1485.5},
        {"1,5", 1.0},
        {"+3", 3.0},
        {".", 0.0},
        {"-.", 0.0},
        {"e5", 0.0},
        {"nan", 0.0},
        {"inf", 0.0},
        {"-infinity", 0.0},
        {"0x10", 0.0},
        {"", 0.0},
        {"1399.9", 1399.9},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(parseLeadingReal(c.text), c.expected) << c.text;
}

TEST(IniNumbers, RealOverflowSaturatesAndUnderflowGivesZero) {
    EXPECT_EQ(parseLeadingReal("1e999"), DBL_MAX);
    EXPECT_EQ(parseLeadingReal("-1e999"), -DBL_MAX);
    EXPECT_EQ(parseLeadingReal(std::string(400, '9')), DBL_MAX);
    EXPECT_EQ(parseLeadingReal("1e-999"), 0.0);
    EXPECT_EQ(parseLeadingReal("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(parseLeadingReal("1e99999999999999999999"), DBL_MAX);
    // Many digits scaled back into range are a plain number.
    EXPECT_DOUBLE_EQ(parseLeadingReal("1" + std::string(400, '0') + "e-350"), 1e50);
}

TEST(IniNumbers, FixedFormatMatchesPrintfInTheCLocale) {
    const double values[] = {1500.0, 1485.25, 0.25, 0.75, -0.5, 2.499, 1.005, 123456.789, 0.0};
    for (int decimals : {1, 2}) {
        for (double v : values) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%.*f", decimals, v);
            EXPECT_EQ(formatFixed(v, decimals), expected) << v;
        }
    }
}

// ------------------------------------------------------------------ reading

TEST(IniRead, SectionsAndKeysIgnoreCaseAndKeepBlanksInKeys) {
    IniFile ini;
    ini.parse(
        "; a comment\r\n"
        "orphan=1\r\n"
        "[System Settings]\r\n"
        "  Speed of Sound = 1485.5  \r\n"
        "IP Address=\"  10.0.0.1 \"\r\n"
        "# Gain=99\r\n"
        "Gain=3\r\n"
        "GAIN=9\r\n"
        "no equals sign here\r\n"
        "=no key\r\n"
        "Empty=\r\n"
        "[Other]\r\n"
        "Gain=11\r\n"
        "[ system settings ]\r\n"
        "Late=4\r\n");
    EXPECT_EQ(ini.value("system settings", "SPEED OF SOUND"), "1485.5");
    EXPECT_EQ(ini.value("System Settings", "IP Address"), "  10.0.0.1 ");
    EXPECT_EQ(ini.readInt("System Settings", "gain", -1), 3);
    EXPECT_EQ(ini.readInt("Other", "Gain", -1), 11);
    EXPECT_EQ(ini.readInt("System Settings", "Late", -1), 4);
    EXPECT_EQ(ini.value("System Settings", "Empty"), "");
    EXPECT_EQ(ini.readInt("System Settings", "Empty", 7), 0);
    EXPECT_FALSE(ini.value("System Settings", "orphan"));
    EXPECT_FALSE(ini.value("System Settings", "no equals sign here"));
    EXPECT_EQ(ini.readInt("System Settings", "Missing", 38400), 38400);
    EXPECT_EQ(ini.readString("Nowhere", "Gain", "fallback"), "fallback");
    EXPECT_DOUBLE_EQ(ini.readReal("Other", "Missing", 1.5), 1.5);
}

TEST(IniRead, LineEndsOfEveryKindGiveTheSameValues) {
    const char* variants[] = {
        "[S]\nA=1\nB=two\n",
        "[S]\r\nA=1\r\nB=two\r\n",
        "[S]\r\nA=1\nB=two",
        "[S]\nA=1\r\nB=two\r\n\r\n",
    };
    for (const char* text : variants) {
        IniFile ini;
        ini.parse(text);
        EXPECT_EQ(ini.readInt("S", "A", 0), 1) << text;
        EXPECT_EQ(ini.value("S", "B"), "two") << text;
        EXPECT_TRUE(onlyCrLf(ini.text()));
    }
}

TEST(IniRead, ValuesAreCutTo255BytesWithoutSplittingACharacter) {
    IniFile ini;
    const std::string e = "\xC3\xA9";  // a two-byte character
    ini.parse("[S]\nlong=" + std::string(300, 'x') + "\nsplit=" + std::string(254, 'y') + e +
              "\nfits=" + std::string(253, 'z') + e + "\n");
    EXPECT_EQ(ini.value("S", "long"), std::string(kMaxIniValueLength, 'x'));
    EXPECT_EQ(ini.value("S", "split"), std::string(254, 'y'));
    EXPECT_EQ(ini.value("S", "fits"), std::string(253, 'z') + e);
}

// ------------------------------------------------------------------ writing

TEST(IniWrite, UpdatesInPlaceAndAppendsWhatIsMissing) {
    IniFile ini;
    ini.parse(
        "; kept\n"
        "[Sonar Settings]\n"
        "  GAIN = 3\n"
        "Gain=9\n"
        "Unknown=x\n"
        "\n"
        "[Window]\n"
        "Left=10\n");
    ini.setInt("sonar settings", "Gain", 7);
    ini.setInt("Sonar Settings", "Train SS", 30);
    ini.setValue("Window", "Top", "20");
    ini.setReal("System Settings", "Zoom", 1.5, 2);
    EXPECT_EQ(ini.text(),
              "; kept\r\n"
              "[Sonar Settings]\r\n"
              "  GAIN=7\r\n"
              "Gain=9\r\n"
              "Unknown=x\r\n"
              "Train SS=30\r\n"
              "\r\n"
              "[Window]\r\n"
              "Left=10\r\n"
              "Top=20\r\n"
              "\r\n"
              "[System Settings]\r\n"
              "Zoom=1.50\r\n");
}

TEST(IniWrite, AnEmptyFileGetsSectionsInTheOrderWritten) {
    IniFile ini;
    ini.setInt("A", "one", 1);
    ini.setInt("A", "two", 2);
    ini.setInt("B", "three", 3);
    EXPECT_EQ(ini.text(), "[A]\r\none=1\r\ntwo=2\r\n\r\n[B]\r\nthree=3\r\n");
}

TEST(IniWrite, AnyValueReadsBackAsWrittenOnOneLine) {
    IniFile ini;
    ini.setValue("S", "breaks", "a\r\nb\n[S]\nGain=20\0c"s);
    ini.setValue("S", "padded", "  both ends  ");
    ini.setValue("S", "quoted", "\"q\"");
    ini.setValue("S", "single", "'");
    ini.setValue("S", "empty", "");
    EXPECT_EQ(ini.value("S", "breaks"), "ab[S]Gain=20c");
    EXPECT_FALSE(ini.value("S", "Gain"));
    EXPECT_EQ(ini.value("S", "padded"), "  both ends  ");
    EXPECT_EQ(ini.value("S", "quoted"), "\"q\"");
    EXPECT_EQ(ini.value("S", "single"), "'");
    EXPECT_EQ(ini.value("S", "empty"), "");

    IniFile reread;
    reread.parse(ini.text());
    for (const char* key : {"breaks", "padded", "quoted", "single", "empty"}) {
        EXPECT_EQ(reread.value("S", key), ini.value("S", key)) << key;
    }
}

// ------------------------------------------------------------------ bad input

TEST(IniRobustness, RandomBytesNeverBreakReadingOrWriting) {
    const std::string alphabet = "[]=;#\r\n\0 \tabcSGain0123456789.-\"'\xC3\xA9\xFF"s;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
        std::uniform_int_distribution<int> byte(0, 255);
        std::string junk(4000, '\0');
        for (char& c : junk) {
            c = (random() % 4 == 0) ? static_cast<char>(byte(random)) : alphabet[pick(random)];
        }
        IniFile ini;
        ini.parse(junk);
        (void)ini.readInt("S", "Gain", 0);
        (void)ini.readReal("[S]", "a", 0.0);
        ini.setValue("S", "Gain", "12");
        ini.setValue("New Section", "Key With Blanks", "v");
        EXPECT_EQ(ini.value("S", "Gain"), "12") << seed;
        EXPECT_EQ(ini.value("new section", "key with blanks"), "v") << seed;

        IniFile reread;
        reread.parse(ini.text());
        EXPECT_EQ(reread.value("S", "Gain"), "12") << seed;
        EXPECT_EQ(reread.value("New Section", "Key With Blanks"), "v") << seed;
    }
}

TEST(IniRobustness, MegabyteLinesAreKeptAndValuesCut) {
    const std::string huge(8 * 1024 * 1024, 'x');
    IniFile ini;
    ini.parse(huge + "\n[S]\nKey=" + huge + "\n" + huge + "=1\nGain=5\n");
    EXPECT_EQ(ini.value("S", "Key"), std::string(kMaxIniValueLength, 'x'));
    EXPECT_EQ(ini.readInt("S", "Gain", 0), 5);
    ini.setInt("S", "Gain", 6);
    const std::string text = ini.text();
    EXPECT_EQ(text.size(),
              3 * huge.size() + std::string("\r\n[S]\r\nKey=\r\n=1\r\nGain=6\r\n").size());
    EXPECT_EQ(text.compare(0, huge.size(), huge), 0);
}

// ------------------------------------------------------------------ files

TEST(IniFiles, MissingAndNonRegularFilesGiveAnEmptyFile) {
    TempFolder folder;
    IniFile ini;
    ini.parse("[S]\nA=1\n");
    EXPECT_EQ(ini.load(folder.file("none.ini")), IniFile::LoadResult::Missing);
    EXPECT_TRUE(ini.empty());
    const std::string plain = folder.write("plain", "x");
    EXPECT_EQ(ini.load(plain + "/below.ini"), IniFile::LoadResult::Missing);
    EXPECT_EQ(ini.load(folder.path()), IniFile::LoadResult::Unreadable);

    // A FIFO must not block the reader waiting for a writer.
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ini.load(fifo), IniFile::LoadResult::Unreadable);
    EXPECT_TRUE(ini.empty());
}

TEST(IniFiles, AFileTooLargeForSettingsIsNotRead) {
    TempFolder folder;
    const std::string path = folder.write("big.ini", "[S]\nA=1\n");
    std::filesystem::resize_file(path, kMaxIniFileSize + 1);  // sparse
    IniFile ini;
    EXPECT_EQ(ini.load(path), IniFile::LoadResult::Unreadable);
    EXPECT_FALSE(ini.value("S", "A"));
}

TEST(IniFiles, SaveWritesTheTextAndLeavesNothingElseBehind) {
    TempFolder folder;
    const std::string path = folder.file("Sondrel.INI");
    IniFile ini;
    ini.parse(
        "[S]\nA=1\n\x01\x02"
        "binary\0junk\n"s);
    ASSERT_TRUE(ini.save(path));
    EXPECT_EQ(readBytes(path), ini.text());

    ini.setInt("S", "A", 2);
    ASSERT_TRUE(ini.save(path));
    IniFile reread;
    ASSERT_EQ(reread.load(path), IniFile::LoadResult::Loaded);
    EXPECT_EQ(reread.text(), ini.text());
    EXPECT_EQ(entriesIn(folder.path()), 1u);
}

TEST(IniFiles, SaveKeepsModeSymbolicLinkAndHardLinks) {
    TempFolder folder;
    IniFile ini;
    ini.parse(std::string(2000, ';') + "\n[S]\nA=1\n");

    const std::string moded = folder.file("moded.ini");
    ASSERT_TRUE(ini.save(moded));
    ASSERT_EQ(::chmod(moded.c_str(), 0640), 0);
    ASSERT_TRUE(ini.save(moded));
    struct stat st {};
    ASSERT_EQ(::stat(moded.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const std::string link = folder.file("link.ini");
    std::filesystem::create_symlink(moded, link);
    ini.setInt("S", "A", 2);
    ASSERT_TRUE(ini.save(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(moded), ini.text());

    // A shorter text written through a hard link reaches both names, cut to length.
    const std::string other = folder.file("other-name.ini");
    std::filesystem::create_hard_link(moded, other);
    IniFile shorter;
    shorter.parse("[S]\nA=3\n");
    ASSERT_TRUE(shorter.save(other));
    EXPECT_EQ(readBytes(moded), shorter.text());
    EXPECT_EQ(readBytes(other), shorter.text());
    EXPECT_EQ(entriesIn(folder.path()), 3u);
}

TEST(IniFiles, SavingWhereNoFileCanBeFailsQuietly) {
    TempFolder folder;
    const std::string plain = folder.write("plain", "contents");
    IniFile ini;
    ini.setInt("S", "A", 1);
    EXPECT_FALSE(ini.save(plain + "/Sondrel.INI"));
    EXPECT_FALSE(ini.save(folder.file("no/such/folder/Sondrel.INI")));
    EXPECT_FALSE(ini.save(folder.path()));
    EXPECT_EQ(readBytes(plain), "contents");
    EXPECT_EQ(ini.value("S", "A"), "1");
}
