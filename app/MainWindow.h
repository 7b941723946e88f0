// The main window: both variable trees side by side, the toolbars, the information panel and
// the status bar. The class is split by concern across MainWindow*.cpp.
#pragma once

#include "app/Actions.h"
#include "app/Options.h"
#include "app/StoreWatcher.h"
#include "app/ToolsUser.h"
#include "app/VarnookUI.h"
#include "app/Window.h"
#include "core/ETree.h"
#include "edit/PushInterface.h"
#include "edit/UndoStack.h"
#include "platform/win32/Handles.h"

#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>

namespace varnook {

class TTreeView;
class TInfoPanel;
class TInspector;
class TTreeDragDrop;
struct TVariableRecord;

namespace platform {
class TAsyncGet;
}

// Both scopes read on a worker from its making on; the store answers the worker's questions
// while the window's thread asks for windows.
class TScopesReader {
public:
    TScopesReader();
    ~TScopesReader();
    TScopesReader(const TScopesReader&) = delete;
    TScopesReader& operator=(const TScopesReader&) = delete;
    // Waits for the worker; a failure of its reading is raised here.
    std::pair<TStoredScope, TStoredScope> Take();

private:
    static DWORD WINAPI Main(void* self);
    void Read() noexcept;
    void Join();

    HANDLE thread_ = nullptr;
    std::pair<TStoredScope, TStoredScope> scopes_;
    std::exception_ptr failure_;
};

class TfrmMain final : public TWindow, public IPushInterface, public IToolbarOwner {
public:
    struct TStartOptions {
        // The command-line mode runs first; tests that create the window in their own process
        // switch it off, since their arguments are not ours.
        bool runCommandLine = true;
        // Show the window at the end of the start-up sequence.
        bool show = true;
    };

    TfrmMain();
    ~TfrmMain() override;

    // The process entry after the single-instance guard: creates the window and runs the
    // message loop until it closes. Gives the exit code.
    static int Run();

    // Creates the window and runs the start-up sequence. False when the window could not be made.
    bool Create(const TStartOptions& start);
    // Asks the window to close as the user would (the closing sequence runs).
    void Close();

    bool IsModified() const;
    void UpdateStatusBar();
    void SetStatusLabel4(int image, std::u16string text);
    void ApplyAnimationOption();
    void StoreWindowState();

    // The save action: writes both trees and tells running programs. False when it failed
    // (the failure has been reported; the window stays modified).
    bool Save();
    // Reads both scopes again, the user scope of the user selected; clears the undo history.
    // False when that user's profile cannot be loaded (reported; nothing changed).
    bool ReloadFromStore();
    // Looks whether another program changed a scope key (the timer does it): without unsaved
    // edits the trees are reloaded at once, keeping focus and expansion; with them the status
    // bar tells how many variables changed and offers Refresh.
    void CheckOutsideChanges();
    // Runs an action as a key, menu item or button would: only when its rule allows it.
    bool ExecuteAction(TActionId id);
    bool IsActionEnabled(TActionId id) const;
    bool IsActionChecked(TActionId id) const;
    // Evaluates every rule, as the message loop does when it goes idle.
    void UpdateActions();

    // IPushInterface
    void Push() override;
    void Undo() override;

    // IToolbarOwner
    std::vector<TToolbarArrangement> GetToolbarArrangement() override;
    void ApplyToolbarArrangement(const TToolbarArrangement& arrangement) override;

    // The update check (MainWindowUpdate.cpp): starts one check; the answer comes later.
    void CheckForUpdates();
    // The closing questions, asked by the update dialog before it starts an installer.
    bool QueryClose();
    // Ends the program once an installer has started; the closing questions are not asked again.
    void EndForInstaller();
    bool InstallerStarted() const { return installerStarted_; }
    bool isAutoUpdate = false;
    bool isUpdateErrorShown = false;
    static constexpr UINT kUpdateDocumentMessage = WM_APP + 3014;
    static constexpr UINT kStartDragDropMessage = WM_APP + 3650;
    static constexpr UINT kMakeSelectorsMessage = WM_APP + 3651;
    // The drop-down lists of the dock, made now if they were not yet.
    void MakeSelectorBoxes();

