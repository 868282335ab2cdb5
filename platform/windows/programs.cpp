#include "platform/windows/programs.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <tuple>

#include "wmi/failure.h"
#include "wmi/wql.h"

namespace tq::win {
namespace {

// The registry's own numbers (winreg.h), kept here so that the layer reads
// only through the seam.
constexpr std::uint32_t kLocalMachine = 0x80000002u, kCurrentUser = 0x80000001u;
constexpr std::uint32_t kRead = 0x20019u, kView64 = 0x0100u, kView32 = 0x0200u;
constexpr std::uint32_t kString = 1, kExpandString = 2, kDword = 4;
constexpr long kMoreData = 234;
constexpr std::uint32_t kMaxValueBytes = 64 * 1024;
constexpr std::uint32_t kMaxEntries = 100000;  // a runaway enumeration stops here

constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kClass = "Win32_InstalledWin32Program";

class Key {
public:
    Key(platform::Registry& r, std::uint32_t root, const std::string& path, std::uint32_t access) : r_(r) {
        if (r_.openKey(root, path, access, handle_) != 0) handle_ = 0;
    }
    ~Key() {
        if (handle_) r_.closeKey(handle_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    explicit operator bool() const { return handle_ != 0; }
    std::uintptr_t handle() const { return handle_; }

    // A text value without its terminating zero; empty when missing or of another type.
    std::string text(const std::string& name) const {
        std::uint32_t type = 0;
        std::string raw;
        if (!read(name, type, raw) || (type != kString && type != kExpandString)) return {};
        return raw.substr(0, raw.find('\0'));
    }
    std::optional<std::uint32_t> dword(const std::string& name) const {
        std::uint32_t type = 0;
        std::string raw;
        if (!read(name, type, raw) || type != kDword || raw.size() < 4) return std::nullopt;
        return static_cast<std::uint32_t>(static_cast<unsigned char>(raw[0]) | static_cast<unsigned char>(raw[1]) << 8 |
                                          static_cast<unsigned char>(raw[2]) << 16 |
                                          static_cast<std::uint32_t>(static_cast<unsigned char>(raw[3])) << 24);
    }

private:
    bool read(const std::string& name, std::uint32_t& type, std::string& out) const {
        std::uint32_t size = 512;
        for (int attempt = 0; attempt < 3; ++attempt) {
            out.assign(size, '\0');
            std::uint32_t got = size;
            const long status = r_.queryValue(handle_, name, type, out, got);
            if (status == 0) {
                out.resize(std::min(got, size));
                return true;
            }
            if (status != kMoreData || got <= size || got > kMaxValueBytes) return false;
            size = got;
        }
        return false;
    }

    platform::Registry& r_;
    std::uintptr_t handle_ = 0;
};

bool productCode(const std::string& s) {
    if (s.size() != 38 || s.front() != '{' || s.back() != '}') return false;
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
        const char c = s[i];
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? c != '-' : !std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool invalidClass(const Error& e) { return e.number() == fail::hresult(fail::kWbemInvalidClass); }

bool asksForPrograms(std::string_view query) {
    try {
        return wmi::text::iequals(wmi::wql::parse(query).className, kClass);
    } catch (const Error&) {
        return false;  // the service answers what it makes of the text
    }
}

wmi::CollectionPtr fromRegistry(platform::Registry& registry, std::string_view query, std::string_view language,
                                int flags) {
    return wmi::makeService(registryPrograms(registry))->execQuery(query, language, flags);
}

// The service's result; when its walk fails at the start because the class
// is unknown, or yields nothing (a service that has the class but fills it
// with nothing, as Wine's does), the registry's answer instead.
class FallbackCollection final : public wmi::Collection {
public:
    FallbackCollection(wmi::CollectionPtr inner, platform::Registry& registry, std::string query, std::string language,
                       int flags)
        : inner_(std::move(inner)),
          registry_(registry),
          query_(std::move(query)),
          language_(std::move(language)),
          flags_(flags) {}

    const wmi::Object* next() override {
        if (!started_) {
            started_ = true;
            try {
                if (const wmi::Object* first = inner_->next()) return first;
            } catch (const Error& e) {
                if (!invalidClass(e)) throw;
            }
            inner_ = fromRegistry(registry_, query_, language_, flags_);
        }
        return inner_->next();
    }

private:
    wmi::CollectionPtr inner_;
    platform::Registry& registry_;
    std::string query_, language_;
    int flags_;
    bool started_ = false;
};

class ProgramsService final : public wmi::Service {
public:
    ProgramsService(wmi::ServicePtr inner, platform::Registry& registry)
        : inner_(std::move(inner)), registry_(registry) {}

    wmi::CollectionPtr execQuery(std::string_view query, std::string_view language, int flags) override {
        if (!asksForPrograms(query)) return inner_->execQuery(query, language, flags);
        try {
            return std::make_unique<FallbackCollection>(inner_->execQuery(query, language, flags), registry_,
                                                        std::string(query), std::string(language), flags);
        } catch (const Error& e) {
            if (!invalidClass(e)) throw;
            return fromRegistry(registry_, query, language, flags);
        }
    }

private:
    wmi::ServicePtr inner_;
    platform::Registry& registry_;
};

}  // namespace

std::shared_ptr<wmi::Repository> registryPrograms(platform::Registry& registry) {
    auto repo = std::make_shared<wmi::Repository>();
    struct Source {
        std::uint32_t root, view;
        const char* arch;
    };
    const Source sources[] = {{kLocalMachine, kView64, "x64"}, {kLocalMachine, kView32, "x86"}, {kCurrentUser, 0, ""}};
    // A 32-bit system shows one view twice; an entry seen in both counts once.
    std::set<std::tuple<std::uint32_t, std::string, std::string, std::string>> seen;
    std::uint32_t entries = 0;
    for (const Source& s : sources) {
        Key list(registry, s.root, kUninstall, kRead | s.view);
        if (!list) continue;
        std::string name;
        for (std::uint32_t i = 0; entries < kMaxEntries && registry.enumKey(list.handle(), i, name) == 0;
             ++i, ++entries) {
            Key entry(registry, s.root, std::string(kUninstall) + "\\" + name, kRead | s.view);
            if (!entry) continue;
            const std::string display = entry.text("DisplayName");
            if (display.empty() || entry.dword("SystemComponent").value_or(0) == 1 ||
                !entry.text("ParentKeyName").empty())
                continue;
            const std::string version = entry.text("DisplayVersion");
            if (!seen.emplace(s.root, name, display, version).second) continue;
            auto& o = repo->add(kClass);
            auto put = [&o](const char* property, const std::string& v) {
                if (!v.empty()) o.set(property, Value::text(v));
            };
            put("Name", display);
            put("Version", version);
            put("Vendor", entry.text("Publisher"));
            if (auto lang = entry.dword("Language")) put("Language", std::to_string(*lang));
            put("ProgramId", *s.arch ? std::string(s.arch) + "\\" + name : name);
            if (productCode(name) && entry.dword("WindowsInstaller").value_or(0) == 1) put("MsiProductCode", name);
            // Beyond the class: what the inventory also sends.
            put("Architecture", s.arch);
            put("InstallDate", entry.text("InstallDate"));
            if (auto kb = entry.dword("EstimatedSize"))
                o.set("EstimatedSize", Value::integer(static_cast<std::int32_t>(*kb & 0x7FFFFFFF)));
        }
    }
    return repo;
}

wmi::ServicePtr withRegistryPrograms(wmi::ServicePtr inner, platform::Registry& registry) {
    return std::make_unique<ProgramsService>(std::move(inner), registry);
}

}  // namespace tq::win
