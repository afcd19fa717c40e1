#include "simulation/Scenario.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <sstream>

#include "common/NumberText.h"

namespace sondrel {

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;
constexpr double kLongestPipe = 10000.0;
// The branch's far wall, as far beyond the opening as this many of its widths.
constexpr double kFarEchoWidths = 2.0;
// The geometry measures 180 callipers through the centre, half a degree off
// the axes; the truth measures the same ones.
constexpr int kCallipers = 180;
// The validation looks this far either side of where a stretch turns.
constexpr double kValidationStep = 0.001;

// Clock hours to a unit vector (x right, y up): 12 up, 3 right.
void clockDirection(double hours, double& x, double& y) {
    const double a = hours * 30.0 / kDegrees;
    x = std::sin(a);
    y = std::cos(a);
}

// 0 at the ends of the stretch, 1 from a fifth of its length in to a fifth
// from its end.
double plateau(const ScenarioStretch& s, double c) {
    const double ramp = 0.2 * (s.to - s.from);
    return std::clamp(std::min(c - s.from, s.to - c) / ramp, 0.0, 1.0);
}
// 0 at the ends, 1 at the middle.
double wedge(const ScenarioStretch& s, double c) {
    const double half = 0.5 * (s.to - s.from);
    return std::clamp(1.0 - std::fabs(c - 0.5 * (s.from + s.to)) / half, 0.0, 1.0);
}

// How far the wall reaches from the axis towards a unit direction: the
// support of the ellipse, the height of its lowest point for straight down.
double wallReach(const CrossSection& s, double nx, double ny) {
    const double a = s.majorAngleDeg / kDegrees;
    const double u = nx * std::cos(a) + ny * std::sin(a);
    const double v = -nx * std::sin(a) + ny * std::cos(a);
    return std::hypot(s.semiMajor * u, s.semiMinor * v);
}

// ------------------------------------------------------------ the file's words

struct Field {
    const char* name;
    double lo, hi;
    std::optional<double> fallback;  // none: the field must be given
};

struct Keyword {
    const char* word;
    std::vector<Field> fields;
    bool once;
};

constexpr double kAnywhere = kLongestPipe;

const std::vector<Keyword>& keywords() {
    static const std::vector<Keyword> table = {
        {"pipe", {{"diameter", 0.05, 10.0, {}}, {"length", 0.1, kLongestPipe, {}}}, true},
        {"crawler", {{"speed", 0.001, 5.0, 0.1}, {"start", 0.0, kLongestPipe, 0.0}}, true},
        {"stop", {{"at", 0.0, kAnywhere, {}}, {"seconds", 0.0, 86400.0, {}}}, false},
        {"reverse", {{"at", 0.0, kAnywhere, {}}, {"back", 0.001, kAnywhere, {}}}, false},
        {"deformation",
         {{"from", 0.0, kAnywhere, {}},
          {"to", 0.0, kAnywhere, {}},
          {"peak", 0.0, 0.5, {}},
          {"angle", -360.0, 360.0, 0.0}},
         false},
        {"sediment",
         {{"from", 0.0, kAnywhere, {}}, {"to", 0.0, kAnywhere, {}}, {"depth", 0.0, 10.0, {}}},
         false},
        {"joints", {{"every", 0.1, 1000.0, {}}}, true},
        {"joint",
         {{"at", 0.0, kAnywhere, {}}, {"step", 0.0, 0.5, 0.0}, {"clock", 1.0, 12.0, 12.0}},
         false},
        {"diameter",
         {{"from", 0.0, kAnywhere, {}}, {"to", 0.0, kAnywhere, {}}, {"value", 0.05, 10.0, {}}},
         false},
        {"connection",
         {{"at", 0.0, kAnywhere, {}}, {"clock", 1.0, 12.0, {}}, {"width", 0.01, 2.0, {}}},
         false},
        {"obstacle",
         {{"from", 0.0, kAnywhere, {}},
          {"to", 0.0, kAnywhere, {}},
          {"clock", 1.0, 12.0, 6.0},
          {"height", 0.001, 10.0, {}}},
         false},
        {"noise", {{"sigma", 0.0, 0.1, {}}}, true},
        {"dropouts", {{"fraction", 0.0, 0.9, {}}}, true},
        {"offset", {{"x", -1.0, 1.0, 0.0}, {"y", -1.0, 1.0, 0.0}}, true},
        {"wander", {{"amplitude", 0.0, 0.1, {}}}, true},
    };
    return table;
}

std::string numberText(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

struct Item {
    const Keyword* keyword = nullptr;
    std::map<std::string, double> values;
    int line = 0;
    double operator[](const char* name) const { return values.at(name); }
};

class Reader {
  public:
    explicit Reader(std::string fileName) : file_(std::move(fileName)) {}

    // Reads one line into items_; false with error_ set when it is refused.
    bool line(std::string_view text, int number);
    ScenarioParse finish();

  private:
    bool fail(int line, const std::string& why) {
        error_ = file_ + ":" + std::to_string(line) + ": " + why;
        return false;
    }
    bool build(Scenario& s);
    bool checkStretch(const ScenarioStretch& s, const char* what, double length);
    template <typename T>
    bool checkNoOverlap(const std::vector<T>& items, const char* what);
    bool checkHeadInside(const Scenario& s);

    std::string file_;
    std::vector<Item> items_;
    std::string error_;
    int lines_ = 0;
};

bool Reader::line(std::string_view text, int number) {
    lines_ = number;
    if (const auto hash = text.find('#'); hash != std::string_view::npos)
        text = text.substr(0, hash);
    std::vector<std::string> words;
    std::istringstream in{std::string(text)};
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty()) return true;

    const auto& table = keywords();
    const auto keyword = std::find_if(table.begin(), table.end(),
                                      [&](const Keyword& k) { return words[0] == k.word; });
    if (keyword == table.end()) return fail(number, "unknown keyword '" + words[0] + "'");
    const std::string word = keyword->word;
    if (keyword->once) {
        for (const Item& seen : items_) {
            if (seen.keyword == &*keyword)
                return fail(number, "'" + word + "' given twice (first on line " +
                                        std::to_string(seen.line) + ")");
        }
    }
    Item item;
    item.keyword = &*keyword;
    item.line = number;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& pair = words[i];
        const auto equals = pair.find('=');
        if (equals == std::string::npos || equals == 0)
            return fail(number, word + ": '" + pair + "' is not name=value");
        const std::string name = pair.substr(0, equals);
        const std::string value = pair.substr(equals + 1);
        const auto field = std::find_if(keyword->fields.begin(), keyword->fields.end(),
                                        [&](const Field& f) { return name == f.name; });
        if (field == keyword->fields.end())
            return fail(number, word + ": unknown name '" + name + "'");
        if (item.values.count(name)) return fail(number, word + ": '" + name + "' given twice");
        const std::optional<double> v = parseRealNumber(value, field->lo, field->hi);
        if (!v)
            return fail(number, word + ": " + name + " needs a number from " +
                                    numberText(field->lo) + " to " + numberText(field->hi) +
                                    ", not '" + value + "'");
        item.values[name] = *v;
    }
    for (const Field& f : keyword->fields) {
        if (item.values.count(f.name)) continue;
        if (!f.fallback) return fail(number, word + ": " + f.name + "= is missing");
        item.values[f.name] = *f.fallback;
    }
    items_.push_back(std::move(item));
    return true;
}

