#include "Drawing.h"

#include <windows.h>

#include <cstdio>
#include <map>

namespace orvanta {

namespace {

constexpr const wchar_t* kAssemblyKeyword = L"baugruppe";
constexpr const wchar_t* kElementKeyword = L"element";
constexpr const wchar_t* kPositionName = L"%i";
constexpr const wchar_t* kQuantityName = L"%n";
constexpr const char* kSearchPrefix = "SEARCH: ";
constexpr int kMaxLevelDigits = 9;

std::wstring Widen(const std::string& text, UINT codePage, bool* valid = nullptr) {
    if (valid) *valid = true;
    if (text.empty()) return std::wstring();
    DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    int length = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        if (valid) *valid = false;
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) return std::string();
    int length =
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &narrow[0], length, nullptr,
                            nullptr);
    return narrow;
}

std::wstring Trim(const std::wstring& text) {
    std::wstring::size_type begin = text.find_first_not_of(L" \t");
    if (begin == std::wstring::npos) return std::wstring();
    std::wstring::size_type end = text.find_last_not_of(L" \t");
    return text.substr(begin, end - begin + 1);
}

std::wstring Fold(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// Splits text into lines at LF, dropping a CR before it.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

bool ParseHeader(const std::wstring& line, DrawingObject& object) {
    std::wstring::size_type blank = line.find_first_of(L" \t");
    if (blank == std::wstring::npos) return false;
    std::wstring keyword = Fold(line.substr(0, blank));
    std::wstring level = Trim(line.substr(blank));
    if (keyword == kAssemblyKeyword)
        object.kind = ObjectKind::Assembly;
    else if (keyword == kElementKeyword)
        object.kind = ObjectKind::Element;
    else
        return false;
    if (level.empty() || level.size() > kMaxLevelDigits ||
        level.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    object.level = std::stoi(level);
    return true;
}

bool Selected(const DrawingObject& object, std::uint8_t modeFlags) {
    bool wanted = object.kind == ObjectKind::Assembly ? (modeFlags & exl::kQueryAssemblyInfo) != 0
                                                      : (modeFlags & exl::kQueryElementInfo) != 0;
    if ((modeFlags & exl::kQueryLevelZeroOnly) && object.level != 0) wanted = false;
    return wanted;
}

// The first value of an attribute, or nothing.
const std::wstring* FindAttribute(const DrawingObject& object, const std::wstring& foldedName) {
    for (const auto& attribute : object.attributes)
        if (Fold(attribute.first) == foldedName) return &attribute.second;
    return nullptr;
}

// What makes two objects identical: their kind and every attribute's first value.
std::wstring IdentityOf(const DrawingObject& object) {
    std::map<std::wstring, std::wstring> attributes;
    for (const auto& attribute : object.attributes) attributes.emplace(Fold(attribute.first), attribute.second);
    std::wstring identity = object.kind == ObjectKind::Assembly ? L"B" : L"E";
    for (const auto& attribute : attributes) {
        identity += L'\x1f' + attribute.first + L'\x1e' + attribute.second;
    }
    return identity;
}

// The bytes of an existing file; ReadWholeFile alone cannot tell a missing file from an empty one.
bool ReadExistingFile(const std::string& path, std::string& content) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    content = ReadWholeFile(path);
    return true;
}

}  // namespace

bool Drawing::Parse(const std::string& utf8, std::string& error) {
    objects_.clear();
    std::string text = utf8.compare(0, 3, "\xEF\xBB\xBF") == 0 ? utf8.substr(3) : utf8;
    std::vector<std::string> lines = SplitLines(text);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string where = "line " + std::to_string(index + 1) + ": ";
        bool valid = true;
        std::wstring line = Trim(Widen(lines[index], CP_UTF8, &valid));
        if (!valid) {
            error = where + "not UTF-8 text";
            return false;
        }
        if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
        std::wstring::size_type equals = line.find(L'=');
        if (equals != std::wstring::npos) {
            std::wstring name = Trim(line.substr(0, equals));
            if (objects_.empty()) {
                error = where + "an attribute before the first object";
                return false;
            }
            if (name.empty()) {
                error = where + "an attribute without name";
                return false;
            }
            objects_.back().attributes.emplace_back(name, Trim(line.substr(equals + 1)));
            continue;
        }
        DrawingObject object;
        if (!ParseHeader(line, object)) {
            error = where + "expected \"Baugruppe <level>\", \"Element <level>\" or \"name=value\"";
            return false;
        }
        objects_.push_back(object);
    }
    return true;
}

