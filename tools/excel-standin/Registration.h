#pragma once
// The server's entries under HKCR (HKLM\Software\Classes: Wine 8 does not merge
// per-user classes): one ProgID and class per Excel version, and the control class.
#include <string>
#include <vector>

namespace exl::standin {

// Registers `exePath` for exactly the given versions (each of 8, 9, 10) and the
// control class; the other versions' entries are removed. false when a version is
// unknown or the registry refuses.
bool RegisterServer(const std::wstring& exePath, const std::vector<int>& versions);
// Removes all three versions and the control class; true when none is left.
bool UnregisterServer();

}  // namespace exl::standin
