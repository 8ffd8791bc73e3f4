#include "documents/model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>

#include "budgets.h"

namespace pimbax {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// One line's statement and its tokens, seen in place.
class Tokens {
  public:
    Tokens(const char* begin, const char* end) : at_(begin), end_(end) {}
    bool Next(std::string& token) {
        while (at_ < end_ && IsBlank(*at_)) ++at_;
        if (at_ >= end_ || *at_ == '#') return false;
        const char* start = at_;
        while (at_ < end_ && !IsBlank(*at_)) ++at_;
        token.assign(start, at_);
        return true;
    }

  private:
    const char* at_;
    const char* end_;
};

// Coordinates beyond this are not a model's: the camera's distances would overflow.
constexpr double kMaxCoordinate = 1e12;

bool ParseNumber(const std::string& token, double& value) {
    char* end = nullptr;
    value = std::strtod(token.c_str(), &end);
    return end != token.c_str() && *end == '\0' && std::isfinite(value) &&
           std::fabs(value) <= kMaxCoordinate;
}

// The vertex index of a face or line token ("7", "-1", "7/2", "7//3", "7/2/3"): 0-based, or -1
// when it names no vertex defined so far (positive indices may point ahead; CheckModel checks).
long long ParseIndex(const std::string& token, std::size_t vertexCount) {
    char* end = nullptr;
    const long long value = std::strtoll(token.c_str(), &end, 10);
    if (end == token.c_str() || (*end != '\0' && *end != '/')) return -1;
    if (value > 0) return value - 1;
    if (value < 0 && static_cast<unsigned long long>(-value) <= vertexCount) {
        return static_cast<long long>(vertexCount) + value;
    }
    return -1;
}

}  // namespace