bool Drawing::Load(const std::string& path, std::string& error) {
    std::string content;
    if (!ReadExistingFile(path, content)) {
        error = "cannot read " + path;
        return false;
    }
    return Parse(content, error);
}

std::vector<std::wstring> Drawing::Answer(const std::vector<std::wstring>& searchNames,
                                          std::uint8_t modeFlags) const {
    struct Position {
        const DrawingObject* object;
        int quantity;
    };
    std::vector<Position> positions;
    std::map<std::wstring, std::size_t> byIdentity;
    for (const DrawingObject& object : objects_) {
        if (!Selected(object, modeFlags)) continue;
        auto inserted = byIdentity.emplace(IdentityOf(object), positions.size());
        if (inserted.second)
            positions.push_back({&object, 1});
        else
            ++positions[inserted.first->second].quantity;
    }
    std::vector<std::wstring> foldedNames;
    for (const std::wstring& name : searchNames) foldedNames.push_back(Fold(name));
    std::vector<std::wstring> lines;
    for (std::size_t index = 0; index < positions.size(); ++index) {
        for (std::size_t field = 0; field < searchNames.size(); ++field) {
            if (searchNames[field] == kPositionName) {
                lines.push_back(std::to_wstring(index + 1));
            } else if (searchNames[field] == kQuantityName) {
                lines.push_back(std::to_wstring(positions[index].quantity));
            } else {
                const std::wstring* value = FindAttribute(*positions[index].object, foldedNames[field]);
                lines.push_back(value ? *value : std::wstring());
            }
        }
    }
    return lines;
}

bool Drawing::AnswerInfoQuery(const std::string& searchSpecPath, const std::string& resultPath,
                              std::uint8_t modeFlags) const {
    std::string searchText;
    if (!ReadExistingFile(searchSpecPath, searchText)) return false;
    std::vector<std::wstring> lines = Answer(SearchNamesOf(searchText), modeFlags);
    // Text mode: every "\n" reaches the disk as CR LF.
    std::FILE* result = std::fopen(resultPath.c_str(), "w");
    if (!result) return false;
    for (const std::wstring& line : lines) {
        std::string oem = Narrow(line, CP_OEMCP);
        std::fwrite(oem.data(), 1, oem.size(), result);
        std::fputc('\n', result);
    }
    return std::fclose(result) == 0;
}

std::vector<std::wstring> ReadSearchNames(const std::string& searchSpecPath) {
    return SearchNamesOf(ReadWholeFile(searchSpecPath));
}

std::vector<std::wstring> SearchNamesOf(const std::string& searchText) {
    std::vector<std::wstring> names;
    const std::string prefix = kSearchPrefix;
    for (const std::string& line : SplitLines(searchText)) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        std::string name = line.substr(prefix.size());
        // The name ends at the line's last colon; a name may hold colons itself.
        std::string::size_type colon = name.rfind(':');
        if (colon != std::string::npos) name.erase(colon);
        names.push_back(Widen(name, CP_OEMCP));
    }
    return names;
}

HostSimulator::InfoQueryHandler DrawingAnswer(std::shared_ptr<const Drawing> drawing) {
    return [drawing](const std::string& searchSpecPath, const std::string& resultPath, std::uint8_t flags) {
        drawing->AnswerInfoQuery(searchSpecPath, resultPath, flags);
    };
}

}  // namespace orvanta
