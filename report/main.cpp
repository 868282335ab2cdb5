#include "report/main.h"

namespace tq::report {

std::string gStrFileName;
std::string gStrComment;
platform::Files* gObjFso = nullptr;

std::string reportPath(platform::Files& files) { return files.applicationFolder() + "\\" + gStrFileName; }

void OpenDocument(platform::Platform& platform, std::uintptr_t ownerWindow, const std::string& path) {
    auto& ui = *platform.ui;
    ui.setMousePointer(platform::kPointerHourglass);
    platform.shell->execute(ownerWindow, "Open", path, "", "", 1);
    ui.setMousePointer(platform::kPointerDefault);
}

std::string TrimPnpId(std::string_view id) {
    const std::size_t p = textFind(id, "&REV", 1, true);
    if (p == 0) return std::string(id);
    const std::size_t q = textFind(id, "\\", p);
    // Without a "\" after the revision there is no instance part to cut.
    if (q == 0) return std::string(id);
    return textLeft(id, q - 1);
}

std::string EncodeUmlauts(std::string& text) {
    static constexpr std::pair<std::string_view, std::string_view> kPairs[] = {
        {"\"", "&quot;"},       {"\xC3\xB6", "&ouml;"}, {"\xC3\x96", "&Ouml;"}, {"\xC3\xA4", "&auml;"},
        {"\xC3\x84", "&Auml;"}, {"\xC3\xBC", "&uuml;"}, {"\xC3\x9C", "&Uuml;"},
    };
    for (const auto& [ch, entity] : kPairs)
        if (text.find(ch) != std::string::npos) text = textReplace(text, ch, entity);
    return text;
}

}  // namespace tq::report