Result ParseObj(const char* text, std::size_t size, Model& model) {
    Model parsed;
    // Groups are numbered by the first appearance of their name; faces before any group share
    // the first group's number.
    std::map<std::string, std::uint16_t> groups;
    std::uint16_t group = 0;
    std::string token;
    std::vector<std::uint32_t> run;
    try {
        const char* end = text + size;
        for (const char* line = text; line < end;) {
            const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', end - line));
            if (lineEnd == nullptr) lineEnd = end;
            Tokens tokens(line, lineEnd);
            line = lineEnd + 1;
            if (!tokens.Next(token)) continue;
            if (token == "v") {
                double c[3];
                for (double& value : c) {
                    if (!tokens.Next(token) || !ParseNumber(token, value)) return kBadFormat;
                }
                if (parsed.vertices.size() >= kMaxModelVertices) return kTooLarge;
                parsed.vertices.push_back({c[0], c[1], c[2]});
            } else if (token == "f" || token == "l") {
                const bool face = token == "f";
                run.clear();
                bool valid = true;
                while (tokens.Next(token)) {
                    const long long index = ParseIndex(token, parsed.vertices.size());
                    if (index < 0 || index >= static_cast<long long>(kMaxModelVertices)) {
                        valid = false;
                    } else {
                        run.push_back(static_cast<std::uint32_t>(index));
                    }
                }
                if (!valid || run.size() < (face ? 3u : 2u) ||
                    (face && run.size() > kMaxFaceVertices)) {
                    continue;
                }
                auto& indices = face ? parsed.faceIndices : parsed.lineIndices;
                auto& starts = face ? parsed.faceStarts : parsed.lineStarts;
                if (indices.size() + run.size() > kMaxModelIndices) return kTooLarge;
                starts.push_back(static_cast<std::uint32_t>(indices.size()));
                indices.insert(indices.end(), run.begin(), run.end());
                if (face) parsed.faceGroups.push_back(group);
            } else if (token == "g" || token == "o" || token == "usemtl") {
                std::string name;
                while (tokens.Next(token)) name += token + " ";
                const auto known = groups.find(name);
                if (known != groups.end()) {
                    group = known->second;
                } else if (groups.size() < 0xFFFF) {
                    group = static_cast<std::uint16_t>(groups.size());
                    groups.emplace(name, group);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return kTooLarge;
    }
    if (!CheckModel(parsed)) return kBadFormat;
    model = std::move(parsed);
    return kOk;
}

bool CheckModel(Model& model) {
    if (!model.faceColours.empty() && model.faceColours.size() != model.faceStarts.size()) {
        return false;
    }
    // Drops the runs that name missing vertices (or overlap the runs before them), keeping the
    // rest (and what goes with each face) in order; in place, so that a large model is not copied.
    auto keepValid = [&](std::vector<std::uint32_t>& indices, std::vector<std::uint32_t>& starts,
                         std::vector<std::uint16_t>* groups, std::vector<std::uint32_t>* colours,
                         std::size_t minimum) {
        if (groups != nullptr) groups->resize(starts.size(), 0);
        const bool coloured = colours != nullptr && !colours->empty();
        std::size_t keptIndices = 0;
        std::size_t keptRuns = 0;
        std::size_t lastEnd = 0;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const std::size_t from = starts[i];
            const std::size_t to = i + 1 < starts.size() ? starts[i + 1] : indices.size();
            if (from < lastEnd || from > to || to > indices.size() || to - from < minimum ||
                (groups != nullptr && to - from > kMaxFaceVertices)) {
                continue;
            }
            lastEnd = to;
            const bool valid =
                std::all_of(indices.begin() + static_cast<std::ptrdiff_t>(from),
                            indices.begin() + static_cast<std::ptrdiff_t>(to),
                            [&](std::uint32_t v) { return v < model.vertices.size(); });
            if (!valid) continue;
            std::copy(indices.begin() + static_cast<std::ptrdiff_t>(from),
                      indices.begin() + static_cast<std::ptrdiff_t>(to),
                      indices.begin() + static_cast<std::ptrdiff_t>(keptIndices));
            starts[keptRuns] = static_cast<std::uint32_t>(keptIndices);
            if (groups != nullptr) (*groups)[keptRuns] = (*groups)[i];
            if (coloured) (*colours)[keptRuns] = (*colours)[i];
            keptIndices += to - from;
            ++keptRuns;
        }
        indices.resize(keptIndices);
        starts.resize(keptRuns);
        if (groups != nullptr) groups->resize(keptRuns);
        if (coloured) colours->resize(keptRuns);
    };
    keepValid(model.faceIndices, model.faceStarts, &model.faceGroups, &model.faceColours, 3);
    keepValid(model.lineIndices, model.lineStarts, nullptr, nullptr, 2);
    if (model.faceStarts.empty() && model.lineStarts.empty()) return false;

    bool first = true;
    auto include = [&](const std::vector<std::uint32_t>& indices) {
        for (std::uint32_t index : indices) {
            const Vec3& v = model.vertices[index];
            auto fits = [](double c) { return std::isfinite(c) && std::fabs(c) <= kMaxCoordinate; };
            if (!fits(v.x) || !fits(v.y) || !fits(v.z)) return false;
            if (first) {
                model.low = model.high = v;
                first = false;
            }
            model.low = {std::min(model.low.x, v.x), std::min(model.low.y, v.y),
                         std::min(model.low.z, v.z)};
            model.high = {std::max(model.high.x, v.x), std::max(model.high.y, v.y),
                          std::max(model.high.z, v.z)};
        }
        return true;
    };
    return include(model.faceIndices) && include(model.lineIndices);
}

CameraFrame FrameFromAngles(double yaw, double pitch, double twist) {
    CameraFrame frame;
    frame.dir = {std::cos(yaw) * std::cos(pitch), std::sin(yaw) * std::cos(pitch), std::sin(pitch)};
    double n = std::sqrt(frame.dir.x * frame.dir.x + frame.dir.y * frame.dir.y);
    // Straight up or down: the horizontal side of a direction leaning infinitesimally to +x.
    const Vec3 horizontal = n > 0.0 ? Vec3{-frame.dir.y / n, frame.dir.x / n, 0.0} : Vec3{0, 1, 0};
    const Vec3 across = Cross(frame.dir, horizontal);
    frame.side = std::cos(-twist) * horizontal + std::sin(-twist) * across;
    frame.up = Cross(frame.dir, frame.side);
    return frame;
}

PointOfView InitialPointOfView(const Model& model, double fieldOfView) {
    const Vec3 centre = 0.5 * (model.low + model.high);
    // Looking down by 25 degrees from the front right (the -y, +x side).
    const double yaw = 2.35619449;   // 135 degrees: towards -x, +y
    const double pitch = -0.436332;  // -25 degrees
    const CameraFrame frame = FrameFromAngles(yaw, pitch, 0.0);
    // Near enough for the bounding box to fill the view: every corner inside the field of view.
    const double slope = std::tan(fieldOfView / 2.0);
    double distance = 0.0;
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3 point = {(corner & 1) ? model.high.x : model.low.x,
                            (corner & 2) ? model.high.y : model.low.y,
                            (corner & 4) ? model.high.z : model.low.z};
        const Vec3 offset = point - centre;
        const double across =
            std::max(std::fabs(Dot(offset, frame.side)), std::fabs(Dot(offset, frame.up)));
        distance = std::max(distance, across / slope - Dot(offset, frame.dir));
    }
    distance *= 1.08;
    if (!(distance > 0.0)) distance = 1.0;
    const Vec3 eye = centre - distance * frame.dir;
    return {eye.x, eye.y, eye.z, yaw, pitch, 0.0};
}

}  // namespace pimbax
