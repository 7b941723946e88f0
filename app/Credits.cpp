#include "app/Credits.h"

#include "platform/win32/WinString.h"

namespace varnook {

namespace {
constexpr wchar_t kClassName[] = L"TScrollingCredits";
constexpr UINT_PTR kTimerId = 1;

// The demonstration lines a fresh control shows.
std::vector<std::u16string> DemonstrationLines()
{
    return {u"&bScrolling credits", u"", u"&c255,255,0;Lines scroll upwards", u"&iin an endless loop"};
}
} // namespace

TScrollingCredits::TScrollingCredits() : FCredits(DemonstrationLines()) {}

TScrollingCredits::~TScrollingCredits()
{
    if (Handle() && FTimerRunning)
        KillTimer(Handle(), kTimerId);
}

bool TScrollingCredits::Create(HWND parent, int id, int x, int y, int width, int height)
{
    // No background brush: every pixel is painted from the off-screen picture.
    RegisterWindowClass(kClassName, 0, nullptr);
    if (width <= 0 || height <= 0) {
        const UINT dpi = WindowDpi(parent);
        width = ScaleForDpi(kDefaultWidth, dpi);
        height = ScaleForDpi(kDefaultHeight, dpi);
    }
    if (!CreateWindowFor(0, kClassName, L"", WS_CHILD | (FVisible ? WS_VISIBLE : 0), x, y, width, height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))))
        return false;
    if (FAnimate)
        SetAnimate(true);
    return true;
}

void TScrollingCredits::SetCredits(std::vector<std::u16string> lines)
{
    FCredits = std::move(lines);
    FScroll.lineCount = static_cast<int>(FCredits.size());
    Repaint();
}

void TScrollingCredits::SetCreditsFont(std::u16string face, int pixelHeight, COLORREF colour)
{
    FFace = std::move(face);
    FFontHeight = pixelHeight;
    FFontColour = colour;
    for (auto& font : FFonts)
        font.reset();
    if (Handle())
        FScroll.lineHeight = LineHeight();
    Repaint();
}

void TScrollingCredits::SetBackgroundColor(COLORREF colour)
{
    FBackgroundColor = colour;
    Repaint();
}

void TScrollingCredits::SetBackgroundImage(HBITMAP picture)
{
    FBackgroundImage = picture;
    Repaint();
}

void TScrollingCredits::SetBorderColor(COLORREF colour)
{
    FBorderColor = colour;
    Repaint();
}

void TScrollingCredits::SetShowBorder(bool show)
{
    FShowBorder = show;
    Repaint();
}

void TScrollingCredits::SetAnimate(bool animate)
{
    FAnimate = animate;
    if (!Handle())
        return;
    RECT client{};
    GetClientRect(Handle(), &client);
    FScroll.Restart(static_cast<int>(FCredits.size()), LineHeight(), client.bottom);
    UpdateTimer();
    Repaint();
}

void TScrollingCredits::SetInterval(UINT milliseconds)
{
    FInterval = milliseconds;
    if (FTimerRunning)
        SetTimer(Handle(), kTimerId, FInterval, nullptr);
}

void TScrollingCredits::SetVisible(bool visible)
{
    if (visible == FVisible)
        return;
    FVisible = visible;
    if (!Handle())
        return;
    ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
    RECT client{};
    GetClientRect(Handle(), &client);
    FScroll.Restart(static_cast<int>(FCredits.size()), LineHeight(), client.bottom);
    UpdateTimer();
    if (HWND parent = GetParent(Handle()))
        InvalidateRect(parent, nullptr, TRUE);
}

void TScrollingCredits::UpdateTimer()
{
    const bool run = FVisible && FAnimate && Handle();
    if (run)
        SetTimer(Handle(), kTimerId, FInterval, nullptr);
    else if (FTimerRunning && Handle())
        KillTimer(Handle(), kTimerId);
    FTimerRunning = run;
}

void TScrollingCredits::Repaint()
{
    if (Handle())
        InvalidateRect(Handle(), nullptr, FALSE);
}

