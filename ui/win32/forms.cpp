#include "ui/win32/forms.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/windows/text.h"
#include "probes/reportrun.h"
#include "report/main.h"
#include "ui/dialoglogic.h"
#include "ui/win32/resource.h"

namespace tq::ui::win32 {

using layout::Control;
using layout::Kind;
using platform::OnboardBox;

namespace {

constexpr wchar_t kFormClass[] = L"TallyquestForm";
constexpr wchar_t kPictureClass[] = L"TallyquestPicture";

// The per-monitor functions of newer systems, when the system has them.
template <class F>
F systemFunction(const char* name) {
    HMODULE user = ::GetModuleHandleW(L"user32.dll");
    return user ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(user, name))) : nullptr;
}

UINT windowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = systemFunction<GetDpiForWindowFn>("GetDpiForWindow");
    if (hwnd && getDpiForWindow) {
        if (UINT dpi = getDpiForWindow(hwnd)) return dpi;
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void adjustForDpi(RECT& r, DWORD style, DWORD exStyle, UINT dpi) {
    using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = systemFunction<AdjustFn>("AdjustWindowRectExForDpi");
    if (adjust) {
        adjust(&r, style, FALSE, exStyle, dpi);
        return;
    }
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
}

// Frames and containers pass their controls' notifications on to the window.
LRESULT CALLBACK forwardingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: return ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
    case WM_ERASEBKGND: {
        // A group box draws no background of its own.
        RECT r;
        ::GetClientRect(hwnd, &r);
        ::FillRect(reinterpret_cast<HDC>(wp), &r, ::GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    default: return ::DefSubclassProc(hwnd, msg, wp, lp);
    }
}

// T_cuz drops a typed reserved character: the field does not change.
LRESULT CALLBACK designationProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_CHAR && isReservedNameChar(static_cast<char32_t>(wp))) return 0;
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

// Text boxes of several lines: Tab and Escape belong to the window (focus
// order, cancel button), Enter still starts a new line.
LRESULT CALLBACK textBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg != WM_GETDLGCODE) return ::DefSubclassProc(hwnd, msg, wp, lp);
    LRESULT code = ::DefSubclassProc(hwnd, msg, wp, lp) & ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
    const auto* key = reinterpret_cast<const MSG*>(lp);
    if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN &&
        !(::GetWindowLongW(hwnd, GWL_STYLE) & ES_READONLY))
        code |= DLGC_WANTMESSAGE;
    return code;
}

LRESULT CALLBACK pictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* picture = reinterpret_cast<ProgressPicture*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        if (picture) {
            picture->paint(dc);
        } else {
            ::FillRect(dc, &ps.rcPaint, ::GetSysColorBrush(COLOR_WINDOW));
        }
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    default: return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool familyInstalled(const std::wstring& family) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, family.c_str(), LF_FACESIZE);
    HDC dc = ::GetDC(nullptr);
    bool found = false;
    ::EnumFontFamiliesExW(
        dc, &lf,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
            *reinterpret_cast<bool*>(found) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, dc);
    return found;
}

std::wstring dialogFontFamily() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return metrics.lfMessageFont.lfFaceName;
    return L"Tahoma";
}

}  // namespace

std::string windowText(HWND hwnd) {
    if (!hwnd) return {};
    const int n = ::GetWindowTextLengthW(hwnd);
    std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = ::GetWindowTextW(hwnd, w.data(), n + 1);
    w.resize(static_cast<std::size_t>(std::max(got, 0)));
    return win::narrow(w);
}

void setWindowText(HWND hwnd, const std::string& utf8) {
    if (hwnd) ::SetWindowTextW(hwnd, win::widen(utf8).c_str());
}

// --- Form -------------------------------------------------------------------

Form::Form(FormHost& host, const layout::Window& design, HWND owner) : host_(host), design_(design), owner_(owner) {}

Form::~Form() {
    if (hwnd_) ::DestroyWindow(hwnd_);
    for (auto& [key, font] : fonts_) ::DeleteObject(font);
}

