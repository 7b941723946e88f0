// The update check of the real main window against the test update server
// (tools/update-server, address in VARNOOK_TEST_UPDATE_SERVER). Each test picks the server's
// behaviour through the address's /s/... prefix. The dialogs are answered by a script that
// runs on a timer, inside whichever modal loop is running.
#include "app/Actions.h"
#include "app/FormCheckForUpdate.h"
#include "app/MainWindow.h"
#include "app/Version.h"
#include "platform/AdminServices.h"
#include "platform/Services.h"
#include "platform/win32/InstallerFile.h"
#include "res/resource.h"
#include "support/MessagePump.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kMarkKey[] = L"Software\\VarnookTests\\UpdateInstaller";

std::wstring Env(const wchar_t* name)
{
    wchar_t buffer[1024]{};
    const DWORD n = GetEnvironmentVariableW(name, buffer, ARRAYSIZE(buffer));
    return n && n < ARRAYSIZE(buffer) ? std::wstring(buffer, n) : std::wstring();
}

std::wstring W(const std::u16string& s)
{
    return std::wstring(s.begin(), s.end());
}

std::wstring Text(HWND hwnd, int id)
{
    wchar_t buffer[4096]{};
    GetDlgItemTextW(hwnd, id, buffer, ARRAYSIZE(buffer));
    return buffer;
}

std::wstring Caption(HWND hwnd)
{
    wchar_t buffer[256]{};
    GetWindowTextW(hwnd, buffer, ARRAYSIZE(buffer));
    return buffer;
}

