// Arbitrary bytes as a snapshot: loading either refuses with SnapshotError
// or gives a repository that answers queries; a dump of what was loaded
// must load again and dump to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "wmi/failure.h"
#include "wmi/snapshot.h"

namespace {
using namespace tq;
using namespace tq::wmi;

void readAll(const std::shared_ptr<Repository>& repo, const std::string& query) {
    try {
        ServicePtr s = makeService(repo);
        CollectionPtr c = s->execQuery(query, "WQL", kProbeFlags);
        int items = 0;
        while (const Object* o = c->next()) {
            for (const std::string& n : o->names()) {
                const Value& v = o->get(n);
                if (!v.isOther()) (void)v.str();
            }
            if (++items > 100) break;
        }
    } catch (const Error&) {
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::shared_ptr<Repository> repo;
    try {
        repo = parseSnapshot(text, "fuzz.json");
    } catch (const SnapshotError&) {
        return 0;
    }
    for (const std::string& cls : repo->classNames()) {
        readAll(repo, "SELECT * FROM " + cls);
        readAll(repo, "SELECT * FROM " + cls + " WHERE Name LIKE '%a%' OR Size > 100 OR Caption IS NULL");
    }

    const std::string dump = dumpSnapshot(*makeService(repo));
    try {
        auto again = parseSnapshot(dump, "dump.json");
        if (dumpSnapshot(*makeService(again)) != dump) std::abort();  // a dump must be stable
    } catch (const SnapshotError&) {
        std::abort();  // a dump must load
    }
    return 0;
}
