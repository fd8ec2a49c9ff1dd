#pragma once
// The server's entries under HKCR (HKLM\Software\Classes: Wine 8 does not merge
// per-user classes): one ProgID and class per Excel version, the version-independent
// "Excel.Application" with its CurVer, and the control class.
#include <optional>
#include <string>
#include <vector>

namespace exl::standin {

// Registers `exePath` for exactly the given versions (each of 8 to 16) and the
// control class; the other versions' entries are removed. "Excel.Application" gets
// the class of the highest version given and a CurVer naming its ProgID; with no
// version it is removed. false when a version is unknown (then nothing changes) or
// the registry refuses. `serveOptions`, when given, follow "--serve N" in each
// version's LocalServer32 (such as "--busy 2000": every process COM starts is busy).
bool RegisterServer(const std::wstring& exePath, const std::vector<int>& versions,
                    const std::wstring& serveOptions = L"");
// Removes every version, "Excel.Application" and the control class; true when none is left.
bool UnregisterServer();
// Sets the default value of HKCR\Excel.Application\CurVer to any text, or removes the
// CurVer key for nullopt: the odd registries a machine may have.
bool WriteCurrentVersion(const std::optional<std::wstring>& value);

}  // namespace exl::standin
