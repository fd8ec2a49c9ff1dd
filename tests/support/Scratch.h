#pragma once
// Per-test working directories and small file helpers. The plug-in resolves every
// path against the current directory, so each test runs in a scratch directory
// of its own, laid out like the host's working directory.
#include <string>

namespace exl::test {

// A Windows path ("Z:\...") for a path of the Unix side of the build.
std::string WindowsPath(const std::string& unixPath);
// The project's source tree and the directory of the running test program.
std::string SourceDir();
std::string BinDir();
// The directory beside the test programs where tests leave their pictures.
std::string ScreenshotDir();

class ScratchDirectory {
public:
    // Makes a fresh directory with an "exl" subdirectory and makes it current.
    // withCatalogue copies the shipped string_exl.txt into it.
    explicit ScratchDirectory(bool withCatalogue = true);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return path_; }
    // The absolute path of a file relative to the scratch directory.
    std::string File(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
    std::string previous_;
};

// Whole files in binary mode, so CR LF stays visible.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
void RemoveTree(const std::string& path);
// Converts UTF-8 text (as written in test sources) to code page 1252 or 850.
std::string ToAnsi(const std::string& utf8);
std::string ToOem(const std::string& utf8);

}  // namespace exl::test
