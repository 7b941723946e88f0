#include "app/MainWindow.h"

#include "app/FormOK.h"
#include "app/FormYesNo.h"
#include "app/FormYesNoCancel.h"
#include "app/InfoPanel.h"
#include "app/OneInst.h"
#include "app/PanelLayout.h"
#include "app/TreeDragDrop.h"
#include "app/TreeView.h"
#include "app/Version.h"
#include "cli/CommandLine.h"
#include "edit/InPlaceEditor.h"
#include "core/Translate.h"
#include "platform/win32/Internet.h"
#include "platform/Clipboard.h"
#include "platform/FolderWatch.h"
#include "platform/win32/WinString.h"

#include <windowsx.h>

#include <chrono>

namespace varnook {

namespace {
constexpr wchar_t kClassName[] = L"TfrmMain";
TfrmMain* gMainWindow = nullptr;
} // namespace

TfrmMain* MainWindow()
{
    return gMainWindow;
}

TfrmMain::TfrmMain() = default;

TfrmMain::~TfrmMain()
{
    if (gMainWindow == this)
        gMainWindow = nullptr;
    if (Handle())
        DestroyWindow(Handle());
    if (accelerators_)
        DestroyAcceleratorTable(accelerators_);
    if (treeMenu_)
        DestroyMenu(treeMenu_);
    for (HIMAGELIST list : {toolbarIcons_, toolbarDisabledIcons_, treeImages_})
        if (list)
            ImageList_Destroy(list);
}

int TfrmMain::Run()
{
    TfrmMain window;
    if (!window.Create({}))
        return 1;
    MSG msg;
    for (;;) {
        // The rules of the actions are evaluated whenever the queue runs dry.
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            window.UpdateActions();
            WaitMessage();
            continue;
        }
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0)
            return got == 0 ? static_cast<int>(msg.wParam) : 1;
        if (window.PreTranslateMessage(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool TfrmMain::Create(const TStartOptions& start)
{
    gMainWindow = this;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON big = static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                              GetSystemMetrics(SM_CYICON), LR_SHARED));
    HICON small = static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    RegisterWindowClass(kClassName, CS_DBLCLKS, GetSysColorBrush(COLOR_BTNFACE), big, small);
    // Step 1 runs before the window exists: with arguments the process ends there, before the
    // window's DLLs (loaded on first use) are touched.
    if (start.runCommandLine)
        RunCommandLine();
    startScopes_ = std::make_unique<TScopesReader>();
    // The command line spoke the environment's language; the window starts English.
    UseLanguage(u"en");
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_LINK_CLASS | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    if (!CreateWindowFor(WS_EX_CONTROLPARENT, kClassName, L"Varnook", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                         CW_USEDEFAULT, CW_USEDEFAULT, 640, 600, nullptr, nullptr))
        return false;
    FormCreate(start);
    return true;
}

void TfrmMain::FormCreate(const TStartOptions& start)
{
    dpi_ = WindowDpi(Handle());
    layoutHeld_ = true;
    // 2. The activation request of a second instance is handled in PreTranslateMessage.
    // 3. English texts are built in.
    // 4. The caption carries the version of the executable.
    const std::u16string caption =
        u"Varnook " + GetVersionMajor() + u"." + GetVersionMinor() + u" build " + GetVersionBuild();
    SetWindowTextW(Handle(), platform::W(caption));

    // 5-6. The undo stack exists already; the toolbar icons come with the toolbars below.
    // 6. The toolbars and the other children, with their icons, exist before the options
    // arrange them.
    CreateChildren();
    // 7. Options, which own the exclusion list.
    options_ = std::make_unique<TOptions>(this);
    options_->Load();

    // 8-9. Both trees, each loaded from its scope.
    auto [systemScope, userScope] = startScopes_->Take();
    startScopes_.reset();
    sysTree_ = std::make_unique<TETree>(this);
    sysTree_->SetExclusions(&options_->GetExclusions());
    sysTree_->LoadFromStored(platform::kRootLocalMachine, kSystemEnvironmentKey, std::move(systemScope));
    userTree_ = std::make_unique<TETree>(this);
    userTree_->SetExclusions(&options_->GetExclusions());
    userTree_->LoadFromStored(platform::kRootCurrentUser, kUserEnvironmentKey, std::move(userScope));

    // 10.
    ApplyAnimationOption();
    // 11-12. The special variables, then the read-only option.
    sysTree_->AddSpecialVariables(SystemReadOnlyNames);
    userTree_->AddSpecialVariables(UserReadOnlyNames);
    userTree_->ShowReadOnly(options_->showReadonly);
    sysTree_->ShowReadOnly(options_->showReadonly);
    // The passes learn of new and deleted folders from the system instead of asking again and
    // again.
    sysTree_->WatchFolders(platform::MakeFolderWatch());
    userTree_->WatchFolders(platform::MakeFolderWatch());
    // Each view is filled once, with the trees complete.
    sysView_->Attach(sysTree_.get());
    userView_->Attach(userTree_.get());
    // 13.
    SetTimer(Handle(), kTimerId, kTimerInterval, nullptr);
    // 14. Without write access the system tree is shown, not edited.
    canWriteSystem_ = CanWriteSystemScope();
    if (!canWriteSystem_)
        SetSystemReadOnlyLook();
    // 15. The panels share the width evenly at first.
    {
        RECT area = PanelsArea();
        const int splitter = ScaleForDpi(4, dpi_);
        const int sysWidth = ((area.right - area.left) - splitter) / 2;
        proportion_ = ProportionFor(sysWidth, area.right - area.left, splitter);
    }
    // 16. The language list; a stored language translates the window.
    FillLanguageList();
    // 17.
    UpdateStatusBar();
    // 18-19.
    userTree_->SetResolvingTree(sysTree_.get());
    created_ = true;
    // 20-21. Placement from the options.
    PlaceWindow();
    // 22.
    SetInformationVisible(options_->showInformation);
    layoutHeld_ = false;
    LayoutChildren();
    // 23. Skins.
    FillSkinList();
    // 24.
    baseState_ = 0;
    // 25. The clipboard format of copied variables.
    platform::Clipboard().RegisterVariableFormat();
    // 26. The user selector.
    comboUsers.Attach(&userBox_);
    FillUserList();
    // 27. The update check at start-up, when the option asks for it.
    if (options_->checkForUpdates) {
        isAutoUpdate = true;
        CheckForUpdates();
    }

    // The drop-down lists of the dock come right after the window shows (the strips paint them
    // closed until then), before anything else waits in the queue.
    PostMessageW(Handle(), kMakeSelectorsMessage, 0, 0);
    // Dropping needs OLE, whose start costs more than anything else here and is of no use
    // before the window shows: it starts once the window is up.
    PostMessageW(Handle(), kStartDragDropMessage, 0, 0);

    if (start.show) {
        if (!options_->isMaximized)
            ShowWindow(Handle(), SW_SHOW);
        else
            ShowWindow(Handle(), SW_SHOWMAXIMIZED);
        UpdateWindow(Handle());
        FormShow();
    }
    UpdateActions();
}

void TfrmMain::MakeSelectorBoxes()
{
    for (const TSelectorBox* box : {&languageBox_, &skinBox_, &userBox_})
        box->Handle();
}

void TfrmMain::FormShow()
{
    SetFocus(userView_->Control());
}

void TfrmMain::SetActiveTree(TETree* tree)
{
    activeTree_ = tree;
    if (tree && !tree->FocusedNode())
        tree->ActivateNode(tree->GetFirstVisible());
}

void TfrmMain::OnActivateRequest()
{
    if (IsIconic(Handle()))
        ShowWindow(Handle(), SW_RESTORE);
    SetForegroundWindow(Handle());
}

bool TfrmMain::PreTranslateMessage(MSG& msg)
{
    RelayToSharedTooltip(msg);
    if (msg.message == ActivateWindowMessage() && ActivateWindowMessage() != 0) {
        OnActivateRequest();
        return true;
    }
    // An in-place editor keeps its keys (Delete, Ctrl+Z, Ctrl+C, Tab ...) for the text; only
    // keys that edit no text still run their commands.
    if (IsInPlaceEditor(msg.hwnd)) {
        if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) &&
            IsCommandKeyWhileEditing(static_cast<UINT>(msg.wParam), GetKeyState(VK_CONTROL) & 0x8000,
                                     GetKeyState(VK_SHIFT) & 0x8000, GetKeyState(VK_MENU) & 0x8000) &&
            accelerators_ && TranslateAcceleratorW(Handle(), accelerators_, &msg))
            return true;
        return false;
    }
    // Alt with the underlined letter of a selector's label or of an information tab.
    if (msg.message == WM_SYSKEYDOWN && (HIWORD(msg.lParam) & KF_ALTDOWN) && !(GetKeyState(VK_CONTROL) & 0x8000) &&
        OnAccessKey(static_cast<UINT>(msg.wParam)))
        return true;
    // Tab toggles between the two trees and never wanders into the toolbars from there.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000)) {
        if (msg.hwnd == sysView_->Control()) {
            SetFocus(userView_->Control());
            return true;
        }
        if (msg.hwnd == userView_->Control()) {
            SetFocus(sysView_->Control());
            return true;
        }
    }
    if (accelerators_ && (msg.hwnd == Handle() || IsChild(Handle(), msg.hwnd)) && !KeyBelongsToEditor(msg) &&
        TranslateAcceleratorW(Handle(), accelerators_, &msg))
        return true;
    if (IsDialogMessageW(Handle(), &msg))
        return true;
    return false;
}