bool Reader::checkStretch(const ScenarioStretch& s, const char* what, double length) {
    if (!(s.from < s.to))
        return fail(s.line, std::string(what) + ": from=" + numberText(s.from) +
                                " is not before to=" + numberText(s.to));
    if (s.to > length)
        return fail(s.line, std::string(what) + ": to=" + numberText(s.to) +
                                " lies beyond the pipe's length of " + numberText(length) + " m");
    return true;
}

template <typename T>
bool Reader::checkNoOverlap(const std::vector<T>& items, const char* what) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (items[i].from < items[j].to && items[j].from < items[i].to)
                return fail(items[i].line,
                            std::string(what) + " from=" + numberText(items[i].from) +
                                " to=" + numberText(items[i].to) + " overlaps the one on line " +
                                std::to_string(items[j].line));
        }
    }
    return true;
}

bool Reader::checkHeadInside(const Scenario& s) {
    // The head rides on the line it follows; anything of the pipe that reaches
    // it would bury it, and a head that sees nothing is no survey.
    const auto culprit = [&](double c) {
        for (const auto& d : s.sediments)
            if (d.contains(c)) return std::make_pair(d.line, std::string("sediment"));
        for (const auto& o : s.obstacles)
            if (o.contains(c)) return std::make_pair(o.line, std::string("obstacle"));
        for (const auto& d : s.deformations)
            if (d.contains(c)) return std::make_pair(d.line, std::string("deformation"));
        for (const auto& j : s.joints)
            if (j.step > 0 && j.at <= c) return std::make_pair(j.line, std::string("joint"));
        for (const auto& z : s.sizeChanges)
            if (z.contains(c)) return std::make_pair(z.line, std::string("diameter"));
        return std::make_pair(1, std::string("offset"));
    };
    // Every figure of the pipe is linear between the places where a stretch
    // starts, ends or turns, so those places, either side of each and the
    // middles between them are where the head can first meet the wall.
    std::vector<double> turns = {0.0, s.length};
    const auto stretchTurns = [&](const ScenarioStretch& t) {
        const double fifth = 0.2 * (t.to - t.from);
        for (const double c : {t.from, t.to, t.from + fifth, t.to - fifth, 0.5 * (t.from + t.to)})
            turns.push_back(c);
    };
    for (const auto& d : s.deformations) stretchTurns(d);
    for (const auto& d : s.sediments) stretchTurns(d);
    for (const auto& d : s.obstacles) stretchTurns(d);
    for (const auto& d : s.sizeChanges) stretchTurns(d);
    for (const auto& j : s.joints) {
        turns.push_back(j.at);
        if (s.jointSpacing > 0.0)
            turns.push_back((std::floor(j.at / s.jointSpacing + 1e-9) + 1.0) * s.jointSpacing);
    }
    std::sort(turns.begin(), turns.end());
    std::vector<double> places;
    for (std::size_t i = 0; i < turns.size(); ++i) {
        for (const double c : {turns[i] - kValidationStep, turns[i], turns[i] + kValidationStep})
            if (c >= 0.0 && c <= s.length) places.push_back(c);
        if (i + 1 < turns.size()) places.push_back(0.5 * (turns[i] + turns[i + 1]));
    }
    for (const double c : places) {
        const CrossSection section = s.sectionAt(c);
        const SectionSnapshot snapshot(section, s.offsetX, s.offsetY);
        if (!snapshot.distanceAlong(0.0, 1.0)) {
            const auto [line, what] = culprit(c);
            char at[32];
            std::snprintf(at, sizeof at, "%.2f", c);
            return fail(line, what + " leaves the head outside the pipe's bore at " + at + " m");
        }
    }
    return true;
}

