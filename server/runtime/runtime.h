// The server process: its objects, the hosts they serve, and when to end.
//
// One process serves every object. A second process that COM starts while one is serving (Wine
// starts one per creation that finds no class registered) waits up to kLingerMs for its turn
// and ends without serving when it gets none; the serving process holds the turn until it ends.
// The serving process has a message-only window of class "PimbaxServerOwner" captioned
// "serving" once its class object is registered.
//
// Each object belongs to a host process: the one that created it, until "NotifyProcessID" names
// another. The main thread waits on the hosts' process handles; when a host ends, its objects
// are dropped (a call under way on them stops at its next check) and disconnected from their
// clients, away from the main thread.
//
// The process lingers kLingerMs after its last object and lock are gone (counted from the class's
// registration when no object ever came), so that a client that closes one object and creates
// the next keeps its server; when the last object went because its host ended, it ends at once.
// Once it decides to end it refuses further creations (CO_E_SERVER_STOPPING), revokes its class
// object first, ends its playback helpers and ends the process outright: waiting in COM's
// teardown was measured to hang, and a quick end keeps two processes from meeting.
#ifndef PIMBAX_SERVER_RUNTIME_RUNTIME_H
#define PIMBAX_SERVER_RUNTIME_RUNTIME_H

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

#include "handles.h"

namespace pimbax {

class AutomationObject;

constexpr DWORD kLingerMs = 2000;

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

    // A window of the main thread that owns what the server puts on the clipboard.
    HWND ClipboardOwner() const { return owner_; }
    DWORD MainThread() const { return mainThread_; }

    // Serves until the process should end, then ends it. `registerClass` registers the class
    // object and `revokeClass` revokes it. Returns only when another process serves already.
    void Run(void (*registerClass)(), void (*revokeClass)());

  private:
    Runtime() = default;
    void Wake() { SetEvent(wake_.Get()); }
    // Becomes empty now: the linger starts.
    void Emptied(bool hostEnded);
    void DropHost(DWORD host);
    bool ShouldEnd(DWORD now) const;

    std::mutex mutex_;
    std::map<AutomationObject*, DWORD> objects_;
    // Watched host processes. Shared, so that the main thread's wait keeps its handles open.
    std::map<DWORD, std::shared_ptr<UniqueHandle>> hosts_;
    long locks_ = 0;
    bool ending_ = false;
    bool empty_ = false;  // no objects and no locks, since emptySince_
    DWORD emptySince_ = 0;
    bool endAtOnce_ = false;
    UniqueHandle wake_;
    HWND owner_ = nullptr;
    DWORD mainThread_ = 0;
};

}  // namespace pimbax

#endif
