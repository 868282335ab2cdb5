#include "ui/win32/win32ui.h"

#include <algorithm>

#include "platform/windows/text.h"
#include "wmi/failure.h"

namespace tq::ui::win32 {
Win32UserInterface::Win32UserInterface(HINSTANCE instance, platform::Platform& platform)
    : module_(instance), reports_(platform) {}

Win32UserInterface::~Win32UserInterface() {
    busy_ = false;
    for (Form* f : std::vector<Form*>(forms_)) f->destroy();
    reap();
    for (Form* f : forms_) delete f;
    // The last window's close asked the loop to end; nothing runs it now.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void Win32UserInterface::opened(Form* form) {
    forms_.push_back(form);
    ++open_;
}

void Win32UserInterface::closed(Form* form) {
    if (form == main_) main_ = nullptr;
    if (form == progress_) progress_ = nullptr;
    if (form == cuz_) cuz_ = nullptr;
    if (form == about_) about_ = nullptr;
    if (form == comment_) comment_ = nullptr;
    if (form == start_) start_ = nullptr;
    finished_.push_back(form);
    // The program ends when none of its windows is open any more.
    if (--open_ == 0) {
        ::PostQuitMessage(0);
    }
}

void Win32UserInterface::reap() {
    for (Form* f : finished_) {
        forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
        delete f;
    }
    finished_.clear();
}

FrmMain* Win32UserInterface::startMainWindow() {
    main_ = new FrmMain(*this);
    main_->load();
    return mainWindow();
}

FrmStart* Win32UserInterface::showStartForm() {
    if (!start_) start_ = new FrmStart(*this);
    ::ShowWindow(start_->hwnd(), SW_SHOW);
    // Paint the notice before the queries keep the thread busy.
    ::UpdateWindow(start_->hwnd());
    processPending();
    return start_;
}

FrmCuz* Win32UserInterface::showReportNameDialog() {
    if (!cuz_) {
        cuz_ = new FrmCuz(*this);
        cuz_->centre();
    }
    cuz_->showActive();
    return cuz_;
}

FrmAbout* Win32UserInterface::showAbout() {
    if (!about_) about_ = new FrmAbout(*this);
    about_->showActive();
    return about_;
}

void Win32UserInterface::showComment() {
    if (comment_) return;
    HWND owner = main_ ? main_->hwnd() : nullptr;
    // Modal: the program's other windows wait until the dialog closes.
    for (Form* f : forms_)
        if (f->alive() && ::IsWindowEnabled(f->hwnd())) {
            modalDisabled_.push_back(f->hwnd());
            ::EnableWindow(f->hwnd(), FALSE);
        }
    comment_ = new FrmComment(*this, owner);
    FrmComment* dialog = comment_;
    dialog->showActive();
    ::SetFocus(dialog->txtComment());
    MSG msg;
    while (comment_ == dialog) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!translate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    endModal();
    if (comment_ == dialog) dialog->destroy();
}

void Win32UserInterface::endModal() {
    // Enabled again before the dialog goes, so that its owner becomes active.
    for (HWND h : modalDisabled_)
        if (::IsWindow(h)) ::EnableWindow(h, TRUE);
    modalDisabled_.clear();
}

bool Win32UserInterface::translate(MSG& msg) {
    HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (!top) return false;
    for (Form* f : forms_)
        if (f->hwnd() == top) return f->translate(msg);
    return false;
}

int Win32UserInterface::run() {
    MSG msg;
    int code = 0;
    while (open_ > 0) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            code = got == 0 ? static_cast<int>(msg.wParam) : 1;
            break;
        }
        if (!translate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        reap();
    }
    reap();
    return code;
}

void Win32UserInterface::processPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The loop that runs the program sees it too.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!translate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void Win32UserInterface::messageBox(const std::string& prompt, int style, const std::string& title) {
    if (hook_) {
        hook_(prompt, style, title);
        return;
    }
    // Owned by the active window of the program, modal to all of it.
    HWND owner = ::GetActiveWindow();
    const UINT type = static_cast<UINT>(style) | (owner ? 0u : static_cast<UINT>(MB_TASKMODAL)) | MB_SETFOREGROUND;
    ::MessageBoxW(owner, win::widen(prompt).c_str(), win::widen(title).c_str(), type);
}

void Win32UserInterface::setMousePointer(int pointer) {
    constexpr WORD kWaitCursor = 32514, kArrowCursor = 32512;  // IDC_WAIT and IDC_ARROW
    if (pointer == platform::kPointerHourglass) {
        busy_ = true;
        ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(kWaitCursor)));
    } else if (pointer == platform::kPointerDefault && busy_) {
        busy_ = false;
        ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(kArrowCursor)));
    }
}

FrmUpdate& Win32UserInterface::progress() {
    if (!progress_) fail::raise(fail::kObjectRequired);
    return *progress_;
}

void Win32UserInterface::progressCreate() {
    if (progress_) return;
    progress_ = new FrmUpdate(*this);
    processPending();
}

void Win32UserInterface::progressSetCaption(const std::string& caption) { setWindowText(progress().hwnd(), caption); }

void Win32UserInterface::progressVisiblePicture(std::uint32_t backColor, std::uint32_t foreColor, bool bold) {
    progress().gSubVisiblePicture(backColor, foreColor, bold);
}

void Win32UserInterface::progressSetStatus(const std::string& text) {
    progress().setText("lblHinweis", text);
    ::UpdateWindow(progress().hwnd());
}

void Win32UserInterface::progressShow() { progress().showActive(); }

void Win32UserInterface::progressUpdate(std::int32_t percent) { progress().gSubUpdateStatus(percent); }

void Win32UserInterface::progressClose() {
    if (progress_) progress_->destroy();
}

std::uintptr_t Win32UserInterface::mainWindowHandle() {
    return main_ ? reinterpret_cast<std::uintptr_t>(main_->hwnd()) : 0;
}

void Win32UserInterface::closeMainWindow() {
    if (main_) main_->closeByProgram();
}

void Win32UserInterface::closeReportNameDialog() {
    if (cuz_) cuz_->destroy();
}

bool Win32UserInterface::onboardTicked(platform::OnboardBox box) { return boxes_.ticked(mainWindow(), box); }

}  // namespace tq::ui::win32