bool Reader::build(Scenario& s) {
    const Item* pipe = nullptr;
    for (const Item& item : items_)
        if (std::string_view(item.keyword->word) == "pipe") pipe = &item;
    if (!pipe) return fail(std::max(1, lines_), "no 'pipe diameter=... length=...' line");
    s.diameter = (*pipe)["diameter"];
    s.length = (*pipe)["length"];

    for (const Item& item : items_) {
        const std::string_view word = item.keyword->word;
        const auto stretch = [&](ScenarioStretch& t) {
            t.from = item["from"];
            t.to = item["to"];
            t.line = item.line;
        };
        if (word == "crawler") {
            s.speed = item["speed"];
            s.start = item["start"];
        } else if (word == "stop") {
            s.stops.push_back({item["at"], item["seconds"], item.line});
        } else if (word == "reverse") {
            s.reversals.push_back({item["at"], item["back"], item.line});
        } else if (word == "deformation") {
            ScenarioDeformation d;
            stretch(d);
            d.peak = item["peak"];
            d.angleDeg = item["angle"];
            s.deformations.push_back(d);
        } else if (word == "sediment") {
            ScenarioSediment d;
            stretch(d);
            d.depth = item["depth"];
            s.sediments.push_back(d);
        } else if (word == "diameter") {
            ScenarioSizeChange d;
            stretch(d);
            d.diameter = item["value"];
            s.sizeChanges.push_back(d);
        } else if (word == "obstacle") {
            ScenarioObstacle d;
            stretch(d);
            d.clock = item["clock"];
            d.height = item["height"];
            s.obstacles.push_back(d);
        } else if (word == "joints") {
            s.jointSpacing = item["every"];
        } else if (word == "joint") {
            s.joints.push_back({item["at"], item["step"], item["clock"], item.line});
        } else if (word == "connection") {
            s.connections.push_back({item["at"], item["clock"], item["width"], item.line});
        } else if (word == "noise") {
            s.noise = item["sigma"];
        } else if (word == "dropouts") {
            s.dropouts = item["fraction"];
        } else if (word == "offset") {
            s.offsetX = item["x"];
            s.offsetY = item["y"];
        } else if (word == "wander") {
            s.wander = item["amplitude"];
        }
    }

    const auto crawlerLine = [&] {
        for (const Item& item : items_)
            if (std::string_view(item.keyword->word) == "crawler") return item.line;
        return pipe->line;
    };
    if (s.start > s.length)
        return fail(crawlerLine(), "crawler: start=" + numberText(s.start) +
                                       " lies beyond the pipe's length of " + numberText(s.length) +
                                       " m");
    for (const auto& d : s.deformations)
        if (!checkStretch(d, "deformation", s.length)) return false;
    for (const auto& d : s.sediments)
        if (!checkStretch(d, "sediment", s.length)) return false;
    for (const auto& d : s.sizeChanges)
        if (!checkStretch(d, "diameter", s.length)) return false;
    for (const auto& d : s.obstacles)
        if (!checkStretch(d, "obstacle", s.length)) return false;
    if (!checkNoOverlap(s.deformations, "deformation") ||
        !checkNoOverlap(s.sediments, "sediment") || !checkNoOverlap(s.sizeChanges, "diameter") ||
        !checkNoOverlap(s.obstacles, "obstacle")) {
        return false;
    }

    // Points along the pipe: on it, and one thing at each place.
    std::map<double, int> events;  // stops and reversals by place
    const auto onPipe = [&](double at, int line, const char* what) {
        if (at > s.length)
            return fail(line, std::string(what) + ": at=" + numberText(at) +
                                  " lies beyond the pipe's length of " + numberText(s.length) +
                                  " m");
        return true;
    };
    for (const auto& e : s.stops) {
        if (!onPipe(e.at, e.line, "stop")) return false;
        if (!events.emplace(e.at, e.line).second)
            return fail(e.line, "stop: the crawler already stops or backs up at " +
                                    numberText(e.at) + " m (line " + std::to_string(events[e.at]) +
                                    ")");
    }
    for (const auto& e : s.reversals) {
        if (!onPipe(e.at, e.line, "reverse")) return false;
        if (!events.emplace(e.at, e.line).second)
            return fail(e.line, "reverse: the crawler already stops or backs up at " +
                                    numberText(e.at) + " m (line " + std::to_string(events[e.at]) +
                                    ")");
        // One behind the start is never reached; one ahead must not back up past it.
        if (e.at > s.start && e.back > e.at - s.start)
            return fail(e.line, "reverse: back=" + numberText(e.back) +
                                    " would take the crawler behind its start at " +
                                    numberText(s.start) + " m");
    }
    for (std::size_t i = 0; i < s.joints.size(); ++i) {
        if (!onPipe(s.joints[i].at, s.joints[i].line, "joint")) return false;
        for (std::size_t j = 0; j < i; ++j)
            if (s.joints[j].at == s.joints[i].at)
                return fail(s.joints[i].line, "joint: another joint lies at " +
                                                  numberText(s.joints[i].at) + " m (line " +
                                                  std::to_string(s.joints[j].line) + ")");
    }
    for (std::size_t i = 0; i < s.connections.size(); ++i) {
        const auto& a = s.connections[i];
        if (!onPipe(a.at, a.line, "connection")) return false;
        for (std::size_t j = 0; j < i; ++j) {
            const auto& b = s.connections[j];
            if (std::fabs(a.at - b.at) < 0.5 * (a.width + b.width))
                return fail(a.line,
                            "connection: it overlaps the one on line " + std::to_string(b.line));
        }
    }
    for (const auto& d : s.sediments) {
        for (const double c : {d.from, 0.5 * (d.from + d.to), d.to}) {
            if (d.depth >= s.nominalAt(c))
                return fail(d.line, "sediment: depth=" + numberText(d.depth) +
                                        " is deeper than the pipe (" + numberText(s.nominalAt(c)) +
                                        " m)");
        }
    }
    std::sort(s.joints.begin(), s.joints.end(),
              [](const auto& a, const auto& b) { return a.at < b.at; });
    return checkHeadInside(s);
}

