// Owners for the handle kinds the server takes beyond the library's own.
#ifndef PIMBAX_SERVER_HANDLES_H
#define PIMBAX_SERVER_HANDLES_H

#include <windows.h>

#include "unique_resource.h"

namespace pimbax {

using kelocli::UniqueBstr;
using kelocli::UniqueGdiObject;
using kelocli::UniqueHandle;
using kelocli::UniqueMemoryDc;
using kelocli::UniqueResource;
using kelocli::UniqueVariant;
using kelocli::UniqueView;

struct EnhMetaFileTraits {
    using Type = HENHMETAFILE;
    static constexpr Type kInvalid = nullptr;
    static void Close(Type metafile) { DeleteEnhMetaFile(metafile); }
};

struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static constexpr Type kInvalid = nullptr;
    static void Close(Type memory) { GlobalFree(memory); }
};

using UniqueEnhMetaFile = UniqueResource<EnhMetaFileTraits>;
using UniqueGlobal = UniqueResource<GlobalMemoryTraits>;

}  // namespace pimbax

#endif