// The visible dialog of this thread holding the control, or none.
HWND DialogWith(int controlId)
{
    struct Search {
        int id;
        HWND found;
    } search{controlId, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        wchar_t cls[16]{};
        GetClassNameW(w, cls, 16);
        if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w) && GetDlgItem(w, s->id)) {
            s->found = w;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND UpdateDialog() { return DialogWith(IDC_UPD_DOWNLOAD); }
HWND MessageBox() { return DialogWith(IDC_MSG_TEXT); }

void Click(HWND dlg, int id)
{
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// Steps run one after the other on a timer; each returns true when it is done. Everything that
// appears on the way is written down, so a test can tell which dialogs and boxes it met.
class Script {
public:
    using Step = std::function<bool()>;
    explicit Script(std::vector<Step> steps) : steps_(std::move(steps))
    {
        self_ = this;
        timer_ = SetTimer(nullptr, 0, 40, Tick);
    }
    ~Script()
    {
        KillTimer(nullptr, timer_);
        self_ = nullptr;
    }
    bool Finished() const { return next_ >= steps_.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        Script* s = self_;
        if (!s || s->busy_ || s->Finished())
            return;
        s->busy_ = true;
        if (s->steps_[s->next_]())
            ++s->next_;
        s->busy_ = false;
    }
    static inline Script* self_ = nullptr;
    std::vector<Step> steps_;
    size_t next_ = 0;
    bool busy_ = false;
    UINT_PTR timer_ = 0;
};

// Pumps until the condition holds (true) or the time is up (false).
bool PumpUntil(const std::function<bool()>& condition, DWORD ms = 20000)
{
    const DWORD end = GetTickCount() + ms;
    while (!condition()) {
        if (static_cast<int>(GetTickCount() - end) > 0)
            return false;
        Pump(20);
    }
    return true;
}

// Folders the downloads left in the temporary folder.
std::vector<std::wstring> DownloadFolders()
{
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(ARRAYSIZE(temp), temp);
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((std::wstring(temp) + L"Varnook-update-*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return found;
    do
        found.push_back(std::wstring(temp) + data.cFileName);
    while (FindNextFileW(search, &data));
    FindClose(search);
    return found;
}

void RemoveDownloadFolders()
{
    for (const std::wstring& folder : DownloadFolders()) {
        DeleteFileW((folder + L"\\Varnook_setup.exe").c_str());
        RemoveDirectoryW(folder.c_str());
    }
}

// Stands in for the shell's elevation verb (Wine never shows a prompt to decline).
class ElevationDouble final : public platform::IElevation {
public:
    int calls = 0;
    long answer = 0; // 0: started; otherwise the error
    long RunElevated(const std::u16string&, uintptr_t) override
    {
        ++calls;
        return answer;
    }
};

class UpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server_ = Env(L"VARNOOK_TEST_UPDATE_SERVER");
        ASSERT_FALSE(server_.empty()) << "run through tools/with-update-server";
        optionsBackup_ = std::make_unique<KeyBackup>(HKEY_CURRENT_USER, L"Software\\Varnook");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Varnook");
        RegDeleteTreeW(HKEY_CURRENT_USER, kMarkKey);
        RemoveDownloadFolders();
        SetOption(L"checkForUpdates", 0);
    }
    void TearDown() override
    {
        window_.reset();
        Pump(50);
        SetEnvironmentVariableW(L"VARNOOK_UPDATE_URL", nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, kMarkKey);
        RemoveDownloadFolders();
    }

    static void SetOption(const wchar_t* name, DWORD value)
    {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Varnook", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
        RegCloseKey(key);
    }

    // Points the program at the server, with these switches.
    void UseServer(const std::wstring& switches)
    {
        const std::wstring url = switches.empty() ? server_ : server_ + L"/s/" + switches;
        SetEnvironmentVariableW(L"VARNOOK_UPDATE_URL", url.c_str());
    }

    TfrmMain& Open()
    {
        window_ = std::make_unique<TfrmMain>();
        TfrmMain::TStartOptions start;
        start.runCommandLine = false;
        EXPECT_TRUE(window_->Create(start));
        return *window_;
    }

    // Waits for the check to finish: the status label no longer says it is checking.
    bool WaitForCheck()
    {
        return PumpUntil([this] { return window_->StatusText(3) != u"Checking for updates..."; });
    }

    static bool Marked()
    {
        return ReadRawValue(HKEY_CURRENT_USER, kMarkKey, L"ran").exists;
    }

    std::wstring LastRequest()
    {
        // The server tells over plain HTTP; the test reads it with the same WinINet the program uses.
        platform::TAsyncGet get;
        const unsigned serial = get.Start(server_ + L"/last-request", 4096, nullptr, 0);
        std::string body;
        PumpUntil([&] { return get.Take(serial, body) != platform::TGetState::Running; }, 5000);
        return std::wstring(body.begin(), body.end());
    }

    std::wstring server_;
    std::unique_ptr<KeyBackup> optionsBackup_;
    std::unique_ptr<TfrmMain> window_;
};

} // namespace

TEST_F(UpdateTest, AutomaticCheckOfTheSameVersionOnlyTellsTheStatusBar)
{
    UseServer(L"version=" + W(GetVersionText()));
    SetOption(L"checkForUpdates", 1);
    SetOption(L"id", 77);
    int dialogs = 0;
    Script watch({[&] {
        if (UpdateDialog() || MessageBox()) {
            ++dialogs;
            Click(UpdateDialog() ? UpdateDialog() : MessageBox(), IDCANCEL);
        }
        return false;
    }});
    TfrmMain& w = Open();
    EXPECT_TRUE(w.isAutoUpdate);
    ASSERT_TRUE(WaitForCheck());
    EXPECT_EQ(W(w.StatusText(3)), L"You have the latest version of Varnook!");
    Pump(200);
    EXPECT_EQ(dialogs, 0);
    // The request names the build and the id kept in the options.
    EXPECT_EQ(LastRequest(), L"/en/updates?build=" + W(GetVersionBuild()) + L"&id=77");
}

TEST_F(UpdateTest, ANewerVersionShowsBothVersionsAndTheHistory)
{
    UseServer(L"");
    std::wstring current, latest, history, caption;
    bool downloadEnabled = false, progressEnabled = true;
    Script script({[&] {
        HWND dlg = UpdateDialog();
        if (!dlg)
            return false;
        caption = Caption(dlg);
        current = Text(dlg, IDC_UPD_CURRENT);
        latest = Text(dlg, IDC_UPD_LATEST);
        history = Text(dlg, IDC_UPD_HISTORY);
        downloadEnabled = IsWindowEnabled(GetDlgItem(dlg, IDC_UPD_DOWNLOAD));
        progressEnabled = IsWindowEnabled(GetDlgItem(dlg, IDC_UPD_PROGRESS));
        if (const std::wstring dir = TestOutputDir(); !dir.empty())
            CaptureClient(dlg).SaveBmp(dir + L"update-dialog.bmp");
        Click(dlg, IDCANCEL);
        return true;
    }});
    TfrmMain& w = Open();
    ASSERT_TRUE(w.ExecuteAction(TActionId::actHelpCheckUpdates));
    EXPECT_FALSE(w.isAutoUpdate);
    ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }));
    EXPECT_EQ(caption, L"Update check");
    EXPECT_EQ(current, W(GetVersionText()));
    EXPECT_EQ(latest, L"99.0.0.1");
    EXPECT_EQ(history, L"Version 99.0\r\nNew: everything.\r\nFixed: the rest.");
    EXPECT_TRUE(downloadEnabled);
    EXPECT_FALSE(progressEnabled);
    EXPECT_EQ(w.StatusText(3), u"");
    // Closing the offer downloads nothing.
    EXPECT_TRUE(DownloadFolders().empty());
}

