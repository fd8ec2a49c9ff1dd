#include "OpenpyxlDump.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace exl::workbook::test {

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The command's standard output; failed set when it did not end with status 0.
std::string Run(const std::string& command, bool& failed) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        failed = true;
        return output;
    }
    std::array<char, 4096> buffer;
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), got);
    failed = pclose(pipe) != 0;
    return output;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

const char* kPython = "/usr/bin/python3";

}  // namespace

ScratchFolder::ScratchFolder() {
    char name[] = "/tmp/exl-workbook-XXXXXX";
    path_ = mkdtemp(name);
}

ScratchFolder::~ScratchFolder() { std::filesystem::remove_all(path_); }

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> DumpWorkbooks(const std::vector<std::string>& paths) {
    std::string command = std::string(kPython) + " " + Quoted(EXL_WORKBOOKS_PY) + " dump";
    for (const std::string& path : paths) command += " " + Quoted(path);
    bool failed = false;
    const std::string output = Run(command + " 2>&1", failed);
    if (failed) return {"failed: " + output};
    return SplitLines(output);
}

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> matching;
    for (const std::string& line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0) matching.push_back(line);
    return matching;
}

void MakeTemplate(const std::string& path, bool asTemplate) {
    bool failed = false;
    const std::string output = Run(std::string(kPython) + " " + Quoted(EXL_WORKBOOKS_PY) + " template " +
                                       Quoted(path) + (asTemplate ? " --template" : "") + " 2>&1",
                                   failed);
    ASSERT_FALSE(failed) << output;
}

void RepackZip(const std::string& source, const std::string& out, const std::string& options) {
    bool failed = false;
    const std::string output = Run(std::string(kPython) + " " + Quoted(EXL_WORKBOOKS_PY) + " zip " + Quoted(source) +
                                       " " + Quoted(out) + " " + options + " 2>&1",
                                   failed);
    ASSERT_FALSE(failed) << output;
}

std::vector<std::pair<std::string, std::string>> PythonZipEntries(const std::string& path) {
    // Each entry as its name, a tab and its content in hex, one line each.
    const std::string script =
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "assert z.testzip() is None\n"
        "for i in z.infolist(): print(i.filename + '\\t' + z.read(i).hex())\n";
    bool failed = false;
    const std::string output = Run(std::string(kPython) + " -c " + Quoted(script) + " " + Quoted(path) + " 2>&1", failed);
    std::vector<std::pair<std::string, std::string>> entries;
    if (failed) {
        entries.push_back({"failed", output});
        return entries;
    }
    for (const std::string& line : SplitLines(output)) {
        const std::size_t tab = line.find('\t');
        std::string content;
        for (std::size_t at = tab + 1; at + 1 < line.size(); at += 2)
            content += static_cast<char>(std::stoi(line.substr(at, 2), nullptr, 16));
        entries.push_back({line.substr(0, tab), content});
    }
    return entries;
}

}  // namespace exl::workbook::test
