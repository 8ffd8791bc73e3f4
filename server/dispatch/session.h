// One server object's document and everything the methods do to it.
//
// Every operation leaves the document as it was when it fails. Commands answer a Result; queries
// answer an HRESULT and their value through a pointer. Not thread-safe: the automation object
// holds its lock around every call. Sizes are weighed against their budgets (budgets.h) before
// anything is allocated for them.
#ifndef PIMBAX_SERVER_DISPATCH_SESSION_H
#define PIMBAX_SERVER_DISPATCH_SESSION_H

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "documents/document.h"
#include "documents/model.h"
#include "handles.h"
#include "rendering/sections.h"
#include "results.h"

namespace pimbax {

// An opening that "ThreadOpen" runs on a thread of its own. The thread fills it in and then sets
// `finished`; whoever holds it afterwards takes the document.
struct PendingOpen {
    UniqueHandle finished;   // manual-reset
    UniqueHandle announced;  // the client's named event, when it gave one
    std::wstring path;
    std::wstring fullPath;
    Result result = kOk;
    std::unique_ptr<Document> document;
};

class Session {
  public:
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // --- Opening -------------------------------------------------------------------------------
    Result Open(const std::wstring& path);
    // Opens on a thread of its own and answers at once (kUnreadable at once when the file cannot
    // be opened). A non-empty `eventName` names a manual-reset event that is set when the opening
    // has ended, whatever the outcome.
    Result ThreadOpen(const std::wstring& path, const std::wstring& eventName);
    // The opening under way, if any: the automation object waits for it, without its lock,
    // before any call.
    std::shared_ptr<PendingOpen> Opening() const { return pending_; }
    // Takes the outcome of an opening that has ended.
    void Settle();
    // The result of the last opening: kOk, or why it failed; kNoDocument before any.
    Result OpenStatus() const { return lastOpen_; }
    // Ends the document: it, its sections and the attachment are dropped; an opening under way
    // is forgotten.
    void Close();
    // Rebuilds the document from an image section; `fileName` becomes its file name.
    Result Resurrect(const std::wstring& section, const std::wstring& fileName);

    // --- Display -------------------------------------------------------------------------------
    // Later paints go to the device context (when not 0) of process `owner`, the process that
    // attaches, else to the window, which must be one of that process's own.
    Result Attach(LONG window, LONG dc, DWORD owner);
    Result RealizePalette(LONG window, short flag);
    // source left, top, right, bottom, then target left, top, right, bottom.
    Result Paint(const std::array<short, 8>& rectangles);

    // --- Queries -------------------------------------------------------------------------------
    short Kind() const;
    HRESULT Size(long* width, long* height) const;
    HRESULT Resolution(short* horizontal, short* vertical) const;
    HRESULT Depth(short* depth) const;
    HRESULT FileName(std::wstring* name) const;
    // A refused or failed publication is remembered until the document changes.
    HRESULT SectionName(std::wstring* name);
    HRESULT PaletteName(std::wstring* name);
    HRESULT FontInfo(std::wstring* text) const;
    // The colour at an image point as a COLORREF.
    HRESULT PickColor(long x, long y, long* colour);

    // --- 3D ------------------------------------------------------------------------------------
    // Bit 0 of `flag` repaints the last painted rectangles into the attached target.
    Result SetPointOfView(const PointOfView& view, short flag);
    Result GetPointOfView(PointOfView* view) const;
    // Centre and extents; a flat document answers its page as a box of depth 0 and kWrongKind.
    Result Get3DInfo(double values[6]) const;

    // --- Commands ------------------------------------------------------------------------------
    Result Resize(short width, short height, short flag);
    Result Rasterize(short right, short bottom, short bitsPerPixel);
    Result ChangeFont(const std::wstring& face, const std::wstring& style, double points,
                      double spacing);
    Result CopyAs(short format, HWND owner);
    Result PasteFrom(short format, HWND owner);

  private:
    void Install(std::unique_ptr<Document> document, std::wstring fileName);
    void Changed() { ++version_; }
    Result PaintWith(const std::array<short, 8>& rectangles);

    struct Attachment {
        LONG window = 0;
        LONG dc = 0;
        DWORD owner = 0;  // the process the device context belongs to
    };
    // A publication that failed for a version of the document.
    struct Refusal {
        std::uint64_t version = 0;
        HRESULT code = S_OK;
    };

    std::unique_ptr<Document> document_;
    std::wstring fileName_;
    std::uint64_t version_ = 1;
    Result lastOpen_ = kNoDocument;
    Attachment attachment_;
    bool painted_ = false;
    std::array<short, 8> lastPaint_ = {};

    PublishedSection imageSection_;
    std::uint64_t imageVersion_ = 0;
    Refusal imageRefusal_;
    PublishedSection paletteSection_;
    std::uint64_t paletteVersion_ = 0;

    std::shared_ptr<PendingOpen> pending_;
};

// The full path of `path` as the document's file name.
std::wstring FullPath(const std::wstring& path);

}  // namespace pimbax

#endif
