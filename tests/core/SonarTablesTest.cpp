#include <gtest/gtest.h>

#include "acquisition/SonarTables.h"

using namespace sondrel;

TEST(RangeTable, CodesForMetresAtEveryBoundary) {
    EXPECT_EQ(rangeCodeFor(0.25), 4);
    EXPECT_EQ(rangeCodeFor(0.49), 4);
    EXPECT_EQ(rangeCodeFor(0.5), 6);
    EXPECT_EQ(rangeCodeFor(0.75), 8);
    EXPECT_EQ(rangeCodeFor(0.99), 8);
    EXPECT_EQ(rangeCodeFor(1.0), 10);
    EXPECT_EQ(rangeCodeFor(2.5), 20);
    EXPECT_EQ(rangeCodeFor(5.99), 50);
    EXPECT_EQ(rangeCodeFor(6.0), 60);
    EXPECT_EQ(rangeCodeFor(100.0), 60);
    for (int i = 0; i < kRangeCount; ++i) EXPECT_EQ(rangeCodeFor(kRangeMetres[i]), kRangeCodes[i]);
}

TEST(RangeTable, IndexForReturnedCodes) {
    EXPECT_EQ(rangeIndexForCode(4), 0);
    EXPECT_EQ(rangeIndexForCode(5), 0);
    EXPECT_EQ(rangeIndexForCode(7), 1);
    EXPECT_EQ(rangeIndexForCode(9), 2);
    EXPECT_EQ(rangeIndexForCode(19), 3);
    EXPECT_EQ(rangeIndexForCode(20), 4);
    EXPECT_EQ(rangeIndexForCode(59), 7);
    EXPECT_EQ(rangeIndexForCode(60), 8);
    EXPECT_EQ(rangeIndexForCode(255), 8);
    // Codes below 4 are read as 5 m.
    EXPECT_EQ(rangeIndexForCode(0), 7);
    EXPECT_EQ(rangeIndexForCode(2), 7);
    EXPECT_EQ(rangeIndexForCode(3), 7);
}

TEST(Train, DegreesForCodes) {
    EXPECT_EQ(trainDegreesFor(60, false), 0);
    EXPECT_EQ(trainDegreesFor(0, false), 180);
    EXPECT_EQ(trainDegreesFor(120, false), 180);
    EXPECT_EQ(trainDegreesFor(59, false), 357);
    EXPECT_EQ(trainDegreesFor(59, true), 3);
    EXPECT_EQ(trainDegreesFor(61, false), 3);
    EXPECT_EQ(trainDegreesFor(61, true), 357);
    EXPECT_EQ(trainDegreesFor(60, true), 0);  // 360 becomes 0
}

TEST(Train, SteppingWrapsAtBothEnds) {
    EXPECT_EQ(steppedTrainCode(0, -1, false), 120);
    EXPECT_EQ(steppedTrainCode(120, 1, false), 0);
    EXPECT_EQ(steppedTrainCode(0, 1, true), 120);
    EXPECT_EQ(steppedTrainCode(10, 1, true), 9);
    EXPECT_EQ(steppedTrainCode(10, 1, false), 11);
}

TEST(Speed, StepsNeverLandOnFive) {
    EXPECT_EQ(steppedSpeed(4, 1, kTypeP, 1.0), 8);
    EXPECT_EQ(steppedSpeed(8, -1, kTypeP, 1.0), 4);
    EXPECT_EQ(steppedSpeed(8, 1, kTypeP, 1.0), 8);
    EXPECT_EQ(steppedSpeed(1, -1, kTypeP, 1.0), 1);
    EXPECT_EQ(steppedSpeed(0, 1, kTypeP, 1.0), 1);
    EXPECT_EQ(steppedSpeed(2, 1, kTypeP, 1.0), 3);
    EXPECT_EQ(stepSizeName(8), "Fastest");
    EXPECT_EQ(normalisedStepSize(5), 8);
}

TEST(Speed, TypeQAtShortRangeIsLimited) {
    EXPECT_EQ(steppedSpeed(3, 1, kTypeQ, 4.0), 1);
    EXPECT_EQ(steppedSpeed(1, 1, kTypeQ, 0.25), 1);
    EXPECT_EQ(steppedSpeed(1, 1, kTypeQ, 5.0), 2);
    EXPECT_EQ(steppedSpeed(2, -1, kTypeQ, 5.0), 1);
    EXPECT_EQ(steppedSpeed(3, 1, kTypeQ, 6.0), 4);
}

TEST(Absorption, NeverStops253) {
    EXPECT_EQ(steppedAbsorption(252, 1), 254);
    EXPECT_EQ(steppedAbsorption(254, -1), 254);
    EXPECT_EQ(steppedAbsorption(255, -1), 254);
    EXPECT_EQ(steppedAbsorption(251, 1), 252);
    EXPECT_EQ(steppedAbsorption(255, 1), 255);
    EXPECT_EQ(steppedAbsorption(0, -1), 0);
}

TEST(PerRangeTable, AllFifteenRows) {
    const auto& t = perRangeTable();
    ASSERT_EQ(t.size(), 15u);
    EXPECT_EQ(t[0].frequencyCode, 165);
    EXPECT_EQ(t[3].pulseLengthCode, 1);
    EXPECT_EQ(t[4].pulseLengthCode, 3);
    EXPECT_EQ(t[5].frequencyCode, 100);
    EXPECT_EQ(t[5].absorptionCode, 20);
    EXPECT_EQ(t[8].pulseLengthCode, 11);
    EXPECT_EQ(t[12].pulseLengthCode, 27);
    EXPECT_EQ(t[13].frequencyCode, 27);
    EXPECT_EQ(t[14].absorptionCode, 10);
    EXPECT_EQ(t[14].pulseLengthCode, 53);
}