bool TfrmMain::IsModified() const
{
    return baseState_ != undoStack_.GetPos();
}

void TfrmMain::Push()
{
    // A new edit throws away the redo entries from the current position on. If the saved state
    // was among them, no position can stand for it any more: stay modified until the next save.
    if (undoStack_.GetPos() < baseState_)
        baseState_ = -1;
    undoStack_.Push(*sysTree_, *userTree_);
}

void TfrmMain::Undo()
{
    undoStack_.Undo();
}

// The labels have fixed widths and a narrow window cuts their texts: the label's hint then
// shows the whole text.
static void SetStatusPartText(HWND statusBar, int part, const std::u16string& text)
{
    SendMessageW(statusBar, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(platform::W(text)));
    SetSharedToolText(statusBar, static_cast<UINT_PTR>(part), text);
}

std::u16string TfrmMain::StatusText(int label) const
{
    return label >= 0 && label < 4 ? statusText_[label] : std::u16string();
}

void TfrmMain::UpdateStatusBar()
{
    auto set = [this](int label, int image, std::u16string_view text) {
        const std::u16string shown = text.empty() ? std::u16string() : gettext(text);
        if (statusImage_[label] == image && statusText_[label] == shown)
            return;
        statusImage_[label] = image;
        statusText_[label] = shown;
        SetStatusPartText(statusBar_, label, shown);
        SendMessageW(statusBar_, SB_SETICON, label,
                     reinterpret_cast<LPARAM>(StatusIcon(image)));
    };
    if (IsModified())
        set(0, 0, N_(u"Modified"));
    else
        set(0, -1, u"");
    if (options_->IsCD())
        set(1, 1, N_(u"CD mode - options will not be saved"));
    else if (options_->IsPortable())
        set(1, 2, N_(u"USB (portable) mode"));
    if (!canWriteSystem_)
        set(2, 4, N_(u"You have no write access to the system variables"));
}

