// The files opened last, kept in HKEY_CURRENT_USER\Software\Pimbax\Keloview\Recent and shown at
// the end of the File menu.
#ifndef KELOVIEW_RECENT_FILES_H
#define KELOVIEW_RECENT_FILES_H

#include <windows.h>

#include <string>
#include <vector>

namespace keloview {

constexpr int kRecentFiles = 6;

std::vector<std::wstring> LoadRecentFiles();
// Puts `path` first (once) and keeps the list.
void RememberRecentFile(const std::wstring& path);
// Rewrites the recent files' items of the File menu, before its Exit item, with the commands
// `firstCommand` + index.
void ShowRecentFiles(HMENU fileMenu, UINT exitCommand, UINT firstCommand);

}  // namespace keloview

#endif
