// The graphics section, and the conversion of management date texts.
#include "probes/probe.h"
#include "probes/probes.h"
#include "wmi/cimdate.h"

namespace tq::probes {

DateTime ConvertWmiDate(std::string_view wmiDate) {
    // yyyymmddHHMMSS.ffffff+zzz: month/day/year hour:minute:second; a year
    // below 100 is refused rather than taken for a two-digit one.
    const auto d = cimdate::parse(wmiDate);
    if (!d || d->year < 100 || !cimdate::valid(*d)) fail::raise(fail::kTypeMismatch);
    return *d;
}

std::string FormatDate(platform::Locale& locale, const DateTime& d) {
    std::string text = locale.shortDate(d.year, d.month, d.day);
    if (d.hour != 0 || d.minute != 0 || d.second != 0) {
        text += ' ';
        text += locale.longTime(d.hour, d.minute, d.second);
    }
    return text;
}

namespace {
bool positiveInteger(Probe& p, const Object& item, std::string_view property) {
    return p.test([&] { return item[property].isInteger() && item[property].rawInteger() > 0; });
}
}  // namespace

void WriteGraphicsSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("Select * from Win32_VideoController");
    p.head("VGA");
    p.walk([&](const Object& video) {
        if (!p.nonEmptyText(video, "Name")) return;
        p.separator();
        p.row("Name", [&] { return p.nbsp(video["Name"]); });
        p.rowIfText("DeviceID", video, "DeviceID");
        p.rowIfText("PNPDeviceID", video, "PNPDeviceID");
        p.rowIfText("DriverVersion", video, "DriverVersion");
        if (p.nonEmptyText(video, "DriverDate"))
            p.row("DriverDate", [&] {
                return FormatDate(p.locale(), ConvertWmiDate(video["DriverDate"].rawText())) + std::string(kNbsp);
            });
        if (positiveInteger(p, video, "CurrentHorizontalResolution") &&
            positiveInteger(p, video, "CurrentVerticalResolution"))
            p.row("VideoMode", [&] {
                return video["CurrentHorizontalResolution"].str() + " x " + video["CurrentVerticalResolution"].str();
            });
        if (positiveInteger(p, video, "CurrentBitsPerPixel"))
            p.row("Colour_bits", [&] { return p.nbsp(video["CurrentBitsPerPixel"]); });
        if (positiveInteger(p, video, "AdapterRAM"))
            p.row("Video-RAM", [&] {
                return formatNumber(video["AdapterRAM"].rawInteger() / 1024.0 / 1024.0, p.run().decimalSeparator) +
                       " MB";
            });
        ++p.counter;
    });
    p.finish();
}

}  // namespace tq::probes