TEST_F(UpdateTest, ARetrievalFailureIsOneDialogOnDemandAndOnlyTheStatusBarAtStartUp)
{
    // Server errors, replies that are no XML, and replies that are not signed as they must be
    // all retrieve nothing; so does an address the program refuses (plain HTTP elsewhere).
    for (const std::wstring switches : {L"error", L"not-xml", L"bad-signature", L"no-size", L"refused-address"}) {
        for (const bool automatic : {true, false}) {
            SCOPED_TRACE(std::string(switches.begin(), switches.end()) + (automatic ? " automatic" : " on demand"));
            if (switches == L"refused-address")
                SetEnvironmentVariableW(L"VARNOOK_UPDATE_URL", L"http://update.invalid");
            else
                UseServer(switches);
            SetOption(L"checkForUpdates", automatic ? 1 : 0);
            std::vector<std::wstring> shown;
            Script watch({[&] {
                if (HWND dlg = UpdateDialog()) {
                    shown.push_back(Text(dlg, IDC_UPD_LATEST) +
                                    (IsWindowEnabled(GetDlgItem(dlg, IDC_UPD_DOWNLOAD)) ? L" +download" : L""));
                    Click(dlg, IDCANCEL);
                }
                return false;
            }});
            TfrmMain& w = Open();
            if (!automatic)
                w.ExecuteAction(TActionId::actHelpCheckUpdates);
            ASSERT_TRUE(WaitForCheck());
            Pump(300);
            EXPECT_EQ(W(w.StatusText(3)), L"Can't retrieve version info");
            if (automatic)
                EXPECT_TRUE(shown.empty());
            else
                EXPECT_EQ(shown, std::vector<std::wstring>{L"Can't retrieve version info"});
            window_.reset();
            Pump(50);
        }
    }
}

TEST_F(UpdateTest, AnInstallerThatIsNotTheSignedOneNeverRunsAndIsRemoved)
{
    ElevationDouble elevation;
    platform::ScopedOverride<platform::IElevation> useDouble(elevation);
    for (const std::wstring switches : {L"extra-byte", L"short", L"wrong-hash"}) {
        SCOPED_TRACE(std::string(switches.begin(), switches.end()));
        UseServer(switches);
        std::vector<std::wstring> boxes;
        bool downloadEnabledAgain = false;
        Script script({
            [&] {
                if (HWND dlg = UpdateDialog()) {
                    Click(dlg, IDC_UPD_DOWNLOAD);
                    return true;
                }
                return false;
            },
            [&] {
                if (HWND box = MessageBox()) {
                    boxes.push_back(Text(box, IDC_MSG_TEXT));
                    Click(box, IDOK);
                    return true;
                }
                return false;
            },
            [&] {
                HWND dlg = UpdateDialog();
                if (!dlg || !IsWindowEnabled(GetDlgItem(dlg, IDC_UPD_DOWNLOAD)))
                    return false;
                downloadEnabledAgain = true;
                // Nothing of the download is left while the dialog is still open.
                EXPECT_TRUE(DownloadFolders().empty());
                Click(dlg, IDCANCEL);
                return true;
            },
        });
        TfrmMain& w = Open();
        w.ExecuteAction(TActionId::actHelpCheckUpdates);
        ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }));
        EXPECT_EQ(boxes, std::vector<std::wstring>{L"Error downloading new version"});
        EXPECT_TRUE(downloadEnabledAgain);
        EXPECT_EQ(elevation.calls, 0);
        EXPECT_FALSE(w.InstallerStarted());
        Pump(300);
        EXPECT_FALSE(Marked());
        EXPECT_TRUE(DownloadFolders().empty());
        window_.reset();
        Pump(50);
    }
}