ScenarioParse Reader::finish() {
    ScenarioParse result;
    if (!error_.empty()) {
        result.error = error_;
        return result;
    }
    Scenario s;
    if (!build(s)) {
        result.error = error_;
        return result;
    }
    result.scenario = std::move(s);
    return result;
}

}  // namespace

ScenarioParse parseScenario(std::string_view text, const std::string& fileName) {
    Reader reader(fileName);
    int number = 0;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        ++number;
        if (line.find('\0') != std::string_view::npos) {
            ScenarioParse refused;
            refused.error = fileName + ":" + std::to_string(number) + ": not a text line";
            return refused;
        }
        if (!reader.line(line, number)) break;
    }
    return reader.finish();
}

ScenarioParse loadScenario(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ScenarioParse refused;
        refused.error = path + ": cannot be read";
        return refused;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parseScenario(text.str(), path);
}

// ------------------------------------------------------------ the pipe itself

double Scenario::nominalAt(double c) const {
    // A stretch that runs to the pipe's end holds its end too.
    for (const auto& z : sizeChanges)
        if (c >= z.from && (c < z.to || (z.to >= length && c <= z.to))) return z.diameter;
    return diameter;
}

CrossSection Scenario::sectionAt(double c) const {
    CrossSection s;
    const double nominal = nominalAt(c);
    double ovality = 0.0;
    for (const auto& d : deformations) {
        if (!d.contains(c)) continue;
        ovality = d.peak * plateau(d, c);
        s.majorAngleDeg = d.angleDeg;
    }
    s.semiMajor = 0.5 * nominal * (1.0 + ovality / 2.0);
    s.semiMinor = 0.5 * nominal * (1.0 - ovality / 2.0);
    for (std::size_t i = 0; i < joints.size(); ++i) {
        const ScenarioJoint& j = joints[i];
        if (j.step <= 0.0 || c < j.at) continue;
        // Up to the next joint, the regular ones or those listed.
        double next = length;
        if (jointSpacing > 0.0)
            next = (std::floor(j.at / jointSpacing + 1e-9) + 1.0) * jointSpacing;
        if (i + 1 < joints.size()) next = std::min(next, joints[i + 1].at);
        if (c >= next) continue;
        double x = 0.0, y = 0.0;
        clockDirection(j.clock, x, y);
        s.axisX += j.step * x;
        s.axisY += j.step * y;
    }
    for (const auto& d : sediments)
        if (d.contains(c)) s.sedimentDepth = d.depth * wedge(d, c);
    for (const auto& o : obstacles) {
        if (!o.contains(c)) continue;
        CrossSection::Obstacle obstacle;
        clockDirection(o.clock, obstacle.normalX, obstacle.normalY);
        obstacle.height = o.height;
        s.obstacle = obstacle;
    }
    for (const auto& k : connections) {
        const double half = 0.5 * k.width, along = c - k.at;
        if (std::fabs(along) >= half) continue;
        // The round hole's chord across the wall at this chainage.
        const double chord = std::sqrt(half * half - along * along);
        s.opening = CrossSection::Opening{k.clock * 30.0, chord / (0.5 * nominal) * kDegrees,
                                          kFarEchoWidths * k.width};
    }
    return s;
}

