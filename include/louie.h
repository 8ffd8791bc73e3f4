// Louie: the automation client of one server document.
//
// A Louie creates one object of the image server (a local automation server reached by its class
// identifier), holds its IDispatch interface and turns each member into one call of a named server
// method. Each method's name is looked up once per Louie and cached; every later call is a single
// IDispatch::Invoke. Arguments travel positionally with rgvarg[0] holding the member's FIRST
// argument (the reverse of the usual automation order).
//
// Results. Short members return the server's 16-bit result when the call succeeded and the answer
// is a VT_I2 (otherwise 0); they also answer 0 when no server is connected. The queries return the
// automation code (HRESULT) instead. Nothing throws.
//
// Debug reports. When the registry text HKCU (else HKLM) \Software\Pimbax\Kelocli (default value)
// equals "debug" in any case at the construction of any Louie, every later failing command shows
// one message box "Kelo error: <code in lower-case hex>" captioned "Pimbax OLE2 Server", for the
// rest of the process. The queries (GetInfo, point of view, string queries, resurrection) never
// report.
//
// Host strings. 8-bit, zero-terminated; each byte becomes one 16-bit code unit (bytes 0x80-0xFF
// get the high byte 0xFF, their sign extended). Each string argument has a fixed capacity in
// units including the terminator (file names 780, the short names of FastOpen and ThreadOpen 20,
// the others given per member below). A longer string is cut to capacity - 1 characters and
// terminated; nothing is ever written past a buffer. A null string pointer is sent as "".
//
// Threads. A Louie and all its members belong to the thread that constructed it; that thread is
// initialised for OLE by the constructor and uninitialised by the destructor.
#ifndef KELOCLI_LOUIE_H
#define KELOCLI_LOUIE_H

#include <windows.h>
#include <oaidl.h>

#include "kelocli_export.h"
#include "kelocli_records.h"
#include "zevobject.h"

class KELOCLI_API Louie : public ZevObject {
  public:
    // Reads the debug switch, initialises OLE, creates the server object and, when it answered,
    // tells it the host's process ("NotifyProcessID"). Without a server every member answers its
    // default result at once and shows nothing.
    Louie();
    // Sends "Close", releases the interface, closes the held section handle, frees the held name
    // and uninitialises OLE.
    ~Louie();

    // A copy would share the connection and the held section with its source, and both would
    // close them: copying is not offered.
    Louie(const Louie&) = delete;
    Louie& operator=(const Louie&) = delete;

    // --- Connection and opening --------------------------------------------------------------
    short NotifyProcessID(long processId);
    short Open(char* fileName);
    short FastOpen(char* fileName, char* secondName);
    short ThreadOpen(char* fileName, char* secondName, char* thirdName);
    // Always 0. Both identifiers are set to 0 first; the server's process identifier and main
    // thread then come back through them. Only a failure of the second query is reported.
    short GetProcessID(long* processId, long* threadId);
    // Either handle may be null; both travel as 32-bit integers.
    short AttachWindow(HWND window, HDC dc);
    short RealizePalette(HWND window, short flag);
    // Paints `source` (image pixels) into `target` (attached window or DC coordinates); each
    // coordinate travels cut to its low 16 bits.
    short Paint(RECT* source, RECT* target);

    // --- Document queries (never reported) ---------------------------------------------------
    // Asks, in order, for each value whose pointer is not null; stops at the first failing call
    // and returns its code (that value receives whatever the answer held, 0 when nothing came).
    // 0 when all requested values were read, or when no server is connected (nothing written).
    long GetInfo(long* width, long* height, short* horizontalRes, short* verticalRes, short* depth);
    short SetPointOfView(double eyeX, double eyeY, double eyeZ, double yaw, double pitch,
                         double twist, short povFlag);
    // The server writes the six values through the pointers; on failure they keep their values.
    short GetPointOfView(double* eyeX, double* eyeY, double* eyeZ, double* yaw, double* pitch,
                         double* twist);
    long Get3DInfo(double* centerX, double* centerY, double* centerZ, double* extentX,
                   double* extentY, double* extentZ);
    // String queries: *name is set to null first and, on success, to a string that the caller
    // owns and frees with SysFreeString. A non-string answer gives null.
    long GetSecName(BSTR* name);
    long GetFileName(BSTR* name);
    long GetPaletteInfo(BSTR* name);
    long GetFontInfo(BSTR* text);

