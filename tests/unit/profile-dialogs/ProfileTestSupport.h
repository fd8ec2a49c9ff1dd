#pragma once
// Shared pieces of the profile dialog tests: the host stand-in, file contents as
// the profile functions see them, and running a dialog under a UI script.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "HostSimulator.h"
#include "host/HostInterface.h"
#include "UiScript.h"

namespace exl::test {

// The host simulator installed as the plug-in's host for the lifetime of the holder.
class ScopedHost {
public:
    ScopedHost();
    ~ScopedHost();
    ScopedHost(const ScopedHost&) = delete;
    ScopedHost& operator=(const ScopedHost&) = delete;

    orvanta::HostSimulator sim;

private:
    HostCallback previousCallback_;
    std::int32_t previousContext_;
};

// Every section of an INI file in file order, each with its "key=value" lines in
// file order, as the platform's profile reader lists them.
using IniSection = std::pair<std::string, std::vector<std::string>>;
std::vector<IniSection> IniContents(const std::string& path);

// A key's value, or "<absent>" when the key is not there.
constexpr const char* kAbsent = "<absent>";
std::string IniValue(const std::string& path, const std::string& section, const std::string& key);

// Runs the dialog modally while the steps drive it; the steps must close it.
template <typename D>
INT_PTR RunDialog(D& dialog, std::function<void(UiDriver&)> steps) {
    UiScript script(std::move(steps));
    INT_PTR result = dialog.DoModal();
    script.Join();
    return result;
}

// Polls until the condition holds; throws UiTimeout (failing the script) when it
// does not within the time. For state a posted action reaches later.
void WaitUntil(const std::function<bool()>& condition, const std::string& what, int timeoutMs = 10000);

// The dialogs' titles as the shipped catalogue gives them (code page 1252).
std::string ProfileEditorTitle();
std::string FieldDialogTitle();

}  // namespace exl::test