SectionSnapshot::SectionSnapshot(const CrossSection& s, double headX, double headY) {
    const double a = s.semiMajor, b = s.semiMinor;
    if (!(a > 0.0) || !(b > 0.0)) return;
    inverseA2_ = 1.0 / (a * a);
    inverseB2_ = 1.0 / (b * b);
    cosAngle_ = std::cos(s.majorAngleDeg * std::numbers::pi / 180.0);
    sinAngle_ = std::sin(s.majorAngleDeg * std::numbers::pi / 180.0);
    headX_ = headX - s.axisX;
    headY_ = headY - s.axisY;
    headU_ = headX_ * cosAngle_ + headY_ * sinAngle_;
    headV_ = -headX_ * sinAngle_ + headY_ * cosAngle_;
    c_ = headU_ * headU_ * inverseA2_ + headV_ * headV_ * inverseB2_ - 1.0;
    if (c_ >= 0.0) return;  // the head is outside the pipe
    if (s.sedimentDepth > 0.0) {
        // The floor lies level above the lowest point of the (turned) wall.
        const double lowest = std::hypot(a * sinAngle_, b * cosAngle_);
        surface_ = -lowest + s.sedimentDepth;
        if (headY_ <= surface_) return;  // the head is buried
    }
    if (s.obstacle) {
        obstacle_ = s.obstacle;
        obstacleReach_ =
            wallReach(s, s.obstacle->normalX, s.obstacle->normalY) - s.obstacle->height;
        if (headX_ * obstacle_->normalX + headY_ * obstacle_->normalY >= obstacleReach_) return;
    }
    opening_ = s.opening;
    valid_ = true;
}

