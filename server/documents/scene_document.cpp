// 3D drawings: an OBJ model drawn in perspective from the point of view, far faces first.
#include "documents/scene_document.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <utility>

#include "cancellation.h"
#include "documents/document_kinds.h"
#include "handles.h"
#include "budgets.h"

namespace pimbax {

namespace {

constexpr double kFieldOfView = 0.785398;  // 45 degrees across the smaller side of the view
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 600;
constexpr int kSubpixels = 16;  // points are drawn in 1/16 pixels for smooth zooming

// Group colours, in the order of the groups' first appearance: water, tiles, grass, sand, plaster,
// brick, light and slate; then again.
const COLORREF kGroupColours[] = {RGB(86, 140, 200),  RGB(206, 110, 70),  RGB(110, 176, 96),
                                  RGB(222, 200, 140), RGB(236, 236, 230), RGB(196, 60, 52),
                                  RGB(250, 214, 90),  RGB(90, 100, 118)};

struct ViewPoint {
    double x, y, depth;  // camera space: right, up, forward
};

}  // namespace

SceneDocument::SceneDocument(Model model)
    : model_(std::move(model)),
      view_(InitialPointOfView(model_, kFieldOfView)),
      width_(kDefaultWidth),
      height_(kDefaultHeight) {}

Result SceneDocument::Resize(int width, int height, int) {
    return SetNominalSize(width, height, width_, height_);
}

Result SceneDocument::SetPointOfView(const PointOfView& view) {
    const double values[] = {view.eyeX, view.eyeY, view.eyeZ, view.yaw, view.pitch, view.twist};
    for (double value : values) {
        if (!std::isfinite(value)) return kBadValue;
    }
    view_ = view;
    return kOk;
}

void SceneDocument::Extents(double values[6]) const {
    const Vec3 centre = 0.5 * (model_.low + model_.high);
    const Vec3 extent = model_.high - model_.low;
    values[0] = centre.x;
    values[1] = centre.y;
    values[2] = centre.z;
    values[3] = extent.x;
    values[4] = extent.y;
    values[5] = extent.z;
}

void SceneDocument::Draw(HDC dc, const SourceRect& source, const RECT& target) const {
    DocumentMapping mapping(dc, source, target);
    // Sky to floor, as a backdrop.
    const int bands = 32;
    for (int i = 0; i < bands; ++i) {
        const RECT band = {0, height_ * i / bands, width_, height_ * (i + 1) / bands};
        const int shade = 248 - i * 40 / bands;
        UniqueGdiObject brush(CreateSolidBrush(RGB(shade - 16, shade - 6, shade)));
        FillRect(dc, &band, static_cast<HBRUSH>(brush.Get()));
    }
    const XFORM fine = {1.0f / kSubpixels, 0, 0, 1.0f / kSubpixels, 0, 0};
    ModifyWorldTransform(dc, &fine, MWT_LEFTMULTIPLY);

    const CameraFrame frame = FrameFromAngles(view_.yaw, view_.pitch, view_.twist);
    const Vec3 eye = {view_.eyeX, view_.eyeY, view_.eyeZ};
    const Vec3 extent = model_.high - model_.low;
    const double nearest = std::max(1e-9, 1e-4 * std::sqrt(Dot(extent, extent)));
    const double focal = std::min(width_, height_) / 2.0 / std::tan(kFieldOfView / 2.0);
    auto toCamera = [&](std::uint32_t index) {
        const Vec3 v = model_.vertices[index] - eye;
        return ViewPoint{-Dot(v, frame.side), Dot(v, frame.up), Dot(v, frame.dir)};
    };
    auto toScreen = [&](const ViewPoint& p) {
        const double x = (width_ / 2.0 + focal * p.x / p.depth) * kSubpixels;
        const double y = (height_ / 2.0 - focal * p.y / p.depth) * kSubpixels;
        const double bound = 1e8;
        return POINT{static_cast<LONG>(std::clamp(x, -bound, bound)),
                     static_cast<LONG>(std::clamp(y, -bound, bound))};
    };
    // Keeps the part of a polygon (closed) or polyline in front of the eye.
    auto clip = [&](const std::vector<ViewPoint>& in, bool closed, std::vector<ViewPoint>& out) {
        out.clear();
        const std::size_t n = in.size();
        for (std::size_t i = 0; i < n; ++i) {
            const ViewPoint& a = in[i];
            if (a.depth >= nearest) out.push_back(a);
            if (!closed && i + 1 == n) break;
            const ViewPoint& b = in[(i + 1) % n];
            if ((a.depth >= nearest) != (b.depth >= nearest)) {
                const double t = (nearest - a.depth) / (b.depth - a.depth);
                out.push_back({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), nearest});
            }
        }
    };

