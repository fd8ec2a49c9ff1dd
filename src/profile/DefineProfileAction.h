#pragma once
#include <windows.h>

#include <string>

namespace exl {

// What the export dialog's button "Übergabe - Profil definieren" does: takes the
// profile path from the dialog's edit (what the user typed counts without OK), asks
// before it works on no profile or on one that cannot be opened for update, lets the
// host choose a file when there is no path and seeds it when it is new, and then
// opens the profile editor on profilePath. Reads and writes the edit profileEditId of
// exportDialog and profilePath; refreshes nothing afterwards.
void RunDefineProfileAction(HWND exportDialog, int profileEditId, std::string& profilePath);

}  // namespace exl