std::optional<double> SectionSnapshot::distanceAlong(double dx, double dy) const {
    if (!valid_) return std::nullopt;
    const double du = dx * cosAngle_ + dy * sinAngle_;
    const double dv = -dx * sinAngle_ + dy * cosAngle_;
    const double qa = du * du * inverseA2_ + dv * dv * inverseB2_;
    const double qb = 2.0 * (headU_ * du * inverseA2_ + headV_ * dv * inverseB2_);
    // Inside the ellipse c < 0, so the discriminant is positive and one root lies ahead.
    const double wall = (-qb + std::sqrt(qb * qb - 4.0 * qa * c_)) / (2.0 * qa);
    double distance = wall;
    if (dy < 0.0) distance = std::min(distance, (surface_ - headY_) / dy);
    if (obstacle_) {
        const double towards = dx * obstacle_->normalX + dy * obstacle_->normalY;
        if (towards > 0.0) {
            const double from = headX_ * obstacle_->normalX + headY_ * obstacle_->normalY;
            distance = std::min(distance, (obstacleReach_ - from) / towards);
        }
    }
    if (opening_ && distance == wall) {
        const double angle = std::atan2(headX_ + wall * dx, headY_ + wall * dy) * kDegrees;
        const double off = std::remainder(angle - opening_->centreDeg, 360.0);
        if (std::fabs(off) < opening_->halfWidthDeg) distance = wall + opening_->farEcho;
    }
    return distance;
}