    struct Face {
        double depth;
        std::uint32_t index;
    };
    std::vector<Face> order;
    order.reserve(model_.FaceCount());
    auto runOf = [](const std::vector<std::uint32_t>& starts,
                    const std::vector<std::uint32_t>& indices, std::size_t i) {
        const std::size_t to = i + 1 < starts.size() ? starts[i + 1] : indices.size();
        return std::make_pair(static_cast<std::size_t>(starts[i]), to);
    };
    for (std::size_t i = 0; i < model_.FaceCount(); ++i) {
        const auto run = runOf(model_.faceStarts, model_.faceIndices, i);
        double depth = 0;
        for (std::size_t k = run.first; k < run.second; ++k) {
            depth += toCamera(model_.faceIndices[k]).depth;
        }
        order.push_back(
            {depth / static_cast<double>(run.second - run.first), static_cast<std::uint32_t>(i)});
    }
    std::sort(order.begin(), order.end(),
              [](const Face& a, const Face& b) { return a.depth > b.depth; });

    const Vec3 light = {0.35, 0.45, 0.82};
    // Pens and brushes by colour: shades come in 64 steps, so that few are made.
    std::map<COLORREF, std::pair<UniqueGdiObject, UniqueGdiObject>> tools;
    std::vector<ViewPoint> polygon;
    std::vector<ViewPoint> clipped;
    std::vector<POINT> points;
    std::size_t drawn = 0;
    const DWORD start = GetTickCount();
    for (const Face& face : order) {
        if ((++drawn & 255) == 0) {
            ThrowIfCancelled();
            if (GetTickCount() - start > kMaxDrawingMs) throw DrawingTooLong();
        }
        const auto run = runOf(model_.faceStarts, model_.faceIndices, face.index);
        polygon.clear();
        Vec3 normal = {0, 0, 0};  // Newell's method, in scene space
        for (std::size_t k = run.first; k < run.second; ++k) {
            const Vec3& a = model_.vertices[model_.faceIndices[k]];
            const Vec3& b =
                model_.vertices[model_.faceIndices[k + 1 < run.second ? k + 1 : run.first]];
            normal = normal + Vec3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x),
                                   (a.x - b.x) * (a.y + b.y)};
            polygon.push_back(toCamera(model_.faceIndices[k]));
        }
        clip(polygon, true, clipped);
        if (clipped.size() < 3) continue;
        const double length = std::sqrt(Dot(normal, normal));
        const double lit = length > 0 ? std::fabs(Dot(normal, light)) / length : 0.5;
        const double shade = 0.35 + 0.65 * std::round(lit * 64.0) / 64.0;
        const COLORREF base = model_.faceColours.empty()
                                  ? kGroupColours[model_.faceGroups[face.index] %
                                                  (sizeof kGroupColours / sizeof kGroupColours[0])]
                                  : model_.faceColours[face.index];
        auto tone = [&](int channel, double k) {
            return static_cast<int>(std::min(255.0, channel * k));
        };
        const COLORREF fill = RGB(tone(GetRValue(base), shade), tone(GetGValue(base), shade),
                                  tone(GetBValue(base), shade));
        const COLORREF edge =
            RGB(tone(GetRValue(base), shade * 0.55), tone(GetGValue(base), shade * 0.55),
                tone(GetBValue(base), shade * 0.55));
        auto& tool = tools[fill];
        if (!tool.first) {
            tool.first.Reset(CreateSolidBrush(fill));
            tool.second.Reset(CreatePen(PS_SOLID, 0, edge));
        }
        const HGDIOBJ oldBrush = SelectObject(dc, tool.first.Get());
        const HGDIOBJ oldPen = SelectObject(dc, tool.second.Get());
        points.clear();
        for (const ViewPoint& p : clipped) points.push_back(toScreen(p));
        Polygon(dc, points.data(), static_cast<int>(points.size()));
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
    }

    UniqueGdiObject linePen(CreatePen(PS_SOLID, 0, RGB(30, 40, 60)));
    const HGDIOBJ oldPen = SelectObject(dc, linePen.Get());
    for (std::size_t i = 0; i < model_.LineCount(); ++i) {
        const auto run = runOf(model_.lineStarts, model_.lineIndices, i);
        // Each segment on its own, so that a segment behind the eye does not break the others.
        for (std::size_t k = run.first; k + 1 < run.second; ++k) {
            polygon = {toCamera(model_.lineIndices[k]), toCamera(model_.lineIndices[k + 1])};
            clip(polygon, false, clipped);
            if (clipped.size() < 2) continue;
            const POINT ends[2] = {toScreen(clipped[0]), toScreen(clipped[1])};
            Polyline(dc, ends, 2);
        }
    }
    SelectObject(dc, oldPen);
}