void Form::create() {
    static const bool registered = [this] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.hInstance = module();
        wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = static_cast<HICON>(
            ::LoadImageW(module(), MAKEINTRESOURCEW(IDI_TALLYQUEST), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
        wc.hIconSm = static_cast<HICON>(::LoadImageW(module(), MAKEINTRESOURCEW(IDI_TALLYQUEST), IMAGE_ICON,
                                                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                     LR_SHARED));
        wc.lpszClassName = kFormClass;
        wc.lpfnWndProc = &Form::windowProc;
        ::RegisterClassExW(&wc);
        WNDCLASSEXW pc{};
        pc.cbSize = sizeof pc;
        pc.hInstance = module();
        pc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        pc.lpszClassName = kPictureClass;
        pc.lpfnWndProc = &pictureProc;
        ::RegisterClassExW(&pc);
        return true;
    }();
    (void)registered;

    const DWORD style = design_.sizable ? WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN
                                        : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT | (design_.sizable ? 0 : WS_EX_DLGMODALFRAME);
    readDpi();
    RECT r{0, 0, layout::toPixels(design_.width, dpiX_), layout::toPixels(design_.height, dpiY_)};
    adjustForDpi(r, style, exStyle, static_cast<UINT>(dpiY_));
    hwnd_ = ::CreateWindowExW(exStyle, kFormClass, win::widen(design_.caption).c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, owner_, nullptr, module(), this);
    if (!hwnd_) throw std::runtime_error("cannot create the window " + std::string(design_.name));
    // The system may place the window on a screen of another resolution.
    const double before = dpiY_;
    readDpi();
    if (dpiY_ != before) {
        RECT again{0, 0, layout::toPixels(design_.width, dpiX_), layout::toPixels(design_.height, dpiY_)};
        adjustForDpi(again, style, exStyle, static_cast<UINT>(dpiY_));
        ::SetWindowPos(hwnd_, nullptr, 0, 0, again.right - again.left, again.bottom - again.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    createControls();
    host_.opened(this);
}

void Form::readDpi() {
    const UINT dpi = windowDpi(hwnd_);
    dpiX_ = dpiY_ = static_cast<double>(dpi);
}

HFONT Form::font(const layout::Font& f) {
    const auto key = std::make_tuple(std::string(f.family), static_cast<int>(std::lround(f.points * 100)), f.bold);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    static std::map<std::string, std::wstring> families;
    auto family = families.find(std::string(f.family));
    if (family == families.end()) {
        const std::wstring wanted = win::widen(f.family);
        family = families.emplace(std::string(f.family), familyInstalled(wanted) ? wanted : dialogFontFamily()).first;
    }
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(f.points * dpiY_ / 72.0));
    lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, family->second.c_str(), LF_FACESIZE);
    HFONT made = ::CreateFontIndirectW(&lf);
    fonts_.emplace(key, made);
    return made;
}

void Form::createControls() {
    const auto& list = design_.controls;
    controls_.assign(list.size(), nullptr);
    auto inFocus = [this](std::string_view name) {
        return std::find(design_.focus.begin(), design_.focus.end(), name) != design_.focus.end();
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Control& c = list[i];
        HWND parent = c.parent.empty() ? hwnd_ : control(c.parent);
        const wchar_t* cls = L"STATIC";
        DWORD style = WS_CHILD | (c.has(layout::kHidden) ? 0 : WS_VISIBLE);
        DWORD exStyle = 0;
        if (inFocus(c.name)) style |= WS_TABSTOP;
        switch (c.kind) {
        case Kind::Button:
            cls = L"BUTTON";
            style |= c.has(layout::kDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            break;
        case Kind::CheckBox:
            cls = L"BUTTON";
            style |= BS_AUTOCHECKBOX;
            break;
        case Kind::Label: style |= SS_NOPREFIX | (c.has(layout::kWrap) ? SS_LEFT : SS_LEFTNOWORDWRAP); break;
        case Kind::Edit:
            cls = L"EDIT";
            style |= ES_AUTOHSCROLL;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case Kind::MultiLineEdit:
            cls = L"EDIT";
            style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
            if (c.has(layout::kScrolls)) style |= WS_VSCROLL;
            if (c.has(layout::kReadOnlyFace)) style |= ES_READONLY;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case Kind::Frame:
            cls = L"BUTTON";
            style |= BS_GROUPBOX;
            exStyle |= WS_EX_CONTROLPARENT;
            break;
        case Kind::Container:
            style |= SS_OWNERDRAW;
            exStyle |= WS_EX_CONTROLPARENT;
            break;
        case Kind::Picture: style |= SS_OWNERDRAW | SS_NOTIFY; break;
        case Kind::ProgressBox:
            cls = kPictureClass;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case Kind::Line: style |= SS_OWNERDRAW; break;
        }
        const std::wstring caption = win::widen(c.caption);
        HWND h = ::CreateWindowExW(exStyle, cls, caption.c_str(), style, 0, 0, 0, 0, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), module(), nullptr);
        if (!h) throw std::runtime_error("cannot create the control " + std::string(c.name));
        controls_[i] = h;
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font(c.font)), FALSE);
        if (c.kind == Kind::CheckBox && c.has(layout::kTicked)) ::SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
        if (c.kind == Kind::Frame || c.kind == Kind::Container) ::SetWindowSubclass(h, &forwardingProc, 1, 0);
        if (c.kind == Kind::MultiLineEdit) ::SetWindowSubclass(h, &textBoxProc, 1, 0);
        if (!c.toolTip.empty()) {
            if (!toolTip_)
                toolTip_ =
                    ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, module(), nullptr);
            std::wstring tip = win::widen(c.toolTip);
            TOOLINFOW ti{};
            ti.cbSize = TTTOOLINFOW_V1_SIZE;
            ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            ti.hwnd = hwnd_;
            ti.uId = reinterpret_cast<UINT_PTR>(h);
            ti.lpszText = tip.data();
            ::SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        }
    }
    // The Tab key follows the order of the controls among their siblings.
    HWND previous = nullptr;
    for (std::string_view name : design_.focus) {
        HWND h = control(name);
        if (previous && ::GetParent(previous) == ::GetParent(h))
            ::SetWindowPos(h, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = h;
    }
    placeControls();
}

