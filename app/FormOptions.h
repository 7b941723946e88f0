// The options dialog: the confirmations, the update check and animation options, and the
// exclusion list, edited on a private copy that reaches the options only through OK.
#pragma once

#include "core/Exclusions.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

namespace varnook {

class TOptions;

class TfrmOptions {
public:
    // Shows the dialog over the active window. OK puts the choices into the options, changes
    // only what differs in the shared exclusion list and saves; a failed save is reported and
    // the choices stay in memory. True when the user confirmed.
    static bool createAndShowModal(TOptions& options);

    TfrmOptions(const TfrmOptions&) = delete;
    TfrmOptions& operator=(const TfrmOptions&) = delete;
    ~TfrmOptions();

private:
    explicit TfrmOptions(TOptions& options);

    void FormCreate();
    void ApplyDpi(UINT dpi);
    // Rows from the working copy in index order; the row of select, if any, focused and selected.
    void FillList(const std::u16string& select);
    int FocusedRow() const;
    void FocusRow(int row);
    void UpdateButtons();
    void AddEntry();
    void EditEntry();
    void DeleteEntry();
    void Confirm();
    bool OnListNotify(NMHDR* header, LRESULT& result);
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    TOptions& options;
    std::unique_ptr<TExclusions> exclusion; // the working copy, owned while the dialog is open
    HWND FHandle = nullptr;
    HWND FList = nullptr;
    HIMAGELIST FImages = nullptr;
};

} // namespace varnook
