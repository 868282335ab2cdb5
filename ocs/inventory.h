// The machine's inventory: the model (ocs/model.h) read once through the
// query layer, written on demand as an OCS Inventory NG request or as a GLPI
// inventory file; only the form asked for is written.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ocs/builders.h"
#include "ocs/model.h"
#include "wmi/run.h"

namespace tq::ocs {

class Inventory {
public:
    // Reads every class in the caller's run. A class that
    // cannot be read leaves its section empty.
    static Inventory read(wmi::Run& run, const InventoryOptions& options);
    ~Inventory();
    Inventory(Inventory&&) noexcept;
    Inventory& operator=(Inventory&&) noexcept;

    // The machine's name as the inventory gives it (HARDWARE NAME).
    const std::string& machineName() const noexcept { return name_; }
    // The machine as read.
    const model::Inventory& model() const noexcept;
    // What identifies the machine, as sent: ("HARDWARE", "NAME" or "UUID"),
    // ("BIOS", "SSN", "SMANUFACTURER" or "SMODEL"); "" for others.
    std::string field(std::string_view section, std::string_view name) const;

    // The whole INVENTORY request, UTF-8 XML with its declaration.
    std::string requestXml(std::string_view deviceId) const;
    // The same inventory in GLPI's native JSON format, for GLPI's import.
    std::string glpiJson(std::string_view deviceId) const;

    struct Content;

private:
    Inventory();
    std::unique_ptr<Content> content_;
    std::string name_;
};

}  // namespace tq::ocs
