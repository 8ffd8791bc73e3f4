// The named sections through which the server publishes its image and palette. The library only
// opens and reads them: handles are opened with FILE_MAP_READ and views mapped with FILE_MAP_READ.
#ifndef KELOCLI_PLATFORM_SHARED_SECTION_H
#define KELOCLI_PLATFORM_SHARED_SECTION_H

#include <windows.h>

#include "unique_resource.h"

namespace kelocli {

// Longest section name, in characters: names are narrowed into 20 bytes with their terminator.
constexpr int kMaxSectionNameLength = 19;

// Opens the section named `name` (low byte of each unit) for reading, not inheritable. A null
// name, a name of 20 or more characters, or a section that does not exist gives no handle.
UniqueHandle OpenSectionForReading(const wchar_t* name);

// Maps the whole section for reading; no view when that fails.
UniqueView MapSectionForReading(HANDLE section);

}  // namespace kelocli

#endif
