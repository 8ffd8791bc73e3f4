// Which kind of document a file is, by its content first and its name second; and the checks
// every file passes before its reader sees it.
#include <algorithm>
#include <cstring>
#include <cwctype>
#include <new>
#include <vector>

#include "documents/document_kinds.h"
#include "documents/raster_check.h"
#include "handles.h"
#include "budgets.h"

namespace pimbax {

namespace {

enum class Content { Raster, Metafile, Other };

Content Recognise(const std::uint8_t* head, std::size_t size) {
    auto starts = [&](const char* magic, std::size_t length) {
        return size >= length && std::memcmp(head, magic, length) == 0;
    };
    if (starts("BM", 2) || starts("\x89PNG\r\n\x1a\n", 8) || starts("\xFF\xD8\xFF", 3) ||
        starts("GIF87a", 6) || starts("GIF89a", 6) || starts("II*\0", 4) || starts("MM\0*", 4)) {
        return Content::Raster;
    }
    DWORD type = 0;
    DWORD signature = 0;
    if (size >= 44) {
        std::memcpy(&type, head, 4);
        std::memcpy(&signature, head + 40, 4);
        if (type == EMR_HEADER && signature == ENHMETA_SIGNATURE) return Content::Metafile;
    }
    return Content::Other;
}

std::wstring Extension(const std::wstring& path) {
    const std::size_t dot = path.find_last_of(L'.');
    const std::size_t slash = path.find_last_of(L"\\/");
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return L"";
    std::wstring extension = path.substr(dot + 1);
    for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
    return extension;
}

bool IsOneOf(const std::wstring& extension, std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names) {
        if (extension == name) return true;
    }
    return false;
}

// Reads the first `size` bytes of the file.
Result ReadFileBytes(HANDLE file, std::uint64_t size, std::vector<std::uint8_t>& bytes) {
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return kTooLarge;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + done, chunk, &read, nullptr)) return kUnreadable;
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return kOk;
}

// Plain text: UTF-16 with its byte-order mark, UTF-8, or else the ANSI code page. A NUL byte in
// text without a UTF-16 mark means it is not text.
Result DecodeText(const std::vector<std::uint8_t>& bytes, std::wstring& text) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        text.assign((bytes.size() - 2) / 2, L'\0');
        if (!text.empty()) std::memcpy(&text[0], bytes.data() + 2, text.size() * 2);
        return kOk;
    }
    std::size_t start = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) start = 3;
    if (std::find(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end(), 0) !=
        bytes.end()) {
        return kBadFormat;
    }
    const char* data = reinterpret_cast<const char*>(bytes.data() + start);
    const int length = static_cast<int>(bytes.size() - start);
    if (length == 0) {
        text.clear();
        return kOk;
    }
    UINT codePage = CP_UTF8;
    int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, length, nullptr, 0);
    if (units == 0) {
        codePage = CP_ACP;
        units = MultiByteToWideChar(codePage, 0, data, length, nullptr, 0);
    }
    if (units == 0) return kBadFormat;
    text.assign(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, data, length, &text[0], units);
    return kOk;
}

}  // namespace

Result LoadDocument(const std::wstring& path, std::unique_ptr<Document>* out) {
    if (path.empty() || path.size() > kMaxPathLength || path.find(L'\0') != std::wstring::npos) {
        return kUnreadable;
    }
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return kUnreadable;
    }
    const std::uint64_t size =
        (static_cast<std::uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return kUnreadable;
    UniqueHandle file(opened);
    // Only files on disk: a pipe or a device could keep a read waiting for ever.
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) return kUnreadable;

    std::vector<std::uint8_t> head;
    Result result = ReadFileBytes(file.Get(), std::min<std::uint64_t>(size, 64), head);
    if (result != kOk) return result;
    const Content content = Recognise(head.data(), head.size());
    const std::wstring extension = Extension(path);

    if (content == Content::Raster) {
        if (size > kMaxRasterFileBytes) return kTooLarge;
        RasterClaim claim;
        result = CheckRasterFile(file.Get(), size, &claim);
        if (result != kOk) return result;
        file.Reset();
        RasterImage image;
        result = DecodeRasterFile(path, image);
        if (result == kOk) *out = MakeRasterDocument(std::move(image));
        return result;
    }
    // A name that promises a raster image or a metafile must keep the promise.
    if (content == Content::Other &&
        IsOneOf(extension, {L"bmp", L"dib", L"png", L"jpg", L"jpeg", L"jpe", L"gif", L"tif",
                            L"tiff", L"emf"})) {
        return kBadFormat;
    }
    const bool model = content == Content::Other && extension == L"obj";
    const std::uint64_t limit = content == Content::Metafile ? kMaxMetafileBytes
                                : model                      ? kMaxModelFileBytes
                                                             : kMaxTextFileBytes;
    if (size > limit) return kTooLarge;
    SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN);
    std::vector<std::uint8_t> bytes;
    result = ReadFileBytes(file.Get(), size, bytes);
    if (result != kOk) return result;

    if (content == Content::Metafile) return MakeMetafileDocument(bytes.data(), bytes.size(), out);
    if (model) {
        return MakeSceneDocument(reinterpret_cast<const char*>(bytes.data()), bytes.size(), out);
    }
    std::wstring text;
    result = DecodeText(bytes, text);
    if (result == kOk) *out = MakeTextDocument(std::move(text));
    return result;
}

std::unique_ptr<Document> RebuildDocument(const std::uint8_t* data, std::size_t size) {
    ByteReader reader(data, size);
    std::uint8_t tag = 0;
    if (!reader.Get(tag)) return nullptr;
    switch (tag) {
        case kMetafileTag:
            return RebuildMetafile(reader);
        case kSceneTag:
            return RebuildScene(reader);
        case kTextTag:
            return RebuildText(reader);
        default:
            return nullptr;
    }
}

}  // namespace pimbax
