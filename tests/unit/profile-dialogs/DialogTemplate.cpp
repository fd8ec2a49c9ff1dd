#include "DialogTemplate.h"

#include <cstdint>
#include <cstring>

namespace exl::test {

namespace {

// Walks the template's bytes; every read stays inside the resource.
class Reader {
public:
    Reader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}
    bool Ok() const { return ok_; }

    template <typename T>
    T Read() {
        T value{};
        if (at_ + sizeof(T) > size_) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, data_ + at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    std::string ReadString() {
        std::wstring wide;
        for (WCHAR c = Read<WCHAR>(); ok_ && c != 0; c = Read<WCHAR>()) wide.push_back(c);
        return ToUtf8(wide);
    }
    // A name or an ordinal (0xFFFF and a number); the ordinal comes back as "#n".
    std::string ReadNameOrOrdinal() {
        WCHAR first = Read<WCHAR>();
        if (first == 0) return std::string();
        if (first == 0xFFFF) return "#" + std::to_string(Read<WORD>());
        at_ -= sizeof(WCHAR);
        return ReadString();
    }
    void AlignTo(std::size_t bytes) { at_ = (at_ + bytes - 1) / bytes * bytes; }
    void Skip(std::size_t bytes) {
        if (at_ + bytes > size_) ok_ = false;
        at_ += bytes;
    }

private:
    static std::string ToUtf8(const std::wstring& wide) {
        if (wide.empty()) return std::string();
        int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
        std::string text(static_cast<std::size_t>(length), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr,
                            nullptr);
        return text;
    }

    const BYTE* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

std::string ClassName(const std::string& nameOrOrdinal) {
    if (nameOrOrdinal == "#128") return "Button";
    if (nameOrOrdinal == "#129") return "Edit";
    if (nameOrOrdinal == "#130") return "Static";
    if (nameOrOrdinal == "#131") return "ListBox";
    if (nameOrOrdinal == "#132") return "ScrollBar";
    if (nameOrOrdinal == "#133") return "ComboBox";
    return nameOrOrdinal;
}

}  // namespace

bool LoadDialogTemplate(HMODULE module, int templateId, DialogTemplate& result) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data) return false;
    Reader reader(data, SizeofResource(module, found));
    if (reader.Read<WORD>() != 1 || reader.Read<WORD>() != 0xFFFF) return false;
    reader.Read<DWORD>();  // help id
    reader.Read<DWORD>();  // extended style
    result.style = reader.Read<DWORD>();
    const WORD count = reader.Read<WORD>();
    result.x = reader.Read<short>();
    result.y = reader.Read<short>();
    result.cx = reader.Read<short>();
    result.cy = reader.Read<short>();
    reader.ReadNameOrOrdinal();  // menu
    reader.ReadNameOrOrdinal();  // class
    result.caption = reader.ReadString();
    if (result.style & (DS_SETFONT | DS_SHELLFONT)) {
        result.fontSize = reader.Read<WORD>();
        reader.Read<WORD>();  // weight
        reader.Read<BYTE>();  // italic
        reader.Read<BYTE>();  // character set
        result.fontName = reader.ReadString();
    }
    for (WORD i = 0; i < count && reader.Ok(); ++i) {
        reader.AlignTo(4);
        TemplateControl control;
        reader.Read<DWORD>();  // help id
        reader.Read<DWORD>();  // extended style
        control.style = reader.Read<DWORD>();
        control.x = reader.Read<short>();
        control.y = reader.Read<short>();
        control.cx = reader.Read<short>();
        control.cy = reader.Read<short>();
        control.id = static_cast<int>(reader.Read<std::int32_t>());
        control.windowClass = ClassName(reader.ReadNameOrOrdinal());
        control.text = reader.ReadNameOrOrdinal();
        reader.Skip(reader.Read<WORD>());  // creation data
        result.controls.push_back(control);
    }
    return reader.Ok();
}

}  // namespace exl::test
