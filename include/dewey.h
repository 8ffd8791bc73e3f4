// Dewey: the host's handle on one open document.
//
// A Dewey owns exactly one Louie (the automation client), created in its constructor and deleted
// in its destructor. Almost every member hands its arguments to the Louie member of the same name
// and returns that member's result unchanged (see louie.h for results and string capacities).
//
// When the Louie could not be allocated, every member answers the result a Louie without server
// would give: 0 from the commands, -1 from Paste, empty strings and 1 from the string queries,
// and IsEntity true.
//
// A Huey built on a Dewey uses its Louie without owning it: the Dewey must outlive every Huey
// built on it.
#ifndef KELOCLI_DEWEY_H
#define KELOCLI_DEWEY_H

#include <windows.h>

#include "kelocli_export.h"
#include "kelocli_records.h"
#include "zevobject.h"

class Louie;

class KELOCLI_API Dewey : public ZevObject {
  public:
    Dewey();
    ~Dewey();

    // Each Dewey owns its Louie; a copy would delete it twice. Copying is not offered.
    Dewey(const Dewey&) = delete;
    Dewey& operator=(const Dewey&) = delete;

    short Open(char* fileName);
    short FastOpen(char* fileName, char* secondName);
    short ThreadOpen(char* fileName, char* secondName, char* thirdName);
    short GetProcessID(long* processId, long* threadId);
    long GetInfo(long* width, long* height, short* horizontalRes, short* verticalRes, short* depth);
    short GetPointOfView(double* eyeX, double* eyeY, double* eyeZ, double* yaw, double* pitch,
                         double* twist);
    long Get3DInfo(double* centerX, double* centerY, double* centerZ, double* extentX,
                   double* extentY, double* extentZ);

    // String queries into the caller's 8-bit buffer, which must hold at least 20 bytes
    // (GetSectionName, GetPaletteInfo, GetFontInfo) or 516 bytes (GetFileName). Each code unit
    // gives its low byte; the copy stops right after a zero byte, and a string as long as the
    // limit or longer leaves exactly limit bytes without terminator. 0 when the server gave a
    // string; 1 and an empty buffer when it gave none.
    short GetSectionName(char* buffer);
    short GetFileName(char* buffer);
    short GetPaletteInfo(char* buffer);
    short GetFontInfo(char* buffer);

    // Rebuilds the document in a fresh server object from the named image section. The section
    // name keeps at most 29 characters and the file name at most 515; longer ones are cut.
    short ResurrectSection(char* sectionName, char* fileName);

    short OpenStatus(char* status);
    short RefreshOptions(char* options);
    short Save();
    short SaveAs(char* fileName, char* format);
    short UndoRedo();
    short Copy();
    short CopyAs(short format);
    short Paste();
    short PasteFrom(short format);
    short Resize(short width, short height, short flag);
    short Rotate(short first, short second, short third);
    short Grayize();
    short Blackize();
    short Equalize();
    short Gamma(short first, short second, short third);
    short Invert();
    short ReverseBW();
    short ChangeColor(IRGB* from, IRGB* to);
    // The caller's rectangle comes back ordered (left <= right, top <= bottom).
    short Crop(RECT* rect);
    short Reduce(short first, short second, short third, short fourth);
    short Rasterize(short right, short bottom, short bitsPerPixel);
    short ThreeDize();
    short Vectorize(short first, short second, short third, short fourth, short fifth, short sixth);
    short PrepRaster(short first, short second, short third);
    short SaveScript(char* script);
    short Convert(char* source, char* target, char* format, char* options);
    short Test(char* text, HWND window, HDC dc);

    // Document kind, asked anew each time: 1 when the document is a raster image (IsRaster), a
    // vector drawing (IsVector), or neither, also when the server gave no answer (IsEntity).
    int IsRaster();
    int IsVector();
    int IsEntity();

    // Prints the part `part` (image pixels) of the document into `area` (the printer's device
    // units) of the page the host has started on `printer`; neither rectangle is written.
    //  - Raster images are printed from the server's image section; first, while their pixel data
    //    ((bits * width + 31) / 32 * 4 bytes a row, times the height) exceed 16,000,000 bytes, the
    //    size and `part` are halved (shifted right by one) and the server asked to reduce the
    //    document to that size ("Resize" with flag 0). So printing may leave the host's document
    //    smaller on the server; the view reads the new size at its next operation.
    //  - Documents of kind -1 are first rasterized on the server, the document itself, to
    //    `part`'s right and bottom edges at 8 bits, then printed as raster images.
    //  - Vector drawings are painted by the server into an enhanced metafile that is played onto
    //    the page record by record, stretched into `area`. The server stays attached to that
    //    metafile, which is gone afterwards: the host attaches its window again before its next
    //    Paint.
    // Results: 0 printed (also when the printer blitter drew nothing, for a section it refuses or
    // a part outside the image); a refused reduction or rasterization passes its result up at
    // once (nothing mapped, the held section untouched); -1007 the image section cannot be mapped
    // or the printer blitter cannot be allocated; -1025 the metafile was not played to its end.
    // After a raster print that got past the reductions the Louie holds no section (name and
    // handle released). Open cases:
    //  - a null printer, part or area: -1025, nothing asked and nothing changed;
    //  - the pixel data size is computed in 64 bits, so a size that would overflow 32 bits counts
    //    as over the budget; the halvings always end (each edge reaches 0 or -1);
    //  - the section is mapped read-only (FILE_MAP_READ, as the handle is held);
    //  - a Dewey without Louie prints nothing: -1007 on the raster paths.
    short Print(HDC printer, RECT* part, RECT* area);

  private:
    friend class Huey;
    // The three ways to a printed page.
    short PrintRaster(HDC printer, RECT* part, RECT* area);
    short PrintEntity(HDC printer, RECT* part, RECT* area);
    short PrintMetafile(HDC printer, RECT* part, RECT* area);

    Louie* louie;  // owned; null only when its allocation failed
};

static_assert(sizeof(Dewey) == sizeof(void*), "a Dewey is its Louie pointer");

#endif
