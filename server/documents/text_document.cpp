#include "documents/text_document.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <cwctype>

#include "documents/document_kinds.h"
#include "handles.h"
#include "budgets.h"

namespace pimbax {

namespace {

constexpr int kPageWidth = 816;    // 8.5 inches
constexpr int kPageHeight = 1056;  // 11 inches
constexpr int kMargin = 96;
constexpr std::size_t kMaxFaceLength = LF_FACESIZE - 1;
constexpr std::size_t kMaxTextUnits = kMaxTextFileBytes;

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceExists(const wchar_t* face) {
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    EnumFontFamiliesExW(dc.Get(), &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// A serif face for pages: Windows' own where it is installed, else a common free one.
std::wstring DefaultFace() {
    for (const wchar_t* face : {L"Times New Roman", L"DejaVu Serif", L"Liberation Serif"}) {
        if (FaceExists(face)) return face;
    }
    return L"Times New Roman";
}

UniqueGdiObject MakeFont(const FontChoice& font) {
    LOGFONTW description = {};
    description.lfHeight = -static_cast<LONG>(std::lround(font.points * 96.0 / 72.0));
    description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    description.lfItalic = font.italic ? TRUE : FALSE;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = ANTIALIASED_QUALITY;
    wcsncpy(description.lfFaceName, font.face.c_str(), LF_FACESIZE - 1);
    return UniqueGdiObject(CreateFontIndirectW(&description));
}

// Line breaks become '\n', tabs four spaces, other control characters spaces.
std::wstring Normalise(const std::wstring& text) {
    std::wstring result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r') {
            result += L'\n';
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else if (c == L'\t') {
            result += L"    ";
        } else if (c < 0x20 && c != L'\n') {
            result += L' ';
        } else {
            result += c;
        }
    }
    return result;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring Number(double value) {
    wchar_t buffer[32];
    swprintf(buffer, 32, L"%g", value);
    return buffer;
}

}  // namespace

TextDocument::TextDocument(std::wstring text, FontChoice font)
    : text_(Normalise(text)), font_(std::move(font)) {
    if (font_.face.empty()) font_.face = DefaultFace();
    Layout();
}

void TextDocument::Layout() {
    lines_.clear();
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    UniqueGdiObject font = MakeFont(font_);
    const HGDIOBJ old = SelectObject(dc.Get(), font.Get());
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc.Get(), &metrics);
    const int lineHeight =
        std::max(1, static_cast<int>(std::lround((metrics.tmHeight + metrics.tmExternalLeading) *
                                                 font_.spacing)));
    const int available = kPageWidth - 2 * kMargin;
    int top = kMargin;
    std::size_t at = 0;
    auto addLine = [&](std::size_t start, std::size_t length) {
        if (top + lineHeight > kMaxImageEdge - kMargin) return false;
        lines_.push_back({start, length, top});
        top += lineHeight;
        return true;
    };
    advances_.assign(text_.size(), 0);
    std::vector<INT> positions;
    bool room = true;
    while (room && at <= text_.size()) {
        std::size_t end = text_.find(L'\n', at);
        if (end == std::wstring::npos) end = text_.size();
        if (end == at) room = addLine(at, 0);
        while (room && at < end) {
            const int count = static_cast<int>(std::min<std::size_t>(end - at, 4096));
            int fit = 0;
            SIZE size = {};
            GetTextExtentExPointW(dc.Get(), text_.c_str() + at, count, available, &fit, nullptr,
                                  &size);
            std::size_t length = static_cast<std::size_t>(std::max(fit, 0));
            std::size_t next;
            if (length >= end - at) {
                length = end - at;
                next = end;
            } else {
                const std::size_t space = text_.rfind(L' ', at + length);
                if (space != std::wstring::npos && space > at) {
                    length = space - at;
                    next = space;
                } else {
                    length = std::max<std::size_t>(length, 1);
                    next = at + length;
                }
                while (next < end && text_[next] == L' ') ++next;
            }
            room = addLine(at, length);
            // Each character's advance, so that the line keeps its width at every scale.
            if (room && length != 0) {
                positions.resize(length);
                GetTextExtentExPointW(dc.Get(), text_.c_str() + at, static_cast<int>(length), 0,
                                      nullptr, positions.data(), &size);
                for (std::size_t i = 0; i < length; ++i) {
                    advances_[at + i] = positions[i] - (i == 0 ? 0 : positions[i - 1]);
                }
            }
            at = next;
        }
        at = end + 1;
    }
    SelectObject(dc.Get(), old);
    pageHeight_ = std::max(kPageHeight, top + kMargin);
    width_ = kPageWidth;
    height_ = pageHeight_;
}

void TextDocument::Draw(HDC dc, const SourceRect& source, const RECT& target) const {
    DocumentMapping mapping(dc, source, target);
    const double sx = static_cast<double>(width_) / kPageWidth;
    const double sy = static_cast<double>(height_) / pageHeight_;
    const XFORM toNominal = {static_cast<FLOAT>(sx), 0, 0, static_cast<FLOAT>(sy), 0, 0};
    ModifyWorldTransform(dc, &toNominal, MWT_LEFTMULTIPLY);
    const RECT page = {0, 0, kPageWidth, pageHeight_};
    FillRect(dc, &page, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    UniqueGdiObject font = MakeFont(font_);
    const HGDIOBJ old = SelectObject(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    const double visibleTop = source.top / sy;
    const double visibleBottom = source.bottom / sy;
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    for (const Line& line : lines_) {
        if (line.top + metrics.tmHeight < visibleTop || line.top > visibleBottom) continue;
        if (line.length == 0) continue;
        ExtTextOutW(dc, kMargin, line.top, 0, nullptr, text_.c_str() + line.start,
                    static_cast<UINT>(line.length), advances_.data() + line.start);
    }
    SelectObject(dc, old);
}

Result TextDocument::Resize(int width, int height, int) {
    return SetNominalSize(width, height, width_, height_);
}

Result TextDocument::ChangeFont(const std::wstring& face, const std::wstring& style, double points,
                                double spacing) {
    FontChoice changed = font_;
    if (face.size() > kMaxFaceLength || face.find(L'\0') != std::wstring::npos) return kBadValue;
    if (!face.empty()) changed.face = face;
    const std::wstring wanted = Lower(style);
    if (wanted == L"regular" || wanted == L"normal") {
        changed.bold = changed.italic = false;
    } else if (wanted == L"bold") {
        changed.bold = true;
        changed.italic = false;
    } else if (wanted == L"italic") {
        changed.bold = false;
        changed.italic = true;
    } else if (wanted == L"bold italic") {
        changed.bold = changed.italic = true;
    } else if (!wanted.empty()) {
        return kBadValue;
    }
    if (!std::isfinite(points) || !std::isfinite(spacing)) return kBadValue;
    if (points != 0.0) {
        if (points < 1.0 || points > 500.0) return kBadValue;
        changed.points = points;
    }
    if (spacing != 0.0) {
        if (spacing < 0.5 || spacing > 5.0) return kBadValue;
        changed.spacing = spacing;
    }
    font_ = changed;
    Layout();
    return kOk;
}

std::wstring TextDocument::FontInfo() const {
    const wchar_t* style =
        font_.bold ? (font_.italic ? L"BI" : L"B") : (font_.italic ? L"I" : L"R");
    return font_.face + L"," + Number(font_.points) + L"," + style + L"," + Number(font_.spacing);
}

void TextDocument::Serialize(ByteWriter& writer) const {
    writer.Put(kTextTag);
    writer.Put<std::int32_t>(width_);
    writer.Put<std::int32_t>(height_);
    writer.PutText(font_.face);
    writer.Put<std::uint8_t>(font_.bold ? 1 : 0);
    writer.Put<std::uint8_t>(font_.italic ? 1 : 0);
    writer.Put(font_.points);
    writer.Put(font_.spacing);
    writer.PutText(text_);
}

std::unique_ptr<Document> RebuildText(ByteReader& reader) {
    std::int32_t width = 0;
    std::int32_t height = 0;
    FontChoice font;
    std::uint8_t bold = 0;
    std::uint8_t italic = 0;
    std::wstring text;
    if (!reader.Get(width) || !reader.Get(height) || !reader.GetText(font.face, kMaxFaceLength) ||
        !reader.Get(bold) || !reader.Get(italic) || !reader.Get(font.points) ||
        !reader.Get(font.spacing) || !reader.GetText(text, kMaxTextUnits) ||
        !(font.points >= 1.0 && font.points <= 500.0) ||
        !(font.spacing >= 0.5 && font.spacing <= 5.0)) {
        return nullptr;
    }
    font.bold = bold != 0;
    font.italic = italic != 0;
    auto document = std::make_unique<TextDocument>(std::move(text), std::move(font));
    if (document->Resize(width, height, 0) != kOk) return nullptr;
    return document;
}

std::unique_ptr<Document> MakeTextDocument(std::wstring text) {
    return std::make_unique<TextDocument>(std::move(text));
}

}  // namespace pimbax
