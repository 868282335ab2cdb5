#include "app/sanitize.h"

#include "ocs/edid.h"
#include "wmi/wql.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace tq::app {

namespace {

using wmi::text::lower;

class SanitizedObject final : public wmi::Object {
public:
    explicit SanitizedObject(const wmi::Object* inner = nullptr) : inner_(inner) {}
    void reset(const wmi::Object* inner) {
        inner_ = inner;
        blanked_.clear();
    }
    const tq::Value& get(std::string_view name) const override { return shown(name, inner_->get(name)); }
    const tq::Value* find(std::string_view name) const override {
        const tq::Value* v = inner_->find(name);
        return v ? &shown(name, *v) : nullptr;
    }
    std::vector<std::string> names() const override { return inner_->names(); }
    std::string className() const override { return inner_->className(); }

private:
    const tq::Value& shown(std::string_view name, const tq::Value& v) const {
        if (v.isAbsent() || !(identifyingProperty(name) || loginProfileName(name))) return v;
        auto [it, fresh] = blanked_.try_emplace(lower(name));
        if (fresh && v.isText()) {
            // An EDID keeps what names the monitor, without its serials.
            const auto bytes = lower(name) == "edid" ? edid::fromHex(v.rawText()) : std::nullopt;
            it->second = tq::Value::text(bytes ? edid::toHex(edid::withoutSerials(*bytes)) : "");
        }
        return it->second;
    }
    // A login profile is a person: its names are user names.
    bool loginProfileName(std::string_view name) const {
        static constexpr std::array<std::string_view, 4> kNames{"name", "fullname", "caption", "description"};
        return lower(inner_->className()) == "win32_networkloginprofile" &&
               std::find(kNames.begin(), kNames.end(), lower(name)) != kNames.end();
    }
    const wmi::Object* inner_;
    mutable std::map<std::string, tq::Value> blanked_;
};

class SanitizedCollection final : public wmi::Collection {
public:
    explicit SanitizedCollection(std::unique_ptr<wmi::Collection> inner) : inner_(std::move(inner)) {}
    const wmi::Object* next() override {
        const wmi::Object* o = inner_->next();
        if (!o) return nullptr;
        current_.reset(o);
        return &current_;
    }

private:
    std::unique_ptr<wmi::Collection> inner_;
    SanitizedObject current_;
};

class SanitizedService final : public wmi::Service {
public:
    explicit SanitizedService(wmi::ServicePtr inner) : inner_(std::move(inner)) {}
    std::unique_ptr<wmi::Collection> execQuery(std::string_view query, std::string_view language, int flags) override {
        auto result = inner_->execQuery(query, language, flags);
        if (!result) return result;
        return std::make_unique<SanitizedCollection>(std::move(result));
    }

private:
    wmi::ServicePtr inner_;
};

}  // namespace

bool identifyingProperty(std::string_view name) {
    // clang-format off
    static constexpr std::array<std::string_view, 18> kNames{
        "serialnumber", "deviceserial", "edid", "identifyingnumber", "uuid",     "macaddress",          "permanentaddress",
        "networkaddress", "ipaddress",       "defaultipgateway", "dhcpserver",  "dnsserversearchorder",
        "winsprimaryserver", "winssecondaryserver", "username", "registereduser", "registeredowner",
        "ssn"};
    // clang-format on
    const std::string n = lower(name);
    return std::find(kNames.begin(), kNames.end(), n) != kNames.end();
}

wmi::Binder sanitizingBinder(wmi::Binder inner) {
    return [inner = std::move(inner)](std::string_view moniker) -> wmi::ServicePtr {
        wmi::ServicePtr service = inner(moniker);
        if (!service) return service;
        return std::make_unique<SanitizedService>(std::move(service));
    };
}

}  // namespace tq::app