    // Messages the application's loop hands to the window before they are dispatched.
    bool PreTranslateMessage(MSG& msg);
    // Alt + the underlined letter of a selector's label or of an information tab (the
    // virtual-key code of the letter): focuses the selector or switches the tab.
    bool OnAccessKey(UINT key);
    HWND LanguageSelector() const { return languageBox_.Handle(); }
    // A row of the language list picked: the window shows that language at once.
    void comboLanguagesChange();
    // A row of the skin list picked: the window and later dialogs take that look at once.
    void comboSkinsChange();
    // The window's texts again, when the language in use is not the one they are in.
    void RetranslateComponent();
    HWND SkinSelector() const { return skinBox_.Handle(); }
    HWND UserSelector() const { return userBox_.Handle(); }
    HWND Toolbars() const { return rebar_; }

    TETree* SysVarTree() const { return sysTree_.get(); }
    TETree* UserVarTree() const { return userTree_.get(); }
    TETree* ActiveTree() const { return activeTree_; }
    TTreeView* SysTreeView() const { return sysView_.get(); }
    TTreeView* UserTreeView() const { return userView_.get(); }
    // The view of ActiveTree; none while no tree is active.
    TTreeView* ActiveView() const;
    // Ends the in-place edits of both trees, accepting their text.
    void FinishEditing();
    // Dragging nodes within and between the trees; none before the trees exist.
    TTreeDragDrop* DragDrop() const { return dragDrop_.get(); }
    TOptions& Options() const { return *options_; }
    TUndoStack& GetUndoStack() { return undoStack_; }
    int BaseState() const { return baseState_; }
    double Proportion() const { return proportion_; }
    HWND StatusBar() const { return statusBar_; }
    const TUsersComboBox& UsersList() const { return comboUsers; }
    int CurrentUser() const { return CURRENT_USER; }
    const TProfileHive& UserHive() const { return userHive_; }
    HWND InformationPanel() const;
    TInfoPanel* InfoPanel() const { return infoPanel_.get(); }
    bool CanWriteSystem() const { return canWriteSystem_; }
    // The text of the last confirmed search; empty until then.
    const std::u16string& SearchString() const { return searchString; }
    // The text a status label shows now.
    std::u16string StatusText(int label) const;

    static constexpr UINT_PTR kTimerId = 1;
    // Menu and accelerator commands: the base plus the action's number.
    static constexpr unsigned kCommandBase = 40000;
    static constexpr UINT kTimerInterval = 200;
    static constexpr UINT kHidePopupMessage = WM_USER + 999;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TTreeView;

    // MainWindow.cpp
    void FormCreate(const TStartOptions& start);
    void FormShow();
    bool FormCloseQuery();
    void FormDestroy();
    void TimerTick();
    void SetActiveTree(TETree* tree);
    bool OnNotify(NMHDR* header, LRESULT& result);
    void OnActivateRequest();

    // MainWindowInspector.cpp
    void CreateInspector();
    void FillInspector();

    // MainWindowClipboard.cpp
    // The in-place editor of either tree while it has the keyboard focus; none otherwise.
    HWND InPlaceEditor() const;
    void CopyToClipboard();
    void PasteFromClipboard();
    void PasteVariable(TETree& tree, const TVariableRecord& record);
    void Find();
    bool FindInActiveTree(bool fromStart);

    // MainWindowLayout.cpp
    void CreateChildren();
    void CreateToolbars();
    void CreateStatusBar();
    // The labels' hint spots follow the labels.
    void PlaceStatusTips();
    void LayoutChildren();
    void LayoutTreePanels();
    void OnSplitterMouse(UINT message, LPARAM lParam);
    bool OverSplitter(POINT client) const;
    RECT PanelsArea() const;
    void SetInformationVisible(bool visible);
    bool InformationVisible() const;
    void SetToolbarVisible(int band, bool visible);
    bool ToolbarVisible(int band) const;
    void SizeBandToIdeal(int index);
    void FitToolbarRows();
    // Interface language and skin (MainWindowLanguage.cpp).
    void FillLanguageList();
    void FillSkinList();
    void RetranslateSelectors();
    void RetranslateToolbar();
    void RetranslateUserList();
    void RememberToolbarRows();
    void ShowChevronMenu(const NMREBARCHEVRON& chevron);
    void OnDpiChanged(UINT dpi, const RECT* suggested);
    void LoadImageLists();
    HICON StatusIcon(int image);
    void SetSystemReadOnlyLook();

    // MainWindowCommands.cpp
    void CreateMenus();
    void CreateAccelerators();
    TActionFacts GatherFacts() const;
    void RunActionEffect(TActionId id);
    void ShowTreeContextMenu(HWND tree, POINT screen);
    void ShowToolbarsMenu(POINT screen);
    void OnInitMenuPopup(HMENU menu);
    void OnDrawMenuItem(DRAWITEMSTRUCT* item);
    void OnMeasureMenuItem(MEASUREITEMSTRUCT* item);
    void ToggleReadOnlyVariables();
    void ToggleInformation();
    void RefreshFromStore();
    void OpenDonationPage();

