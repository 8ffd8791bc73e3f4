// A paint job: what the server hands to the process that owns the paint target.
//
// Window and device-context handles belong to the process that made them, so the server cannot
// draw into a host's device context itself. It renders the picture into a section and has its
// helper library, loaded into the host, copy the picture onto the host's target.
//
// The section starts with this header; the picture follows at `bitsOffset` as top-down 32-bit
// rows of `width` pixels.
#ifndef PIMBAX_PAINT_JOB_H
#define PIMBAX_PAINT_JOB_H

#include <windows.h>

#define PIMBAX_PAINT_JOB_MAGIC 0x4A786250u /* "PbxJ" */
#define PIMBAX_PAINT_JOB_VERSION 1u
#define PIMBAX_PAINT_JOB_HEADER_BYTES 256u
#define PIMBAX_PAINT_JOB_ENTRY "PimbaxPaintJob"

/* Exit codes of the helper's thread. */
#define PIMBAX_PAINT_DONE 0u
#define PIMBAX_PAINT_BAD_JOB 1u
#define PIMBAX_PAINT_NO_TARGET 2u
#define PIMBAX_PAINT_FAILED 3u

typedef struct PimbaxJobHeader {
    DWORD magic;
    DWORD version;
    LONGLONG dc;     /* the host's device context, or 0 to paint into `window` */
    LONGLONG window; /* the host's window, used when `dc` is 0 */
    RECT target;     /* where the picture goes, in the target's coordinates */
    LONG width;      /* the picture, which may be smaller than the target */
    LONG height;
    DWORD bitsOffset;
    DWORD reserved;
} PimbaxJobHeader;

#endif