void TfrmMain::SetStatusLabel4(int image, std::u16string text)
{
    statusLabel4eng = std::move(text);
    statusImage_[3] = image;
    statusText_[3] = statusLabel4eng.empty() ? std::u16string() : gettext(statusLabel4eng);
    SetStatusPartText(statusBar_, 3, statusText_[3]);
    SendMessageW(statusBar_, SB_SETICON, 3,
                 reinterpret_cast<LPARAM>(StatusIcon(image)));
}

void TfrmMain::ApplyAnimationOption()
{
    // The tree control's own animation of expanding and collapsing: its buttons fade in and out.
    const DWORD fade = options_->isAnimation ? TVS_EX_FADEINOUTEXPANDOS : 0;
    for (const TTreeView* view : {sysView_.get(), userView_.get()})
        if (view)
            SendMessageW(view->Control(), TVM_SETEXTENDEDSTYLE, TVS_EX_FADEINOUTEXPANDOS, fade);
}

void TfrmMain::TimerTick()
{
    if (!created_)
        return;
    // A share of validation per tree each tick, so that the window answers within a frame or
    // two even while thousands of variables are verified.
    constexpr auto kVerifyShare = std::chrono::milliseconds(8);
    sysTree_->VerifyWithin(kVerifyShare);
    userTree_->VerifyWithin(kVerifyShare);
    FillInspector();
    CheckOutsideChanges();
}

