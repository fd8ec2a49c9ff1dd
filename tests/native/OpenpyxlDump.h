#pragma once
// Files for the native workbook tests, and what openpyxl reads in them (through
// tests/support/workbooks.py with Debian's /usr/bin/python3).
#include <string>
#include <vector>

namespace exl::workbook::test {

// A fresh folder for the test's files; removed with the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// The dump lines of the files (see workbooks.py), or one line "failed: ..." when
// openpyxl could not read them.
std::vector<std::string> DumpWorkbooks(const std::vector<std::string>& paths);
// Lines of the dump that start with `prefix` ("cell\tListe\t").
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix);
// openpyxl's template with formula results and a calculation chain, as Excel saves them.
void MakeTemplate(const std::string& path, bool asTemplate = false);
// A zip file's entries written again by workbooks.py's "zip" command, with its
// options ("--zip64 --descriptor=signed").
void RepackZip(const std::string& source, const std::string& out, const std::string& options);
// The entries of a zip file as Python's zipfile reads them: name and content.
std::vector<std::pair<std::string, std::string>> PythonZipEntries(const std::string& path);

}  // namespace exl::workbook::test
