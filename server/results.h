// What the server answers when something goes wrong, in one place.
//
// Commands whose client member returns a 16-bit result answer S_OK with one of these values as a
// VT_I2; the queries whose client member returns the automation code answer a failing HRESULT.
#ifndef PIMBAX_SERVER_RESULTS_H
#define PIMBAX_SERVER_RESULTS_H

#include <windows.h>

#include <stdexcept>

namespace pimbax {

enum Result : short {
    kOk = 0,
    kNoDocument = -1,       // no document is open on this object
    kUnreadable = -2,       // file or section missing, unreadable, not a file, or a cut name
    kBadFormat = -3,        // not a format this server reads, or damaged, lying or truncated
    kTooLarge = -4,         // beyond the server's limits (file, image, memory, time)
    kBadValue = -5,         // an argument value out of range: size, rectangle, depth, NaN
    kNoTarget = -6,         // Paint: nothing attached, or the target could not be drawn into
    kClipboardFailed = -7,  // clipboard unavailable, or it holds nothing usable in that format
    kNotSupported = -8,     // a command this server does not carry out
    kWrongKind = -9,        // the command does not apply to this kind of document
};

// Query failures.
constexpr HRESULT kNoDocumentCode = OLE_E_BLANK;   // 0x80040007: no document is open
constexpr HRESULT kBadValueCode = E_INVALIDARG;    // 0x80070057: argument value out of range
constexpr HRESULT kNotApplicableCode = E_NOTIMPL;  // 0x80004001: not for this kind of document
// 0x8007000D: the document turned out damaged while the query worked on it (and was dropped).
constexpr HRESULT kDamagedCode = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
// 0x800705B4: drawing the document would take longer than the server allows.
constexpr HRESULT kTooLongCode = HRESULT_FROM_WIN32(ERROR_TIMEOUT);

// Thrown when drawing a document failed in a way that condemns the document: the playback
// helper faulted or ran out of time on it. The call answers kBadFormat (or kDamagedCode) and the
// object's document is dropped.
class DocumentFault : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Thrown when drawing a document in the server's own process passes kMaxDrawingMs. The call
// answers kTooLarge (or kTooLongCode); the document stays.
class DrawingTooLong : public std::runtime_error {
  public:
    DrawingTooLong() : std::runtime_error("drawing took too long") {}
};

}  // namespace pimbax

#endif
