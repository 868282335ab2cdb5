#include "ui/layout.h"

#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

#include "ui/mainlogic.h"

namespace tq::ui::layout {

int toPixels(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

PixelRect toPixels(const Rect& r, double dpiX, double dpiY) {
    const int l = toPixels(r.left, dpiX), t = toPixels(r.top, dpiY);
    return {l, t, toPixels(r.left + r.width, dpiX) - l, toPixels(r.top + r.height, dpiY) - t};
}

const Control& Window::control(std::string_view controlName) const {
    if (const Control* c = find(controlName)) return *c;
    throw std::out_of_range("no control " + std::string(controlName) + " in " + std::string(name));
}

const Control* Window::find(std::string_view controlName) const noexcept {
    for (const Control& c : controls)
        if (c.name == controlName) return &c;
    return nullptr;
}

const Control* Window::find(int controlId) const noexcept {
    for (const Control& c : controls)
        if (c.id == controlId) return &c;
    return nullptr;
}

PixelRect Window::clientPixels(const Control& c, double dpiX, double dpiY) const {
    PixelRect r = toPixels(c.at, dpiX, dpiY);
    for (const Control* p = find(c.parent); p; p = find(p->parent)) {
        const PixelRect outer = toPixels(p->at, dpiX, dpiY);
        r.left += outer.left;
        r.top += outer.top;
    }
    return r;
}

bool isValueLabel(const Control& c) {
    return c.kind == Kind::Label && c.name.substr(0, 3) == "lbl" &&
           (c.parent == "F_Motherboard" || c.parent == "F_VGA") && c.name != "lblBios";
}

std::string_view multiMediaName(bool value, int index) {
    static const std::array<std::string, 2 * kMultiMediaSlots> names = [] {
        std::array<std::string, 2 * kMultiMediaSlots> n;
        for (int i = 0; i < kMultiMediaSlots; ++i) {
            n[i] = "txtMMName_" + std::to_string(i);
            n[kMultiMediaSlots + i] = "lblMMName_" + std::to_string(i);
        }
        return n;
    }();
    if (index < 0 || index >= kMultiMediaSlots) return {};
    return names[(value ? kMultiMediaSlots : 0) + index];
}

namespace {

// Numbers the controls from 100 on, in table order.
Window numbered(Window w) {
    int id = 100;
    for (Control& c : w.controls) c.id = id++;
    return w;
}

Control button(std::string_view name, std::string_view caption, Rect at, unsigned flags = 0) {
    return {name, Kind::Button, caption, at, {}, flags};
}

Control label(std::string_view name, std::string_view caption, Rect at, std::string_view parent = {},
              unsigned flags = 0) {
    return {name, Kind::Label, caption, at, parent, flags};
}

// A caption label and its value label on one line of a frame.
void pair(std::vector<Control>& out, std::string_view frame, std::string_view captionName, std::string_view caption,
          std::string_view valueName, std::string_view value, int top, int captionWidth = 1095, int valueWidth = 2775,
          int valueHeight = 255, unsigned valueFlags = 0) {
    out.push_back(label(captionName, caption, {240, top, captionWidth, 255}, frame));
    out.push_back(label(valueName, value, {1440, top, valueWidth, valueHeight}, frame, valueFlags));
}

Window makeMain() {
    Window w{"frmMain", "Tallyquest", 11970, 6015, true, {}, {}};
    auto& c = w.controls;
    c.push_back(button("btnMotherboard", "Mother&board", {120, 120, 1335, 375}));
    c.push_back(button("btnVGA", "&VGA", {1560, 120, 1335, 375}));
    c.push_back(button("btnMultiMedia", "&Multi Media", {3000, 120, 1335, 375}));
    Control info{"imgInfo", Kind::Picture, {}, {4600, 120, 240, 240}, {}, kClickable};
    info.image = Image::Info;
    info.toolTip = "About Tallyquest";
    c.push_back(info);
    Control logo{"imgLogo", Kind::Picture, {}, {9240, 120, 2580, 1260}, {}, kDoubleClick};
    logo.image = Image::Logo;
    c.push_back(logo);
    Control line{"Line1", Kind::Line, {}, {120, 720, 4680, 0}};
    c.push_back(line);
    Control information = label("lblInformation", "Information", {360, 1080, 1455, 375});
    information.font = kHeadingFont;
    c.push_back(information);
    c.push_back({"chkVGA", Kind::CheckBox, "Graphic on Board", {7440, 360, 1575, 255}});
    c.push_back({"chkAudio", Kind::CheckBox, "Audio on Board", {7440, 720, 1455, 255}});
    c.push_back({"chkLan", Kind::CheckBox, "LAN on Board", {7440, 1080, 1335, 255}, {}, kTicked});
    Control pnpHeading = label("Label1", "Plug and Play ID's", {5160, 1080, 1935, 375});
    pnpHeading.font = kHeadingFont;
    c.push_back(pnpHeading);
    c.push_back({"txtPnP", Kind::MultiLineEdit, {}, {5160, 1560, 6615, 3615}, {}, kScrolls});

    constexpr Rect frame{360, 1560, 4335, 3615};
    c.push_back({"F_Motherboard", Kind::Frame, "Motherboard", frame});
    pair(c, "F_Motherboard", "txtMBProduct", "Product:", "lblMBProduct", "Label MB Product", 360);
    pair(c, "F_Motherboard", "txtMBDescription", "Description:", "lblMBDescription", "Label MB Description", 675, 855);
    pair(c, "F_Motherboard", "txtMBManufacturer", "Manufacturer:", "lblMBManufacturer", "Label MB Manufacturer", 990);
    c.push_back(label("lblBios", "Bios", {120, 1440, 615, 255}, "F_Motherboard"));
    pair(c, "F_Motherboard", "txtBiosManufacturer", "Manufacturer:", "lblBiosManufacturer", "Label Bios Manufacturer",
         1680);
    pair(c, "F_Motherboard", "txtBiosDescription", "Description:", "lblBiosDescription", "Label Bios Description", 1995,
         1095, 2535, 615, kWrap);
    pair(c, "F_Motherboard", "txtSMBios", "SMBios:", "lblSMBios", "Label SMBios", 2520, 975);
    c.push_back(label("txtMBLanOnBoard", "LAN on Board", {120, 2970, 1095, 255}, "F_Motherboard"));
    pair(c, "F_Motherboard", "txtMBMacAddress", "MAC-Address:", "lblMBMacAddress", "Label MB MacAddress", 3240);

    c.push_back({"F_VGA", Kind::Frame, "VGA", frame, {}, kHidden});
    pair(c, "F_VGA", "txtVGAName", "Name:", "lblVGAName", "Label VGA Name", 360);
    pair(c, "F_VGA", "txtVGADriverVersion", "Driver Version:", "lblVGADriverVersion", "Label VGA Driver Version", 675);
    pair(c, "F_VGA", "txtVGADriverDate", "Driver Date:", "lblVGADriverDate", "Label VGA Driver Date", 990);
    pair(c, "F_VGA", "txtVGAVideoMode", "Video Mode:", "lblVGAVideoMode", "Label VGA Video Mode", 1305);
    pair(c, "F_VGA", "txtVGAColor", "Color:", "lblVGAColor", "Label VGA Color", 1620);
    pair(c, "F_VGA", "txtVGAVideoRam", "Video Ram:", "lblVGAVideoRam", "Label VGA Video Ram", 1935);

    c.push_back({"F_MultiMedia", Kind::Frame, "Multi Media", frame, {}, kHidden});
    for (int i = 0; i < kMultiMediaSlots; ++i) {
        const int top = 360 + 435 * i;
        c.push_back(label(multiMediaName(false, i), "Name:", {240, top, 1095, 255}, "F_MultiMedia", kHidden));
        c.push_back(label(multiMediaName(true, i), "Label MM Name", {840, top, 3375, 255}, "F_MultiMedia", kHidden));
    }

    c.push_back(button("btnEnde", "E&xit", {9960, 5400, 1815, 495}));
    c.push_back(button("btnCreateReport", "create &report", {8040, 5400, 1815, 495}));
    w.focus = {"btnMotherboard", "btnVGA", "btnMultiMedia", "chkVGA",         "chkAudio",
               "chkLan",         "txtPnP", "btnEnde",       "btnCreateReport"};
    return numbered(std::move(w));
}

Window makeCuz() {
    Window w{"frmcuz", "Set Filename", 4455, 1185, false, {}, {}};
    Control heading = label("Label1", "Filename", {240, 240, 1455, 255});
    heading.font = {"Tahoma", 9.75, true};
    w.controls.push_back(heading);
    w.controls.push_back({"T_cuz", Kind::Edit, {}, {1680, 240, 1935, 375}});
    w.controls.push_back(button("bb_cuzokay", "&Ok", {480, 720, 1455, 375}, kDefault));
    w.controls.push_back(button("bb_cuzabbrechen", "&Chancel", {2280, 720, 1695, 375}));
    w.focus = {"T_cuz", "bb_cuzokay", "bb_cuzabbrechen"};
    return numbered(std::move(w));
}

Window makeComment() {
    Window w{"frmComment", "Comment", 6150, 3675, false, {}, {}};
    w.controls.push_back({"Picture1", Kind::Container, {}, {210, 240, 5685, 2700}});
    w.controls.push_back(
        label("lblNotes", "Enter comments to add this to the report:", {120, 120, 5295, 375}, "Picture1"));
    w.controls.push_back({"txtComment", Kind::Edit, {}, {240, 600, 5175, 1815}, "Picture1"});
    w.controls.push_back(button("cmdOK", "OK", {3450, 3135, 1095, 375}));
    w.controls.push_back(button("cmdCancel", "Cancel", {4680, 3135, 1095, 375}, kCancel));
    w.focus = {"txtComment", "cmdOK", "cmdCancel"};
    return numbered(std::move(w));
}

Window makeAbout() {
    Window w{"frmAbout", "About Tallyquest", 6255, 4650, false, {}, {}};
    auto& c = w.controls;
    c.push_back(label("lblTitle",
                      "Get the informations of current configuration. The functions based on Windows Management "
                      "Instrumentation (WMI) from Microsoft.",
                      {240, 360, 4965, 480}, {}, kWrap));
    c.push_back(label("lblMiddle", "Display pnp ID's from motherboard, graphic device and multi media devices.",
                      {240, 960, 5055, 495}, {}, kWrap));
    c.push_back(label("Label2",
                      "The detected date of system can be exported to a html-File. This file will be saved on the path "
                      "where the program located. In addition the data of files sigverif.txt and  systembuilder.dat "
                      "and bootvis.audit.log are included.",
                      {240, 1680, 5175, 615}, {}, kWrap));
    // The etched separator: a white line of width 2 under a grey one.
    Control white{"Line1_0", Kind::Line, {}, {105, 2460, 5549, 0}};
    white.colour = kWhiteLine;
    white.lineWidth = 2;
    c.push_back(white);
    Control grey{"Line1_1", Kind::Line, {}, {90, 2445, 5564, 0}};
    grey.colour = kGreyLine;
    c.push_back(grey);
    // The copyright label lies on the dialog itself, under the frame.
    c.push_back(label("Label1", "(c) The Tallyquest developers", {360, 2880, 3615, 855}));
    c.push_back({"Frame1", Kind::Frame, "Versionsinformation", {120, 2760, 4695, 1455}});
    c.push_back({"txt_Versionsangabe", Kind::MultiLineEdit, {}, {240, 360, 4215, 855}, "Frame1", kReadOnlyFace});
    c.push_back(button("cmdSysInfo", "&System Info...", {4920, 3360, 1245, 345}));
    c.push_back(button("cmdOK", "OK", {4920, 3840, 1260, 345}, kDefault | kCancel));
    w.focus = {"cmdOK", "cmdSysInfo", "txt_Versionsangabe"};
    return numbered(std::move(w));
}

Window makeUpdate() {
    Window w{"frmUpdate", "Tallyquest", 8130, 1725, false, {}, {}};
    // The design caption "Label1" is cleared when the window is created.
    w.controls.push_back(label("lblHinweis", "Label1", {1680, 600, 4215, 375}));
    w.controls.push_back({"Picture1", Kind::ProgressBox, {}, {120, 1200, 7815, 375}});
    return numbered(std::move(w));
}

Window makeStart() {
    Window w{"frmStart", "Tallyquest", 11970, 6015, true, {}, {}};
    Control notice = label("lblCenter", "Please wait . . .", {5078, 2760, 1815, 375});
    notice.font = {"Tahoma", 12, false};
    w.controls.push_back(notice);
    return numbered(std::move(w));
}

}  // namespace

const Window& frmMain() {
    static const Window w = makeMain();
    return w;
}
const Window& frmCuz() {
    static const Window w = makeCuz();
    return w;
}
const Window& frmComment() {
    static const Window w = makeComment();
    return w;
}
const Window& frmAbout() {
    static const Window w = makeAbout();
    return w;
}
const Window& frmUpdate() {
    static const Window w = makeUpdate();
    return w;
}
const Window& frmStart() {
    static const Window w = makeStart();
    return w;
}

std::vector<const Window*> allWindows() {
    return {&frmMain(), &frmCuz(), &frmComment(), &frmAbout(), &frmUpdate(), &frmStart()};
}

}  // namespace tq::ui::layout
