#include "runtime/runtime.h"

#include <objbase.h>

#include <vector>

#include "dispatch/automation_object.h"

namespace pimbax {

namespace {

constexpr DWORD kGraceMs = 500;
constexpr DWORD kFirstObjectMs = 60000;
constexpr DWORD kPollMs = 100;

}  // namespace

Runtime& Runtime::Get() {
    static Runtime runtime;
    return runtime;
}

bool Runtime::AddObject(AutomationObject* object, DWORD host) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ending_) return false;
    objects_[object] = 0;
    everUsed_ = true;
    emptySince_ = 0;
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

void Runtime::RemoveObject(AutomationObject* object) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = objects_.find(object);
    if (found == objects_.end()) return;
    const DWORD host = found->second;
    objects_.erase(found);
    bool hostInUse = false;
    for (const auto& entry : objects_) hostInUse = hostInUse || entry.second == host;
    if (!hostInUse) hosts_.erase(host);
    if (objects_.empty() && locks_ == 0) emptySince_ = GetTickCount() | 1;
    Wake();
}

void Runtime::Lock(bool lock) {
    std::lock_guard<std::mutex> guard(mutex_);
    locks_ += lock ? 1 : -1;
    if (locks_ < 0) locks_ = 0;
    if (lock) {
        everUsed_ = true;
        emptySince_ = 0;
    } else if (objects_.empty() && locks_ == 0) {
        emptySince_ = GetTickCount() | 1;
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
    for (AutomationObject* object : dropped) {
        {
            std::lock_guard<std::mutex> calls(calls_);
            object->Drop();
        }
        // The dead host's proxies keep references that nobody will release: let COM drop them.
        CoDisconnectObject(object, 0);
        object->Release();
    }
}

bool Runtime::ShouldEnd(DWORD now) {
    if (!objects_.empty() || locks_ != 0) return false;
    if (!everUsed_) return now - startedAt_ >= kFirstObjectMs;
    return emptySince_ != 0 && now - emptySince_ >= kGraceMs;
}

void Runtime::Run(void (*registerClass)(), void (*revokeClass)()) {
    mainThread_ = GetCurrentThreadId();
    startedAt_ = GetTickCount();
    wake_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"PimbaxServerOwner";
    RegisterClassW(&windowClass);
    owner_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                             nullptr, windowClass.hInstance, nullptr);
    registerClass();
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
    if (owner_ != nullptr) DestroyWindow(owner_);
    owner_ = nullptr;
}

}  // namespace pimbax
