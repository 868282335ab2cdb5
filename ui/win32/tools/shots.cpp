// Shows every Win32 window of the program on a snapshot and saves each as a
// bitmap read back from the screen, for looking at the layouts:
// tq_win32_shots SNAPSHOT OUTDIR. Message boxes are saved while they are
// open and then answered.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "platform/install.h"
#include "platform/quietshell.h"
#include "platform/windows/text.h"
#include "report/main.h"
#include "ui/win32/win32ui.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

namespace {

using namespace tq;
using namespace tq::ui::win32;

std::string gOut;
Win32UserInterface* gUi = nullptr;  // set by main, for the timers' callbacks

// Saves the window's frame as it stands on the screen (24-bit BMP).
void save(HWND hwnd, const std::string& name) {
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    gUi->processPending();
    ::Sleep(150);
    RECT r;
    ::GetWindowRect(hwnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * h;
    const std::string path = gOut + "\\" + name + ".bmp";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&fh, sizeof fh, 1, f);
        std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
        std::fwrite(bits, 1, static_cast<std::size_t>(stride) * h, f);
        std::fclose(f);
    }
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
}

// Saves and answers the next message boxes, one name each.
std::vector<std::string> gBoxNames;
void CALLBACK boxTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND h, LPARAM p) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(h, cls, 16);
            if (std::wstring_view(cls) != L"#32770" || !::IsWindowVisible(h)) return TRUE;
            *reinterpret_cast<HWND*>(p) = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    static bool busy = false;
    if (busy) return;
    busy = true;
    save(box, gBoxNames.empty() ? "messagebox" : gBoxNames.front());
    if (!gBoxNames.empty()) gBoxNames.erase(gBoxNames.begin());
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    busy = false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tq_win32_shots SNAPSHOT OUTDIR\n");
        return 64;
    }
    gOut = argv[2];
    platform::InstallOptions options;
    options.applicationFolder = gOut;
    platform::Platform platform;
    const auto seams = platform::installPlatform(platform, options);
    platform::QuietShell shell(*platform.shell);
    platform.shell = &shell;
    Win32UserInterface ui(::GetModuleHandleW(nullptr), platform);
    gUi = &ui;
    platform.ui = &ui;
    platform.binder = wmi::makeBinder(wmi::loadSnapshot(argv[1]));
    ::SetTimer(nullptr, 0, 50, &boxTimer);

    FrmMain* main = ui.startMainWindow();
    save(main->hwnd(), "frmMain-motherboard");
    // The start notice once more, while the main window keeps the program open.
    FrmStart* start = ui.showStartForm();
    save(start->hwnd(), "frmStart");
    start->destroy();
    ::SendMessageW(main->control("btnVGA"), BM_CLICK, 0, 0);
    save(main->hwnd(), "frmMain-vga");
    ::SendMessageW(main->control("btnMultiMedia"), BM_CLICK, 0, 0);
    save(main->hwnd(), "frmMain-multimedia");
    ::SendMessageW(main->control("btnMotherboard"), BM_CLICK, 0, 0);

    FrmAbout* about = ui.showAbout();
    save(about->hwnd(), "frmAbout");
    gBoxNames = {"messagebox-sysinfo"};
    ::SendMessageW(about->control("cmdSysInfo"), BM_CLICK, 0, 0);
    about->destroy();

    ui.progressCreate();
    ui.progressSetCaption("Tallyquest");
    ui.progressVisiblePicture(0xFFFFFF, 0xC00000, false);
    ui.progressSetStatus("Scan is running, please wait...");
    ui.progressShow();
    ui.progressUpdate(57);
    save(ui.progressWindow()->hwnd(), "frmUpdate-57");
    ui.progressClose();

    FrmCuz* cuz = ui.showReportNameDialog();
    gBoxNames = {"messagebox-empty-field"};
    ::SendMessageW(cuz->control("bb_cuzokay"), BM_CLICK, 0, 0);
    ::SetWindowTextW(cuz->T_cuz(), L"WS-0815");
    save(cuz->hwnd(), "frmcuz");

    // The comment dialog is modal: saved from inside its loop.
    static FrmComment* seen = nullptr;
    ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        auto& ui = *gUi;
        if (!ui.commentDialog() || seen) return;
        seen = ui.commentDialog();
        ::SetWindowTextW(seen->txtComment(), L"Line 3, M\u00fcller");
        save(seen->hwnd(), "frmComment");
        ::SendMessageW(seen->control("cmdCancel"), BM_CLICK, 0, 0);
        ::KillTimer(nullptr, id);
    });
    ui.showComment();

    // A whole run: the progress window mid-run and the closing message.
    gBoxNames = {"messagebox-saved"};
    ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
        FrmUpdate* progress = gUi->progressWindow();
        if (!progress || !::IsWindowVisible(progress->hwnd())) return;
        ::KillTimer(nullptr, id);
        save(progress->hwnd(), "frmUpdate-during-run");
    });
    ::SendMessageW(cuz->control("bb_cuzokay"), BM_CLICK, 0, 0);
    ui.run();
    return 0;
}
