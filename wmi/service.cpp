#include "wmi/service.h"

#include <optional>
#include <utility>

#include "wmi/text.h"

namespace tq::wmi {
namespace {
// A copy of an object: each property's value, or the failure reading it met.
class KeptObject final : public Object {
public:
    explicit KeptObject(const Object& o) : className_(o.className()) {
        for (std::string& name : o.names()) {
            Property p{std::move(name), {}, {}};
            try {
                p.value = o.get(p.name);
            } catch (const Error& e) {
                p.failure = e.failure();
            }
            props_.push_back(std::move(p));
        }
    }

    const Value& get(std::string_view name) const override {
        for (const Property& p : props_) {
            if (!text::iequals(p.name, name)) continue;
            if (p.failure) throw Error(*p.failure);
            return p.value;
        }
        fail::raise(fail::kNotSupported);
    }
    const Value* find(std::string_view name) const override {
        for (const Property& p : props_)
            if (text::iequals(p.name, name)) return p.failure ? nullptr : &p.value;
        return nullptr;
    }
    std::vector<std::string> names() const override {
        std::vector<std::string> out;
        for (const Property& p : props_) out.push_back(p.name);
        return out;
    }
    std::string className() const override { return className_; }
    std::shared_ptr<const Object> keep() const override { return std::make_shared<KeptObject>(*this); }

private:
    struct Property {
        std::string name;
        Value value;
        std::optional<Failure> failure;
    };
    std::string className_;
    std::vector<Property> props_;
};
}  // namespace

std::shared_ptr<const Object> Object::keep() const { return std::make_shared<KeptObject>(*this); }

const Value* Object::find(std::string_view name) const {
    try {
        return &get(name);
    } catch (const Error&) {
        return nullptr;
    }
}

CollectionPtr execQuery(const ServicePtr& service, std::string_view query, int flags, std::string_view language) {
    if (!service) fail::raise(fail::kObjectRequired);
    return service->execQuery(query, language, flags);
}

ServicePtr bindUnavailable(std::string_view) { fail::raise(fail::kServerUnavailable); }

}  // namespace tq::wmi
