#include "ocs/inventory.h"

#include "ocs/builders.h"
#include "ocs/facts.h"
#include "ocs/render.h"
#include "wmi/trap.h"

namespace tq::ocs {

struct Inventory::Content {
    model::Inventory model;
};

std::string cleanText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            if ((c >= 0x20 && c != 0x7F) || c == '\t' || c == '\n' || c == '\r') out += static_cast<char>(c);
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07;
        bool ok = len > 0 && i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates, beyond U+10FFFF and the non-characters U+FFFE/U+FFFF.
        if (ok && ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || (cp >= 0xD800 && cp <= 0xDFFF) ||
                   cp > 0x10FFFF || cp == 0xFFFE || cp == 0xFFFF))
            ok = false;
        if (!ok) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        // C1 control characters are dropped like the C0 ones.
        if (!(cp >= 0x80 && cp <= 0x9F)) out.append(s.substr(i, len));
        i += len;
    }
    return out;
}

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
        {"HARDWARE/NAME", &m.hardware.name}, {"HARDWARE/UUID", &m.hardware.uuid},
        {"BIOS/SSN", &m.bios.systemSerial},  {"BIOS/SMANUFACTURER", &m.bios.systemMaker},
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
