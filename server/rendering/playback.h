// Metafile playback in the helper process (playback_helper/), so that no record can make the
// server itself fault or hang: a helper that faults or runs past kPlaybackTimeoutMs is ended, the
// call is told so (DocumentFault) and the next job gets a fresh helper. Idle helpers are kept
// for later jobs; each concurrent job has a helper of its own. Helpers end with the server (they
// run in a job object that ends them when the server goes, and they watch the server).
#ifndef PIMBAX_SERVER_RENDERING_PLAYBACK_H
#define PIMBAX_SERVER_RENDERING_PLAYBACK_H

#include <windows.h>

#include <cstdint>

#include "documents/raster_image.h"
#include "rendering/canvas.h"

namespace pimbax {

// A checked metafile in a section of its own.
struct PlayableMetafile {
    HANDLE section;
    std::uint64_t bytes;
    std::uint64_t id;  // unique to this metafile for the life of the server
    int nominalWidth;  // its frame is drawn into (0, 0, nominalWidth, nominalHeight)
    int nominalHeight;
};

// Draws the part `source` of the metafile onto `target` of the canvas. Throws DocumentFault
// when the helper faulted or ran out of time, std::bad_alloc when no helper could be had or it
// lacked memory, CallCancelled when the call's object was dropped meanwhile.
void PlayMetafile(const PlayableMetafile& metafile, Canvas& canvas, const SourceRect& source,
                  const RECT& target);

// A new id for PlayableMetafile.
std::uint64_t NewMetafileId();

// Ends every helper (the server is ending).
void EndPlaybackHelpers();

}  // namespace pimbax

#endif
