#include "Scratch.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace exl::test {

std::string WindowsPath(const std::string& unixPath) {
    std::string path = unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path.size() > 1 && path[1] == ':' ? path : "Z:" + path;
}

std::string SourceDir() { return WindowsPath(EXL_SOURCE_DIR); }

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    return directory.substr(0, directory.find_last_of("\\/"));
}

namespace {
std::string CurrentDirectory() {
    char path[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, path);
    return path;
}

std::string UniqueScratchPath() {
    static int counter = 0;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "scratch";
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    return BinDir() + "\\scratch\\" + name + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}
}  // namespace

ScratchDirectory::ScratchDirectory(bool withCatalogue) : path_(UniqueScratchPath()), previous_(CurrentDirectory()) {
    CreateDirectoryA((BinDir() + "\\scratch").c_str(), nullptr);
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
    CreateDirectoryA(File("exl").c_str(), nullptr);
    if (withCatalogue)
        CopyFileA((SourceDir() + "\\data\\string_exl.txt").c_str(), File("string_exl.txt").c_str(), FALSE);
    SetCurrentDirectoryA(path_.c_str());
}

ScratchDirectory::~ScratchDirectory() {
    SetCurrentDirectoryA(previous_.c_str());
    if (!::testing::Test::HasFailure()) RemoveTree(path_);
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

namespace {
std::string FromUtf8(const std::string& utf8, UINT codePage) {
    int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(wideLength);
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), wideLength);
    int length = WideCharToMultiByte(codePage, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> narrow(length);
    WideCharToMultiByte(codePage, 0, wide.data(), -1, narrow.data(), length, nullptr, nullptr);
    return std::string(narrow.data());
}
}  // namespace

std::string ToAnsi(const std::string& utf8) { return FromUtf8(utf8, 1252); }
std::string ToOem(const std::string& utf8) { return FromUtf8(utf8, 850); }

std::string ScreenshotDir() {
    std::string directory = BinDir() + "\\screenshots";
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory;
}

}  // namespace exl::test
