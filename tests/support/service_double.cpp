#include "tests/support/service_double.h"

#include "wmi/service.h"
#include "wmi/snapshot.h"

namespace tq::testing {
namespace {

class MissingAbsent final : public wmi::Object {
public:
    void aim(const wmi::Object* o) { inner_ = o; }
    const Value& get(std::string_view name) const override {
        const Value& v = inner_->get(name);
        if (v.isAbsent()) fail::raise(fail::kNotSupported);
        return v;
    }
    std::vector<std::string> names() const override { return inner_->names(); }
    std::string className() const override { return inner_->className(); }

private:
    const wmi::Object* inner_ = nullptr;
};

class HarmedCollection final : public wmi::Collection {
public:
    HarmedCollection(wmi::CollectionPtr inner, const ServiceDouble::Harm* harm, bool absentIsMissing)
        : inner_(std::move(inner)), harm_(harm), missing_(absentIsMissing) {}
    const wmi::Object* next() override {
        if (harm_ && given_ == harm_->after) throw Error(harm_->failure);
        const wmi::Object* o = inner_->next();
        if (!o) return nullptr;
        ++given_;
        if (!missing_) return o;
        view_.aim(o);
        return &view_;
    }

private:
    wmi::CollectionPtr inner_;
    const ServiceDouble::Harm* harm_;
    bool missing_;
    std::size_t given_ = 0;
    MissingAbsent view_;
};

class DoubleService final : public wmi::Service {
public:
    DoubleService(ServiceDouble& owner, wmi::ServicePtr inner) : owner_(owner), inner_(std::move(inner)) {}
    wmi::CollectionPtr execQuery(std::string_view query, std::string_view language, int flags) override {
        const std::string q(query);
        owner_.queries.push_back(q);
        if (owner_.onQuery) owner_.onQuery(q);
        const ServiceDouble::Harm* harm = nullptr;
        for (const auto& h : owner_.harms)
            if (q.find(h.text) != std::string::npos) harm = &h;
        if (harm && harm->after == std::string::npos) throw Error(harm->failure);
        return std::make_unique<HarmedCollection>(inner_->execQuery(query, language, flags), harm,
                                                  owner_.absentIsMissing);
    }

private:
    ServiceDouble& owner_;
    wmi::ServicePtr inner_;
};

}  // namespace

ServiceDouble::ServiceDouble(platform::Platform& platform, std::string_view json)
    : repo_(wmi::parseSnapshot(json, "test snapshot")), platform_(&platform) {
    platform.binder = binder();
}

ServiceDouble::~ServiceDouble() {
    if (platform_) platform_->binder = nullptr;
}

wmi::Binder ServiceDouble::binder() {
    return [this](std::string_view moniker) -> wmi::ServicePtr {
        ++connections;
        return std::make_unique<DoubleService>(*this, wmi::makeBinder(repo_)(moniker));
    };
}

int ServiceDouble::count(const std::string& text) const {
    int n = 0;
    for (const auto& q : queries) n += q.find(text) != std::string::npos;
    return n;
}

}  // namespace tq::testing