    // --- Resurrection (never reported) -------------------------------------------------------
    // Replaces the server object by a fresh one rebuilt from the held section. -1025 when no
    // section name is held, no server object can be created, the method cannot be looked up, or
    // the call failed without a non-zero server result; otherwise the server's result. fileName
    // stays the caller's.
    short Resurrect(BSTR fileName);
    // Releases the held section, takes ownership of `name` (the caller must not free it) and
    // resurrects from it. No handle is opened: sectionHandle stays null.
    short ResurrectSection(BSTR name, BSTR fileName);
    // Asks the server for its image section's name and holds it with a read-only handle
    // (FILE_MAP_READ; map views of it with FILE_MAP_READ). Without a name nothing changes. The
    // reported name always replaces the held pair: the held handle is closed and the held name
    // freed first, then the reported name is opened afresh. This holds also for a name equal to
    // the held one ignoring case: the system's section names are case-sensitive, so the spelling
    // the server reports is the one that names its image. A name of 20 or more characters cannot
    // be opened: it is held with a null handle.
    void SaveResurrectionData();

    // --- Editing, conversion and file commands -----------------------------------------------
    short Save();
    // The first string has 780 units; the second takes at most 3 characters.
    short SaveAs(char* fileName, char* format);
    short UndoRedo();
    // CF_DIB for a raster document, CF_ENHMETAFILE for any other answer.
    short Copy();
    short CopyAs(short format);
    // Pastes CF_ENHMETAFILE when the clipboard has it, else CF_DIB; -1 and nothing sent when it
    // has neither.
    short Paste();
    short PasteFrom(short format);
    short Resize(short width, short height, short flag);
    short Rotate(short first, short second, short third);
    // Orders the caller's own rectangle (left <= right, top <= bottom) before sending it.
    short Crop(RECT* rect);
    short Grayize();
    short Blackize();
    short Reduce(short first, short second, short third, short fourth);
    short Equalize();
    // Both strings have 256 units.
    short ChangeFont(char* face, char* style, float size, float spacing);
    short Gamma(short first, short second, short third);
    short Invert();
    short ReverseBW();
    short ChangeColor(IRGB* from, IRGB* to);
    // Returns the call's status (0 on success and without server); the colour at image point
    // (x, y) goes to *colour, all zero when no colour came.
    long PickColor(IRGB* colour, long x, long y);
    short Rasterize(short right, short bottom, short bitsPerPixel);
    short ThreeDize();
    short Vectorize(short first, short second, short third, short fourth, short fifth, short sixth);
    short PrepRaster(short first, short second, short third);
    // 780 units.
    short SaveScript(char* script);
    // The first, second and fourth strings have 780 units, the third 6.
    short Convert(char* source, char* target, char* format, char* options);
    // 780 units.
    short Test(char* text, HWND window, HDC dc);
    // 30 units.
    short OpenStatus(char* status);
    // The document kind: 1 raster image, 0 vector drawing, -1 anything else and when no answer
    // came (the server's 16-bit answer widened with its sign).
    int IsRaster();
    // 30 units.
    short RefreshOptions(char* options);

  private:
    IDispatch* dispatch;  // null while no server is connected
    DISPID dispIds[54];   // one entry per server method; -1 until its name was looked up

  public:
    // The held image section (see SaveResurrectionData): the name and an open read-only handle.
    BSTR sectionName;
    HANDLE sectionHandle;
};

static_assert(sizeof(Louie) == 8 + 54 * 4 + 8 + 8, "Louie's fields are its whole state");

#endif