void Form::placeControls() {
    for (std::size_t i = 0; i < design_.controls.size(); ++i) {
        const Control& c = design_.controls[i];
        layout::PixelRect r = layout::toPixels(c.at, dpiX_, dpiY_);
        if (c.kind == Kind::Line) {
            // A line from one point to another, as thick as it is drawn.
            const int scale = std::max(1, static_cast<int>(std::lround(dpiY_ / 96.0)));
            r = {layout::toPixels(c.at.left, dpiX_), layout::toPixels(c.at.top, dpiY_),
                 layout::toPixels(c.at.left + c.at.width, dpiX_) - layout::toPixels(c.at.left, dpiX_) + 1,
                 c.lineWidth * scale};
        }
        ::SetWindowPos(controls_[i], nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HWND Form::control(std::string_view name) const {
    for (std::size_t i = 0; i < design_.controls.size() && i < controls_.size(); ++i)
        if (design_.controls[i].name == name) return controls_[i];
    return nullptr;
}

HWND Form::control(int id) const {
    const Control* c = design_.find(id);
    return c ? control(c->name) : nullptr;
}

const Control* Form::focusedControl() const {
    HWND focus = ::GetFocus();
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i] == focus) return &design_.controls[i];
    return nullptr;
}

void Form::centre() {
    RECT frame;
    ::GetWindowRect(hwnd_, &frame);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi);
    const RECT& screen = mi.rcMonitor;
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    ::SetWindowPos(hwnd_, nullptr, screen.left + (screen.right - screen.left - w) / 2,
                   screen.top + (screen.bottom - screen.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::showActive() {
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    ::SetActiveWindow(hwnd_);
    ::UpdateWindow(hwnd_);
}

void Form::requestClose() {
    if (hwnd_) ::SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void Form::destroy() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool Form::translate(MSG& msg) { return hwnd_ && ::IsDialogMessageW(hwnd_, &msg); }

LRESULT CALLBACK Form::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* form = static_cast<Form*>(cs->lpCreateParams);
        form->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return ::DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        form->hwnd_ = nullptr;
        form->controls_.assign(form->controls_.size(), nullptr);
        form->host_.closed(form);
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    return form->dispatch(msg, wp, lp);
}

LRESULT Form::dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        // Enter and Escape arrive as IDOK and IDCANCEL: the default and the
        // cancel button answer them, if the window has such buttons.
        if (id == IDOK || id == IDCANCEL) {
            const auto flag = id == IDOK ? layout::kDefault : layout::kCancel;
            for (const Control& c : design_.controls)
                if (c.kind == Kind::Button && c.has(flag)) {
                    onCommand(c.id, BN_CLICKED);
                    return 0;
                }
            return 0;
        }
        onCommand(id, code);
        return 0;
    }
    case DM_GETDEFID: {
        // A focused button is pressed by Enter; otherwise the default one.
        if (const Control* c = focusedControl(); c && c->kind == Kind::Button) return MAKELRESULT(c->id, DC_HASDEFID);
        for (const Control& c : design_.controls)
            if (c.kind == Kind::Button && c.has(layout::kDefault)) return MAKELRESULT(c.id, DC_HASDEFID);
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) {
            if (onClose(true)) ::DestroyWindow(hwnd_);
            return 0;
        }
        break;
    case WM_CLOSE:
        if (onClose(false)) ::DestroyWindow(hwnd_);
        return 0;
    case WM_DESTROY: onDestroy(); return 0;
    case WM_ACTIVATE:
        // The focus comes back to the control that had it.
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(hwnd_, focus)) lastFocus_ = focus;
        } else {
            HWND target = lastFocus_ && ::IsWindow(lastFocus_) ? lastFocus_ : nullptr;
            if (!target && !design_.focus.empty()) target = control(design_.focus.front());
            if (target) ::SetFocus(target);
        }
        return 0;
    case WM_SETCURSOR:
        if (host_.busy()) {
            ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));
            return TRUE;
        }
        break;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (const Control* c = design_.find(static_cast<int>(item->CtlID))) drawItem(*c, *item);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wp);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DPICHANGED: {
        dpiX_ = LOWORD(wp);
        dpiY_ = HIWORD(wp);
        for (auto& [key, f] : fonts_) ::DeleteObject(f);
        fonts_.clear();
        for (std::size_t i = 0; i < controls_.size(); ++i)
            ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font(design_.controls[i].font)), FALSE);
        const auto* suggested = reinterpret_cast<const RECT*>(lp);
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        placeControls();
        ::InvalidateRect(hwnd_, nullptr, TRUE);
        return 0;
    }
    default: break;
    }
    return onMessage(msg, wp, lp);
}

