// The survey's rules on plain values: the header's fields, the settings'
// sections, the kept-pass rule, record times and the detection of
// observations along figures laid out by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/IniFile.h"
#include "survey/Chainage.h"
#include "survey/Observation.h"
#include "survey/SurveyHeader.h"
#include "survey/SurveySettings.h"

namespace sondrel {
namespace {

const std::string kLongRemarkText(121, 'x');
const char* const kLongRemark = kLongRemarkText.c_str();

TEST(SurveyHeader, ChecksEachKindOfField) {
    struct Case {
        const char* code;
        const char* value;
        const char* problem;  // empty: accepted
    };
    const Case cases[] = {
        {"ACB", "600", ""},
        {"ACB", "49", "ACB (height, mm): a whole number from 50 to 10000"},
        {"ACB", "600.5", "ACB (height, mm): a whole number from 50 to 10000"},
        {"ACB", "6OO", "ACB (height, mm): a whole number from 50 to 10000"},
        {"ACG", "2.5", ""},
        {"ACG", "0.05", "ACG (pipe unit length, m): a number from 0.1 to 100"},
        {"ABQ", "nan", "ABQ (anticipated length, m): a number from 0 to 10000"},
        {"ABF", "2026-02-29", "ABF (date): a date as YYYY-MM-DD"},
        {"ABF", "2028-02-29", ""},
        {"ABF", "28-02-2026", "ABF (date): a date as YYYY-MM-DD"},
        {"ABG", "23:59", ""},
        {"ABG", "24:00", "ABG (time): a time as HH:MM"},
        {"AAK", "B", ""},
        {"AAK", "C", "AAK (direction): one of A or B"},
        {"ACA", "Z", ""},
        {"ACD", "AV", ""},
        {"ACD", "av",
         "ACD (material): one of AA, AB, AC, AD, AE, AF, AG, AH, AI, AJ, AK, AL, "
         "AM, AN, AO, AP, AQ, AR, AS, AT, AU, AV or Z"},
        {"AAA", "MH12-MH13; Gärtnerstraße", ""},
        {"AAA", "two\nlines", "AAA (pipe length reference): a text of at most 120 characters"},
        {"ADE", kLongRemark, "ADE (remark): a text of at most 120 characters"},
        {"ACN", "1899", ""},
        {"XYZ", "1", "XYZ: no field of the survey header"},
    };
    for (const Case& c : cases) {
        SurveyHeader header;
        std::string problem;
        const bool set = header.set(c.code, c.value, &problem);
        EXPECT_EQ(set, std::string(c.problem).empty()) << c.code << " " << c.value;
        EXPECT_EQ(problem, c.problem) << c.code << " " << c.value;
        EXPECT_EQ(header.value(c.code), set ? c.value : "") << c.code;
    }
}

TEST(SurveyHeader, NominalSizeFromHeightAndWidth) {
    struct Case {
        const char *height, *width;
        double nominal;  // NaN: none
    };
    for (const Case& c : {Case{"600", "", 0.6}, Case{"", "450", 0.45}, Case{"600", "700", 0.65},
                          Case{"", "", NAN}}) {
        SurveyHeader h;
        ASSERT_TRUE(h.set("ACB", c.height));
        ASSERT_TRUE(h.set("ACC", c.width));
        const std::optional<double> n = h.nominalSize();
        EXPECT_EQ(n.has_value(), !std::isnan(c.nominal));
        if (n) {
            EXPECT_DOUBLE_EQ(*n, c.nominal);
        }
    }
}

TEST(SurveySettings, LoadsWithinRangeAndSaysTheRule) {
    IniFile ini;
    ini.parse(
        "[Survey Observations]\r\nDeformation Start=4.5\r\nDeposit Start=900\r\n"
        "Continuous Length=abc\r\n[Survey Limits]\r\nEvaluate Limit=6\r\nFail Limit=5\r\n");
    const ObservationSettings o = loadObservationSettings(ini);
    EXPECT_DOUBLE_EQ(o.deformationStart, 4.5);
    EXPECT_DOUBLE_EQ(o.depositStart, setting::kDepositStart.defaultValue);
    EXPECT_DOUBLE_EQ(o.continuousLength, 1.0);
    const GradingLimits l = loadGradingLimits(ini);
    EXPECT_DOUBLE_EQ(l.evaluate, 6.0);
    EXPECT_DOUBLE_EQ(l.fail, 6.0) << "a fail limit below the evaluate limit is raised";

    IniFile saved;
    ObservationSettings changed;
    changed.obstacleLongest = 0.75;
    saveObservationSettings(changed, saved);
    saveGradingLimits(l, saved);
    EXPECT_EQ(loadObservationSettings(saved), changed);
    EXPECT_EQ(loadGradingLimits(saved), l);

    std::string problem;
    EXPECT_FALSE(enteredSurveySetting(setting::kFailLimit, "51", problem));
    EXPECT_EQ(problem, "Fail Limit (%): a number from 0.5 to 50");
    EXPECT_EQ(enteredSurveySetting(setting::kFailLimit, "7.5", problem), 7.5);
}

// The kept flags as a string of 0 and 1, for reading the cases at a glance.
std::string kept(const std::vector<double>& places, KeptPass pass) {
    std::string flags;
    for (const std::uint8_t k : keptRecords(places, pass)) flags += k ? '1' : '0';
    return flags;
}

TEST(KeptRecords, OnePassOfEachPlace) {
    struct Case {
        const char* what;
        std::vector<double> places;
        const char* last;
        const char* first;
    };
    const Case cases[] = {
        {"straight on", {0, 1, 2, 3}, "1111", "1111"},
        {"a stop", {0, 1, 1, 1, 2}, "10011", "11001"},
        {"a reversal", {0, 1, 2, 3, 2, 1, 2, 3, 4}, "100001111", "111100001"},
        {"backing up at the end", {0, 1, 2, 3, 2, 1}, "100111", "111100"},
        {"several reversals", {0, 2, 1, 3, 2, 4}, "101011", "110101"},
        {"noisy distances", {0.0, 1.0, 1.01, 0.99, 1.02, 2.0}, "100111", "111011"},
        {"no reading in between", {0, NAN, 1, NAN, 2}, "10101", "10101"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kept(c.places, KeptPass::Last), c.last) << c.what;
        EXPECT_EQ(kept(c.places, KeptPass::First), c.first) << c.what;
    }
}

TEST(KeptRecords, KeptPlacesNeverRepeatAPlace) {
    // A crawler jittering through three reversals: the kept places, taken in
    // order of place, are all different and span the whole run.
    std::vector<double> places;
    double x = 0.0;
    for (const double target : {5.0, 3.0, 8.0, 6.5, 10.0}) {
        const double step = target > x ? 0.1 : -0.1;
        for (int n = 0; std::abs(target - x) > 1e-9; ++n) {
            x += step;
            places.push_back(x + ((n % 3) - 1) * 0.004);
        }
    }
    for (const KeptPass pass : {KeptPass::Last, KeptPass::First}) {
        const std::vector<std::uint8_t> k = keptRecords(places, pass);
        std::vector<double> kept;
        for (std::size_t i = 0; i < places.size(); ++i) {
            if (k[i]) kept.push_back(places[i]);
        }
        std::sort(kept.begin(), kept.end());
        EXPECT_EQ(std::adjacent_find(kept.begin(), kept.end()), kept.end());
        for (std::size_t i = 1; i < kept.size(); ++i) EXPECT_LT(kept[i] - kept[i - 1], 0.25);
        EXPECT_NEAR(kept.front(), 0.1, 0.01);
        EXPECT_NEAR(kept.back(), 10.0, 0.01);
    }
}

TEST(ChainagePlacer, PlacesByDistanceOrTime) {
    SurveyHeader against;
    ASSERT_TRUE(against.set("AAK", "B"));
    against.startChainage = 100.0;
    ChainagePlacer byDistance(against, ChainageChoices{}, false);
    EXPECT_DOUBLE_EQ(byDistance.place(2.5, 7.0), 97.5);
    EXPECT_TRUE(std::isnan(byDistance.place(NAN, 7.0)));
    EXPECT_TRUE(std::isnan(byDistance.place(-3e6, 7.0))) << "a damaged reading";
    ChainagePlacer unstated(SurveyHeader{}, ChainageChoices{}, true);
    EXPECT_TRUE(std::isnan(unstated.place(NAN, 7.0)));
    ChainagePlacer byTime(SurveyHeader{}, ChainageChoices{0.2, KeptPass::Last}, true);
    EXPECT_TRUE(std::isnan(byTime.place(NAN, std::nullopt)));
    EXPECT_DOUBLE_EQ(byTime.place(NAN, 50.0), 0.0) << "the first time stamp is the start";
    EXPECT_DOUBLE_EQ(byTime.place(3.0, 60.0), 2.0) << "a reading is not used";
}

TEST(RecordSeconds, ReadsDateTimeAndFraction) {
    const std::optional<double> a = recordSeconds("09-DEC-2026", "10:00:00", ".120");
    const std::optional<double> b = recordSeconds("10-dec-2026", "00:00:01", ".000");
    ASSERT_TRUE(a && b);
    EXPECT_NEAR(*b - *a, 14 * 3600 + 1 - 0.12, 1e-6) << "across midnight";
    EXPECT_FALSE(recordSeconds("09-XYZ-2026", "10:00:00", ".000"));
    EXPECT_FALSE(recordSeconds("09-DEC-2026", "25:00:00", ".000"));
    EXPECT_FALSE(recordSeconds("", "", ""));
}

TEST(ClockPositions, FromDirections) {
    struct Case {
        double degrees;
        int hour;
    };
    for (const Case c : {Case{0, 3}, Case{90, 12}, Case{180, 9}, Case{-90, 6}, Case{-36.9, 4},
                         Case{-143.1, 8}, Case{80, 12}, Case{-15.1, 4}}) {
        EXPECT_EQ(clockHour(c.degrees), c.hour) << c.degrees;
    }
}

// Pings 0.1 m apart from chainage 0 with figures set by `shape`.
template <typename Shape>
std::vector<SurveyPing> pingsAlong(int count, Shape shape) {
    std::vector<SurveyPing> pings(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        SurveyPing& p = pings[static_cast<std::size_t>(i)];
        p.chainage = 0.1f * static_cast<float>(i);
        p.flags = SurveyPing::kMeasured | SurveyPing::kKept;
        p.filePosition = 1000 + i;
        p.deformation = 0.0f;
        p.sedimentDepth = 0.0f;
        p.sedimentArea = 0.0f;
        p.shortAxis = 90.0f;
        shape(p, p.chainage);
    }
    return pings;
}

std::vector<std::uint32_t> allInOrder(std::size_t n) {
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);
    return order;
}

std::vector<Observation> detected(const std::vector<SurveyPing>& pings, bool against = false) {
    return detectObservations(pings, allInOrder(pings.size()), 0.6, ObservationSettings{}, 0.0,
                              pings.back().chainage, against);
}

std::string codes(const std::vector<Observation>& list) {
    std::string all;
    for (const Observation& o : list) {
        all += o.code + o.continuous + " ";
    }
    return all;
}

TEST(DetectObservations, StretchesShortLongAndBridged) {
    struct Case {
        const char* what;
        double from, to;  // deformed stretch, metres
        float gapAt;      // a dip below the level there; NaN: none
        float axis;
        const char* codes;
    };
    const Case cases[] = {
        {"short: one at its worst", 2.0, 2.8, NAN, 90, "BCD BAA BCE "},
        {"long: start and finish", 2.0, 4.0, NAN, 90, "BCD BAAS1 BAAF1 BCE "},
        {"a dip of 0.1 m is bridged", 2.0, 4.0, 3.0f, 10, "BCD BAAS1 BAAF1 BCE "},
        {"exactly the continuous length", 2.0, 3.0, NAN, 90, "BCD BAA BCE "},
    };
    for (const Case& c : cases) {
        const auto pings = pingsAlong(60, [&](SurveyPing& p, float at) {
            if (at >= c.from - 1e-3 && at <= c.to + 1e-3) p.deformation = 4.0f + at;
            if (std::abs(at - c.gapAt) < 1e-3) p.deformation = 1.0f;
            p.shortAxis = c.axis;
        });
        const std::vector<Observation> found = detected(pings);
        EXPECT_EQ(codes(found), c.codes) << c.what;
        ASSERT_GE(found.size(), 3u);
        const Observation& first = found[1];
        EXPECT_EQ(first.characterisation1, c.axis > 45 ? "A" : "B") << c.what;
        EXPECT_NEAR(first.quantification1, 4.0 + c.to, 0.06) << "the worst of the stretch";
        if (found.size() == 4) {
            EXPECT_NEAR(first.chainage, c.from, 1e-3) << c.what;
            EXPECT_NEAR(found[2].chainage, c.to, 1e-3) << c.what;
            EXPECT_EQ(found[2].quantification1, first.quantification1);
        } else {
            EXPECT_NEAR(first.chainage, c.to, 1e-3) << "at its worst";
            EXPECT_EQ(first.filePosition, 1000 + std::lround(c.to * 10));
        }
    }
}

TEST(DetectObservations, ObstacleIsShortAndStandsAboveItsFloor) {
    const double areaOf05 = 0.01125;  // a 5 cm floor in a 0.6 m pipe
    struct Case {
        const char* what;
        double from, to, base, top;
        const char* codes;
    };
    const Case cases[] = {
        {"a ledge on a clean invert", 3.0, 3.2, 0.0, 0.06, "BCD BBE BCE "},
        {"a ledge on an even silt", 3.0, 3.2, 0.02, 0.08, "BCD BBE BCE "},
        {"too low to count", 3.0, 3.2, 0.02, 0.05, "BCD BCE "},
        {"too long: a deposit", 3.0, 4.2, 0.0, 0.06, "BCD BCE "},
    };
    for (const Case& c : cases) {
        const auto pings = pingsAlong(80, [&](SurveyPing& p, float at) {
            const bool on = at >= c.from - 1e-3 && at <= c.to + 1e-3;
            p.sedimentDepth = static_cast<float>(on ? c.top : c.base);
            p.sedimentArea =
                static_cast<float>(on ? areaOf05 * 0.5 : 0.0);  // below the deposit level
            p.floorClockFrom = 4.2f;
            p.floorClockTo = 7.8f;
        });
        const std::vector<Observation> found = detected(pings);
        EXPECT_EQ(codes(found), c.codes) << c.what;
        if (found.size() == 3) {
            EXPECT_NEAR(found[1].chainage, c.from, 0.21) << c.what;
            EXPECT_EQ(found[1].clockFrom, 4);
            EXPECT_EQ(found[1].clockTo, 8);
            EXPECT_GT(found[1].quantification1, 0.5);
        }
    }
}

TEST(DetectObservations, DepositsQuantifiedOnTheNominalCrossSection) {
    const double nominalArea = 3.14159265358979 * 0.09;
    const auto pings = pingsAlong(50, [&](SurveyPing& p, float at) {
        if (at >= 1.0f && at <= 1.5f) p.sedimentArea = static_cast<float>(0.12 * nominalArea);
        if (at >= 1.2f && at <= 1.3f) p.sedimentArea = static_cast<float>(0.2 * nominalArea);
        p.floorClockFrom = 4.0f;
        p.floorClockTo = 8.0f;
    });
    const std::vector<Observation> found = detectObservations(
        pings, allInOrder(pings.size()), 0.6, ObservationSettings{}, 0.0, 4.9, false);
    ASSERT_EQ(codes(found), "BCD BBC BCE ");
    EXPECT_NEAR(found[1].quantification1, 20.0, 0.05);
    EXPECT_NEAR(found[1].chainage, 1.2, 1e-3);
    // Without a nominal diameter nothing is measured against it.
    EXPECT_EQ(codes(detectObservations(pings, allInOrder(pings.size()), 0.0, ObservationSettings{},
                                       0.0, 4.9, false)),
              "BCD BCE ");
}

TEST(SortObservations, AlongTheSurveyWithContinuousDefectsRenumbered) {
    const auto make = [](const char* code, double at, const char* continuous) {
        Observation o;
        o.code = code;
        o.chainage = at;
        o.continuous = continuous;
        return o;
    };
    // Met in this order against the flow, from 10 m down to 0.
    std::vector<Observation> list = {make("BCE", 0.0, ""),   make("BBC", 3.0, "F2"),
                                     make("BAA", 5.0, "F7"), make("BAA", 8.0, "S7"),
                                     make("BBC", 4.0, "S2"), make("BCD", 10.0, "")};
    sortObservations(list, true);
    EXPECT_EQ(codes(list), "BCD BAAS1 BAAF1 BBCS2 BBCF2 BCE ");
    // With the flow, from 0 to 10 m.
    list = {make("BCE", 10.0, ""),  make("BAA", 5.0, "S7"), make("BBC", 3.0, "S2"),
            make("BAA", 8.0, "F7"), make("BBC", 4.0, "F2"), make("BCD", 0.0, "")};
    sortObservations(list, false);
    EXPECT_EQ(codes(list), "BCD BBCS1 BBCF1 BAAS2 BAAF2 BCE ");
}

}  // namespace
}  // namespace sondrel
