#pragma once
// The INI syntax of a file's bytes, parsed once, answering as the platform's
// profile reader answers. It knows nothing of files or code pages: the caller
// tells it which bytes are blanks and how each byte folds, so the parse is the
// same code under Windows and in the native fuzzer.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
//
// A record file holds millions of keys, and the plug-in lives in the host's 32-bit
// address space: so the text keeps the file's bytes once and indexes each line by
// its offset only, reading names and values out of the bytes when asked.
class IniText {
public:
    IniText() = default;
    // Throws std::length_error for text of 4 GiB or more: its offsets are 32 bits wide.
    IniText(std::string content, const IniByteClasses& classes);

    // The value of the key as a read into a buffer of readSize characters gives it:
    // at most readSize - 1 characters; the default when the section or key is
    // missing or the key has no "="; empty for an empty key or a size below 1.
    std::string Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                    int readSize) const;

private:
    // Where a line starts in content_, after its leading blanks.
    using Offset = std::uint32_t;
    static constexpr Offset kNoHeader = ~Offset{0};
    struct Section {
        Offset header;    // the line's "[", or kNoHeader for the keys before the first section
        Offset firstKey;  // its keys are keys_[firstKey, the next section's firstKey)
    };
    struct KeyRange {
        std::size_t first;
        std::size_t last;
    };
    struct KeyLine {
        std::string_view name;
        std::optional<std::string_view> value;  // none without "="
    };

    void Parse();
    void IndexSections();
    void SortLargeSections();

    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
    std::optional<std::size_t> FindSection(const std::string& foldedName) const;
    std::size_t SlotOf(const std::string& foldedName) const;
    std::optional<Offset> FindKey(KeyRange keys, const std::string& foldedName) const;
    bool BeginsWith(Offset line, const std::string& foldedName) const;
    KeyRange KeysOf(std::size_t section) const;

    std::size_t LineBreak(std::size_t from) const;
    std::size_t TrimmedEnd(std::size_t start, std::size_t end) const;
    std::optional<std::string_view> HeaderName(std::size_t start, std::size_t end) const;
    std::string_view SectionName(const Section& section) const;
    KeyLine SplitKeyLine(std::size_t start) const;

    bool IsSpace(char c) const { return classes_.space[static_cast<unsigned char>(c)]; }
    char Folded(char c) const { return classes_.fold[static_cast<unsigned char>(c)]; }
    std::string_view Trim(std::string_view name) const;
    std::string FoldedName(std::string_view name) const;
    int CompareNames(std::string_view stored, std::string_view other, bool otherFolded) const;

    std::string content_;
    IniByteClasses classes_;
    std::vector<Section> sections_;     // every header line in file order, the nameless section first
    std::vector<Offset> keys_;          // a small section's keys in file order, a large one's sorted by name
    std::vector<Offset> sectionSlots_;  // open addressing on the folded name: index into sections_ + 1, 0 free
};

}  // namespace exl
