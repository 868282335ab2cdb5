// The six windows as data, free of any toolkit: client sizes, controls with
// their kinds, captions, positions in twips, fonts, start states and the
// order of focus. Every front end builds its windows from these tables, so
// the windows look and behave alike whatever draws them.
#pragma once

#include <string_view>
#include <vector>

namespace tq::ui::layout {

// Positions and sizes in twips (1/1440 inch) relative to the container.
struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

// A rectangle in device pixels.
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

// Twips to pixels at a resolution (dots per inch); 15 twips make one pixel at
// 96 DPI. Rounded to the nearest pixel.
int toPixels(int twips, double dpi);
// Edges are converted, not sizes, so that neighbouring controls keep
// touching where they touch in twips.
PixelRect toPixels(const Rect& twips, double dpiX, double dpiY);

enum class Kind {
    Button,
    CheckBox,
    Label,
    Edit,           // one line of text
    MultiLineEdit,  // several lines, vertical scroll bar where Scrolls is set
    Frame,          // a titled group box that holds other controls
    Container,      // a sunken box that holds other controls
    Picture,        // an image (Image tells which)
    ProgressBox,    // the picture box the progress bar is drawn on
    Line,           // from (left, top) to (left + width, top + height)
};

enum Flag : unsigned {
    kHidden = 1u << 0,        // hidden when the window is created
    kDefault = 1u << 1,       // the default button: Enter presses it
    kCancel = 1u << 2,        // the cancel button: Escape presses it
    kTicked = 1u << 3,        // a check box ticked at start
    kWrap = 1u << 4,          // a label whose text wraps
    kScrolls = 1u << 5,       // a text box with a vertical scroll bar
    kReadOnlyFace = 1u << 6,  // a text box on the button-face colour
    kClickable = 1u << 7,     // a picture that reacts to clicks
    kDoubleClick = 1u << 8,   // a picture that reacts to double clicks
};

enum class Image { None, Info, Logo };

// A font by family, size in points and weight. The default font of every
// control that names none is kControlFont.
struct Font {
    std::string_view family;
    double points = 0;
    bool bold = false;
};
inline constexpr Font kControlFont{"MS Sans Serif", 8.25, false};
inline constexpr Font kHeadingFont{"MS Sans Serif", 9.75, true};

// Line colours of the about box's etched separator (0x00BBGGRR).
inline constexpr unsigned kGreyLine = 0x808080;
inline constexpr unsigned kWhiteLine = 0xFFFFFF;

struct Control {
    std::string_view name;  // the control's name, e.g. "btnVGA" or "lblMMName_3"
    Kind kind = Kind::Label;
    std::string_view caption;  // design-time caption or content
    Rect at;                   // twips, relative to `parent`
    std::string_view parent;   // a Frame or Container of the same window; empty: the window
    unsigned flags = 0;
    Font font = kControlFont;
    Image image = Image::None;
    std::string_view toolTip;
    unsigned colour = 0;  // lines only (0x00BBGGRR)
    int lineWidth = 1;    // lines only, in pixels
    int id = 0;           // the control's number within its window (from 100 on)

    bool has(Flag f) const noexcept { return (flags & f) != 0; }
};

struct Window {
    std::string_view name;
    std::string_view caption;
    int width = 0, height = 0;  // client area in twips
    bool sizable = false;       // a sizable frame with minimise and maximise buttons
    std::vector<Control> controls;
    // The controls that take the focus, in the order the Tab key visits them.
    std::vector<std::string_view> focus;

    // The control of that name; throws std::out_of_range when there is none.
    const Control& control(std::string_view controlName) const;
    const Control* find(std::string_view controlName) const noexcept;
    const Control* find(int id) const noexcept;
    // The control's position in pixels within the window's client area
    // (containers' offsets added, each converted on its own as the
    // containers themselves are).
    PixelRect clientPixels(const Control& c, double dpiX, double dpiY) const;
};

const Window& frmMain();
const Window& frmCuz();
const Window& frmComment();
const Window& frmAbout();
const Window& frmUpdate();
const Window& frmStart();
// All six, for checks that hold for every window.
std::vector<const Window*> allWindows();

// The value labels of the main window's frames, as "lblMBProduct", ...
// (used to find the labels MainView captions).
bool isValueLabel(const Control& c);

// Name of the multimedia panel's slot controls: "txtMMName_3", "lblMMName_3".
std::string_view multiMediaName(bool value, int index);

}  // namespace tq::ui::layout
