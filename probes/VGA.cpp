// The graphics section, and the conversion of management date texts.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

namespace {
// A part of the composed date text as a number; a part that is empty or
// holds anything but digits makes the text no date.
int datePart(std::string_view digits) {
    if (digits.empty()) fail::raise(fail::kTypeMismatch);
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') fail::raise(fail::kTypeMismatch);
        n = n * 10 + (c - '0');
    }
    return n;
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : kDays[m - 1];
}
}  // namespace

DateTime ConvertWmiDate(std::string_view wmiDate) {
    // yyyymmddHHMMSS.ffffff+zzz: month/day/year hour:minute:second.
    if (textLength(wmiDate) < 14) fail::raise(fail::kTypeMismatch);
    DateTime d;
    d.month = datePart(textMid(wmiDate, 5, 2));
    d.day = datePart(textMid(wmiDate, 7, 2));
    d.year = datePart(textMid(wmiDate, 1, 4));
    d.hour = datePart(textMid(wmiDate, 9, 2));
    d.minute = datePart(textMid(wmiDate, 11, 2));
    d.second = datePart(textMid(wmiDate, 13, 2));
    if (d.year < 100 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > daysInMonth(d.year, d.month) ||
        d.hour > 23 || d.minute > 59 || d.second > 59)
        fail::raise(fail::kTypeMismatch);
    return d;
}

std::string FormatDate(const DateTime& d) {
    auto& locale = platform::locale();
    std::string text = locale.shortDate(d.year, d.month, d.day);
    if (d.hour != 0 || d.minute != 0 || d.second != 0) {
        text += ' ';
        text += locale.longTime(d.hour, d.minute, d.second);
    }
    return text;
}

namespace {
bool positiveInteger(const Object& item, std::string_view property) {
    return trap::test([&] { return item[property].isInteger() && item[property].rawInteger() > 0; });
}
}  // namespace

void WriteGraphicsSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("Select * from Win32_VideoController");
    p.head("VGA");
    p.walk([&](const Object& video) {
        if (!nonEmptyText(video, "Name")) return;
        p.separator();
        p.row("Name", [&] { return nbsp(video["Name"]); });
        p.rowIfText("DeviceID", video, "DeviceID");
        p.rowIfText("PNPDeviceID", video, "PNPDeviceID");
        p.rowIfText("DriverVersion", video, "DriverVersion");
        if (nonEmptyText(video, "DriverDate"))
            p.row("DriverDate",
                  [&] { return FormatDate(ConvertWmiDate(video["DriverDate"].rawText())) + std::string(kNbsp); });
        if (positiveInteger(video, "CurrentHorizontalResolution") &&
            positiveInteger(video, "CurrentVerticalResolution"))
            p.row("VideoMode", [&] {
                return video["CurrentHorizontalResolution"].str() + " x " + video["CurrentVerticalResolution"].str();
            });
        if (positiveInteger(video, "CurrentBitsPerPixel"))
            p.row("Colour_bits", [&] { return nbsp(video["CurrentBitsPerPixel"]); });
        if (positiveInteger(video, "AdapterRAM"))
            p.row("Video-RAM",
                  [&] { return formatNumber(video["AdapterRAM"].rawInteger() / 1024.0 / 1024.0) + " MB"; });
        ++p.counter;
    });
    p.finish();
}

}  // namespace tq::probes
