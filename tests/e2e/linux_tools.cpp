#include "linux_tools.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace e2e {

namespace {

using SpawnFunction = LONG(WINAPI*)(char* const* arguments, int wait);
using UnixNameFunction = char*(CDECL*)(const wchar_t* path);

template <typename Function>
Function WineExport(const wchar_t* module, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(module), name)));
}

}  // namespace

long RunLinuxProgram(const std::vector<std::string>& arguments) {
    static const auto spawn = WineExport<SpawnFunction>(L"ntdll.dll", "__wine_unix_spawnvp");
    if (spawn == nullptr || arguments.empty()) return -1;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return spawn(argv.data(), 1);
}

std::string UnixPath(const std::string& windowsPath) {
    static const auto unixName =
        WineExport<UnixNameFunction>(L"kernel32.dll", "wine_get_unix_file_name");
    if (unixName == nullptr) return "";
    const std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* name = unixName(wide.c_str());
    if (name == nullptr) return "";
    std::string path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

COLORREF Page::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const std::uint8_t* pixel = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return RGB(pixel[0], pixel[1], pixel[2]);
}

bool RenderPostScript(const std::string& windowsPath, int dpi, Page* page) {
    const std::string picture = windowsPath + ".ppm";
    DeleteFileA(picture.c_str());
    const long status =
        RunLinuxProgram({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dFirstPage=1",
                         "-dLastPage=1", "-sDEVICE=ppmraw", "-r" + std::to_string(dpi),
                         "-sOutputFile=" + UnixPath(picture), UnixPath(windowsPath)});
    std::ifstream file(picture, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    file.close();
    DeleteFileA(picture.c_str());
    // A binary PPM: "P6", width, height and 255 (with comment lines between), one whitespace,
    // then the pixels.
    std::size_t at = 2;
    auto number = [&] {
        for (;;) {
            while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
            if (at >= bytes.size() || bytes[at] != '#') break;
            at = bytes.find('\n', at);
        }
        int value = 0;
        while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at])))
            value = value * 10 + (bytes[at++] - '0');
        return value;
    };
    if (status != 0 || bytes.compare(0, 2, "P6") != 0) return false;
    const int width = number();
    const int height = number();
    const int maximum = number();
    ++at;
    const std::size_t size = static_cast<std::size_t>(width) * height * 3;
    if (maximum != 255 || width < 1 || height < 1 || bytes.size() < at + size) return false;
    page->width = width;
    page->height = height;
    page->rgb.assign(bytes.begin() + at, bytes.begin() + at + size);
    return true;
}

}  // namespace e2e
