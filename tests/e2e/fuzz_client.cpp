// A seeded fuzzer over the good test documents: each round mutates one of them (bits flipped,
// fields set to telling values, cut short, parts repeated) and opens, paints and publishes the
// result through the library. No call may take more than a few seconds, the server must be the
// same process at the end, and a good document must then open at once.
//
//   e2e_fuzz [ROUNDS [SEED]]   prints a summary; exits with the number of failures
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

constexpr DWORD kCallBoundMs = 3000;

const char* const kSamples[] = {"bmp1.bmp",  "bmp8.bmp",  "bmp24.bmp",   "bmp32.bmp", "png1.png",
                                "png4.png",  "png8.png",  "png32.png",   "gif8.gif",  "tif8.tif",
                                "tif24.tif", "jpg24.jpg", "drawing.emf", "box.obj",   "page.txt"};

std::string ReadAll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

void Mutate(std::string& bytes, std::mt19937& random) {
    static const std::uint32_t telling[] = {0,          1,          0x7F,       0x80,
                                            0xFF,       0x7FFF,     0xFFFF,     0x10000,
                                            0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x10000000};
    auto at = [&](std::size_t room) {
        return bytes.size() > room ? random() % (bytes.size() - room) : 0;
    };
    const int steps = 1 + static_cast<int>(random() % 4);
    for (int step = 0; step < steps && !bytes.empty(); ++step) {
        switch (random() % 5) {
            case 0:  // flip a few bits
                for (int i = 0; i < 1 + static_cast<int>(random() % 8); ++i) {
                    bytes[at(0)] ^= static_cast<char>(1u << (random() % 8));
                }
                break;
            case 1: {  // a telling 32-bit value over a field
                const std::uint32_t value = telling[random() % (sizeof telling / 4)];
                if (bytes.size() >= 4) std::memcpy(&bytes[at(4)], &value, 4);
                break;
            }
            case 2:  // a telling byte
                bytes[at(0)] = static_cast<char>(telling[random() % 5]);
                break;
            case 3:  // cut short
                bytes.resize(at(0));
                break;
            default: {  // a part repeated
                const std::size_t from = at(0);
                const std::size_t length =
                    std::min<std::size_t>(bytes.size() - from, random() % 256);
                bytes.insert(at(0), bytes.substr(from, length));
                break;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 500;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const e2e::TestFiles& files = e2e::Files();
    std::vector<std::string> originals;
    for (const char* name : kSamples) originals.push_back(ReadAll(files.Path(name)));

    int failures = 0;
    auto fail = [&](const std::string& what) {
        std::printf("FAILED: %s\n", what.c_str());
        ++failures;
    };
    Dewey* document = new Dewey;
    const DWORD server = e2e::ServerProcessOf(*document);
    if (server == 0) fail("no server");
    e2e::MemoryTarget target(48, 36);
    Huey view(document);
    int opened = 0;
    DWORD slowest = 0;
    for (int round = 0; round < rounds && failures < 10; ++round) {
        std::mt19937 random(seed * 1000003u + static_cast<unsigned>(round));
        const std::size_t sample = random() % originals.size();
        std::string bytes = originals[sample];
        Mutate(bytes, random);
        const char* extension = std::strrchr(kSamples[sample], '.');
        const std::string path = files.Path((std::string("fuzz") + extension).c_str());
        samples::WriteBytes(std::wstring(path.begin(), path.end()), bytes);

        short result = 0;
        char name[20] = {};
        RECT source = {0, 0, 200, 100};
        RECT area = {0, 0, 48, 36};
        const DWORD times[] = {
            e2e::Timed([&] { result = document->Open(const_cast<char*>(path.c_str())); }),
            e2e::Timed([&] {
                view.AttachWindow(nullptr, target.Dc());
                view.Paint(&source, &area);
            }),
            e2e::Timed([&] { document->GetSectionName(name); }),
        };
        opened += result == 0;
        for (DWORD time : times) {
            slowest = std::max(slowest, time);
            if (time > kCallBoundMs) {
                fail("round " + std::to_string(round) + " (" + kSamples[sample] + ") took " +
                     std::to_string(time) + " ms");
            }
        }
    }
    if (e2e::ServerProcessOf(*document) != server) fail("the server changed: it went down");
    short result = -100;
    const DWORD reopen = e2e::Timed(
        [&] { result = document->Open(const_cast<char*>(files.Path("png24.png").c_str())); });
    if (result != 0 || reopen > 1000)
        fail("a good image afterwards: " + std::to_string(reopen) + " ms");
    std::printf(
        "%d mutated documents (seed %u): %d opened, the others refused; slowest call %lu ms; "
        "server peak memory %.1f MB\n",
        rounds, seed, opened, slowest, e2e::PeakMemory(server) / 1048576.0);
    delete document;
    return failures;
}