void TfrmMain::Close()
{
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

bool TfrmMain::FormCloseQuery()
{
    // Typed text is kept as Save keeps it: the edit ends, accepted, before anything is asked.
    FinishEditing();
    if (options_->onExitConfirmation &&
        TfrmYesNo::createAndShowModal(gettext(u"Are you sure you want to exit?")) != mrYes)
        return false;
    if (IsModified()) {
        switch (TfrmYesNoCancel::createAndShowModal(gettext(u"Do you want to save the changes?"))) {
        case mrYes:
            // A failed save keeps the window open: the changes are still only here.
            if (!Save())
                return false;
            break;
        case mrNo:
            break;
        default:
            return false;
        }
    }
    StoreWindowState();
    try {
        options_->Save();
        if (const std::u16string notice = options_->TakeNotice(); !notice.empty())
            TfrmOK::createAndShowModal(notice, mtInformation);
    } catch (const std::exception& failure) {
        const auto* own = dynamic_cast<const EVarnookError*>(&failure);
        const std::u16string message = own ? own->Message() : FromUtf8(failure.what());
        TfrmOK::createAndShowModal(gettext(u"Error saving configuration:") + u"\r\n" + message, mtError);
    }
    return true;
}

void TfrmMain::FormDestroy()
{
    KillTimer(Handle(), kTimerId);
    // A check under way is dropped; its worker reports to nobody.
    XMLDoc.reset();
    created_ = false;
    dragDrop_.reset();
    if (sysView_)
        sysView_->Attach(nullptr);
    if (userView_)
        userView_->Attach(nullptr);
    activeTree_ = nullptr;
    // A profile hive this program loaded must not stay loaded: its user could not log on.
    StopWatchingStore();
    userHive_.Release();
}

LRESULT TfrmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam == kTimerId) {
            TimerTick();
            return 0;
        }
        break;
    case kMakeSelectorsMessage:
        MakeSelectorBoxes();
        return 0;
    case kStartDragDropMessage:
        if (created_ && !dragDrop_)
            dragDrop_ = std::make_unique<TTreeDragDrop>(*this);
        return 0;
    case kUpdateDocumentMessage:
        XMLDocAsyncLoad(static_cast<unsigned>(wParam));
        return 0;
    case WM_CLOSE:
        if (closing_)
            return 0;
        closing_ = true;
        {
            const bool close = FormCloseQuery();
            closing_ = false;
            if (close)
                DestroyWindow(Handle());
        }
        return 0;
    case WM_DESTROY:
        FormDestroy();
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        // Showing the window for the first time repeats the size it already has.
        if (LOWORD(lParam) != laidOut_.cx || HIWORD(lParam) != laidOut_.cy)
            LayoutChildren();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = ScaleForDpi(380, dpi_);
        info->ptMinTrackSize.y = ScaleForDpi(240, dpi_);
        return 0;
    }
    case WM_ENTERSIZEMOVE:
    case WM_WINDOWPOSCHANGING:
        // Completion popups hide before the window moves or changes size.
        // The window itself is passed along: while it is destroyed, MainWindow() is gone already.
        EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM self) -> BOOL {
            // Only the program's own forms; the controls' tooltips know nothing of it.
            wchar_t cls[32]{};
            GetClassNameW(w, cls, 32);
            if (w != reinterpret_cast<HWND>(self) && (wcsncmp(cls, L"Tfrm", 4) == 0 || wcsncmp(cls, L"Varnook", 7) == 0))
                PostMessageW(w, kHidePopupMessage, 0, 0);
            return TRUE;
        }, reinterpret_cast<LPARAM>(Handle()));
        break;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == Handle() && LOWORD(lParam) == HTCLIENT) {
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(Handle(), &pt);
            if (trackingSplitter_ || OverSplitter(pt)) {
                SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        OnSplitterMouse(message, lParam);
        break;
    case WM_COMMAND:
        if (lParam && reinterpret_cast<HWND>(lParam) == userBox_.Made() && HIWORD(wParam) == CBN_SELCHANGE) {
            comboUsersSelect();
            return 0;
        }
        if (lParam && reinterpret_cast<HWND>(lParam) == languageBox_.Made() && HIWORD(wParam) == CBN_SELCHANGE) {
            comboLanguagesChange();
            return 0;
        }
        if (lParam && reinterpret_cast<HWND>(lParam) == skinBox_.Made() && HIWORD(wParam) == CBN_SELCHANGE) {
            comboSkinsChange();
            return 0;
        }
        if (HIWORD(wParam) == 0 || HIWORD(wParam) == 1) { // menu or accelerator
            const unsigned id = LOWORD(wParam);
            if (id >= kCommandBase && id < kCommandBase + static_cast<unsigned>(TActionId::Count)) {
                ExecuteAction(static_cast<TActionId>(id - kCommandBase));
                return 0;
            }
        }
        break;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_MEASUREITEM:
        if (wParam == 0) {
            OnMeasureMenuItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_DRAWITEM:
        if (wParam == 0) {
            OnDrawMenuItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_NOTIFY:
        if (LRESULT result = 0; OnNotify(reinterpret_cast<NMHDR*>(lParam), result))
            return result;
        break;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == rebar_ || IsChild(rebar_, reinterpret_cast<HWND>(wParam))) {
            ShowToolbarsMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (userView_)
            SetFocus((activeTree_ == sysTree_.get() ? sysView_ : userView_)->Control());
        return 0;
    }
    return DefaultProc(message, wParam, lParam);
}

} // namespace varnook
