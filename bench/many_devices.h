// Many devices added to a recorded machine, for the benchmark and the tests:
// about `drivers` signed drivers in all, `sound` sound devices and `adapters`
// connected network adapters. The drivers the devices' names match come
// last, so that a walk of its own for each device's lookup would go through
// every driver. A few irregular ones stand among them, as on real machines:
// drivers without description, a device's driver first listed without a
// version, adapters whose names differ from their drivers' in letter case,
// two adapters of one name, and a network driver without its adapter.
// Without `devices`, the same machine's drivers without the sound devices
// and adapters themselves.
#pragma once

#include <cstdio>
#include <string>

#include "wmi/repository.h"

namespace tq::bench {

inline void addManyDevices(wmi::Repository& repo, int drivers, int sound, int adapters, bool devices = true) {
    const char* classes[] = {"SYSTEM", "HIDClass", "USB", "MEDIA", "DISKDRIVE", "PRINTQUEUE", "SOFTWAREDEVICE", "NET"};
    auto soundName = [](int i) { return "USB Audio Device " + std::to_string(i); };
    auto adapterName = [](int i) { return "Intel(R) Ethernet Server Adapter #" + std::to_string(i); };
    const int generic = drivers - sound - adapters;
    for (int i = 0; i < generic; ++i) {
        auto& d = repo.add("Win32_PnPSignedDriver");
        const std::string n = "Generic Device " + std::to_string(i);
        d.set("DeviceName", Value::text(n));
        if (i % 97 != 5) d.set("Description", Value::text(n));
        d.set("DriverVersion", Value::text("10.0.19041." + std::to_string(i % 5000)));
        d.set("DeviceClass", Value::text(i % 211 == 3 ? "NET" : classes[i % 8]));
        d.set("DeviceID", Value::text("ROOT\\DEVICE\\" + std::to_string(i)));
        d.set("Location", i % 50 == 0 ? Value::text("PCI bus 4, device " + std::to_string(i % 32)) : Value());
        // Every seventh sound device's driver is listed early once without a version.
        if (i % 91 == 0 && i / 91 * 7 < sound) {
            auto& early = repo.add("Win32_PnPSignedDriver");
            early.set("Description", Value::text(soundName(i / 91 * 7)));
            early.set("DeviceClass", Value::text("MEDIA"));
        }
    }
    for (int i = 0; i < sound; ++i) {
        const std::string n = soundName(i);
        auto& d = repo.add("Win32_PnPSignedDriver");
        d.set("Description", Value::text(n));
        d.set("DriverVersion", Value::text("10.0.19041." + std::to_string(i)));
        d.set("DeviceClass", Value::text("MEDIA"));
        if (!devices) continue;
        auto& s = repo.add("Win32_SoundDevice");
        s.set("Caption", Value::text(n));
        s.set("Description", Value::text(n));
        s.set("Manufacturer", Value::text("Generic USB Audio"));
        s.set("DeviceID", Value::text("USB\\VID_0D8C&PID_0014&MI_00&REV_0100\\7&" + std::to_string(i) + "&0&0000"));
        s.set("PNPDeviceID", s.get("DeviceID"));
    }
    for (int i = 0; i < adapters; ++i) {
        auto& d = repo.add("Win32_PnPSignedDriver");
        d.set("DeviceName", Value::text(adapterName(i)));
        d.set("Description", Value::text(adapterName(i)));
        d.set("DriverVersion", Value::text("12.15.22." + std::to_string(i)));
        d.set("DeviceClass", Value::text("NET"));
        d.set("Location", Value::text("PCI bus 5, device 0, function " + std::to_string(i)));
        if (!devices) continue;
        // Every eleventh adapter has the name of the one before it.
        const std::string n = adapterName(i % 11 == 10 ? i - 1 : i);
        auto& a = repo.add("Win32_NetworkAdapter");
        a.set("Name", Value::text(i % 5 == 1 ? "INTEL(R) ETHERNET SERVER ADAPTER #" + std::to_string(i) : n));
        a.set("Description", Value::text(n));
        a.set("NetConnectionID", Value::text("Ethernet " + std::to_string(i)));
        a.set("PNPDeviceID", Value::text("PCI\\VEN_8086&DEV_1521&REV_01\\" + std::to_string(i)));
        char mac[32];
        std::snprintf(mac, sizeof mac, "A0:36:9F:00:%02X:%02X", i / 256 % 256, i % 256);
        if (i % 17 != 4) a.set("MACAddress", Value::text(mac));
    }
}

}  // namespace tq::bench
