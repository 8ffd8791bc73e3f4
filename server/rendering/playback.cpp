#include "rendering/playback.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "cancellation.h"
#include "handles.h"
#include "module_path.h"
#include "budgets.h"
#include "rendering/playback_helper/playback_job.h"
#include "results.h"

namespace pimbax {

namespace {

constexpr std::size_t kMostIdleHelpers = 4;
constexpr DWORD kCancelPollMs = 100;

struct Helper {
    UniqueHandle process;
    UniqueHandle control;
    UniqueView view;
    UniqueHandle job;
    UniqueHandle done;

    PimbaxPlaybackControl* Shared() const {
        return static_cast<PimbaxPlaybackControl*>(const_cast<void*>(view.Get()));
    }
};

class Pool {
  public:
    std::unique_ptr<Helper> Take() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (ended_) return nullptr;
            while (!idle_.empty()) {
                std::unique_ptr<Helper> helper = std::move(idle_.back());
                idle_.pop_back();
                if (WaitForSingleObject(helper->process.Get(), 0) == WAIT_TIMEOUT) return helper;
            }
        }
        return Start();
    }

    void Give(std::unique_ptr<Helper> helper) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!ended_ && idle_.size() < kMostIdleHelpers) {
            idle_.push_back(std::move(helper));
        } else {
            TerminateProcess(helper->process.Get(), 0);
        }
    }

    void End() {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        for (auto& helper : idle_) TerminateProcess(helper->process.Get(), 0);
        idle_.clear();
    }

  private:
    std::unique_ptr<Helper> Start() {
        auto helper = std::make_unique<Helper>();
        helper->control.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                 sizeof(PimbaxPlaybackControl), nullptr));
        helper->job.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        helper->done.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!helper->control || !helper->job || !helper->done) return nullptr;
        helper->view.Reset(MapViewOfFile(helper->control.Get(), FILE_MAP_WRITE, 0, 0, 0));
        if (!helper->view) return nullptr;

        // The helper inherits exactly these four; one start at a time, so that no other start
        // inherits them.
        std::lock_guard<std::mutex> starting(starting_);
        if (!jobObject_) {
            jobObject_.Reset(CreateJobObjectW(nullptr, nullptr));
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            if (jobObject_) {
                SetInformationJobObject(jobObject_.Get(), JobObjectExtendedLimitInformation,
                                        &limits, sizeof limits);
            }
        }
        const HANDLE own[4] = {helper->control.Get(), helper->job.Get(), helper->done.Get(),
                               GetCurrentProcess()};
        UniqueHandle inherited[4];
        std::wstring command = L"\"" + BesideExecutable(L"pimbaxplay.exe") + L"\"";
        for (int i = 0; i < 4; ++i) {
            HANDLE copy = nullptr;
            if (!DuplicateHandle(GetCurrentProcess(), own[i], GetCurrentProcess(), &copy,
                                 i == 3 ? SYNCHRONIZE : 0, TRUE,
                                 i == 3 ? 0 : DUPLICATE_SAME_ACCESS)) {
                return nullptr;
            }
            inherited[i].Reset(copy);
            command += L" " + std::to_wstring(reinterpret_cast<INT_PTR>(copy));
        }
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE,
                            CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup,
                            &started)) {
            return nullptr;
        }
        helper->process.Reset(started.hProcess);
        UniqueHandle thread(started.hThread);
        if (jobObject_) AssignProcessToJobObject(jobObject_.Get(), started.hProcess);
        ResumeThread(thread.Get());
        return helper;
    }

    std::mutex mutex_;
    std::mutex starting_;
    std::vector<std::unique_ptr<Helper>> idle_;
    UniqueHandle jobObject_;
    bool ended_ = false;
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

// The helper's own handle on `handle`; null when it cannot be given.
LONGLONG GiveHandle(const Helper& helper, HANDLE handle, DWORD access) {
    HANDLE remote = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), handle, helper.process.Get(), &remote, access, FALSE,
                         0)) {
        return 0;
    }
    return static_cast<LONGLONG>(reinterpret_cast<INT_PTR>(remote));
}

}  // namespace

std::uint64_t NewMetafileId() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1);
}

void PlayMetafile(const PlayableMetafile& metafile, Canvas& canvas, const SourceRect& source,
                  const RECT& target) {
    std::unique_ptr<Helper> helper = ThePool().Take();
    if (!helper) throw std::bad_alloc();
    PimbaxPlaybackControl job = {};
    job.magic = PIMBAX_PLAYBACK_MAGIC;
    job.version = PIMBAX_PLAYBACK_VERSION;
    job.metafile = GiveHandle(*helper, metafile.section, FILE_MAP_READ);
    job.metafileBytes = metafile.bytes;
    job.metafileId = metafile.id;
    job.nominalWidth = metafile.nominalWidth;
    job.nominalHeight = metafile.nominalHeight;
    job.canvas = GiveHandle(*helper, canvas.Section(), FILE_MAP_READ | FILE_MAP_WRITE);
    job.canvasOffset = canvas.Offset();
    job.canvasWidth = canvas.Width();
    job.canvasHeight = canvas.Height();
    job.canvasBitsPerPixel = canvas.BitsPerPixel();
    job.source[0] = source.left;
    job.source[1] = source.top;
    job.source[2] = source.right;
    job.source[3] = source.bottom;
    job.target = target;
    job.outcome = PIMBAX_PLAYBACK_BAD_JOB;
    if (job.metafile == 0 || job.canvas == 0) {
        TerminateProcess(helper->process.Get(), 1);
        throw std::bad_alloc();
    }
    std::memcpy(helper->Shared(), &job, sizeof job);
    GdiFlush();  // what this process drew on the canvas lands before the helper draws on it
    SetEvent(helper->job.Get());

    const HANDLE waits[2] = {helper->done.Get(), helper->process.Get()};
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        const DWORD woken =
            waited >= kPlaybackTimeoutMs
                ? WAIT_TIMEOUT
                : WaitForMultipleObjects(
                      2, waits, FALSE, std::min<DWORD>(kCancelPollMs, kPlaybackTimeoutMs - waited));
        if (woken == WAIT_OBJECT_0) break;
        if (woken == WAIT_OBJECT_0 + 1) throw DocumentFault("the playback helper faulted");
        if (GetTickCount() - start >= kPlaybackTimeoutMs) {
            TerminateProcess(helper->process.Get(), 1);
            throw DocumentFault("the playback helper ran out of time");
        }
        try {
            ThrowIfCancelled();
        } catch (const CallCancelled&) {
            TerminateProcess(helper->process.Get(), 1);
            throw;
        }
    }
    const DWORD outcome = helper->Shared()->outcome;
    ThePool().Give(std::move(helper));
    if (outcome == PIMBAX_PLAYBACK_NO_MEMORY) throw std::bad_alloc();
    if (outcome != PIMBAX_PLAYBACK_DONE) throw DocumentFault("the playback helper refused the job");
}

void EndPlaybackHelpers() {
    ThePool().End();
}

}  // namespace pimbax