LRESULT Form::onMessage(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(hwnd_, msg, wp, lp); }

void Form::drawItem(const Control& c, const DRAWITEMSTRUCT& item) {
    RECT r = item.rcItem;
    switch (c.kind) {
    case Kind::Line: {
        HBRUSH brush = ::CreateSolidBrush(c.colour);
        ::FillRect(item.hDC, &r, brush);
        ::DeleteObject(brush);
        break;
    }
    case Kind::Container:
        ::FillRect(item.hDC, &r, ::GetSysColorBrush(COLOR_BTNFACE));
        ::DrawEdge(item.hDC, &r, EDGE_SUNKEN, BF_RECT);
        break;
    case Kind::Picture: {
        ::FillRect(item.hDC, &r, ::GetSysColorBrush(COLOR_BTNFACE));
        if (c.image == layout::Image::Info) {
            const int side = r.right - r.left;
            auto icon = static_cast<HICON>(
                ::LoadImageW(module(), MAKEINTRESOURCEW(IDI_INFO), IMAGE_ICON, side, side, LR_SHARED));
            if (icon) ::DrawIconEx(item.hDC, r.left, r.top, icon, side, r.bottom - r.top, 0, nullptr, DI_NORMAL);
        }
        break;
    }
    default: break;
    }
}

// --- ProgressPicture ---------------------------------------------------------

ProgressPicture::ProgressPicture(HWND hwnd) : hwnd_(hwnd) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ensureBitmap();
}

ProgressPicture::~ProgressPicture() {
    if (::IsWindow(hwnd_)) ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    if (dc_) {
        ::SelectObject(dc_, oldBitmap_);
        ::DeleteDC(dc_);
    }
    if (bitmap_) ::DeleteObject(bitmap_);
    if (font_) ::DeleteObject(font_);
}

