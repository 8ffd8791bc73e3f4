// pimbaxplay.exe: the server's playback helper. Plays checked metafiles onto canvases that live
// in sections of the server, one job at a time, until the server ends (see playback_job.h).
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <list>
#include <utility>

#include "handles.h"
#include "playback_job.h"
#include "rendering/canvas.h"

namespace {

using pimbax::Canvas;
using pimbax::DocumentMapping;
using pimbax::SourceRect;
using pimbax::UniqueEnhMetaFile;
using pimbax::UniqueHandle;
using pimbax::UniqueView;

// The metafiles of the last jobs, by id: a document painted again is not copied again.
class Metafiles {
  public:
    HENHMETAFILE Find(std::uint64_t id) {
        for (auto& entry : kept_) {
            if (entry.first == id) return entry.second.Get();
        }
        return nullptr;
    }
    HENHMETAFILE Keep(std::uint64_t id, UniqueEnhMetaFile metafile) {
        kept_.emplace_front(id, std::move(metafile));
        if (kept_.size() > 4) kept_.pop_back();
        return kept_.front().second.Get();
    }

  private:
    std::list<std::pair<std::uint64_t, UniqueEnhMetaFile>> kept_;
};

DWORD Play(const PimbaxPlaybackControl& job, Metafiles& metafiles) {
    UniqueHandle metafileSection(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(job.metafile)));
    UniqueHandle canvasSection(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(job.canvas)));
    if (job.magic != PIMBAX_PLAYBACK_MAGIC || job.version != PIMBAX_PLAYBACK_VERSION ||
        job.nominalWidth < 1 || job.nominalHeight < 1 || !(job.source[2] > job.source[0]) ||
        !(job.source[3] > job.source[1]) || job.metafileBytes == 0 ||
        job.metafileBytes > 0xFFFFFFFFull) {
        return PIMBAX_PLAYBACK_BAD_JOB;
    }
    HENHMETAFILE metafile = metafiles.Find(job.metafileId);
    if (metafile == nullptr) {
        UniqueView view(MapViewOfFile(metafileSection.Get(), FILE_MAP_READ, 0, 0,
                                      static_cast<SIZE_T>(job.metafileBytes)));
        if (!view) return PIMBAX_PLAYBACK_NO_MEMORY;
        UniqueEnhMetaFile made(SetEnhMetaFileBits(static_cast<UINT>(job.metafileBytes),
                                                  static_cast<const BYTE*>(view.Get())));
        if (!made) return PIMBAX_PLAYBACK_NO_MEMORY;
        metafile = metafiles.Keep(job.metafileId, std::move(made));
    }
    Canvas canvas;
    if (!canvas.Create(job.canvasWidth, job.canvasHeight, job.canvasBitsPerPixel,
                       canvasSection.Get(), job.canvasOffset, true)) {
        return PIMBAX_PLAYBACK_NO_MEMORY;
    }
    {
        const SourceRect source = {job.source[0], job.source[1], job.source[2], job.source[3]};
        DocumentMapping mapping(canvas.Dc(), source, job.target);
        const RECT frame = {0, 0, job.nominalWidth, job.nominalHeight};
        PlayEnhMetaFile(canvas.Dc(), metafile, &frame);
    }
    GdiFlush();
    return PIMBAX_PLAYBACK_DONE;
}

// A fault ends the helper at once, without a debugger: the server sees it end and tells its
// caller.
LONG WINAPI EndOnFault(EXCEPTION_POINTERS*) {
    TerminateProcess(GetCurrentProcess(), PIMBAX_PLAYBACK_FAULTED);
    return EXCEPTION_EXECUTE_HANDLER;
}

HANDLE HandleArgument(const wchar_t* text) {
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(std::wcstoll(text, nullptr, 10)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndOnFault);
    if (argc != 5) return 2;
    const UniqueHandle control(HandleArgument(argv[1]));
    const UniqueHandle job(HandleArgument(argv[2]));
    const UniqueHandle done(HandleArgument(argv[3]));
    const UniqueHandle server(HandleArgument(argv[4]));
    UniqueView view(
        MapViewOfFile(control.Get(), FILE_MAP_WRITE, 0, 0, sizeof(PimbaxPlaybackControl)));
    if (!view) return 1;
    auto* shared = static_cast<PimbaxPlaybackControl*>(const_cast<void*>(view.Get()));
    Metafiles metafiles;
    const HANDLE waits[2] = {job.Get(), server.Get()};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        const PimbaxPlaybackControl copy = *shared;
        shared->outcome = Play(copy, metafiles);
        SetEvent(done.Get());
    }
    return 0;
}
