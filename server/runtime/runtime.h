// The server process: its objects, the hosts they serve, and when to end.
//
// The process lives while it has objects or locks. Each object belongs to a host process: the
// one that created it, until "NotifyProcessID" names another. The main thread waits on the hosts'
// process handles; when a host ends, its objects are disconnected from their clients and
// dropped, so that a dead host leaves no server behind. When the last object and lock are gone
// (and none came within a short grace period), the class object is revoked and the process ends;
// a server that got no object at all within a minute of its start ends too.
#ifndef PIMBAX_SERVER_RUNTIME_H
#define PIMBAX_SERVER_RUNTIME_H

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "handles.h"

namespace pimbax {

class AutomationObject;

class Runtime {
  public:
    static Runtime& Get();

    // False when the process is ending: no new objects then.
    bool AddObject(AutomationObject* object, DWORD host);
    void RemoveObject(AutomationObject* object);
    void Lock(bool lock);
    // Moves an object to another host. False, changing nothing, when that process cannot be
    // watched (it does not exist or cannot be opened).
    bool SetHost(AutomationObject* object, DWORD host);

    // Every method call holds this lock: one call at a time in the whole server.
    std::mutex& CallLock() { return calls_; }
    // A window of the main thread that owns what the server puts on the clipboard.
    HWND ClipboardOwner() const { return owner_; }
    DWORD MainThread() const { return mainThread_; }

    // Runs the main thread's loop until the process should end. `register` registers the class
    // object and `revoke` revokes it.
    void Run(void (*registerClass)(), void (*revokeClass)());

  private:
    Runtime() = default;
    void Wake() { SetEvent(wake_.Get()); }
    void DropHost(DWORD host);
    bool ShouldEnd(DWORD now);

    std::mutex mutex_;
    std::mutex calls_;
    std::map<AutomationObject*, DWORD> objects_;
    // Watched host processes. Shared, so that the main thread's wait keeps its handles open.
    std::map<DWORD, std::shared_ptr<UniqueHandle>> hosts_;
    long locks_ = 0;
    bool everUsed_ = false;
    bool ending_ = false;
    DWORD emptySince_ = 0;
    DWORD startedAt_ = 0;
    UniqueHandle wake_;
    HWND owner_ = nullptr;
    DWORD mainThread_ = 0;
};

}  // namespace pimbax

#endif