void SceneDocument::Serialize(ByteWriter& writer) const {
    writer.Put(kSceneTag);
    writer.Put<std::int32_t>(width_);
    writer.Put<std::int32_t>(height_);
    writer.Put(view_);
    writer.PutBytes(model_.vertices.data(), model_.vertices.size() * sizeof(Vec3));
    writer.PutBytes(model_.faceIndices.data(), model_.faceIndices.size() * 4);
    writer.PutBytes(model_.faceStarts.data(), model_.faceStarts.size() * 4);
    writer.PutBytes(model_.faceGroups.data(), model_.faceGroups.size() * 2);
    writer.PutBytes(model_.lineIndices.data(), model_.lineIndices.size() * 4);
    writer.PutBytes(model_.lineStarts.data(), model_.lineStarts.size() * 4);
    writer.PutBytes(model_.faceColours.data(), model_.faceColours.size() * 4);
}

namespace {

template <typename T>
bool ReadArray(ByteReader& reader, std::vector<T>& values, std::size_t limit) {
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    if (!reader.GetBytes(&bytes, &size, limit * sizeof(T)) || size % sizeof(T) != 0) return false;
    values.resize(size / sizeof(T));
    if (size != 0) std::memcpy(values.data(), bytes, size);
    return true;
}

}  // namespace

std::unique_ptr<Document> RebuildScene(ByteReader& reader) {
    std::int32_t width = 0;
    std::int32_t height = 0;
    PointOfView view = {};
    Model model;
    if (!reader.Get(width) || !reader.Get(height) || !reader.Get(view) ||
        !ReadArray(reader, model.vertices, kMaxModelVertices) ||
        !ReadArray(reader, model.faceIndices, kMaxModelIndices) ||
        !ReadArray(reader, model.faceStarts, kMaxModelIndices) ||
        !ReadArray(reader, model.faceGroups, kMaxModelIndices) ||
        !ReadArray(reader, model.lineIndices, kMaxModelIndices) ||
        !ReadArray(reader, model.lineStarts, kMaxModelIndices) ||
        !ReadArray(reader, model.faceColours, kMaxModelIndices) ||
        model.faceGroups.size() != model.faceStarts.size() || !CheckModel(model)) {
        return nullptr;
    }
    auto scene = std::make_unique<SceneDocument>(std::move(model));
    if (scene->Resize(width, height, 0) != kOk || scene->SetPointOfView(view) != kOk)
        return nullptr;
    return scene;
}

Result MakeSceneDocument(const char* text, std::size_t size, std::unique_ptr<Document>* out) {
    Model model;
    const Result result = ParseObj(text, size, model);
    if (result == kOk) *out = std::make_unique<SceneDocument>(std::move(model));
    return result;
}

}  // namespace pimbax
