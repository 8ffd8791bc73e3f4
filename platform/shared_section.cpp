#include "shared_section.h"

#include "wide_text.h"

namespace kelocli {

UniqueHandle OpenSectionForReading(const wchar_t* name) {
    if (name == nullptr) return UniqueHandle();
    char narrow[kMaxSectionNameLength + 1];
    const std::size_t stored = NarrowInto(narrow, sizeof narrow, name);
    if (narrow[stored - 1] != '\0') return UniqueHandle();  // too long to carry its terminator
    return UniqueHandle(OpenFileMappingA(FILE_MAP_READ, FALSE, narrow));
}

UniqueView MapSectionForReading(HANDLE section) {
    if (section == nullptr) return UniqueView();
    return UniqueView(MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0));
}

}  // namespace kelocli
