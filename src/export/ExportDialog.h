#pragma once
#include <cstdint>
#include <string>

#include "settings/ExportSettings.h"
#include "framework/Dialog.h"

namespace exl {

// The options dialog shown before every export. It writes only the Excel version
// to disk itself (at once, on every version click); the driver loads and saves
// the rest.
class ExportDialog : public Dialog {
public:
    enum { IDD = 2002 };

    explicit ExportDialog(HWND parent = nullptr);

    void Load(const ExportSettings& settings);
    ExportSettings Settings() const;

    std::int32_t assemblyInfo = 0;
    std::int32_t elementInfo = 0;
    std::string profilePath;
    std::int32_t newWorkbook = 0;
    std::int32_t levelZeroOnly = 0;
    std::int16_t excelVersion = 10;

protected:
    void DoDataExchange(DataExchange& exchange) override;
    bool OnInitDialog() override;
    bool OnCommand(int controlId, int notification, HWND control) override;
    void OnHelp() override;

private:
    void OnBrowse();
    void OnDefineProfile();
    void OnVersion(std::int16_t version);
};

}  // namespace exl
