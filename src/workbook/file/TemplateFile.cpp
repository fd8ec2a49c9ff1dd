#include "workbook/file/TemplateFile.h"

#include <windows.h>

#include "framework/Raii.h"

namespace exl::workbook {

namespace {

constexpr std::string_view kCompoundFileSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
// Excel keeps a password-protected workbook in a compound file with this stream,
// its name stored in UTF-16.
constexpr char16_t kEncryptedStream[] = u"EncryptedPackage";

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_BAD_NETPATH || error == ERROR_INVALID_DRIVE;
}

TemplateProblem ReadWholeFile(const std::wstring& path, std::string& bytes, std::string& detail,
                              PackageFault& fault) {
    // Others may keep the template open meanwhile, Excel among them.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        detail = "cannot open, error " + std::to_string(error);
        return IsMissing(error) ? TemplateProblem::Missing : TemplateProblem::Unreadable;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return TemplateProblem::Unreadable;
    if (static_cast<std::uint64_t>(size.QuadPart) > kMostTemplateBytes) {
        detail = "larger than " + std::to_string(kMostTemplateBytes) + " bytes";
        fault.bytes = static_cast<std::uint64_t>(size.QuadPart);
        return TemplateProblem::TooLarge;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &read, nullptr) || read == 0) {
            detail = "cannot read";
            return TemplateProblem::Unreadable;
        }
        done += read;
    }
    return TemplateProblem::None;
}

}  // namespace

TemplateProblem ClassifyNonZip(std::string_view bytes) {
    if (bytes.substr(0, kCompoundFileSignature.size()) != kCompoundFileSignature) return TemplateProblem::NotWorkbook;
    std::string name;
    for (char16_t c : std::u16string_view(kEncryptedStream)) {
        name += static_cast<char>(c & 0xFF);
        name += static_cast<char>(c >> 8);
    }
    return bytes.find(name) != std::string_view::npos ? TemplateProblem::Protected : TemplateProblem::NotWorkbook;
}

TemplateProblem TemplateFile::Open(const std::wstring& path, std::string& detail) {
    fault_ = PackageFault();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        detail = "a folder";
        return TemplateProblem::Unreadable;
    }
    TemplateProblem problem = ReadWholeFile(path, bytes_, detail, fault_);
    if (problem == TemplateProblem::None) problem = OpenZip(detail);
    if (problem == TemplateProblem::None) problem = OpenPackage(detail);
    return problem;
}

TemplateProblem TemplateFile::OpenZip(std::string& detail) {
    const ZipProblem problem = zip_.Open(bytes_, detail);
    fault_.part = zip_.Refused().name;
    fault_.method = zip_.Refused().method;
    fault_.bytes = zip_.Refused().size;
    switch (problem) {
    case ZipProblem::None: return TemplateProblem::None;
    case ZipProblem::NotZip: return ClassifyNonZip(bytes_);
    case ZipProblem::Damaged: return TemplateProblem::Damaged;
    case ZipProblem::Encrypted: return TemplateProblem::Protected;
    case ZipProblem::Unsupported: return TemplateProblem::Unsupported;
    case ZipProblem::TooLarge: return TemplateProblem::TooLarge;
    }
    return TemplateProblem::Damaged;
}

// The sheets are read once here, so that a sheet that cannot be filled is told
// before the user is asked where to save.
TemplateProblem TemplateFile::OpenPackage(std::string& detail) {
    PackageProblem problem = ReadPackage(zip_, package_, detail, fault_);
    if (problem == PackageProblem::None) problem = CheckWorksheets(zip_, package_, detail, fault_);
    switch (problem) {
    case PackageProblem::None: return TemplateProblem::None;
    case PackageProblem::NotWorkbook: return TemplateProblem::NotWorkbook;
    case PackageProblem::Damaged: return TemplateProblem::Damaged;
    case PackageProblem::TooLarge: return TemplateProblem::TooLarge;
    case PackageProblem::OutsidePackage: return TemplateProblem::OutsidePackage;
    case PackageProblem::Encoding: return TemplateProblem::Encoding;
    }
    return TemplateProblem::Damaged;
}

}  // namespace exl::workbook