// ------------------------------------------------------------------ the truth

namespace {

// Area of the ellipse below a level line `depth` above its lowest point: every
// ellipse's horizontal chords follow a circle's, so the circular segment's
// share of the disc carries over.
double areaBelow(const CrossSection& s, double depth) {
    if (depth <= 0.0) return 0.0;
    const double half = wallReach(s, 0.0, -1.0);  // half the vertical extent
    const double u = std::clamp(depth / half - 1.0, -1.0, 1.0);
    const double share =
        (std::asin(u) + u * std::sqrt(1.0 - u * u) + std::numbers::pi / 2.0) / std::numbers::pi;
    return std::numbers::pi * s.semiMajor * s.semiMinor * share;
}

void addFeature(std::string& list, const char* feature) {
    if (list.find(feature) != std::string::npos) {
        // A whole word already there is not repeated.
        std::stringstream words(list);
        for (std::string w; std::getline(words, w, ';');)
            if (w == feature) return;
    }
    if (!list.empty()) list += ';';
    list += feature;
}

}  // namespace

TruthRow truthAt(const Scenario& scenario, double c, double step) {
    TruthRow row;
    row.chainage = c;
    const CrossSection s = scenario.sectionAt(c);
    row.nominal = scenario.nominalAt(c);
    double total = 0.0;
    row.minDiameter = 1e300;
    row.maxDiameter = 0.0;
    const double major = s.majorAngleDeg / kDegrees;
    for (int k = 0; k < kCallipers; ++k) {
        const double t = (k + 0.5) / kDegrees - major;
        const double r = s.semiMajor * s.semiMinor /
                         std::hypot(s.semiMinor * std::cos(t), s.semiMajor * std::sin(t));
        total += 2.0 * r;
        row.minDiameter = std::min(row.minDiameter, 2.0 * r);
        row.maxDiameter = std::max(row.maxDiameter, 2.0 * r);
    }
    row.meanDiameter = total / kCallipers;
    row.ovalityPercent = (row.maxDiameter - row.minDiameter) / row.meanDiameter * 100.0;
    row.deformationPercent = (row.nominal - row.minDiameter) / row.nominal * 100.0;
    row.sedimentDepth = s.sedimentDepth;
    row.sedimentAreaPercent = areaBelow(s, s.sedimentDepth) /
                              (std::numbers::pi * row.nominal * row.nominal / 4.0) * 100.0;

    // Places along the pipe belong to the row whose cell holds them.
    const double lo = c - 0.5 * step, hi = c + 0.5 * step;
    const auto here = [&](double at) { return at >= lo && at < hi; };
    if (scenario.jointSpacing > 0.0) {
        const double k = std::ceil(lo / scenario.jointSpacing - 1e-9);
        const double at = k * scenario.jointSpacing;
        if (k > 0.0 && at < scenario.length && here(at)) addFeature(row.features, "joint");
    }
    for (const auto& j : scenario.joints) {
        if (!here(j.at)) continue;
        addFeature(row.features, "joint");
        if (j.step > 0.0) addFeature(row.features, "displaced-joint");
    }
    for (const auto& d : scenario.deformations)
        if (d.contains(c)) addFeature(row.features, "deformation");
    for (const auto& d : scenario.sediments)
        if (d.contains(c)) addFeature(row.features, "sediment");
    for (const auto& z : scenario.sizeChanges)
        if (here(z.from) || (z.to < scenario.length && here(z.to)))
            addFeature(row.features, "reducer");
    for (const auto& k : scenario.connections)
        if (std::fabs(c - k.at) < 0.5 * k.width || here(k.at))
            addFeature(row.features, "connection");
    for (const auto& o : scenario.obstacles)
        if (o.contains(c)) addFeature(row.features, "obstacle");
    return row;
}