TEST_F(UpdateTest, EscDuringASlowDownloadStopsItSilently)
{
    ElevationDouble elevation;
    platform::ScopedOverride<platform::IElevation> useDouble(elevation);
    UseServer(L"slow");
    int boxes = 0;
    bool progressed = false;
    Script script({
        [&] {
            if (HWND dlg = UpdateDialog()) {
                Click(dlg, IDC_UPD_DOWNLOAD);
                return true;
            }
            return false;
        },
        [&] {
            HWND dlg = UpdateDialog();
            if (!dlg || SendDlgItemMessageW(dlg, IDC_UPD_PROGRESS, PBM_GETPOS, 0, 0) <= 0)
                return false;
            progressed = true;
            EXPECT_EQ(DownloadFolders().size(), 1u);
            // Esc as the keyboard sends it, to the control with the focus.
            HWND focus = GetFocus();
            PostMessageW(focus ? focus : dlg, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageW(focus ? focus : dlg, WM_KEYUP, VK_ESCAPE, 0xC0000001);
            return true;
        },
        [&] { return !UpdateDialog(); },
    });
    TfrmMain& w = Open();
    w.ExecuteAction(TActionId::actHelpCheckUpdates);
    ASSERT_TRUE(PumpUntil([&] {
        if (MessageBox())
            ++boxes;
        return script.Finished();
    }));
    EXPECT_TRUE(progressed);
    Pump(500);
    EXPECT_EQ(boxes, 0);
    EXPECT_EQ(elevation.calls, 0);
    EXPECT_TRUE(DownloadFolders().empty());
    EXPECT_FALSE(Marked());
}

TEST_F(UpdateTest, AVerifiedInstallerRunsAfterTheClosingQuestionsAndTheProgramEnds)
{
    UseServer(L"");
    SetOption(L"onExitConfirmation", 1);
    std::wstring asked;
    bool markedWhenAsked = true;
    Script script({
        [&] {
            if (HWND dlg = UpdateDialog()) {
                Click(dlg, IDC_UPD_DOWNLOAD);
                return true;
            }
            return false;
        },
        [&] {
            HWND box = MessageBox();
            if (!box)
                return false;
            asked = Text(box, IDC_MSG_TEXT);
            markedWhenAsked = Marked();
            Click(box, IDYES);
            return true;
        },
    });
    TfrmMain& w = Open();
    w.ExecuteAction(TActionId::actHelpCheckUpdates);
    ASSERT_TRUE(PumpUntil([&] { return script.Finished() && w.InstallerStarted(); }));
    EXPECT_EQ(asked, L"Are you sure you want to exit?");
    EXPECT_FALSE(markedWhenAsked);
    // The real shell started the downloaded program, from the program's own folder.
    ASSERT_TRUE(PumpUntil([] { return Marked(); }));
    const std::wstring ran = ReadRawValue(HKEY_CURRENT_USER, kMarkKey, L"ran").text;
    const auto folders = DownloadFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(lstrcmpiW(ran.c_str(), (folders[0] + L"\\Varnook_setup.exe").c_str()), 0) << Narrow(ran);
}

TEST_F(UpdateTest, RefusingToCloseOrDecliningElevationKeepsTheProgramAndRunsNothing)
{
    ElevationDouble elevation;
    platform::ScopedOverride<platform::IElevation> useDouble(elevation);
    SetOption(L"onExitConfirmation", 1);
    UseServer(L"");
    struct Case {
        int closeAnswer;
        long elevationAnswer;
        int elevationCalls;
        std::vector<std::wstring> boxes;
    } const cases[] = {
        {IDNO, 0, 0, {L"Are you sure you want to exit?"}},
        {IDYES, platform::kErrorCancelled, 1,
         {L"Are you sure you want to exit?",
          L"The installer was not started: the request for administrator rights was declined.\r\nVarnook stays open."}},
    };
    for (const Case& c : cases) {
        elevation.calls = 0;
        elevation.answer = c.elevationAnswer;
        std::vector<std::wstring> boxes;
        Script script({
            [&] {
                if (HWND dlg = UpdateDialog()) {
                    Click(dlg, IDC_UPD_DOWNLOAD);
                    return true;
                }
                return false;
            },
            [&] {
                HWND box = MessageBox();
                if (!box)
                    return false;
                boxes.push_back(Text(box, IDC_MSG_TEXT));
                Click(box, boxes.size() == 1 ? c.closeAnswer : IDOK);
                return boxes.size() == c.boxes.size();
            },
            [&] { return !UpdateDialog() && !MessageBox(); },
        });
        TfrmMain& w = Open();
        w.ExecuteAction(TActionId::actHelpCheckUpdates);
        ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }));
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(elevation.calls, c.elevationCalls);
        EXPECT_FALSE(w.InstallerStarted());
        EXPECT_TRUE(IsWindow(w.Handle()));
        EXPECT_TRUE(DownloadFolders().empty());
        window_.reset();
        Pump(50);
    }
}

