// File names as the image server takes them. The library widens each byte of a name into one
// character, so only ASCII names arrive intact: a name with other characters is passed by its
// short (8.3) alias when the file system gives one, and refused with words otherwise.
#ifndef KELOVIEW_FILE_NAMES_H
#define KELOVIEW_FILE_NAMES_H

#include <string>

namespace keloview {

// The full ASCII name of `path` for the server into `name`; false with the reason in `error`.
// For a file that does not exist yet (a target), its folder's short alias is used.
bool ServerFileName(const std::wstring& path, std::string* name, std::wstring* error);

// `path` taken relative to the folder of `base` (a file) unless it is absolute.
std::wstring RelativeTo(const std::wstring& base, const std::wstring& path);

// The last part of a path.
std::wstring BaseName(const std::wstring& path);

}  // namespace keloview

#endif