HFONT TScrollingCredits::FontFor(const TCreditLine& line)
{
    const int index = (line.bold ? 1 : 0) | (line.italic ? 2 : 0) | (line.underline ? 4 : 0);
    if (!FFonts[index]) {
        LOGFONTW font{};
        font.lfHeight = -FFontHeight;
        font.lfWeight = line.bold ? FW_BOLD : FW_NORMAL;
        font.lfItalic = line.italic;
        font.lfUnderline = line.underline;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfQuality = CLEARTYPE_QUALITY;
        lstrcpynW(font.lfFaceName, platform::W(FFace), LF_FACESIZE);
        FFonts[index].reset(CreateFontIndirectW(&font));
    }
    return FFonts[index].get();
}

int TScrollingCredits::LineHeight()
{
    HDC dc = GetDC(Handle());
    const HGDIOBJ old = SelectObject(dc, FontFor(TCreditLine{}));
    SIZE extent{};
    GetTextExtentPoint32W(dc, L"A", 1, &extent);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    return extent.cy > 0 ? extent.cy : FFontHeight;
}

void TScrollingCredits::Step()
{
    FScroll.lineCount = static_cast<int>(FCredits.size());
    if (FScroll.Tick() && AfterLastCredit)
        AfterLastCredit(*this);
    Repaint();
}

void TScrollingCredits::Paint(HDC target)
{
    RECT client{};
    GetClientRect(Handle(), &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0)
        return;
    // Drawn off screen and copied in one step, so the scrolling text never flickers.
    platform::unique_hdc dc(CreateCompatibleDC(target));
    platform::unique_hbitmap picture(CreateCompatibleBitmap(target, width, height));
    const HGDIOBJ oldPicture = SelectObject(dc.get(), picture.get());
    if (!FVisible) {
        SelectObject(dc.get(), oldPicture);
        return;
    }
    BITMAP image{};
    if (FBackgroundImage && GetObjectW(FBackgroundImage, sizeof(image), &image)) {
        platform::unique_hdc source(CreateCompatibleDC(target));
        const HGDIOBJ old = SelectObject(source.get(), FBackgroundImage);
        SetStretchBltMode(dc.get(), HALFTONE);
        StretchBlt(dc.get(), 0, 0, width, height, source.get(), 0, 0, image.bmWidth, image.bmHeight, SRCCOPY);
        SelectObject(source.get(), old);
    } else {
        platform::unique_hbrush fill(CreateSolidBrush(FBackgroundColor));
        FillRect(dc.get(), &client, fill.get());
    }
    SetBkMode(dc.get(), TRANSPARENT);
    const HGDIOBJ oldFont = SelectObject(dc.get(), FontFor(TCreditLine{}));
    const int h = LineHeight();
    auto drawLine = [&](int index, int y) -> TCreditLine {
        const TCreditLine line = ParseCreditLine(FCredits[static_cast<size_t>(index)]);
        SelectObject(dc.get(), FontFor(line));
        SetTextColor(dc.get(), line.hasColor ? RGB(line.red, line.green, line.blue) : FFontColour);
        SIZE extent{};
        const std::u16string& text = line.text;
        GetTextExtentPoint32W(dc.get(), platform::W(text), static_cast<int>(text.size()), &extent);
        TextOutW(dc.get(), width / 2 - extent.cx / 2, y, platform::W(text), static_cast<int>(text.size()));
        return line;
    };
    if (FAnimate) {
        FScroll.lineCount = static_cast<int>(FCredits.size());
        FScroll.lineHeight = h;
        FScroll.height = height;
        for (const auto& placed : FScroll.Place()) {
            const TCreditLine line = drawLine(placed.index, placed.y);
            if (placed.firstShown && OnShowCredit)
                OnShowCredit(*this, line.text);
        }
    } else {
        for (int i = 0; i < static_cast<int>(FCredits.size()); ++i)
            drawLine(i, YPos + i * h);
    }
    SelectObject(dc.get(), oldFont);
    if (FShowBorder) {
        platform::unique_hbrush border(CreateSolidBrush(FBorderColor));
        FrameRect(dc.get(), &client, border.get());
    }
    BitBlt(target, 0, 0, width, height, dc.get(), 0, 0, SRCCOPY);
    SelectObject(dc.get(), oldPicture);
}

LRESULT TScrollingCredits::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        Paint(dc);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wParam == kTimerId) {
            Step();
            return 0;
        }
        break;
    case WM_DESTROY:
        if (FTimerRunning)
            KillTimer(Handle(), kTimerId);
        FTimerRunning = false;
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

} // namespace varnook
