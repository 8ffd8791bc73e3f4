#include "rendering/host_paint.h"

#include <psapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "budgets.h"
#include "module_path.h"
#include "rendering/paint_helper/paint_job.h"

namespace pimbax {

namespace {

constexpr DWORD kHostAccess = PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION |
                              PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ |
                              PROCESS_DUP_HANDLE | SYNCHRONIZE;

// The helper library beside the server's executable, loaded here too: its entry's offset in the
// image is the same in every process.
HMODULE LocalHelper() {
    static HMODULE helper = LoadLibraryW(BesideExecutable(L"pimbaxpaint.dll").c_str());
    return helper;
}

// Where `module` (loaded here) is loaded in `process`; null when it is not.
HMODULE FindRemoteModule(HANDLE process, HMODULE module) {
    const std::wstring wanted = ModulePath(module);
    std::vector<HMODULE> modules(256);
    DWORD needed = 0;
    for (;;) {
        if (!EnumProcessModulesEx(process, modules.data(),
                                  static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed,
                                  LIST_MODULES_ALL)) {
            return nullptr;
        }
        if (needed <= modules.size() * sizeof(HMODULE)) break;
        modules.resize(needed / sizeof(HMODULE) + 16);
    }
    wchar_t name[MAX_PATH];
    for (DWORD i = 0; i < needed / sizeof(HMODULE); ++i) {
        if (GetModuleFileNameExW(process, modules[i], name, MAX_PATH) != 0 &&
            _wcsicmp(name, wanted.c_str()) == 0) {
            return modules[i];
        }
    }
    return nullptr;
}

// The address in `process` of `local`, a function of `module` loaded here.
void* RemoteAddress(HANDLE process, HMODULE module, const void* local) {
    HMODULE remote = FindRemoteModule(process, module);
    if (remote == nullptr || local == nullptr) return nullptr;
    return reinterpret_cast<char*>(remote) +
           (static_cast<const char*>(local) - reinterpret_cast<const char*>(module));
}

// Runs `routine(argument)` on a new thread of `process`; true when it ended in time, with its
// exit code.
bool RunRemote(HANDLE process, LPTHREAD_START_ROUTINE routine, void* argument, DWORD* code) {
    UniqueHandle thread(CreateRemoteThread(process, nullptr, 0, routine, argument, 0, nullptr));
    if (!thread || WaitForSingleObject(thread.Get(), kPaintTimeoutMs) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeThread(thread.Get(), code) != FALSE;
}

// Loads the helper into `process` through LoadLibraryW on a thread of its own. (The thread's exit
// code holds only the low half of the module's address; the caller looks for the module instead.)
void LoadHelperInto(HANDLE process, HMODULE helper) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(RemoteAddress(
        process, kernel, reinterpret_cast<const void*>(GetProcAddress(kernel, "LoadLibraryW"))));
    const std::wstring path = ModulePath(helper);
    if (loadLibrary == nullptr || path.empty()) return;
    const std::size_t bytes = (path.size() + 1) * sizeof(wchar_t);
    void* remotePath =
        VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remotePath == nullptr) return;
    DWORD code = 0;
    const bool ran = WriteProcessMemory(process, remotePath, path.c_str(), bytes, nullptr) &&
                     RunRemote(process, loadLibrary, remotePath, &code);
    // A thread still running keeps the string; it is left to it rather than freed under it.
    if (ran) VirtualFreeEx(process, remotePath, 0, MEM_RELEASE);
}

}  // namespace

std::shared_ptr<HostPainter::Host> HostPainter::Reach(DWORD processId) {
    HMODULE helper = LocalHelper();
    if (helper == nullptr || processId == 0 || processId == GetCurrentProcessId()) return nullptr;
    std::shared_ptr<Host> host;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // Forget the processes that have ended: their identifiers may be others' now.
        for (auto known = hosts_.begin(); known != hosts_.end();) {
            if (WaitForSingleObject(known->second->process.Get(), 0) == WAIT_TIMEOUT) {
                ++known;
            } else {
                known = hosts_.erase(known);
            }
        }
        std::shared_ptr<Host>& entry = hosts_[processId];
        if (!entry) {
            entry = std::make_shared<Host>();
            entry->process.Reset(OpenProcess(kHostAccess, FALSE, processId));
        }
        host = entry;
        if (!host->process) hosts_.erase(processId);
    }
    if (!host->process) return nullptr;
    // The helper is loaded into each host once; only calls for that host wait for it.
    std::lock_guard<std::mutex> loading(host->loading);
    if (host->entry == nullptr) {
        const void* entry =
            reinterpret_cast<const void*>(GetProcAddress(helper, PIMBAX_PAINT_JOB_ENTRY));
        // Loaded or not, the module list tells where the helper is.
        if (FindRemoteModule(host->process.Get(), helper) == nullptr) {
            LoadHelperInto(host->process.Get(), helper);
        }
        host->entry = reinterpret_cast<LPTHREAD_START_ROUTINE>(
            RemoteAddress(host->process.Get(), helper, entry));
    }
    return host->entry != nullptr ? host : nullptr;
}

Result HostPainter::Deliver(DWORD processId, HANDLE section) {
    const std::shared_ptr<Host> host = Reach(processId);
    if (host == nullptr) return kNoTarget;
    HANDLE remote = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), section, host->process.Get(), &remote, FILE_MAP_READ,
                         FALSE, 0)) {
        return kNoTarget;
    }
    DWORD code = PIMBAX_PAINT_FAILED;
    UniqueHandle thread(
        CreateRemoteThread(host->process.Get(), nullptr, 0, host->entry, remote, 0, nullptr));
    if (!thread) {
        // Nobody will close the duplicate in the host: close it from here.
        DuplicateHandle(host->process.Get(), remote, nullptr, nullptr, 0, FALSE,
                        DUPLICATE_CLOSE_SOURCE);
        return kNoTarget;
    }
    if (WaitForSingleObject(thread.Get(), kPaintTimeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeThread(thread.Get(), &code)) {
        return kNoTarget;
    }
    return code == PIMBAX_PAINT_DONE ? kOk : kNoTarget;
}

HostPainter& ThePainter() {
    static HostPainter painter;
    return painter;
}

}  // namespace pimbax
