// The main window and the store: saving, reloading, and the window's own place kept in the
// options.
#include "app/MainWindow.h"
#include "app/TreeView.h"
#include "core/Translate.h"

namespace varnook {

void TfrmMain::PlaceWindow()
{
    const TOptions& o = *options_;
    if (o.left == -1 || o.top == -1 || o.width == -1 || o.height == -1) {
        // The design size, centred on the monitor's work area.
        RECT client{0, 0, ScaleForDpi(631, dpi_), ScaleForDpi(570, dpi_)};
        AdjustWindowRectExForDpi(&client, GetWindowLongW(Handle(), GWL_STYLE), TRUE, GetWindowLongW(Handle(), GWL_EXSTYLE),
                                 dpi_);
        const int width = client.right - client.left;
        const int height = client.bottom - client.top;
        MONITORINFO monitor{sizeof(monitor)};
        GetMonitorInfoW(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT& work = monitor.rcWork;
        SetWindowPos(Handle(), nullptr, work.left + ((work.right - work.left) - width) / 2,
                     work.top + ((work.bottom - work.top) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    WINDOWPLACEMENT placement{sizeof(placement)};
    GetWindowPlacement(Handle(), &placement);
    placement.rcNormalPosition = {o.left, o.top, o.left + o.width, o.top + o.height};
    placement.showCmd = SW_SHOWNOACTIVATE;
    placement.flags = 0;
    SetWindowPlacement(Handle(), &placement);
}

void TfrmMain::StoreWindowState()
{
    auto selectorText = [](HWND box) {
        std::wstring text(GetWindowTextLengthW(box) + 1, L'\0');
        text.resize(GetWindowTextW(box, text.data(), static_cast<int>(text.size())));
        return std::u16string(text.begin(), text.end());
    };
    options_->skin = selectorText(skinBox_);
    options_->SetLanguage(selectorText(languageBox_));
    WINDOWPLACEMENT placement{sizeof(placement)};
    if (GetWindowPlacement(Handle(), &placement)) {
        const RECT& r = placement.rcNormalPosition;
        options_->left = r.left;
        options_->top = r.top;
        options_->width = r.right - r.left;
        options_->height = r.bottom - r.top;
    }
    options_->isMaximized = IsZoomed(Handle()) != FALSE;
}

bool TfrmMain::SaveTrees()
{
    if (CanWriteSystemScope())
        sysTree_->SaveToRegistry();
    userTree_->SaveToRegistry();
    return true;
}

bool TfrmMain::Save()
{
    // An edit in progress belongs to what is saved.
    FinishEditing();
    SendMessageW(statusBar_, SB_SETICON, 0, reinterpret_cast<LPARAM>(statusIcons_[3].get()));
    const std::u16string saving = gettext(u"Saving ...");
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(saving.c_str()));
    statusImage_[0] = 3;
    statusText_[0] = saving;
    UpdateWindow(statusBar_);
    bool saved = false;
    try {
        SaveTrees();
        baseState_ = undoStack_.GetPos();
        BroadcastEnvironmentChange(2000);
        saved = true;
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
    }
    // Whatever happened, the label no longer says "Saving".
    statusImage_[0] = -1;
    statusText_[0].clear();
    SendMessageW(statusBar_, SB_SETICON, 0, 0);
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
    UpdateStatusBar();
    return saved;
}

bool TfrmMain::ReloadFromStore()
{
    sysTree_->LoadFromRegistry(platform::kRootLocalMachine, kSystemEnvironmentKey);
    userTree_->LoadFromRegistry(platform::kRootCurrentUser, kUserEnvironmentKey);
    sysTree_->AddSpecialVariables(SystemReadOnlyNames);
    userTree_->AddSpecialVariables(UserReadOnlyNames);
    sysTree_->ShowReadOnly(options_->showReadonly);
    userTree_->ShowReadOnly(options_->showReadonly);
    undoStack_.Clear();
    baseState_ = 0;
    UpdateStatusBar();
    return true;
}

} // namespace varnook
