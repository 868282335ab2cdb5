#include "platform/seams.h"

#include <cstdio>

namespace tq::platform {

namespace {
class UsEnglish final : public Locale {
public:
    std::string decimalSeparator() override { return "."; }
    std::string shortDate(int y, int m, int d) override {
        char b[32];
        std::snprintf(b, sizeof b, "%d/%d/%04d", m, d, y);
        return b;
    }
    std::string longTime(int h, int mi, int s) override {
        char b[32];
        std::snprintf(b, sizeof b, "%d:%02d:%02d %s", (h % 12 == 0) ? 12 : h % 12, mi, s, h < 12 ? "AM" : "PM");
        return b;
    }
};
}  // namespace

Locale& usEnglishLocale() {
    static UsEnglish l;
    return l;
}

}  // namespace tq::platform
