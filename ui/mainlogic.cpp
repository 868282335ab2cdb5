#include "ui/mainlogic.h"

#include "probes/reportrun.h"
#include "probes/summary.h"
#include "wmi/run.h"
#include "wmi/trap.h"

namespace tq::ui {
namespace {

using platform::OnboardBox;

constexpr std::string_view kUnknown = "unknown";

// The value labels that start at "unknown" and keep it until a value replaces it.
constexpr std::string_view kUnknownLabels[] = {
    "lblMBProduct",        "lblMBDescription", "lblMBManufacturer", "lblBiosManufacturer",
    "lblBiosDescription",  "lblSMBios",        "lblVGAColor",       "lblVGADriverDate",
    "lblVGADriverVersion", "lblVGAName",       "lblVGAVideoMode",   "lblVGAVideoRam",
};

}  // namespace

template <class F>
auto MainLogic::inRun(F&& f) {
    if (run_) return f(*run_);
    wmi::Run run(platform_.binder);
    run.decimalSeparator = platform_.locale->decimalSeparator();
    run_ = &run;
    struct Leave {
        wmi::Run*& r;
        ~Leave() { r = nullptr; }
    } leave{run_};
    return f(run);
}

std::string& MainLogic::textOf(Panel panel) {
    switch (panel) {
    case Panel::Vga: return vga_;
    case Panel::MultiMedia: return mm_;
    case Panel::Motherboard: break;
    }
    return mb_;
}

std::string MainLogic::fetch(Panel panel) {
    switch (panel) {
    case Panel::Vga: return getVGApnp();
    case Panel::MultiMedia: return getMMpnp();
    case Panel::Motherboard: break;
    }
    return getMBpnp();
}

void MainLogic::load() {
    view_state_ = Panel::Motherboard;
    mb_.clear();
    vga_.clear();
    mm_.clear();
    for (std::string_view label : kUnknownLabels) view_.setCaption(label, std::string(kUnknown));

    platform_.ui->setMousePointer(platform::kPointerHourglass);
    view_.showStartForm();
    inRun([&](wmi::Run&) {  // the start asks the service once
        if (vga_.empty()) vga_ = getVGApnp();
        if (mb_.empty()) getMBinfo();
    });
    view_.setPnpText(mb_);
    view_.closeStartForm();
    view_.showWindow();
    platform_.ui->setMousePointer(platform::kPointerDefault);
}

void MainLogic::switchPanel(Panel panel) {
    if (view_state_ == panel) return;
    view_state_ = panel;
    view_.showFrame(panel);
    view_.setChecksEnabled(panel == Panel::Motherboard);
    std::string& text = textOf(panel);
    if (text.empty()) text = fetch(panel);
    view_.setPnpText(text);
}

void MainLogic::checkChanged() {
    platform_.ui->setMousePointer(platform::kPointerHourglass);
    view_.setPnpEnabled(false);
    view_.setPnpText(getMBpnp());
    mb_ = view_.pnpText();
    view_.setPnpEnabled(true);
    platform_.ui->setMousePointer(platform::kPointerDefault);
}

void MainLogic::getMBinfo() {
    inRun([&](wmi::Run& run) { probes::MotherboardInfo(platform_, run, view_, [this] { checkChanged(); }); });
    if (mb_.empty()) mb_ = getMBpnp();
}

std::string MainLogic::getMBpnp() {
    return inRun([&](wmi::Run& run) { return probes::MotherboardPnp(platform_, run, view_, vga_); });
}
std::string MainLogic::getVGApnp() {
    return inRun([&](wmi::Run& run) { return probes::GraphicsPnp(platform_, run, view_); });
}
std::string MainLogic::getMMpnp() {
    return inRun([&](wmi::Run& run) { return probes::MultimediaPnp(platform_, run, view_); });
}

void OnboardBoxes::windowClosing(const MainView& window) {
    closed_ = {window.ticked(OnboardBox::Vga), window.ticked(OnboardBox::Audio), window.ticked(OnboardBox::Lan)};
}

bool OnboardBoxes::ticked(const MainView* window, OnboardBox box) const {
    if (window) return window->ticked(box);
    return closed_ && (*closed_)[static_cast<std::size_t>(box)];
}

}  // namespace tq::ui
