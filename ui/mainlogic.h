// The main window's procedures without any window toolkit: loading, the
// motherboard and BIOS panel, the three Plug-and-Play identifier texts, panel
// switching and the on-board check boxes. They talk to the window through
// MainView; message boxes and the mouse pointer go through the user-interface
// seam of the platform the window was given.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/seams.h"
#include "probes/summary.h"
#include "wmi/run.h"

namespace tq::ui {

// The three summary panels ("MB", "VGA" and "MM").
enum class Panel { Motherboard, Vga, MultiMedia };

using probes::kMultiMediaSlots;

// What the procedures need of the window's controls: the summary's (labels,
// boxes, multimedia slots) and the window's own.
class MainView : public probes::SummaryView {
public:
    virtual void setChecksEnabled(bool enabled) = 0;
    // Shows the panel's frame and hides the other two.
    virtual void showFrame(Panel panel) = 0;
    // txtPnP; line breaks are CR LF on both sides.
    virtual void setPnpText(const std::string& text) = 0;
    virtual std::string pnpText() const = 0;
    virtual void setPnpEnabled(bool enabled) = 0;
    // The start notice, and the window itself once it has loaded.
    virtual void showStartForm() = 0;
    virtual void closeStartForm() = 0;
    virtual void showWindow() = 0;
};

class MainLogic {
public:
    MainLogic(platform::Platform& platform, MainView& view) : platform_(platform), view_(view) {}

    // Loading the window: labels to "unknown", the start notice, the
    // graphics and motherboard data, then the window shows.
    void load();

    // A click on btnMotherboard, btnVGA or btnMultiMedia.
    void switchPanel(Panel panel);
    // A change of chkVGA, chkAudio or chkLan (the box already holds its new value).
    void checkChanged();

    void getMBinfo();
    std::string getMBpnp();
    std::string getVGApnp();
    std::string getMMpnp();

    Panel view() const noexcept { return view_state_; }
    const std::string& varMBpnp() const noexcept { return mb_; }
    const std::string& varVGApnp() const noexcept { return vga_; }
    const std::string& varMMpnp() const noexcept { return mm_; }

private:
    std::string& textOf(Panel panel);
    std::string fetch(Panel panel);

    platform::Platform& platform_;
    MainView& view_;
    // Runs `f` in the window's current run: the start's, or one of the
    // action's own. A report run keeps its own, so a panel switch between
    // two sections leaves nothing for its final check.
    template <class F>
    auto inRun(F&& f);
    wmi::Run* run_ = nullptr;
    Panel view_state_ = Panel::Motherboard;
    std::string mb_, vga_, mm_;
};

// The three on-board boxes as a report run reads them. While the main window
// is open they are its boxes; once it has closed (a report-name dialog or an
// about box may outlive it, and the dialog may still start a run) they are
// the boxes as the window left them. Before any window closed: all clear.
class OnboardBoxes {
public:
    // The main window is closing: keeps its boxes as they stand.
    void windowClosing(const MainView& window);
    // `window` is the main window while it is open, null afterwards.
    bool ticked(const MainView* window, platform::OnboardBox box) const;

private:
    std::optional<std::array<bool, 3>> closed_;  // by OnboardBox: vga, audio, lan
};

}  // namespace tq::ui
