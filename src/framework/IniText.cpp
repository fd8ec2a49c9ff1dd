#include "framework/IniText.h"

#include <algorithm>
#include <stdexcept>

namespace exl {

namespace {

// Sections of at most this many keys are searched key by key in file order;
// larger ones are sorted by name once, so a section of many keys stays fast.
constexpr std::size_t kScannedKeys = 16;

// Names and values end at a NUL, as C strings do inside the platform.
std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// The platform's copy of a value into a buffer of readSize characters: one pair of
// matching surrounding quotes goes, and when the quoted text fills the buffer
// exactly, the platform drops the last character it kept as if it were the quote.
std::string CopyEntry(std::string_view value, int readSize) {
    std::size_t begin = 0;
    bool quoted = value.size() > 1 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
    if (quoted) begin = 1;
    const std::size_t rest = value.size() - begin;
    std::string copy(value.substr(begin, static_cast<std::size_t>(readSize - 1)));
    if (quoted && static_cast<std::size_t>(readSize) >= rest && !copy.empty()) copy.pop_back();
    return copy;
}

// FNV-1a over the folded bytes.
std::uint32_t NameHash(const std::string& foldedName) {
    std::uint32_t hash = 2166136261u;
    for (char c : foldedName) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace

IniText::IniText(std::string content, const IniByteClasses& classes)
    : content_(std::move(content)), classes_(classes) {
    if (content_.size() >= kNoHeader) throw std::length_error("INI text of 4 GiB or more");
    Parse();
    IndexSections();
    SortLargeSections();
}

std::size_t IniText::LineBreak(std::size_t from) const {
    while (from < content_.size() && content_[from] != '\r' && content_[from] != '\n') ++from;
    return from;
}

std::size_t IniText::TrimmedEnd(std::size_t start, std::size_t end) const {
    while (end > start && IsSpace(content_[end - 1])) --end;
    return end;
}

std::string_view IniText::Trim(std::string_view name) const {
    while (!name.empty() && IsSpace(name.front())) name.remove_prefix(1);
    while (!name.empty() && IsSpace(name.back())) name.remove_suffix(1);
    return name;
}

std::string IniText::FoldedName(std::string_view name) const {
    std::string folded(name);
    for (char& c : folded) c = Folded(c);
    return folded;
}

int IniText::CompareNames(std::string_view stored, std::string_view other, bool otherFolded) const {
    const std::size_t common = std::min(stored.size(), other.size());
    for (std::size_t at = 0; at < common; ++at) {
        const auto left = static_cast<unsigned char>(Folded(stored[at]));
        const auto right = static_cast<unsigned char>(otherFolded ? other[at] : Folded(other[at]));
        if (left != right) return left < right ? -1 : 1;
    }
    return stored.size() < other.size() ? -1 : stored.size() > other.size() ? 1 : 0;
}

std::optional<std::string_view> IniText::HeaderName(std::size_t start, std::size_t end) const {
    if (content_[start] != '[') return std::nullopt;
    // The last "]" of this line only: searching back through the whole file
    // made a file of many unclosed "[" lines take quadratic time.
    std::size_t close = end - 1;
    while (close > start && content_[close] != ']') --close;
    if (close == start) return std::nullopt;
    return Trim(UpToNul(std::string_view(content_).substr(start + 1, close - start - 1)));
}

std::string_view IniText::SectionName(const Section& section) const {
    if (section.header == kNoHeader) return {};
    return *HeaderName(section.header, TrimmedEnd(section.header, LineBreak(section.header)));
}

IniText::KeyLine IniText::SplitKeyLine(std::size_t start) const {
    const std::string_view line =
        std::string_view(content_).substr(start, TrimmedEnd(start, LineBreak(start)) - start);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return {UpToNul(line), std::nullopt};
    std::size_t nameEnd = equals;
    while (nameEnd > 0 && IsSpace(line[nameEnd - 1])) --nameEnd;
    std::size_t valueStart = equals + 1;
    while (valueStart < line.size() && IsSpace(line[valueStart])) ++valueStart;
    return {UpToNul(line.substr(0, nameEnd)), UpToNul(line.substr(valueStart))};
}

void IniText::Parse() {
    sections_.push_back({kNoHeader, 0});
    for (std::size_t next = 0; next < content_.size();) {
        std::size_t start = next;
        const std::size_t lineBreak = LineBreak(start);
        next = lineBreak + 1;
        while (start < lineBreak && IsSpace(content_[start])) ++start;
        if (start == lineBreak) continue;
        // A "[" line without "]" is an ordinary line.
        if (HeaderName(start, TrimmedEnd(start, lineBreak)))
            sections_.push_back({static_cast<Offset>(start), static_cast<Offset>(keys_.size())});
        else
            keys_.push_back(static_cast<Offset>(start));
    }
}

// Open addressing at half load: the slots cost four bytes per section, where a
// node-based map costs tens.
std::size_t IniText::SlotOf(const std::string& foldedName) const {
    const std::uint32_t mixed = NameHash(foldedName) * 0x9E3779B1u;
    std::size_t slot = static_cast<std::size_t>((static_cast<std::uint64_t>(mixed) * sectionSlots_.size()) >> 32);
    while (sectionSlots_[slot] != 0 &&
           CompareNames(SectionName(sections_[sectionSlots_[slot] - 1]), foldedName, true) != 0)
        slot = slot + 1 == sectionSlots_.size() ? 0 : slot + 1;
    return slot;
}

void IniText::IndexSections() {
    sectionSlots_.assign(2 * sections_.size(), 0);
    for (std::size_t index = 0; index < sections_.size(); ++index) {
        const std::size_t slot = SlotOf(FoldedName(SectionName(sections_[index])));
        // A repeated section meets its first and stays unreachable, keys and all.
        if (sectionSlots_[slot] == 0) sectionSlots_[slot] = static_cast<Offset>(index + 1);
    }
}

IniText::KeyRange IniText::KeysOf(std::size_t section) const {
    const std::size_t last = section + 1 < sections_.size() ? sections_[section + 1].firstKey : keys_.size();
    return {sections_[section].firstKey, last};
}

void IniText::SortLargeSections() {
    // Equal names stay in file order, so the first duplicate key still wins.
    auto byName = [this](Offset left, Offset right) {
        const int order = CompareNames(SplitKeyLine(left).name, SplitKeyLine(right).name, false);
        return order != 0 ? order < 0 : left < right;
    };
    for (std::size_t section = 0; section < sections_.size(); ++section) {
        const KeyRange keys = KeysOf(section);
        if (keys.last - keys.first <= kScannedKeys) continue;
        std::sort(keys_.begin() + static_cast<std::ptrdiff_t>(keys.first),
                  keys_.begin() + static_cast<std::ptrdiff_t>(keys.last), byName);
    }
}

std::optional<std::size_t> IniText::FindSection(const std::string& foldedName) const {
    if (sectionSlots_.empty()) return std::nullopt;
    const Offset index = sectionSlots_[SlotOf(foldedName)];
    if (index == 0) return std::nullopt;
    return index - 1;
}

// A key's name is the start of its line, so a line that does not begin with the
// folded name cannot hold it; most lines of a section are ruled out so, unparsed.
bool IniText::BeginsWith(Offset line, const std::string& foldedName) const {
    const std::size_t end = std::min(content_.size(), line + foldedName.size());
    for (std::size_t at = line; at < end; ++at)
        if (Folded(content_[at]) != foldedName[at - line]) return false;
    return end - line == foldedName.size();
}

std::optional<IniText::Offset> IniText::FindKey(KeyRange keys, const std::string& foldedName) const {
    auto named = [&](Offset line) {
        return BeginsWith(line, foldedName) && CompareNames(SplitKeyLine(line).name, foldedName, true) == 0;
    };
    const auto first = keys_.begin() + static_cast<std::ptrdiff_t>(keys.first);
    const auto last = keys_.begin() + static_cast<std::ptrdiff_t>(keys.last);
    if (keys.last - keys.first <= kScannedKeys) {
        const auto found = std::find_if(first, last, named);
        if (found == last) return std::nullopt;
        return *found;
    }
    const auto found = std::lower_bound(first, last, foldedName, [this](Offset line, const std::string& name) {
        return CompareNames(SplitKeyLine(line).name, name, true) < 0;
    });
    if (found == last || !named(*found)) return std::nullopt;
    return *found;
}

std::optional<std::string_view> IniText::Find(std::string_view section, std::string_view key) const {
    const std::optional<std::size_t> foundSection = FindSection(FoldedName(Trim(section)));
    if (!foundSection) return std::nullopt;
    const std::optional<Offset> line = FindKey(KeysOf(*foundSection), FoldedName(Trim(key)));
    if (!line) return std::nullopt;
    return SplitKeyLine(*line).value;
}

std::string IniText::Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                         int readSize) const {
    // The platform sees every argument as a C string.
    const std::string_view keyName = UpToNul(key);
    if (readSize <= 0 || keyName.empty()) return std::string();
    const std::optional<std::string_view> value = Find(UpToNul(section), keyName);
    return CopyEntry(value ? *value : UpToNul(defaultValue), readSize);
}

}  // namespace exl
