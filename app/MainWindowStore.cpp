// The main window and the store: saving, reloading, and the window's own place kept in the
// options.
#include "app/MainWindow.h"
#include "app/FormSaveConflict.h"
#include "app/PanelLayout.h"
#include "app/TreeView.h"
#include "core/Translate.h"

namespace varnook {

namespace {
TBox ToBox(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}
RECT ToRect(const TBox& b)
{
    return {b.left, b.top, b.right, b.bottom};
}
} // namespace

TScopesReader::TScopesReader()
{
    thread_ = CreateThread(nullptr, 64 * 1024, &TScopesReader::Main, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
}

TScopesReader::~TScopesReader()
{
    Join();
}

void TScopesReader::Join()
{
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
}

DWORD WINAPI TScopesReader::Main(void* self)
{
    static_cast<TScopesReader*>(self)->Read();
    return 0;
}

void TScopesReader::Read() noexcept
{
    try {
        scopes_ = {ReadScope(platform::kRootLocalMachine, kSystemEnvironmentKey),
                   ReadScope(platform::kRootCurrentUser, kUserEnvironmentKey)};
    } catch (...) {
        failure_ = std::current_exception();
    }
}

std::pair<TStoredScope, TStoredScope> TScopesReader::Take()
{
    if (thread_)
        Join();
    else
        Read(); // no worker to be had: read here
    if (failure_)
        std::rethrow_exception(failure_);
    return std::move(scopes_);
}

void TfrmMain::PlaceWindow()
{
    const TOptions& o = *options_;
    if (o.left == -1 || o.top == -1 || o.width == -1 || o.height == -1) {
        // The design size, centred on the monitor's work area and never beyond it.
        RECT client{0, 0, ScaleForDpi(631, dpi_), ScaleForDpi(570, dpi_)};
        AdjustWindowRectExForDpi(&client, GetWindowLongW(Handle(), GWL_STYLE), TRUE, GetWindowLongW(Handle(), GWL_EXSTYLE),
                                 dpi_);
        const int width = client.right - client.left;
        const int height = client.bottom - client.top;
        MONITORINFO monitor{sizeof(monitor)};
        GetMonitorInfoW(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT& work = monitor.rcWork;
        const int left = work.left + ((work.right - work.left) - width) / 2;
        const int top = work.top + ((work.bottom - work.top) - height) / 2;
        const TBox placed = ClampToWorkArea({left, top, left + width, top + height}, ToBox(work));
        SetWindowPos(Handle(), nullptr, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    // The stored rectangle is in workspace coordinates (relative to the work area of the primary
    // monitor); it is clamped on the monitor it lies on, or the nearest one when that is gone.
    MONITORINFO primary{sizeof(primary)};
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    const int dx = primary.rcWork.left - primary.rcMonitor.left, dy = primary.rcWork.top - primary.rcMonitor.top;
    RECT stored{o.left + dx, o.top + dy, o.left + dx + std::max(0, o.width), o.top + dy + std::max(0, o.height)};
    MONITORINFO monitor{sizeof(monitor)};
    GetMonitorInfoW(MonitorFromRect(&stored, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT placed = ToRect(ClampToWorkArea(ToBox(stored), ToBox(monitor.rcWork)));
    OffsetRect(&placed, -dx, -dy);
    WINDOWPLACEMENT placement{sizeof(placement)};
    GetWindowPlacement(Handle(), &placement);
    placement.rcNormalPosition = placed;
    placement.showCmd = SW_SHOWNOACTIVATE;
    placement.flags = 0;
    SetWindowPlacement(Handle(), &placement);
}

void TfrmMain::StoreWindowState()
{
    options_->skin = skinBox_.SelectedText();
    options_->SetLanguage(languageBox_.SelectedText());
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

// Both scopes are compared with the store before anything is written, so that the question
// about variables another program changed as well comes once, and Cancel or Reload writes nothing.
bool TfrmMain::SaveTrees()
{
    const bool system = CanWriteSystemScope();
    std::vector<TMergeEntry> sysPlan, userPlan;
    if (system)
        sysPlan = sysTree_->PlanSave();
    userPlan = userTree_->PlanSave();
    std::vector<std::u16string> conflicts;
    for (const auto* plan : {&sysPlan, &userPlan})
        for (const auto& e : *plan)
            if (e.Conflict())
                conflicts.push_back(e.ours ? e.ours->name : e.base ? e.base->name : e.theirs->name);
    bool keepOurs = true;
    if (!conflicts.empty()) {
        switch (TfrmSaveConflict::createAndShowModal(conflicts)) {
        case TSaveConflictAnswer::KeepMine:
            break;
        case TSaveConflictAnswer::KeepTheirs:
            keepOurs = false;
            break;
        case TSaveConflictAnswer::Reload:
            ReloadKeepingView();
            return false;
        case TSaveConflictAnswer::Cancel:
            return false;
        }
    }
    if (system)
        sysTree_->ApplySave(sysPlan, keepOurs);
    userTree_->ApplySave(userPlan, keepOurs);
    return true;
}

bool TfrmMain::Save()
{
    // An edit in progress belongs to what is saved.
    FinishEditing();
    SendMessageW(statusBar_, SB_SETICON, 0, reinterpret_cast<LPARAM>(StatusIcon(3)));
    const std::u16string saving = gettext(u"Saving ...");
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(saving.c_str()));
    statusImage_[0] = 3;
    statusText_[0] = saving;
    UpdateWindow(statusBar_);
    bool saved = false;
    try {
        if (SaveTrees()) {
            baseState_ = undoStack_.GetPos();
            BroadcastEnvironmentChange(2000);
            saved = true;
        }
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

} // namespace varnook
