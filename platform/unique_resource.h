// One generic owner for the handles the library takes from the system, so that every path that
// leaves a scope gives them back. Ownership is spelled in verbs: Reset (give back the held one and
// hold another), Release (stop owning and hand it over), Receive (give back the held one and
// offer the slot to a function that fills it).
#ifndef KELOCLI_PLATFORM_UNIQUE_RESOURCE_H
#define KELOCLI_PLATFORM_UNIQUE_RESOURCE_H

#include <windows.h>
#include <oleauto.h>

namespace kelocli {

template <typename Traits>
class UniqueResource {
  public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Type value) noexcept : value_(value) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Type Get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::kInvalid; }

    void Reset(Type value = Traits::kInvalid) noexcept {
        Type old = value_;
        value_ = value;
        if (old != Traits::kInvalid) Traits::Close(old);
    }
    Type Release() noexcept {
        Type value = value_;
        value_ = Traits::kInvalid;
        return value;
    }
    Type* Receive() noexcept {
        Reset();
        return &value_;
    }

  private:
    Type value_ = Traits::kInvalid;
};

struct HandleTraits {
    using Type = HANDLE;
    static constexpr Type kInvalid = nullptr;
    static void Close(Type handle) { CloseHandle(handle); }
};

struct MappedViewTraits {
    using Type = const void*;
    static constexpr Type kInvalid = nullptr;
    static void Close(Type view) { UnmapViewOfFile(view); }
};

struct BstrTraits {
    using Type = BSTR;
    static constexpr Type kInvalid = nullptr;
    static void Close(Type text) { SysFreeString(text); }
};

struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static constexpr Type kInvalid = nullptr;
    static void Close(Type object) { DeleteObject(object); }
};

struct MemoryDcTraits {
    using Type = HDC;
    static constexpr Type kInvalid = nullptr;
    static void Close(Type dc) { DeleteDC(dc); }
};

struct WindowTraits {
    using Type = HWND;
    static constexpr Type kInvalid = nullptr;
    static void Close(Type window) { DestroyWindow(window); }
};

struct EnhMetaFileTraits {
    using Type = HENHMETAFILE;
    static constexpr Type kInvalid = nullptr;
    static void Close(Type metafile) { DeleteEnhMetaFile(metafile); }
};

// The device context of a metafile being recorded; ending it unfinished discards the recording.
struct MetafileRecorderTraits {
    using Type = HDC;
    static constexpr Type kInvalid = nullptr;
    static void Close(Type dc) { DeleteEnhMetaFile(CloseEnhMetaFile(dc)); }
};

using UniqueHandle = UniqueResource<HandleTraits>;
using UniqueView = UniqueResource<MappedViewTraits>;
using UniqueBstr = UniqueResource<BstrTraits>;
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;
using UniqueWindow = UniqueResource<WindowTraits>;
using UniqueEnhMetaFile = UniqueResource<EnhMetaFileTraits>;
using UniqueMetafileRecorder = UniqueResource<MetafileRecorderTraits>;

static_assert(sizeof(UniqueBstr) == sizeof(BSTR), "an owner costs nothing beyond its handle");

// A window's device context (the screen's for a null window), given back on every path.
class WindowDc {
  public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const noexcept { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// The mouse captured for a window of this thread, from Take until the owner ends.
class MouseCapture {
  public:
    MouseCapture() noexcept = default;
    ~MouseCapture() {
        if (taken_) ReleaseCapture();
    }
    MouseCapture(const MouseCapture&) = delete;
    MouseCapture& operator=(const MouseCapture&) = delete;
    void Take(HWND window) noexcept {
        SetCapture(window);
        taken_ = true;
    }

  private:
    bool taken_ = false;
};

// A VARIANT that is empty on construction and cleared on destruction.
class UniqueVariant {
  public:
    // Empty (VT_EMPTY is 0), with a cleared value field.
    UniqueVariant() noexcept : value_() {}
    // Only strings, interfaces, records and arrays hold something to give back; for the numbers
    // every call answers, clearing would only reset the type.
    ~UniqueVariant() {
        const VARTYPE type = value_.vt;
        if (type == VT_BSTR || type == VT_DISPATCH || type == VT_UNKNOWN || type == VT_RECORD ||
            (type & VT_ARRAY) != 0) {
            VariantClear(&value_);
        }
    }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;

    VARIANT* Get() noexcept { return &value_; }
    const VARIANT& operator*() const noexcept { return value_; }
    const VARIANT* operator->() const noexcept { return &value_; }

    // Hands over the string of a VT_BSTR value to the caller; null for any other type.
    BSTR ReleaseBstr() noexcept {
        if (value_.vt != VT_BSTR) return nullptr;
        BSTR text = value_.bstrVal;
        value_.vt = VT_EMPTY;
        value_.bstrVal = nullptr;
        return text;
    }

  private:
    VARIANT value_;
};

}  // namespace kelocli

#endif
