#pragma once
// Observations of a survey in the EN 13508-2 sense: a code at a longitudinal
// location, with characterisations, quantifications, clock positions and,
// for a defect that runs on, a start and a finish marker. Those the program
// detects come from the per-ping figures along the kept chainage; the
// operator may edit, delete and add, and the sidecar keeps both kinds.
//
// Detection, on the kept records in chainage order:
// - BAA deformation where the deformation reaches the start level;
//   characterisation A (vertical) when the smallest calliper lies within 45
//   degrees of the vertical, else B; quantification 1 the deformation in
//   percent of the nominal diameter.
// - BBC settled deposits where the sediment fills at least the start level
//   of the nominal cross-section; quantification 1 that percentage; the clock
//   positions where the floor meets the wall.
// - BBE other obstacles where the floor stands higher than the floor around
//   it (the median over kObstacleSurroundMetres on either side) by the
//   obstacle height, over no more than the obstacle's longest stretch and
//   outside every deposit: a longer raised stretch, or one that fills the
//   bore to the deposit level, is a deposit and not an obstacle.
// - BCD start node at the start chainage and BCE finish node at the end.
// A stretch ends once its figure has stayed below its level for more than
// kObservationBridgeMetres. A stretch longer than the continuous length is
// continuous: an observation with S<n> at its start and F<n> at its finish,
// both with the worst value of the stretch; a shorter one is one observation
// at its worst record.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "survey/SurveyPing.h"
#include "survey/SurveySettings.h"

namespace sondrel {

inline constexpr double kObservationBridgeMetres = 0.2;
inline constexpr double kObstacleSurroundMetres = 2.0;

struct Observation {
    double chainage = 0.0;                                // column I, metres
    std::string code;                                     // column A: "BAA"
    std::string characterisation1, characterisation2;     // columns B, C
    double quantification1 = NAN, quantification2 = NAN;  // columns D, E; NaN: empty
    std::string remark;                                   // column F
    int clockFrom = 0, clockTo = 0;                       // columns G, H; 0: empty
    std::string continuous;                               // column J: "S1", "F1" or empty
    bool joint = false;                                   // column K
    std::int64_t filePosition = -1;                       // the record it was seen at; -1 for none
    bool byOperator = false;                              // made or edited by the operator
    bool deleted = false;  // an operator's deletion of a detected observation, kept so
                           // that the next detection does not bring it back

    // Empty quantifications (NaN) are equal.
    bool operator==(const Observation& other) const;
};

// The continuous-defect numbers, the start and finish nodes and the order
// (along the survey) of a list; what every writer of observations sees.
void sortObservations(std::vector<Observation>& observations, bool againstFlow);

// Detects the observations along `pings` (every record of the survey; only the
// kept and measured ones count) against `nominal` metres (0: none, and the
// figures that need it detect nothing). `startChainage` and `endChainage`
// place the nodes.
std::vector<Observation> detectObservations(std::span<const SurveyPing> pings,
                                            std::span<const std::uint32_t> keptOrder,
                                            double nominal, const ObservationSettings& settings,
                                            double startChainage, double endChainage,
                                            bool againstFlow);

// The survey's list: the operator's observations as stored, and the fresh
// detection except where the operator edited or deleted an observation of
// the same code within kSameObservationMetres.
inline constexpr double kSameObservationMetres = 0.1;
std::vector<Observation> mergeObservations(std::span<const Observation> detected,
                                           std::span<const Observation> stored, bool againstFlow);

// The clock position (12 at the top, 3 to the right as seen in the survey's
// direction) of a direction in degrees anticlockwise from the right: in
// hours from 0 up to 12, and as the whole hour 1..12 it rounds to.
double clockHours(double degreesFromRight);
int clockHour(double degreesFromRight);
int wholeHour(double hours);

}  // namespace sondrel