void ProgressPicture::ensureBitmap() {
    RECT r;
    ::GetClientRect(hwnd_, &r);
    const int w = std::max<int>(1, r.right), h = std::max<int>(1, r.bottom);
    if (bitmap_ && w == width_ && h == height_) return;
    HDC screen = ::GetDC(hwnd_);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
    ::ReleaseDC(hwnd_, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECT all{0, 0, w, h};
    HBRUSH back = ::CreateSolidBrush(back_);
    ::FillRect(dc, &all, back);
    ::DeleteObject(back);
    if (dc_) {  // what was drawn stays
        ::BitBlt(dc, 0, 0, std::min(w, width_), std::min(h, height_), dc_, 0, 0, SRCCOPY);
        ::SelectObject(dc_, oldBitmap_);
        ::DeleteDC(dc_);
        ::DeleteObject(bitmap_);
    }
    dc_ = dc;
    bitmap_ = bitmap;
    oldBitmap_ = old;
    width_ = w;
    height_ = h;
}

void ProgressPicture::setup(std::uint32_t backColor, std::uint32_t foreColor, bool bold, HFONT font) {
    ensureBitmap();
    bold_ = bold;
    back_ = backColor & 0xFFFFFF;
    fore_ = foreColor & 0xFFFFFF;
    // The window's font, bold or not, drawn without smoothing so that the
    // bar inverts the glyphs exactly.
    LOGFONTW lf{};
    ::GetObjectW(font, sizeof lf, &lf);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfQuality = NONANTIALIASED_QUALITY;
    if (font_) ::DeleteObject(font_);
    font_ = ::CreateFontIndirectW(&lf);
    RECT all{0, 0, width_, height_};
    HBRUSH back = ::CreateSolidBrush(back_);
    ::FillRect(dc_, &all, back);
    ::DeleteObject(back);
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void ProgressPicture::drawStatus(std::int32_t percent, double dpiY) {
    const ProgressFigure figure = progressFigure(percent);
    const std::wstring text = win::widen(figure.text);
    ensureBitmap();
    const double widthPx = width_;
    const double twipsPerPixel = 1440.0 / dpiY;

    RECT all{0, 0, width_, height_};
    HBRUSH back = ::CreateSolidBrush(back_);
    ::FillRect(dc_, &all, back);
    ::DeleteObject(back);

    HGDIOBJ oldFont = ::SelectObject(dc_, font_ ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent{};
    ::GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &extent);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc_, &tm);
    // Horizontally the box measures 100 units; vertically it keeps twips.
    const double textWidth = extent.cx * 100.0 / widthPx;
    const double scaleHeight = height_ * twipsPerPixel;
    const double textHeight = tm.tmHeight * twipsPerPixel;
    const long x = std::lround(std::nearbyint(100 - textWidth)) / 2;
    const long y = std::lround(std::nearbyint(scaleHeight - textHeight)) / 2;
    ::SetBkMode(dc_, TRANSPARENT);
    ::SetTextColor(dc_, fore_);
    ::TextOutW(dc_, static_cast<int>(std::lround(x * widthPx / 100.0)),
               static_cast<int>(std::lround(y / twipsPerPixel)), text.c_str(), static_cast<int>(text.size()));
    ::SelectObject(dc_, oldFont);

    // The bar goes over the text with NOT(pen XOR destination): fore colour
    // on the background, background colour where the text already is.
    const int bar = static_cast<int>(std::lround(figure.percent * widthPx / 100.0));
    if (bar > 0) {
        HBRUSH brush = ::CreateSolidBrush(fore_);
        HGDIOBJ oldBrush = ::SelectObject(dc_, brush);
        HGDIOBJ oldPen = ::SelectObject(dc_, ::GetStockObject(NULL_PEN));
        const int oldRop = ::SetROP2(dc_, R2_NOTXORPEN);
        // Without a pen the rectangle leaves out its right and bottom edges.
        ::Rectangle(dc_, 0, 0, std::min(bar, width_) + 1, height_ + 1);
        ::SetROP2(dc_, oldRop);
        ::SelectObject(dc_, oldPen);
        ::SelectObject(dc_, oldBrush);
        ::DeleteObject(brush);
    }
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    ::UpdateWindow(hwnd_);
}

std::uint32_t ProgressPicture::pixel(int x, int y) const { return ::GetPixel(dc_, x, y) & 0xFFFFFF; }

void ProgressPicture::paint(HDC dc) const { ::BitBlt(dc, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY); }

// --- the six windows -----------------------------------------------------------

FrmStart::FrmStart(FormHost& host) : Form(host, layout::frmStart(), nullptr) {
    create();
    centre();
}

FrmMain::FrmMain(FormHost& host) : Form(host, layout::frmMain(), nullptr), logic_(host.reports().platform(), *this) {
    create();
    logo_ = static_cast<HBITMAP>(::LoadImageW(module(), MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_SHARED));
}

void FrmMain::onCommand(int id, int code) {
    const Control* c = design().find(id);
    if (!c) return;
    auto& ui = host();
    const std::string_view name = c->name;
    // User actions; a report run lets them through at its progress updates.
    if (code == BN_CLICKED && (name == "btnMotherboard" || name == "btnVGA" || name == "btnMultiMedia")) {
        logic_.switchPanel(name == "btnVGA"          ? Panel::Vga
                           : name == "btnMultiMedia" ? Panel::MultiMedia
                                                     : Panel::Motherboard);
    } else if (code == BN_CLICKED && (name == "chkVGA" || name == "chkAudio" || name == "chkLan")) {
        logic_.checkChanged();
    } else if (code == BN_CLICKED && name == "btnEnde") {
        requestClose();
    } else if (code == BN_CLICKED && name == "btnCreateReport") {
        // A run is not re-entrant: while one is in progress (its progress
        // updates let clicks through) the button does nothing.
        if (!ui.reports().running()) ui.showReportNameDialog();
    } else if (code == STN_CLICKED && name == "imgInfo") {
        ui.showAbout();
    } else if (code == STN_DBLCLK && name == "imgLogo") {
        ui.showComment();
    }
}

bool FrmMain::onClose(bool) {
    // During a run the window's controls stay usable, but leaving it would
    // pull the check boxes from under the on-board section: only the run
    // itself closes it then.
    return !host().reports().running() || closeByProgram_;
}

void FrmMain::onDestroy() {
    // The check boxes still exist here; a report started later from a
    // dialog left open reads them as they stand now.
    host().mainWindowClosing(*this);
}

void FrmMain::closeByProgram() {
    closeByProgram_ = true;
    destroy();
}

void FrmMain::drawItem(const Control& c, const DRAWITEMSTRUCT& item) {
    if (c.image != layout::Image::Logo || !logo_) {
        Form::drawItem(c, item);
        return;
    }
    BITMAP bm{};
    ::GetObjectW(logo_, sizeof bm, &bm);
    HDC source = ::CreateCompatibleDC(item.hDC);
    HGDIOBJ old = ::SelectObject(source, logo_);
    ::SetStretchBltMode(item.hDC, HALFTONE);
    const RECT& r = item.rcItem;
    ::StretchBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, bm.bmWidth, bm.bmHeight,
                 SRCCOPY);
    ::SelectObject(source, old);
    ::DeleteDC(source);
}

