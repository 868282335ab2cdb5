// What the main window shows of the machine: the motherboard and BIOS
// captions and the three Plug-and-Play identifier texts, read from the
// management service through the caller's run; messages go to the
// platform's user interface. The window's own logic (ui/mainlogic.h)
// decides when.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/seams.h"
#include "wmi/run.h"

namespace tq::probes {

// Number of name slots of the multimedia panel (index 0 to 7).
inline constexpr int kMultiMediaSlots = 8;

// The window's controls that the summary fills. Labels are named as the
// window names them ("lblMBProduct", ...).
class SummaryView {
public:
    virtual ~SummaryView() = default;
    virtual void setCaption(std::string_view label, const std::string& text) = 0;
    virtual std::string caption(std::string_view label) const = 0;
    virtual bool ticked(platform::OnboardBox box) const = 0;
    // Ticks a box without raising its click: the caller runs the rebuild.
    virtual void tick(platform::OnboardBox box) = 0;
    // Captions lblMMName(index) and shows it with its txtMMName.
    virtual void showMultiMediaSlot(int index, const std::string& description) = 0;
};

// The motherboard and BIOS captions. An on-board graphics or audio device
// whose box is clear ticks it, and `boxTicked` rebuilds at once.
void MotherboardInfo(platform::Platform& platform, wmi::Run& run, SummaryView& view,
                     const std::function<void()>& boxTicked);
// The motherboard's identifiers (with the graphics' and audio's when their
// boxes are ticked); identifiers already in `vgaPnp` are left out.
std::string MotherboardPnp(platform::Platform& platform, wmi::Run& run, SummaryView& view, const std::string& vgaPnp);
// The graphics adapters' identifiers; the first adapter fills the captions.
std::string GraphicsPnp(platform::Platform& platform, wmi::Run& run, SummaryView& view);
// The sound devices' identifiers; their names fill the multimedia slots.
std::string MultimediaPnp(platform::Platform& platform, wmi::Run& run, SummaryView& view);

}  // namespace tq::probes
