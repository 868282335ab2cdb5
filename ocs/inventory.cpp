#include "ocs/inventory.h"

#include "ocs/builders.h"
#include "ocs/facts.h"
#include "ocs/render.h"
#include "wmi/trap.h"

namespace tq::ocs {

struct Inventory::Content {
    model::Inventory model;
};

Inventory::Inventory() : content_(std::make_unique<Content>()) {}
Inventory::~Inventory() = default;
Inventory::Inventory(Inventory&&) noexcept = default;
Inventory& Inventory::operator=(Inventory&&) noexcept = default;

Inventory Inventory::read(wmi::Run& run, const InventoryOptions& options) {
    // Failures of the inventory's own reads stay here: the report is done.
    const Failure before = run.trap.pending();
    Inventory inv;
    inv.content_->model = buildInventory(run, options);
    run.trap.setPending(before);
    inv.name_ = inv.content_->model.hardware.name;
    return inv;
}

const model::Inventory& Inventory::model() const noexcept { return content_->model; }

std::string Inventory::field(std::string_view section, std::string_view name) const {
    const model::Inventory& m = content_->model;
    const std::pair<std::string_view, const std::string*> fields[] = {
        {"HARDWARE/NAME", &m.hardware.name},  {"HARDWARE/UUID", &m.hardware.uuid},
        {"BIOS/SSN", &m.bios.systemSerial},   {"BIOS/SMANUFACTURER", &m.bios.systemMaker},
        {"BIOS/SMODEL", &m.bios.systemModel},
    };
    const std::string key = std::string(section) + "/" + std::string(name);
    for (const auto& [k, v] : fields)
        if (k == key) return facts::trimmed(cleanText(*v));
    return {};
}

std::string Inventory::requestXml(std::string_view deviceId) const { return renderOcs(content_->model, deviceId); }

std::string Inventory::glpiJson(std::string_view deviceId) const { return renderGlpi(content_->model, deviceId); }

}  // namespace tq::ocs
