#include "probes/summary.h"

#include "probes/probes.h"
#include "report/html.h"
#include "report/main.h"
#include "report/text.h"
#include "wmi/service.h"
#include "wmi/trap.h"

namespace tq::probes {
namespace {

using platform::OnboardBox;
using trap::Walk;

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kNotEnable = "not enable";

void message(std::string_view prompt, int style) {
    platform::ui().messageBox(std::string(prompt), style, std::string(report::kAppTitle));
}

// A property that is a text of length greater than 0. A property the object
// does not have fails the test (and stays pending).
bool present(const wmi::Object& o, std::string_view name) {
    return trap::test([&] { return o[name].isNonEmptyText(); });
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
void first(const wmi::CollectionPtr& result, Body&& body) {
    wmi::walk(result, [&](const wmi::Object& o) {
        body(o);
        return Walk::Stop;
    });
}

}  // namespace

void MotherboardInfo(SummaryView& view, const std::function<void()>& boxTicked) {
    trap::on();
    wmi::ServicePtr service;
    wmi::CollectionPtr result;

    trap::step([&] { service = wmi::bind(wmi::kMoniker); });
    trap::step([&] { result = wmi::execQuery(service, "SELECT * FROM Win32_ComputerSystemProduct"); });
    first(result, [&](const wmi::Object& product) {
        if (present(product, "Name")) trap::step([&] { view.setCaption("lblMBProduct", product["Name"].str()); });
        view.setCaption("lblMBDescription", "Base Board");
        if (present(product, "Vendor"))
            trap::step([&] { view.setCaption("lblMBManufacturer", product["Vendor"].str()); });
    });

    trap::step([&] { result = wmi::execQuery(service, "Select * from Win32_Bios"); });
    first(result, [&](const wmi::Object& bios) {
        if (present(bios, "Manufacturer"))
            trap::step([&] { view.setCaption("lblBiosManufacturer", bios["Manufacturer"].str()); });
        if (present(bios, "Description"))
            trap::step([&] { view.setCaption("lblBiosDescription", bios["Description"].str()); });
        if (present(bios, "SMBIOSBIOSVersion"))
            trap::step([&] { view.setCaption("lblSMBios", bios["SMBIOSBIOSVersion"].str()); });
    });

    trap::step([&] { result = wmi::execQuery(service, "Select * from Win32_OnBoardDevice"); });
    wmi::walk(result, [&](const wmi::Object& device) {
        const Value* type = nullptr;
        if (!trap::step([&] { type = &device["DeviceType"]; }) || !type->isInteger()) return;
        // Ticking a clear box is a change of the box: it rebuilds at once.
        const OnboardBox box = type->rawInteger() == 3 ? OnboardBox::Vga : OnboardBox::Audio;
        if (type->rawInteger() != 3 && type->rawInteger() != 7) return;
        if (view.ticked(box)) return;
        view.tick(box);
        boxTicked();
    });

    result.reset();
    service.reset();
    if (trap::failed()) message("Error: try to get motherboarddata in Modul 'MB'", report::kStyleCritical);
}

std::string MotherboardPnp(SummaryView& view, const std::string& vgaPnp) {
    std::string r;
    trap::on();
    wmi::ServicePtr service;
    wmi::CollectionPtr drivers, firewire, sound, lan;

    trap::step([&] { service = wmi::bind(wmi::kMoniker); });
    trap::step([&] {
        drivers = wmi::execQuery(service,
                                 std::string("SELECT * FROM Win32_PnPSignedDriver where (DeviceClass") +
                                     "='SYSTEM' OR DeviceClass='USB' OR DeviceClass='HDC') " +
                                     "AND DeviceID like '%VEN%' ");
    });
    // A shortening that fails leaves the previous driver's identifier in
    // place, as an abandoned assignment does.
    std::string id;
    wmi::walk(drivers, [&](const wmi::Object& driver) {
        if (!present(driver, "DeviceName")) return;
        trap::step([&] { id = TrimPnpId(driver["DeviceID"].str()); });
        if (!occursIn(r, id) && (vgaPnp.empty() || !occursIn(vgaPnp, id)))
            trap::step([&] { r += driver["DeviceName"].str() + std::string(kCrLf) + id + "\r\n\r\n"; });
    });

    trap::step([&] {
        firewire = wmi::execQuery(service, std::string("SELECT * FROM Win32_NetworkAdapter ") +
                                               "Where PnPDeviceID like 'V1394%' ");
    });
    first(firewire, [&](const wmi::Object& adapter) {
        if (!present(adapter, "Description")) return;
        trap::step([&] { r += adapter["Description"].str() + std::string(kCrLf); });
        if (trap::test([&] { return adapter["PNPDeviceID"].length() > 0; }))
            trap::step([&] { r += TrimPnpId(adapter["PNPDeviceID"].str()) + std::string(kCrLf); });
        if (present(adapter, "MACAddress"))
            trap::step([&] { r += "Mac-Address: " + adapter["MACAddress"].str() + std::string(kCrLf); });
        r += kCrLf;
    });

    if (view.ticked(OnboardBox::Vga)) r += GraphicsPnp(view);

    if (view.ticked(OnboardBox::Audio)) {
        trap::step([&] {
            sound = wmi::execQuery(service, std::string("SELECT * FROM Win32_SoundDevice ") +
                                                "WHERE Caption LIKE '%Audio%' ");
        });
        wmi::walk(sound, [&](const wmi::Object& device) {
            if (!present(device, "PNPDeviceID")) return;
            if (present(device, "Description"))
                trap::step([&] { r += device["Description"].str() + std::string(kCrLf); });
            trap::step([&] { r += TrimPnpId(device["PNPDeviceID"].str()) + "\r\n\r\n"; });
        });
    }

    if (view.ticked(OnboardBox::Lan)) {
        view.setCaption("lblMBMacAddress", std::string(kNotEnable));
        trap::step([&] {
            lan = wmi::execQuery(service, std::string("SELECT * FROM Win32_NetworkAdapter ") +
                                              "WHERE PNPDeviceID LIKE 'PCI%VEN%' " + "AND NetConnectionID  > 0");
        });
        wmi::walk(lan, [&](const wmi::Object& adapter) {
            if (!present(adapter, "Description")) return;
            trap::step([&] { r += adapter["Description"].str() + std::string(kCrLf); });
            if (!present(adapter, "PNPDeviceID")) return;
            trap::step([&] { r += TrimPnpId(adapter["PNPDeviceID"].str()) + std::string(kCrLf); });
            if (!present(adapter, "MACAddress")) return;
            trap::step([&] {
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
    if (trap::failed()) {
        message("Error: try to get motherboard pnp's", report::kStyleOk);
        return {};
    }
    return r;
}

std::string GraphicsPnp(SummaryView& view) {
    std::string r;
    std::int16_t counter = 0;
    trap::on();
    wmi::ServicePtr service;
    wmi::CollectionPtr controllers;

    trap::step([&] { service = wmi::bind(wmi::kMoniker); });
    trap::step([&] { controllers = wmi::execQuery(service, "SELECT * FROM Win32_VideoController"); });
    wmi::walk(controllers, [&](const wmi::Object& vc) {
        if (!present(vc, "PNPDeviceID")) return;
        if (present(vc, "Description")) trap::step([&] { r += vc["Description"].str() + std::string(kCrLf); });
        if (present(vc, "DeviceID")) trap::step([&] { r += vc["DeviceID"].str() + std::string(kCrLf); });
        trap::step([&] { r += vc["PNPDeviceID"].str() + "\r\n\r\n"; });
        if (counter != 0) return;
        counter = 1;
        if (present(vc, "Name")) trap::step([&] { view.setCaption("lblVGAName", vc["Name"].str()); });
        if (present(vc, "DriverVersion"))
            trap::step([&] { view.setCaption("lblVGADriverVersion", vc["DriverVersion"].str()); });
        if (present(vc, "DriverDate"))
            trap::step([&] {
                view.setCaption("lblVGADriverDate", FormatDate(ConvertWmiDate(vc["DriverDate"].str())));
            });
        if (trap::test([&] {
                return positive(vc["CurrentHorizontalResolution"]) && positive(vc["CurrentVerticalResolution"]);
            }))
            trap::step([&] {
                view.setCaption("lblVGAVideoMode",
                                 vc["CurrentHorizontalResolution"] & (" x " & vc["CurrentVerticalResolution"]));
            });
        if (trap::test([&] { return positive(vc["CurrentBitsPerPixel"]); }))
            trap::step([&] { view.setCaption("lblVGAColor", vc["CurrentBitsPerPixel"] & " Bit"); });
        if (trap::test([&] { return positive(vc["AdapterRAM"]); }))
            trap::step([&] {
                const double mb = static_cast<double>(vc["AdapterRAM"].rawInteger()) / 1024 / 1024;
                view.setCaption("lblVGAVideoRam", formatNumber(mb) + " MB");
            });
    });

    controllers.reset();
    service.reset();
    if (trap::failed()) {
        message("Error: try to get vga pnp's", report::kStyleOk);
        return {};
    }
    return r;
}

std::string MultimediaPnp(SummaryView& view) {
    std::string r;
    int i = 0;
    trap::on();
    wmi::ServicePtr service;
    wmi::CollectionPtr devices;

    trap::step([&] { service = wmi::bind(wmi::kMoniker); });
    trap::step([&] { devices = wmi::execQuery(service, "SELECT * FROM Win32_SoundDevice"); });
    wmi::walk(devices, [&](const wmi::Object& device) {
        if (!present(device, "DeviceID")) return;
        if (i > 0) r += kCrLf;
        if (present(device, "Description") && i < kMultiMediaSlots)
            trap::step([&] { view.showMultiMediaSlot(i, device["Description"].str()); });
        if (present(device, "Manufacturer"))
            trap::step([&] { r += "Manufacturer: " + device["Manufacturer"].str() + std::string(kCrLf); });
        trap::step([&] { r += TrimPnpId(device["DeviceID"].str()) + std::string(kCrLf); });
        ++i;
    });

    devices.reset();
    service.reset();
    if (trap::failed()) {
        message("Error: try to get multi media pnp's", report::kStyleOk);
        return {};
    }
    return r;
}

}  // namespace tq::probes