    // MainWindowEdit.cpp: the effects of the edit actions; false for an action not handled there.
    bool RunEditAction(TActionId id);
    void DeleteFocusedNode();
    void AddVariable();
    void InsertPath(bool directory);
    void OpenFolder();
    void BeginNodeDrag(TTreeView& view, TNode* node);
    // A key typed into an in-place editor whose action is unavailable: the editor's own (Ctrl+C,
    // Ctrl+V, Ctrl+Z and the like then edit the text).
    bool KeyBelongsToEditor(const MSG& msg) const;

    // MainWindowUpdate.cpp
    void XMLDocAsyncLoad(unsigned serial);
    void UpdateCheckFailed();

    // MainWindowStore.cpp
    void PlaceWindow();
    bool SaveTrees();

    // MainWindowWatch.cpp
    void StartWatchingStore();
    void StopWatchingStore();
    void ReloadKeepingView();
    void ClearOutsideNotice();
    // VarnookUI.cpp: the users list and switching the user
    void FillUserList();
    void comboUsersSelect();
    // Backup.cpp
    void Backup();
    // Elevation.cpp
    void RestartAsAdmin();

    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::unique_ptr<TOptions> options_;
    TUndoStack undoStack_;
    // Both scopes as start-up reads them, on a worker while the window is made.
    std::unique_ptr<TScopesReader> startScopes_;
    std::unique_ptr<TETree> sysTree_;
    std::unique_ptr<TETree> userTree_;
    std::unique_ptr<TTreeView> sysView_;
    std::unique_ptr<TTreeView> userView_;
    // Declared before the panel, whose grid reads it until the panel is gone.
    std::unique_ptr<TInspector> inspector_;
    std::unique_ptr<TInfoPanel> infoPanel_;
    std::unique_ptr<TTreeDragDrop> dragDrop_;
    TETree* activeTree_ = nullptr;
    int baseState_ = 0;
    double proportion_ = 0.5;
    bool canWriteSystem_ = true;
    bool created_ = false;
    bool closing_ = false;
    bool trackingSplitter_ = false;
    int splitterGrab_ = 0;
    std::u16string statusLabel4eng;
    std::unique_ptr<platform::TAsyncGet> XMLDoc;
    unsigned xmlSerial_ = 0;
    std::string xmlBody_;
    bool installerStarted_ = false;
    TUsersComboBox comboUsers;
    int CURRENT_USER = 0;
    UserInfo loggedInUser_;
    // The hive of the user shown, while it is shown.
    TProfileHive userHive_;
    std::u16string searchString;

    HWND rebar_ = nullptr;
    // The dock row each toolbar was given (by default or by the stored arrangement).
    int toolbarRow_[3] = {0, 1, 1};
    bool fittingToolbars_ = false;
    // While the window is put together nothing is laid out: every child is placed once, at the
    // size the window shows with.
    bool layoutHeld_ = false;
    SIZE laidOut_{-1, -1};
    HWND tbMain_ = nullptr;
    HWND tbInterface_ = nullptr;
    HWND tbUser_ = nullptr;
    TSelectorBox languageBox_;
    TSelectorBox skinBox_;
    TSelectorBox userBox_;
    TSelectorBoxes interfaceBoxes_;
    TSelectorBoxes userBoxes_;
    // The language the window was last translated into.
    std::u16string translatedLanguage_ = u"en";
    HWND statusBar_ = nullptr;
    HMENU menuBar_ = nullptr;
    HMENU treeMenu_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HIMAGELIST toolbarIcons_ = nullptr;
    HIMAGELIST toolbarDisabledIcons_ = nullptr;
    HIMAGELIST treeImages_ = nullptr;
    platform::unique_hfont uiFont_;
    platform::unique_hfont boldFont_;
    platform::unique_hfont italicMenuFont_;
    platform::unique_hfont linkFont_;
    // Loaded when a status first shows one: most never do.
    platform::unique_hicon statusIcons_[8];
    int statusImage_[4] = {-1, -1, -1, -1};
    std::u16string statusText_[4];
    std::unique_ptr<TStoreWatcher> storeWatcher_;
    // The status bar's fourth label shows this notice of changes made outside the program.
    std::u16string outsideNotice_;
};

// The one main window of the process, while it exists.
TfrmMain* MainWindow();

} // namespace varnook
