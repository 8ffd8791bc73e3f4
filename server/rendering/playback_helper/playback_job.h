// A playback job: what the server hands to its playback helper, pimbaxplay.exe.
//
// Metafiles are played in a process of their own, so that a record that makes GDI fault (or run
// without end) takes down only the helper, never the server: GDI takes process-wide locks, and a
// thread that faulted inside it cannot be resumed or abandoned without wedging every later GDI
// call of its process.
//
// The server starts the helper with four inherited handles on its command line, in this order:
// the control section (a PimbaxPlaybackControl), the job event, the done event and the server's
// own process. For each job the server duplicates the metafile's section and the canvas's section
// into the helper, fills in the job and sets the job event; the helper draws, closes both handles,
// writes the outcome and sets the done event. The helper ends when the server does.
#ifndef PIMBAX_PLAYBACK_JOB_H
#define PIMBAX_PLAYBACK_JOB_H

#include <windows.h>

#define PIMBAX_PLAYBACK_MAGIC 0x50786250u /* "PbxP" */
#define PIMBAX_PLAYBACK_VERSION 1u

/* Outcomes. */
#define PIMBAX_PLAYBACK_DONE 0u
#define PIMBAX_PLAYBACK_BAD_JOB 1u
#define PIMBAX_PLAYBACK_NO_MEMORY 2u
/* The helper's exit code when a fault ended it. */
#define PIMBAX_PLAYBACK_FAULTED 0xFA17u

typedef struct PimbaxPlaybackControl {
    DWORD magic;
    DWORD version;
    LONGLONG metafile;       /* the helper's handle on the checked metafile's section */
    ULONGLONG metafileBytes; /* its length */
    ULONGLONG metafileId;    /* the same id is the same metafile: the helper may keep it */
    LONG nominalWidth;       /* the metafile's frame is drawn into (0, 0, these) */
    LONG nominalHeight;
    LONGLONG canvas;    /* the helper's handle on the canvas's section */
    DWORD canvasOffset; /* where the pixels start in it */
    LONG canvasWidth;
    LONG canvasHeight;
    LONG canvasBitsPerPixel; /* 24 (bottom-up) or 32 (top-down) */
    double source[4];        /* the part of the document drawn: left, top, right, bottom */
    RECT target;             /* where on the canvas */
    DWORD outcome;           /* written by the helper */
} PimbaxPlaybackControl;

#endif
