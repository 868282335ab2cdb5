// The on-board devices section: the first IEEE 1394 adapter always, and the
// graphics, audio and LAN devices when the main window's boxes say so.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

namespace {
bool ticked(Probe& p, platform::OnboardBox box) {
    return p.test([&] { return p.ui().onboardTicked(box); });
}
}  // namespace

void WriteOnboardSection(ReportStream& stream) {
    Probe p(stream);
    p.head("On Board");
    p.bind();

    // "Driver Version" row, for the signed driver described like the item.
    auto versionRow = [&](const Object& item) {
        std::string version;
        if (!p.step([&] { version = GetDriverVersion(p.run(), textOf(item["Description"])); })) return;
        if (textLength(version) > 0) p.row("Driver Version", [&] { return version + std::string(kNbsp); });
    };

    p.query("SELECT * FROM Win32_NetworkAdapter "
            "Where PnPDeviceID like 'V1394%' ");
    p.first([&](const Object& adapter) {
        if (!p.nonEmptyText(adapter, "Description")) return;
        p.row("Description", [&] { return p.nbsp(adapter["Description"]); });
        versionRow(adapter);
        if (p.nonEmptyText(adapter, "PNPDeviceID"))
            p.row("PNPDeviceID", [&] { return TrimPnpId(adapter["PNPDeviceID"].rawText()) + std::string(kNbsp); });
        p.rowIfText("Mac-Address", adapter, "MACAddress");
        ++p.counter;
    });

    if (ticked(p, platform::OnboardBox::Vga)) {
        p.query("SELECT * FROM Win32_VideoController");
        p.walk([&](const Object& video) {
            if (!p.nonEmptyText(video, "PNPDeviceID")) return;
            p.separator();
            if (p.nonEmptyText(video, "Description")) {
                p.row("Description", [&] { return p.nbsp(video["Description"]); });
                versionRow(video);
            }
            p.row("PNPDeviceID", [&] { return p.nbsp(video["PNPDeviceID"]); });
            ++p.counter;
        });
    }

    if (ticked(p, platform::OnboardBox::Audio)) {
        p.query("SELECT * FROM Win32_SoundDevice "
                "WHERE Caption LIKE '%Audio%' ");
        p.walk([&](const Object& sound) {
            if (!p.nonEmptyText(sound, "PNPDeviceID")) return;
            p.separator();
            if (p.nonEmptyText(sound, "Caption")) {
                // The caption, shortened like an identifier, under "Description".
                p.row("Description", [&] { return TrimPnpId(sound["Caption"].rawText()) + std::string(kNbsp); });
                versionRow(sound);
            }
            p.row("PNPDeviceID", [&] { return TrimPnpId(sound["PNPDeviceID"].rawText()) + std::string(kNbsp); });
            ++p.counter;
        });
    }

    if (ticked(p, platform::OnboardBox::Lan)) {
        p.query("SELECT * FROM Win32_NetworkAdapter "
                "WHERE PNPDeviceID LIKE 'PCI%VEN%' "
                "AND (NetConnectionID LIKE '%LAN%' OR "
                "NetConnectionID LIKE '%Local%' OR "
                "NetConnectionID LIKE '%Area%')");
        p.first([&](const Object& adapter) {
            if (!p.nonEmptyText(adapter, "Description")) return;
            p.separator();
            p.row("Description", [&] { return p.nbsp(adapter["Description"]); });
            versionRow(adapter);
            if (p.nonEmptyText(adapter, "PNPDeviceID"))
                p.row("PNPDeviceID", [&] { return TrimPnpId(adapter["PNPDeviceID"].rawText()) + std::string(kNbsp); });
            p.rowIfText("Mac-Address", adapter, "MACAddress");
            ++p.counter;
        });
    }

    p.finish();
}

}  // namespace tq::probes