void FrmMain::setCaption(std::string_view label, const std::string& text) {
    const Control* c = design().find(label);
    if (c && layout::isValueLabel(*c)) setText(label, text);
}

std::string FrmMain::caption(std::string_view label) const {
    const Control* c = design().find(label);
    return c && layout::isValueLabel(*c) ? text(label) : std::string();
}

HWND FrmMain::box(OnboardBox which) const {
    switch (which) {
    case OnboardBox::Vga: return control("chkVGA");
    case OnboardBox::Audio: return control("chkAudio");
    case OnboardBox::Lan: break;
    }
    return control("chkLan");
}

bool FrmMain::ticked(OnboardBox which) const { return ::SendMessageW(box(which), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void FrmMain::tick(OnboardBox which) { ::SendMessageW(box(which), BM_SETCHECK, BST_CHECKED, 0); }

void FrmMain::setChecksEnabled(bool enabled) {
    for (auto which : {OnboardBox::Vga, OnboardBox::Audio, OnboardBox::Lan}) ::EnableWindow(box(which), enabled);
}

void FrmMain::showFrame(Panel panel) {
    ::ShowWindow(control("F_Motherboard"), panel == Panel::Motherboard ? SW_SHOW : SW_HIDE);
    ::ShowWindow(control("F_VGA"), panel == Panel::Vga ? SW_SHOW : SW_HIDE);
    ::ShowWindow(control("F_MultiMedia"), panel == Panel::MultiMedia ? SW_SHOW : SW_HIDE);
}

void FrmMain::setPnpText(const std::string& text) { setText("txtPnP", text); }

std::string FrmMain::pnpText() const { return text("txtPnP"); }

void FrmMain::setPnpEnabled(bool enabled) { ::EnableWindow(control("txtPnP"), enabled); }

void FrmMain::showMultiMediaSlot(int index, const std::string& description) {
    if (index < 0 || index >= kMultiMediaSlots) return;
    setText(layout::multiMediaName(true, index), description);
    ::ShowWindow(control(layout::multiMediaName(false, index)), SW_SHOW);
    ::ShowWindow(control(layout::multiMediaName(true, index)), SW_SHOW);
}

void FrmMain::showStartForm() { host().showStartForm(); }

void FrmMain::closeStartForm() {
    if (FrmStart* start = host().startForm()) {
        ::ShowWindow(start->hwnd(), SW_HIDE);
        start->destroy();
    }
}

void FrmMain::showWindow() {
    if (!centred_) {
        centred_ = true;
        centre();
    }
    showActive();
}

FrmCuz::FrmCuz(FormHost& host) : Form(host, layout::frmCuz(), nullptr) {
    create();
    ::SetWindowSubclass(T_cuz(), &designationProc, 1, 0);
}

void FrmCuz::onCommand(int id, int code) {
    const Control* c = design().find(id);
    if (!c) return;
    if (c->name == "bb_cuzokay" && code == BN_CLICKED) {
        okay();
    } else if (c->name == "bb_cuzabbrechen" && code == BN_CLICKED) {
        destroy();
    } else if (c->name == "T_cuz" && code == EN_CHANGE) {
        dropReserved();
    }
}

void FrmCuz::okay() {
    if (host().reports().running()) return;
    if (!acceptDesignation(host().reports(), windowText(T_cuz()))) ::SetFocus(T_cuz());
    // The run has closed this window; nothing here may be touched any more.
}

// Whatever arrives other than by a typed key (pasting, dropping, an input
// method) passes the same filter; the caret keeps its place in the text.
void FrmCuz::dropReserved() {
    HWND edit = T_cuz();
    const int n = ::GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    text.resize(static_cast<std::size_t>(std::max(0, ::GetWindowTextW(edit, text.data(), n + 1))));
    DWORD start = 0, end = 0;
    ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::wstring kept;
    DWORD caret = end;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isReservedNameChar(text[i])) {
            if (i < end) --caret;
        } else {
            kept += text[i];
        }
    }
    if (kept.size() == text.size()) return;
    ::SetWindowTextW(edit, kept.c_str());
    ::SendMessageW(edit, EM_SETSEL, caret, caret);
}

