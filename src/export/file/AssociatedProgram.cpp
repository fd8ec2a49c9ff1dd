#include "export/file/AssociatedProgram.h"

#include <windows.h>
#include <shellapi.h>

namespace exl {

void OpenWithAssociatedProgram(const std::string& ansiPath) {
    SHELLEXECUTEINFOA open = {};
    open.cbSize = sizeof open;
    // No error box of the shell's own when no program is associated.
    open.fMask = SEE_MASK_FLAG_NO_UI;
    open.lpVerb = "open";
    open.lpFile = ansiPath.c_str();
    open.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&open);
}

}  // namespace exl
