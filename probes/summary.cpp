#include "probes/summary.h"

#include "probes/probes.h"
#include "report/html.h"
#include "report/main.h"
#include "report/text.h"
#include "wmi/service.h"
#include "wmi/run.h"
#include "wmi/trap.h"

namespace tq::probes {
namespace {

using platform::OnboardBox;
using trap::Walk;

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kNotEnable = "not enable";

void message(platform::Platform& platform, std::string_view prompt, int style) {
    platform.ui->messageBox(std::string(prompt), style, std::string(report::kAppTitle));
}

// A property that is a text of length greater than 0. A property the object
// does not have fails the test (and stays pending).
bool present(trap::Trap& t, const wmi::Object& o, std::string_view name) {
    return t.test([&] { return o[name].isNonEmptyText(); });
}

// A 32-bit integer value above 0.
bool positive(const Value& v) { return v.isInteger() && v.rawInteger() > 0; }

// InStr with text comparison: does `needle` occur in `text`, case ignored?
// Nothing occurs in an empty text; an empty needle occurs in any other.
bool occursIn(const std::string& text, const std::string& needle) {
    if (text.empty()) return false;
    return textFind(text, needle, 1, true) != 0;
}

// Runs the body on the first object of a result only.
template <class Body>
void first(trap::Trap& t, const wmi::CollectionPtr& result, Body&& body) {
    wmi::walk(t, result, [&](const wmi::Object& o) {
        body(o);
        return Walk::Stop;
    });
}

}  // namespace

void MotherboardInfo(platform::Platform& platform, wmi::Run& run, SummaryView& view,
                     const std::function<void()>& boxTicked) {
    trap::Trap& t = run.trap;
    t.on();
    wmi::ServicePtr service;
    wmi::CollectionPtr result;

    t.step([&] { service = run.bind(wmi::kMoniker); });
    t.step([&] { result = wmi::execQuery(service, "SELECT * FROM Win32_ComputerSystemProduct"); });
    first(t, result, [&](const wmi::Object& product) {
        if (present(t, product, "Name")) t.step([&] { view.setCaption("lblMBProduct", product["Name"].str()); });
        view.setCaption("lblMBDescription", "Base Board");
        if (present(t, product, "Vendor"))
            t.step([&] { view.setCaption("lblMBManufacturer", product["Vendor"].str()); });
    });

    t.step([&] { result = wmi::execQuery(service, "Select * from Win32_Bios"); });
    first(t, result, [&](const wmi::Object& bios) {
        if (present(t, bios, "Manufacturer"))
            t.step([&] { view.setCaption("lblBiosManufacturer", bios["Manufacturer"].str()); });
        if (present(t, bios, "Description"))
            t.step([&] { view.setCaption("lblBiosDescription", bios["Description"].str()); });
        if (present(t, bios, "SMBIOSBIOSVersion"))
            t.step([&] { view.setCaption("lblSMBios", bios["SMBIOSBIOSVersion"].str()); });
    });

    t.step([&] { result = wmi::execQuery(service, "Select * from Win32_OnBoardDevice"); });
    wmi::walk(t, result, [&](const wmi::Object& device) {
        const Value* type = nullptr;
        if (!t.step([&] { type = &device["DeviceType"]; }) || !type->isInteger()) return;
        // Ticking a clear box is a change of the box: it rebuilds at once.
        const OnboardBox box = type->rawInteger() == 3 ? OnboardBox::Vga : OnboardBox::Audio;
        if (type->rawInteger() != 3 && type->rawInteger() != 7) return;
        if (view.ticked(box)) return;
        view.tick(box);
        boxTicked();
    });

    result.reset();
    service.reset();
    if (t.failed()) message(platform, "Error: try to get motherboarddata in Modul 'MB'", report::kStyleCritical);
}

std::string MotherboardPnp(platform::Platform& platform, wmi::Run& run, SummaryView& view, const std::string& vgaPnp) {
    trap::Trap& t = run.trap;
    std::string r;
    t.on();
    wmi::ServicePtr service;
    wmi::CollectionPtr drivers, firewire, sound, lan;

    t.step([&] { service = run.bind(wmi::kMoniker); });
    t.step([&] {
        drivers = wmi::execQuery(service, std::string("SELECT * FROM Win32_PnPSignedDriver where (DeviceClass") +
                                              "='SYSTEM' OR DeviceClass='USB' OR DeviceClass='HDC') " +
                                              "AND DeviceID like '%VEN%' ");
    });
    // A shortening that fails leaves the previous driver's identifier in
    // place, as an abandoned assignment does.
    std::string id;
    wmi::walk(t, drivers, [&](const wmi::Object& driver) {
        if (!present(t, driver, "DeviceName")) return;
        t.step([&] { id = TrimPnpId(driver["DeviceID"].str()); });
        if (!occursIn(r, id) && (vgaPnp.empty() || !occursIn(vgaPnp, id)))
            t.step([&] { r += driver["DeviceName"].str() + std::string(kCrLf) + id + "\r\n\r\n"; });
    });

    t.step([&] {
        firewire = wmi::execQuery(
            service, std::string("SELECT * FROM Win32_NetworkAdapter ") + "Where PnPDeviceID like 'V1394%' ");
    });
    first(t, firewire, [&](const wmi::Object& adapter) {
        if (!present(t, adapter, "Description")) return;
        t.step([&] { r += adapter["Description"].str() + std::string(kCrLf); });
        if (t.test([&] { return adapter["PNPDeviceID"].length() > 0; }))
            t.step([&] { r += TrimPnpId(adapter["PNPDeviceID"].str()) + std::string(kCrLf); });
        if (present(t, adapter, "MACAddress"))
            t.step([&] { r += "Mac-Address: " + adapter["MACAddress"].str() + std::string(kCrLf); });
        r += kCrLf;
    });

    if (view.ticked(OnboardBox::Vga)) r += GraphicsPnp(platform, run, view);

    if (view.ticked(OnboardBox::Audio)) {
        t.step([&] {
            sound = wmi::execQuery(service,
                                   std::string("SELECT * FROM Win32_SoundDevice ") + "WHERE Caption LIKE '%Audio%' ");
        });
        wmi::walk(t, sound, [&](const wmi::Object& device) {
            if (!present(t, device, "PNPDeviceID")) return;
            if (present(t, device, "Description"))
                t.step([&] { r += device["Description"].str() + std::string(kCrLf); });
            t.step([&] { r += TrimPnpId(device["PNPDeviceID"].str()) + "\r\n\r\n"; });
        });
    }

    if (view.ticked(OnboardBox::Lan)) {
        view.setCaption("lblMBMacAddress", std::string(kNotEnable));
        t.step([&] {
            lan = wmi::execQuery(service, std::string("SELECT * FROM Win32_NetworkAdapter ") +
                                              "WHERE PNPDeviceID LIKE 'PCI%VEN%' " + "AND NetConnectionID  > 0");
        });
        wmi::walk(t, lan, [&](const wmi::Object& adapter) {
            if (!present(t, adapter, "Description")) return;
            t.step([&] { r += adapter["Description"].str() + std::string(kCrLf); });
            if (!present(t, adapter, "PNPDeviceID")) return;
            t.step([&] { r += TrimPnpId(adapter["PNPDeviceID"].str()) + std::string(kCrLf); });
            if (!present(t, adapter, "MACAddress")) return;
            t.step([&] {
                const std::string mac = adapter["MACAddress"].str();
                r += "Mac-Address: " + mac + "\r\n\r\n";
                // One adapter shows its address; a second one turns it into "enable".
                view.setCaption("lblMBMacAddress", view.caption("lblMBMacAddress") == kNotEnable ? mac : "enable");
            });
        });
    } else {
        view.setCaption("lblMBMacAddress", std::string(kNotEnable));
    }

    drivers.reset();
    firewire.reset();
    sound.reset();
    lan.reset();
    service.reset();
    if (t.failed()) {
        message(platform, "Error: try to get motherboard pnp's", report::kStyleOk);
        return {};
    }
    return r;
}

std::string GraphicsPnp(platform::Platform& platform, wmi::Run& run, SummaryView& view) {
    trap::Trap& t = run.trap;
    std::string r;
    std::int16_t counter = 0;
    t.on();
    wmi::ServicePtr service;
    wmi::CollectionPtr controllers;

    t.step([&] { service = run.bind(wmi::kMoniker); });
    t.step([&] { controllers = wmi::execQuery(service, "SELECT * FROM Win32_VideoController"); });
    wmi::walk(t, controllers, [&](const wmi::Object& vc) {
        if (!present(t, vc, "PNPDeviceID")) return;
        if (present(t, vc, "Description")) t.step([&] { r += vc["Description"].str() + std::string(kCrLf); });
        if (present(t, vc, "DeviceID")) t.step([&] { r += vc["DeviceID"].str() + std::string(kCrLf); });
        t.step([&] { r += vc["PNPDeviceID"].str() + "\r\n\r\n"; });
        if (counter != 0) return;
        counter = 1;
        if (present(t, vc, "Name")) t.step([&] { view.setCaption("lblVGAName", vc["Name"].str()); });
        if (present(t, vc, "DriverVersion"))
            t.step([&] { view.setCaption("lblVGADriverVersion", vc["DriverVersion"].str()); });
        if (present(t, vc, "DriverDate"))
            t.step([&] {
                view.setCaption("lblVGADriverDate",
                                FormatDate(*platform.locale, ConvertWmiDate(vc["DriverDate"].str())));
            });
        if (t.test([&] {
                return positive(vc["CurrentHorizontalResolution"]) && positive(vc["CurrentVerticalResolution"]);
            }))
            t.step([&] {
                view.setCaption("lblVGAVideoMode",
                                vc["CurrentHorizontalResolution"] & (" x " & vc["CurrentVerticalResolution"]));
            });
        if (t.test([&] { return positive(vc["CurrentBitsPerPixel"]); }))
            t.step([&] { view.setCaption("lblVGAColor", vc["CurrentBitsPerPixel"] & " Bit"); });
        if (t.test([&] { return positive(vc["AdapterRAM"]); }))
            t.step([&] {
                const double mb = static_cast<double>(vc["AdapterRAM"].rawInteger()) / 1024 / 1024;
                view.setCaption("lblVGAVideoRam", formatNumber(mb, run.decimalSeparator) + " MB");
            });
    });

    controllers.reset();
    service.reset();
    if (t.failed()) {
        message(platform, "Error: try to get vga pnp's", report::kStyleOk);
        return {};
    }
    return r;
}

std::string MultimediaPnp(platform::Platform& platform, wmi::Run& run, SummaryView& view) {
    trap::Trap& t = run.trap;
    std::string r;
    int i = 0;
    t.on();
    wmi::ServicePtr service;
    wmi::CollectionPtr devices;

    t.step([&] { service = run.bind(wmi::kMoniker); });
    t.step([&] { devices = wmi::execQuery(service, "SELECT * FROM Win32_SoundDevice"); });
    wmi::walk(t, devices, [&](const wmi::Object& device) {
        if (!present(t, device, "DeviceID")) return;
        if (i > 0) r += kCrLf;
        if (present(t, device, "Description") && i < kMultiMediaSlots)
            t.step([&] { view.showMultiMediaSlot(i, device["Description"].str()); });
        if (present(t, device, "Manufacturer"))
            t.step([&] { r += "Manufacturer: " + device["Manufacturer"].str() + std::string(kCrLf); });
        t.step([&] { r += TrimPnpId(device["DeviceID"].str()) + std::string(kCrLf); });
        ++i;
    });

    devices.reset();
    service.reset();
    if (t.failed()) {
        message(platform, "Error: try to get multi media pnp's", report::kStyleOk);
        return {};
    }
    return r;
}

}  // namespace tq::probes
