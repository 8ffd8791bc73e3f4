// File type names, conversion options, and files replaced whole.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cwctype>

#include "handles.h"
#include "imaging/image_files.h"
#include "budgets.h"
#include "imaging/working_pixels.h"

namespace pimbax::imaging {

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring Trimmed(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return L"";
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// A decimal value of at most nine digits in [low, high].
bool ParseValue(const std::wstring& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 9) return false;
    int parsed = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        parsed = parsed * 10 + (c - L'0');
    }
    if (parsed < low || parsed > high) return false;
    *value = parsed;
    return true;
}

// The type named by `length` characters at `text`, compared without regard to case.
FileType TypeNamed(const wchar_t* text, std::size_t length) {
    static const struct {
        const wchar_t* name;
        FileType type;
    } kNames[] = {{L"bmp", FileType::kBmp},   {L"png", FileType::kPng}, {L"jpg", FileType::kJpeg},
                  {L"jpeg", FileType::kJpeg}, {L"gif", FileType::kGif}, {L"tif", FileType::kTiff},
                  {L"tiff", FileType::kTiff}, {L"emf", FileType::kEmf}, {L"obj", FileType::kObj},
                  {L"txt", FileType::kTxt}};
    for (const auto& entry : kNames) {
        std::size_t i = 0;
        while (i < length && entry.name[i] != L'\0' &&
               static_cast<wchar_t>(std::towlower(text[i])) == entry.name[i]) {
            ++i;
        }
        if (i == length && entry.name[i] == L'\0') return entry.type;
    }
    return FileType::kUnknown;
}

Result ParseOptions(const std::wstring& text, ConversionOptions& options) {
    ConversionOptions parsed;
    bool seen[3] = {false, false, false};
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L',', start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring item = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (item.empty()) continue;
        const std::size_t equals = item.find(L'=');
        if (equals == std::wstring::npos) return kBadValue;
        const std::wstring name = Lower(Trimmed(item.substr(0, equals)));
        const std::wstring value = Trimmed(item.substr(equals + 1));
        const struct {
            const wchar_t* name;
            int* target;
            int high;
        } kKnown[] = {{L"quality", &parsed.quality, 100},
                      {L"width", &parsed.width, kMaxImageEdge},
                      {L"height", &parsed.height, kMaxImageEdge}};
        bool known = false;
        for (int i = 0; i < 3; ++i) {
            if (name != kKnown[i].name) continue;
            if (seen[i] || !ParseValue(value, 1, kKnown[i].high, kKnown[i].target)) {
                return kBadValue;
            }
            seen[i] = known = true;
        }
        if (!known) return kBadValue;
    }
    options = parsed;
    return kOk;
}

Result WriteReplacing(const std::wstring& path, const std::uint8_t* data, std::size_t size) {
    // A name of its own beside the target, so that the final step is a rename in one folder.
    static std::atomic<unsigned> counter{0};
    std::wstring temporary;
    UniqueHandle file;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(counter++) + L".tmp";
        const HANDLE created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            file.Reset(created);
        } else if (GetLastError() != ERROR_FILE_EXISTS) {
            return kUnreadable;
        }
    }
    if (!file) return kUnreadable;
    bool written = true;
    for (std::size_t done = 0; written && done < size;) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 24));
        DWORD wrote = 0;
        written = WriteFile(file.Get(), data + done, chunk, &wrote, nullptr) && wrote == chunk;
        done += wrote;
    }
    written = written && FlushFileBuffers(file.Get());
    file.Reset();
    if (!written || !MoveFileExW(temporary.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return kUnreadable;
    }
    return kOk;
}

}  // namespace

FileType FileTypeFromName(const std::wstring& name) {
    return TypeNamed(name.data(), name.size());
}

FileType FileTypeFromPath(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
        return FileType::kUnknown;
    }
    return TypeNamed(path.data() + dot + 1, path.size() - dot - 1);
}

bool IsRasterType(FileType type) {
    return type == FileType::kBmp || type == FileType::kPng || type == FileType::kJpeg ||
           type == FileType::kGif || type == FileType::kTiff;
}

Result ParseConversionOptions(const std::wstring& text, ConversionOptions& options) {
    return Guarded([&] { return ParseOptions(text, options); });
}

Result ConvertedSize(const ConversionOptions& options, int width, int height, int* outWidth,
                     int* outHeight) {
    if (width < 1 || height < 1) return kBadValue;
    double w = options.width != 0 ? options.width : width;
    double h = options.height != 0 ? options.height : height;
    if (options.width != 0 && options.height == 0) {
        h = std::max(1.0, std::floor(static_cast<double>(height) * options.width / width + 0.5));
    } else if (options.height != 0 && options.width == 0) {
        w = std::max(1.0, std::floor(static_cast<double>(width) * options.height / height + 0.5));
    }
    if (w > kMaxImageEdge || h > kMaxImageEdge) return kTooLarge;
    *outWidth = static_cast<int>(w);
    *outHeight = static_cast<int>(h);
    return kOk;
}

Result WriteFileReplacing(const std::wstring& path, const std::uint8_t* data, std::size_t size) {
    if (path.empty() || path.size() > kMaxPathLength || path.find(L'\0') != std::wstring::npos) {
        return kBadValue;
    }
    return Guarded([&] { return WriteReplacing(path, data, size); });
}

}  // namespace pimbax::imaging