FrmComment::FrmComment(FormHost& host, HWND owner) : Form(host, layout::frmComment(), owner) {
    create();
    if (!report::gStrComment.empty()) setText("txtComment", report::gStrComment);
    centre();
}

void FrmComment::onCommand(int id, int code) {
    const Control* c = design().find(id);
    if (!c || code != BN_CLICKED) return;
    if (c->name == "cmdOK") {
        storeComment(text("txtComment"));
        host().endModal();
        destroy();
    } else if (c->name == "cmdCancel") {
        host().endModal();
        destroy();
    }
}

bool FrmComment::onClose(bool) {
    host().endModal();
    return true;
}

FrmAbout::FrmAbout(FormHost& host) : Form(host, layout::frmAbout(), nullptr) {
    create();
    auto small =
        static_cast<HICON>(::LoadImageW(module(), MAKEINTRESOURCEW(IDI_INFO), IMAGE_ICON,
                                        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    auto big = static_cast<HICON>(
        ::LoadImageW(module(), MAKEINTRESOURCEW(IDI_INFO), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    Versionsinfo(std::string(kAboutVersion));
    centre();
}

void FrmAbout::Versionsinfo(const std::string& strVersion) { setText("txt_Versionsangabe", versionText(strVersion)); }

void FrmAbout::onCommand(int id, int code) {
    const Control* c = design().find(id);
    if (!c || code != BN_CLICKED) return;
    if (c->name == "cmdOK") destroy();
    if (c->name == "cmdSysInfo") StartSysInfo(host().reports().platform());
}

FrmUpdate::FrmUpdate(FormHost& host) : Form(host, layout::frmUpdate(), nullptr) {
    create();
    picture_ = new ProgressPicture(control("Picture1"));
    setText("lblHinweis", "");
    centre();
}

FrmUpdate::~FrmUpdate() { delete picture_; }

void FrmUpdate::gSubVisiblePicture(std::uint32_t lngBackColor, std::uint32_t lngForeColor, bool lngFontBold) {
    picture_->setup(lngBackColor, lngForeColor, lngFontBold, font(layout::kControlFont));
}

void FrmUpdate::gSubUpdateStatus(std::int32_t lngProzent) {
    picture_->drawStatus(lngProzent, dpiY());
    host().processPending();
}

bool FrmUpdate::onClose(bool fromUser) {
    // The user cannot close the window while the run goes on; the program can.
    return !fromUser;
}

}  // namespace tq::ui::win32
