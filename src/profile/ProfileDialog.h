#pragma once
#include <cstdint>
#include <string>

#include "framework/Dialog.h"
#include "framework/ListView.h"
#include "profile/TransferProfile.h"

namespace exl {

// The editor records what a list reported current last: [Temp] "Tabelle" holds the
// table row's text, "Nr" the field row's number. Nothing reads it; the export
// command deletes the file after a transfer.
constexpr const char* kEditorScratchFile = ".\\exl\\rizeraru.tmp";
constexpr const char* kEditorScratchSection = "Temp";

// The profile editor. It keeps no working copy: every action writes its result into
// the profile at once, key by key, and the lists are refilled from the file; only a
// template path typed by hand waits for OK. Cancel writes nothing more and undoes
// nothing. An empty profilePath shows the defaults and writes nothing.
class ProfileDialog : public Dialog {
public:
    enum { IDD = 2003 };

    explicit ProfileDialog(HWND parent = nullptr);
    ~ProfileDialog() override;

    // Full path of the profile; set before the modal run.
    std::string profilePath;

protected:
    void DoDataExchange(DataExchange& exchange) override {}  // no bindings: handlers use the controls
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int controlId, int notification, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    void OnHelp() override;

private:
    TransferProfile Profile() const { return TransferProfile(profilePath); }

    void SetTexts();
    void ShowExcelDefaultSheets();
    void ShowCurrentTable();
    void InsertColumns();
    void BuildTableList(int count);
    void FillFieldList();

    void OnTableRowChanged(int row);
    void OnFieldRowChanged(int row);
    bool OnEditLeft(int controlId);
    void OnBrowse();
    void OnAddField();
    void OnEditField();
    void OnDeleteField();
    // A click on one of the [Datei] switch boxes; false for any other control.
    bool OnSwitchClicked(int controlId);
    // The field that row currentRow_ of the field list shows, when it is one of the
    // 1..m fields of the current table; false when currentRow_ names no field row.
    bool CurrentField(int& field) const;
    // At most the 254 characters of an edit's text that a profile value can hold.
    std::string EditText(int controlId) const;

    ListView tables_;
    ListView fields_;
    std::string currentSection_;
    // The row of the last change either list reported; -1 before the first.
    std::int16_t currentRow_ = -1;
    // The fills report the rows whose item data they set themselves, so the list's own
    // reports of those changes are held back while a fill runs.
    bool fillingTables_ = false;
    bool fillingFields_ = false;
    // Set once OK or Cancel has begun: the edits lose the focus as the window goes,
    // and nothing may be written then.
    bool closing_ = false;
};

}  // namespace exl
