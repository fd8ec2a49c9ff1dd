#pragma once
// What the package's tests share: the zip unpacked, a file's version, and the
// packaged host exporting the sample through a given plug-in into the stand-in.
#include <windows.h>

#include <set>
#include <string>

#include "StandinClient.h"

namespace exl::test {

// "a.b.c.d" from the file's version resource; "" when it has none.
std::string FileVersion(const std::string& path);

// The zip's files written below `folder`; their names as the zip holds them.
std::set<std::string> Unpack(const std::string& zip, const std::string& folder);

struct HostRun {
    DWORD exitCode = STILL_ACTIVE;
    std::string finalMessage;  // the plug-in's last message box
};

// Starts `host` in `workDir` (the CAD program's working directory) with only
// Windows' own folders on the path, loading the plug-in `dll` (empty: the one beside
// the host): it exports `drawing`
// with the profile `profile`, element information included, into the Excel that is
// registered, confirming the dialog and the closing message. Returns once the host
// has ended.
HostRun ExportSample(const std::string& host, const std::string& dll, const std::string& drawing,
                     const std::string& profile, const std::string& workDir);

// The stand-in holds the sample drawing as the sample profile prescribes.
void ExpectSampleWorkbook(standin::StandinClient& excel);

}  // namespace exl::test