TEST_F(UpdateTest, ClosingTheProgramDuringACheckEndsCleanly)
{
    UseServer(L"dead");
    SetOption(L"checkForUpdates", 1);
    TfrmMain& w = Open();
    Pump(200);
    EXPECT_EQ(W(w.StatusText(3)), L"Checking for updates...");
    const DWORD start = GetTickCount();
    w.Close();
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(w.Handle()); }, 5000));
    window_.reset();
    // Far below the 20 s the dropped request may still wait for its server.
    EXPECT_LT(GetTickCount() - start, 5000u);
    // Nothing comes back later from the dropped check.
    int dialogs = 0;
    PumpUntil([&] {
        dialogs += UpdateDialog() || MessageBox();
        return false;
    }, 500);
    EXPECT_EQ(dialogs, 0);
}

namespace {

std::string FileBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

// A top-level window of another process whose title starts with the text.
HWND OtherProcessWindow(const std::wstring& titleStart)
{
    struct Search {
        std::wstring start;
        HWND found = nullptr;
    } search{titleStart};
    EnumWindows([](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        wchar_t title[256]{};
        GetWindowTextW(w, title, 256);
        if (pid != GetCurrentProcessId() && IsWindowVisible(w) && std::wstring(title).rfind(s->start, 0) == 0) {
            s->found = w;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

// The server offers the installer the build made with NSIS (VARNOOK_TEST_REAL_INSTALLER names it,
// as a Unix path): it is downloaded, verified, and the real shell starts it.
TEST_F(UpdateTest, TheRealInstallerIsDownloadedVerifiedAndStarted)
{
    std::wstring built = Env(L"VARNOOK_TEST_REAL_INSTALLER");
    if (built.empty())
        GTEST_SKIP() << "the server offers the stand-in installer";
    if (built.front() == L'/') {
        built = L"Z:" + built;
        for (wchar_t& c : built)
            if (c == L'/')
                c = L'\\';
    }
    const std::string expected = FileBytes(built);
    ASSERT_GT(expected.size(), 100000u);
    UseServer(L"");
    Script script({
        [&] {
            if (HWND dlg = UpdateDialog()) {
                Click(dlg, IDC_UPD_DOWNLOAD);
                return true;
            }
            return false;
        },
    });
    TfrmMain& w = Open();
    w.ExecuteAction(TActionId::actHelpCheckUpdates);
    ASSERT_TRUE(PumpUntil([&] { return script.Finished() && w.InstallerStarted(); }));
    const auto folders = DownloadFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_TRUE(FileBytes(folders[0] + L"\\Varnook_setup.exe") == expected);
    // The installer's own wizard comes up: "Varnook <version> Setup".
    HWND wizard = nullptr;
    for (int i = 0; i < 300 && !wizard; ++i) {
        Pump(100);
        wizard = OtherProcessWindow(L"Varnook ");
    }
    ASSERT_NE(wizard, nullptr);
    wchar_t title[256]{};
    GetWindowTextW(wizard, title, 256);
    EXPECT_NE(std::wstring(title).find(L"Setup"), std::wstring::npos) << Narrow(title);
    DWORD pid = 0;
    GetWindowThreadProcessId(wizard, &pid);
    HANDLE installer = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    ASSERT_NE(installer, nullptr);
    TerminateProcess(installer, 0);
    WaitForSingleObject(installer, 10000);
    CloseHandle(installer);
}

// Run at 96 DPI with the other tests and at 144 DPI by its own test run: the offer grows with the
// screen's scale and every text fits its control.
TEST_F(UpdateTest, TheDialogIsScaledAndFitsItsTextsAtEveryDpi)
{
    UseServer(L"");
    struct Cut {
        int id;
        int textWidth, controlWidth;
    };
    std::vector<Cut> cut;
    std::vector<int> outside;
    int clientWidth = 0, dpi = 0;
    Script script({[&] {
        HWND dlg = UpdateDialog();
        if (!dlg)
            return false;
        HDC screen = GetDC(nullptr);
        dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        RECT client;
        GetClientRect(dlg, &client);
        clientWidth = client.right;
        for (int id : {IDC_UPD_CURRENT_CAPTION, IDC_UPD_CURRENT, IDC_UPD_LATEST_CAPTION, IDC_UPD_LATEST, IDC_UPD_URL,
                       IDC_UPD_HISTORY, IDC_UPD_DOWNLOAD, IDC_UPD_PROGRESS, IDCANCEL}) {
            HWND control = GetDlgItem(dlg, id);
            RECT rc;
            GetWindowRect(control, &rc);
            MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
            if (rc.left < 0 || rc.top < 0 || rc.right > client.right || rc.bottom > client.bottom)
                outside.push_back(id);
            if (id == IDC_UPD_HISTORY || id == IDC_UPD_PROGRESS)
                continue;
            const std::wstring text = Text(dlg, id);
            HDC dc = GetDC(control);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
            SIZE size{};
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
            SelectObject(dc, old);
            ReleaseDC(control, dc);
            // Buttons draw their text inside a frame.
            const int room = (rc.right - rc.left) - (id == IDC_UPD_DOWNLOAD || id == IDCANCEL ? 8 : 0);
            if (size.cx > room)
                cut.push_back({id, size.cx, room});
        }
        if (const std::wstring dir = TestOutputDir(); !dir.empty())
            CaptureClient(dlg).SaveBmp(dir + L"update-dialog-" + std::to_wstring(dpi) + L"dpi.bmp");
        Click(dlg, IDCANCEL);
        return true;
    }});
    TfrmMain& w = Open();
    ASSERT_TRUE(w.ExecuteAction(TActionId::actHelpCheckUpdates));
    ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }));
    ASSERT_GT(dpi, 0);
    // 262 dialog units are about 390 pixels at 96 DPI.
    EXPECT_GE(clientWidth, MulDiv(350, dpi, 96));
    EXPECT_LE(clientWidth, MulDiv(450, dpi, 96));
    EXPECT_TRUE(outside.empty()) << "control " << outside.front() << " reaches outside the dialog";
    for (const Cut& c : cut)
        ADD_FAILURE() << "control " << c.id << " needs " << c.textWidth << " pixels, has " << c.controlWidth;
}
