// Painting into another process's window or device context.
//
// Device contexts are private to the process that created them (measured under Wine: a memory DC
// handle of one process is invalid in another, and the same value may even name an unrelated DC
// there). So the server renders each paint into a section and runs the last step, the copy onto
// the target, inside the process that owns the target: its helper library pimbaxpaint.dll (next
// to the server's executable) is loaded into that process once, and each paint starts the
// helper's entry on a new thread there, handing it a duplicated handle on the section. Hosts are
// reached one at a time (a lock around the table of hosts); paints into different hosts, and
// into the same host, run side by side.
#ifndef PIMBAX_SERVER_RENDERING_HOST_PAINT_H
#define PIMBAX_SERVER_RENDERING_HOST_PAINT_H

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

#include "handles.h"
#include "results.h"

namespace pimbax {

class HostPainter {
  public:
    // Has process `processId` carry out the job in `section` (see paint_job.h). kOk when the
    // helper painted; kNoTarget when the process cannot be reached, the helper cannot be loaded,
    // the target is not drawable there, or the helper did not finish within kPaintTimeoutMs.
    Result Deliver(DWORD processId, HANDLE section);

  private:
    struct Host {
        UniqueHandle process;
        std::mutex loading;
        LPTHREAD_START_ROUTINE entry = nullptr;
    };
    std::shared_ptr<Host> Reach(DWORD processId);

    std::mutex mutex_;
    std::map<DWORD, std::shared_ptr<Host>> hosts_;
};

HostPainter& ThePainter();

}  // namespace pimbax

#endif