std::string truthCsvHeader() {
    return "chainage_m,diameter_nominal_m,diameter_mean_m,diameter_min_m,diameter_max_m,"
           "ovality_pct,deformation_pct,sediment_depth_m,sediment_area_pct,features\n";
}

std::string truthCsvRow(const TruthRow& r) {
    // A figure that is zero but for rounding is written as 0, never -0.
    const auto tidy = [](double v) { return std::fabs(v) < 5e-9 ? 0.0 : v; };
    char text[256];
    std::snprintf(text, sizeof text, "%.3f,%.4f,%.5f,%.5f,%.5f,%.4f,%.4f,%.5f,%.4f,", r.chainage,
                  r.nominal, r.meanDiameter, r.minDiameter, r.maxDiameter, tidy(r.ovalityPercent),
                  tidy(r.deformationPercent), tidy(r.sedimentDepth), tidy(r.sedimentAreaPercent));
    return text + r.features + "\n";
}

std::string truthCsv(const Scenario& scenario, double step) {
    std::string out = truthCsvHeader();
    const long rows = std::lround(std::floor(scenario.length / step + 1e-9)) + 1;
    for (long i = 0; i < rows; ++i) out += truthCsvRow(truthAt(scenario, i * step, step));
    return out;
}

// ------------------------------------------------------------------ the crawler

CrawlerRun::CrawlerRun(const Scenario& s) : speed_(s.speed) {
    struct Event {
        double at;
        double seconds, back;
    };
    std::vector<Event> events;
    for (const auto& e : s.stops)
        if (e.at >= s.start) events.push_back({e.at, e.seconds, 0.0});
    for (const auto& e : s.reversals)
        if (e.at > s.start) events.push_back({e.at, 0.0, e.back});
    std::sort(events.begin(), events.end(),
              [](const Event& a, const Event& b) { return a.at < b.at; });
    double here = s.start;
    for (const Event& e : events) {
        if (e.at > here) legs_.push_back({here, e.at, 0.0});
        here = e.at;
        if (e.back > 0.0) {
            legs_.push_back({here, here - e.back, 0.0});
            legs_.push_back({here - e.back, here, 0.0});
        } else if (e.seconds > 0.0) {
            legs_.push_back({here, here, e.seconds});
        }
    }
    if (s.length > here) legs_.push_back({here, s.length, 0.0});
    if (legs_.empty()) legs_.push_back({s.start, s.start, 0.0});
}

double CrawlerRun::position() const {
    if (leg_ >= legs_.size()) return legs_.back().to;
    const Leg& l = legs_[leg_];
    if (l.seconds > 0.0) return l.from;  // done_ counts the seconds held
    return l.from + (l.to >= l.from ? done_ : -done_);
}

void CrawlerRun::advance(double seconds) {
    while (seconds > 0.0 && leg_ < legs_.size()) {
        const Leg& l = legs_[leg_];
        const bool stop = l.seconds > 0.0;
        const double left = stop ? l.seconds - done_ : std::fabs(l.to - l.from) - done_;
        const double rate = stop ? 1.0 : speed_;
        if (rate <= 0.0) return;
        if (seconds * rate < left) {
            done_ += seconds * rate;
            return;
        }
        seconds -= left / rate;
        ++leg_;
        done_ = 0.0;
    }
}

double CrawlerRun::chainageAt(double timeS) {
    if (timeS > time_) {
        if (!paused_) advance(timeS - time_);
        time_ = timeS;
    }
    return position();
}

void CrawlerRun::setSpeed(double metresPerSecond, double timeS) {
    chainageAt(timeS);
    speed_ = std::max(0.0, metresPerSecond);
}

void CrawlerRun::pause(double timeS) {
    chainageAt(timeS);
    paused_ = true;
}

void CrawlerRun::resume(double timeS) {
    chainageAt(timeS);
    paused_ = false;
}

}  // namespace sondrel
