#include "export/InformationQuery.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "catalogue/MessageCatalogue.h"
#include "export/records/RecordFile.h"
#include "framework/CodePage.h"
#include "framework/MessageBoxes.h"
#include "framework/Raii.h"
#include "host/HostGateway.h"
#include "profile/TransferProfile.h"

namespace exl {

namespace {

// The runtime puts the names into TMP when that directory exists, else into the
// exl directory beside the working directory (not the one below it).
constexpr const char* kTemporaryDirectory = "..\\exl";
constexpr const char* kTemporaryPrefix = "exl";

constexpr int kNameNotMadeMessage = 3;
constexpr int kFileNotCreatedMessage = 4;
constexpr int kResultNotOpenedMessage = 5;

constexpr std::size_t kStreamBufferSize = 1 << 16;

void ShowMessage(int key) { FrameworkMessageBox(MessageCatalogue::Text(kMessageSection, key)); }

struct FreeDeleter {
    void operator()(char* memory) const { std::free(memory); }
};

const char* PathOrNull(const std::optional<std::string>& name) { return name ? name->c_str() : nullptr; }

// A stream that is written completely and closes without error; anything else
// (a full disk) would hand the next reader a cut file as if it were whole.
bool CloseWritten(UniqueFile& stream) {
    bool good = std::ferror(stream.get()) == 0;
    good = std::fclose(stream.release()) == 0 && good;
    return good;
}

// The search file for the host and the numbered field list,
// from every table's fields in order. Returns the field total.
std::int32_t WriteQueryFiles(const TransferProfile& profile, std::FILE* searchSpec, std::FILE* fieldList) {
    std::fputs(kSearchSpecHead, searchSpec);
    std::fprintf(fieldList, "[%s]\n", kFieldListSection);
    std::int32_t fieldTotal = 0;
    // Wider counters than the 16-bit counts, so a count of 32767 cannot wrap.
    const int tables = profile.TableCountForQuery();
    for (int table = 1; table <= tables; ++table) {
        const int fields = profile.FieldCount(table);
        for (int field = 1; field <= fields; ++field) {
            // The host reads its search in the OEM code page.
            std::string name = ConvertAnsiToOem(profile.QueryFieldName(table, field));
            std::fprintf(searchSpec, kSearchLineFormat, name.c_str());
            std::fprintf(fieldList, "%i=%s\n", fieldTotal + field, name.c_str());
        }
        if (fields > 0) fieldTotal += fields;
    }
    std::fprintf(fieldList, "%s=%i\n", kFieldTotalKey, fieldTotal);
    std::fputs(kSearchSpecEnd, searchSpec);
    return fieldTotal;
}

}  // namespace

std::uint8_t QueryModeFlagsFor(const ExportSettings& settings) {
    std::uint8_t flags = kQueryAlways;
    if (IsOn(settings.assemblyInfo)) flags |= kQueryAssemblyInfo;
    if (IsOn(settings.elementInfo)) flags |= kQueryElementInfo;
    if (IsOn(settings.levelZeroOnly)) flags |= kQueryLevelZeroOnly;
    return flags;
}

std::optional<std::string> MakeTemporaryName() {
    std::unique_ptr<char, FreeDeleter> name(_tempnam(kTemporaryDirectory, kTemporaryPrefix));
    if (!name) return std::nullopt;
    return std::string(name.get());
}

QueryOutcome RunInformationQuery(const ExportSettings& settings) {
    return RunInformationQuery(settings, &MakeTemporaryName);
}

QueryOutcome RunInformationQuery(const ExportSettings& settings, const TemporaryNameMaker& makeName) {
    QueryOutcome outcome;
    std::optional<std::string> names[3];
    for (std::optional<std::string>& name : names) {
        name = makeName();
        if (!name) ShowMessage(kNameNotMadeMessage);
    }
    const std::optional<std::string>& searchSpecName = names[0];
    const std::optional<std::string>& resultName = names[1];
    const std::optional<std::string>& fieldListName = names[2];
    outcome.recordFile = searchSpecName.value_or("");
    outcome.resultFile = resultName.value_or("");
    outcome.fieldListFile = fieldListName.value_or("");

    // A missing name makes its file's creation fail like any other.
    UniqueFile fieldList = OpenFile(PathOrNull(fieldListName), "w");
    if (!fieldList) {
        ShowMessage(kFileNotCreatedMessage);
        return outcome;
    }
    UniqueFile searchSpec = OpenFile(PathOrNull(searchSpecName), "w");
    if (!searchSpec) {
        ShowMessage(kFileNotCreatedMessage);
        return outcome;
    }
    const std::int32_t fieldTotal = WriteQueryFiles(TransferProfile(settings.profilePath), searchSpec.get(),
                                                    fieldList.get());
    const bool written = CloseWritten(fieldList) & CloseWritten(searchSpec);
    if (!written) {
        ShowMessage(kFileNotCreatedMessage);
        return outcome;
    }

    // Without a result name the host would be handed a missing path; its answer
    // could not be read anyway.
    if (!resultName) {
        ShowMessage(kResultNotOpenedMessage);
        return outcome;
    }
    RequestInfoQuery(*searchSpecName, *resultName, QueryModeFlagsFor(settings));

    UniqueFile result = OpenFile(resultName->c_str(), kResultOpenMode);
    if (!result) {
        ShowMessage(kResultNotOpenedMessage);
        return outcome;
    }
    // The record file takes the search file's place.
    UniqueFile recordFile = OpenFile(searchSpecName->c_str(), "w");
    if (!recordFile) {
        ShowMessage(kFileNotCreatedMessage);
        return outcome;
    }
    std::setvbuf(result.get(), nullptr, _IOFBF, kStreamBufferSize);
    std::setvbuf(recordFile.get(), nullptr, _IOFBF, kStreamBufferSize);
    outcome.recordCount = BuildRecordFile(result.get(), recordFile.get(), *fieldListName, fieldTotal);
    result.reset();
    if (!CloseWritten(recordFile)) {
        ShowMessage(kFileNotCreatedMessage);
        outcome.recordCount = 0;
        return outcome;
    }
    outcome.commandEnded = false;
    return outcome;
}

}  // namespace exl
