#include "machine.h"

#include "wmi/snapshot.h"

namespace tq::wmi::testing {

std::shared_ptr<Repository> sampleMachine() {
    return loadSnapshot(std::string(TQ_SOURCE_DIR) + "/tests/data/sample-machine.json");
}

std::vector<std::string> column(const std::shared_ptr<Repository>& repo, const std::string& query,
                                const std::string& property, int flags) {
    ServicePtr s = makeService(repo);
    CollectionPtr c = s->execQuery(query, "WQL", flags);
    std::vector<std::string> out;
    while (const Object* o = c->next()) out.push_back(o->get(property).str());
    return out;
}

}  // namespace tq::wmi::testing
