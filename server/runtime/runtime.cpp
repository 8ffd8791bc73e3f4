#include "runtime/runtime.h"

#include <objbase.h>

#include <vector>

#include "dispatch/automation_object.h"
#include "rendering/playback.h"
#include "rendering/sections.h"

namespace pimbax {

namespace {

constexpr DWORD kPollMs = 100;
// Held by the serving process for its whole life.
constexpr const wchar_t* kServingTurn =
    L"Local\\PimbaxServer{CF495723-8632-11CE-BCAF-000000001B1B}";

// Drops one object of an ended host, on a thread of the pool.
DWORD WINAPI DropObject(void* parameter) {
    auto* object = static_cast<AutomationObject*>(parameter);
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    object->Drop();
    // The dead host's proxies keep references that nobody will release: let COM drop them.
    CoDisconnectObject(object, 0);
    object->Release();
    if (SUCCEEDED(apartment)) CoUninitialize();
    return 0;
}

}  // namespace

Runtime& Runtime::Get() {
    static Runtime runtime;
    return runtime;
}

bool Runtime::AddObject(AutomationObject* object, DWORD host) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ending_) return false;
    objects_[object] = 0;
    empty_ = false;
    if (host != 0) {
        auto watched = hosts_.find(host);
        if (watched == hosts_.end()) {
            auto process = std::make_shared<UniqueHandle>(OpenProcess(SYNCHRONIZE, FALSE, host));
            if (*process) hosts_.emplace(host, std::move(process));
        }
        if (hosts_.count(host) != 0) objects_[object] = host;
    }
    Wake();
    return true;
}

void Runtime::Emptied(bool hostEnded) {
    if (!objects_.empty() || locks_ != 0) return;
    empty_ = true;
    emptySince_ = GetTickCount();
    endAtOnce_ = hostEnded;
}

void Runtime::RemoveObject(AutomationObject* object) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = objects_.find(object);
    if (found == objects_.end()) return;
    const DWORD host = found->second;
    objects_.erase(found);
    bool hostInUse = false;
    for (const auto& entry : objects_) hostInUse = hostInUse || entry.second == host;
    if (!hostInUse) hosts_.erase(host);
    Emptied(object->Dropped());
    Wake();
}

void Runtime::Lock(bool lock) {
    std::lock_guard<std::mutex> guard(mutex_);
    locks_ += lock ? 1 : -1;
    if (locks_ < 0) locks_ = 0;
    if (lock) {
        empty_ = false;
    } else {
        Emptied(false);
    }
    Wake();
}

bool Runtime::SetHost(AutomationObject* object, DWORD host) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = objects_.find(object);
    if (found == objects_.end() || host == 0) return false;
    if (found->second == host) return true;
    if (hosts_.count(host) == 0) {
        auto process = std::make_shared<UniqueHandle>(OpenProcess(SYNCHRONIZE, FALSE, host));
        if (!*process) return false;
        hosts_.emplace(host, std::move(process));
    }
    const DWORD previous = found->second;
    found->second = host;
    bool previousInUse = false;
    for (const auto& entry : objects_) previousInUse = previousInUse || entry.second == previous;
    if (!previousInUse) hosts_.erase(previous);
    Wake();
    return true;
}

void Runtime::DropHost(DWORD host) {
    std::vector<AutomationObject*> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : objects_) {
            if (entry.second == host && entry.first->TryAddRef()) dropped.push_back(entry.first);
        }
        hosts_.erase(host);
        for (auto& entry : objects_) {
            if (entry.second == host) entry.second = 0;
        }
    }
    // Dropping waits for a call under way: never on the main thread, which watches the others.
    for (AutomationObject* object : dropped) {
        if (!QueueUserWorkItem(DropObject, object, WT_EXECUTEDEFAULT)) DropObject(object);
    }
}

bool Runtime::ShouldEnd(DWORD now) const {
    if (!empty_) return false;
    return endAtOnce_ || now - emptySince_ >= kLingerMs;
}

void Runtime::Run(void (*registerClass)(), void (*revokeClass)()) {
    // One serving process at a time: a process started while another serves gives way.
    UniqueHandle turn(CreateMutexW(nullptr, FALSE, kServingTurn));
    const DWORD waited = turn ? WaitForSingleObject(turn.Get(), kLingerMs) : WAIT_FAILED;
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return;

    mainThread_ = GetCurrentThreadId();
    wake_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"PimbaxServerOwner";
    RegisterClassW(&windowClass);
    owner_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                             nullptr, windowClass.hInstance, nullptr);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Emptied(false);
    }
    registerClass();
    // The main thread's window tells whoever looks (tests, administrators) that this process
    // serves.
    SetWindowTextW(owner_, L"serving");
    for (;;) {
        std::vector<HANDLE> handles = {wake_.Get()};
        std::vector<DWORD> hosts = {0};
        std::vector<std::shared_ptr<UniqueHandle>> held;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (ShouldEnd(GetTickCount())) {
                ending_ = true;
                break;
            }
            for (const auto& entry : hosts_) {
                if (handles.size() + 1 >= MAXIMUM_WAIT_OBJECTS) break;
                handles.push_back(entry.second->Get());
                hosts.push_back(entry.first);
                held.push_back(entry.second);
            }
        }
        CloseRetiredSections();
        const DWORD count = static_cast<DWORD>(handles.size());
        const DWORD woken =
            MsgWaitForMultipleObjects(count, handles.data(), FALSE, kPollMs, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 + count) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        } else if (woken > WAIT_OBJECT_0 && woken < WAIT_OBJECT_0 + count) {
            DropHost(hosts[woken - WAIT_OBJECT_0]);
        }
    }
    revokeClass();
    EndPlaybackHelpers();
    TerminateProcess(GetCurrentProcess(), 0);
}

}  // namespace pimbax
