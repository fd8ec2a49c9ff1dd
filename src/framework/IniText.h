#pragma once
// The INI syntax of a file's bytes, parsed once, answering as the platform's
// profile reader answers. It knows nothing of files or code pages: the caller
// tells it which bytes are blanks and how each byte folds, so the parse is the
// same code under Windows and in the native fuzzer.
#include <string>
#include <unordered_map>

namespace exl {

// How the bytes of a single-byte code page behave in names and values.
struct IniByteClasses {
    bool space[256] = {};  // trimmed around names and values
    char fold[256] = {};   // the byte names are compared by: its lowercase letter, else itself
};

// Lines split at CR or LF; blanks trimmed around names and values and inside
// "[...]"; a section's name is taken between "[" and the last "]"; keys before
// the first section belong to a section without name; the first duplicate
// section and key win; a line without "=" is a key without value; one pair of
// matching surrounding quotes is removed from a value.
class IniText {
public:
    IniText() = default;
    IniText(const std::string& content, const IniByteClasses& classes);

    // The value of the key as a read into a buffer of readSize characters gives it:
    // at most readSize - 1 characters; the default when the section or key is
    // missing or the key has no "="; empty for an empty key or a size below 1.
    std::string Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                    int readSize) const;

private:
    struct Key {
        std::string value;
        bool hasValue = false;
    };
    using Section = std::unordered_map<std::string, Key>;

    void Parse(const std::string& content);
    const Key* Find(const std::string& section, const std::string& key) const;
    bool IsSpace(char c) const { return classes_.space[static_cast<unsigned char>(c)]; }
    std::string Fold(const std::string& name) const;
    std::string Trim(const std::string& name) const;

    IniByteClasses classes_;
    std::unordered_map<std::string, Section> sections_;
};

}  // namespace exl
