// Module main: the program-wide state that the report run, the dialogs and
// the writer share, the report path, the shell's hand-off and the shared
// text helpers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/seams.h"
#include "report/text.h"

namespace tq::report {

// The report's file name without folder: the designation followed by ".htm".
extern std::string gStrFileName;
// The comment for the report head, already converted by EncodeUmlauts;
// empty means no comment row.
extern std::string gStrComment;
// The shared file-system object: created on first use, released when the
// report file turns out to be missing.
extern platform::Files* gObjFso;

// The report path: the application folder, "\" and the file name.
std::string reportPath(platform::Files& files);

// Hands a finished document to the shell's "Open" verb.
void OpenDocument(platform::Platform& platform, std::uintptr_t ownerWindow, const std::string& path);

// The hardware part of a Plug-and-Play identifier: everything before the
// first "\" after its "&REV" field; unchanged without such a field, and
// unchanged when no "\" follows it.
std::string TrimPnpId(std::string_view id);
// Double quotes and the German umlauts as HTML entities; the result is also
// left in `text`.
std::string EncodeUmlauts(std::string& text);

}  // namespace tq::report

namespace tq {
using report::EncodeUmlauts;
using report::TrimPnpId;
}  // namespace tq
