// The seams through which the program's own logic reaches the platform:
// files, the shell, the registry, the locale and the user interface. Each
// program (and each test) assembles a Platform of implementations and hands
// it down; the report logic never includes a platform header.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "wmi/service.h"

namespace tq::platform {

// An open text file being written. Text arrives as UTF-8 and is stored as
// the platform's single-byte text; every line ends with CR LF.
class TextWriter {
public:
    virtual ~TextWriter() = default;
    virtual void writeLine(std::string_view text) = 0;  // throws Error
    virtual void close() = 0;                           // throws Error
    // Writes the start of a line that the next writeLine ends, so that a
    // long line need not be held whole; false when this writer cannot (the
    // caller then keeps the parts until the line ends). Throws Error.
    virtual bool writePart(std::string_view) { return false; }
};

// An open text file being read line by line. A line ends at CR or CR LF; a
// lone LF does not end a line. Lines come back as UTF-8.
class LineReader {
public:
    virtual ~LineReader() = default;
    virtual bool atEnd() = 0;            // throws Error
    virtual std::string readLine() = 0;  // throws Error (62 past the end)
    virtual void close() = 0;
};

// File attributes as the platform numbers them.
inline constexpr int kAttrNormal = 0;
inline constexpr int kAttrReadOnly = 1;
inline constexpr int kAttrHidden = 2;
inline constexpr int kAttrSystem = 4;
inline constexpr int kAttrDirectory = 16;
inline constexpr int kAttrArchive = 32;

// Files by their Windows paths ("C:\dir\file"); a platform maps them.
class Files {
public:
    virtual ~Files() = default;
    // The folder of the program's executable, without trailing separator
    // except at a drive root ("C:\").
    virtual std::string applicationFolder() = 0;
    // A path as a person reads it in a message (the platform's native form).
    virtual std::string displayPath(const std::string& path) { return path; }
    // True for a regular file (not a folder, device or symlink).
    virtual bool fileExists(const std::string& path) = 0;
    // Opens for writing: what is written replaces the file's content when
    // the writer closes successfully; a writer that fails or is dropped
    // leaves the earlier file as it was.
    virtual std::unique_ptr<TextWriter> openForWriting(const std::string& path) = 0;  // throws Error
    // Makes sure a file of that name can be written (created empty when
    // missing). An earlier file keeps its content until a writer replaces it.
    virtual std::unique_ptr<TextWriter> createTextFile(const std::string& path) = 0;  // throws Error
    // Directory lookup of one path with an attribute filter: the file's name
    // when a file matches (ordinary, read-only, archive files always; hidden
    // or system ones when the filter names them), otherwise "".
    virtual std::string lookup(const std::string& path, int attributes) = 0;
    virtual void setAttributes(const std::string& path, int attributes) = 0;        // throws Error
    virtual std::unique_ptr<LineReader> openForInput(const std::string& path) = 0;  // throws Error
    // An environment variable, or nullopt when it is not set.
    virtual std::optional<std::string> environment(const std::string& name) = 0;
};

// The shell: opening documents and starting programs.
class Shell {
public:
    virtual ~Shell() = default;
    // ShellExecute: the return code is the platform's (above 32 = success).
    virtual std::intptr_t execute(std::uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                                  const std::string& parameters, const std::string& directory, int showMode) = 0;
    // Starts a program by its full path in a normal, focused window without
    // waiting for it. Throws Error when it cannot be started.
    virtual void launch(const std::string& path) = 0;
    // The first file that matches a path, or "" (a plain existence test).
    virtual std::string firstMatch(const std::string& path) = 0;
};

// The registry, read only. Status 0 means success.
class Registry {
public:
    virtual ~Registry() = default;
    virtual long openKey(std::uint32_t root, const std::string& path, std::uint32_t access, std::uintptr_t& handle) = 0;
    // Reads a value into `buffer` (in: its size in bytes, as `size`); `size`
    // comes back as the number of bytes stored, `type` as the value's type.
    virtual long queryValue(std::uintptr_t handle, const std::string& name, std::uint32_t& type, std::string& buffer,
                            std::uint32_t& size) = 0;
    virtual long closeKey(std::uintptr_t handle) = 0;
    // The name of a key's subkey number `index` (0, 1, ...); 259 (no more
    // items) past the last one. A registry without subkeys has none to give.
    virtual long enumKey(std::uintptr_t handle, std::uint32_t index, std::string& name) {
        (void)handle, (void)index;
        name.clear();
        return 259;
    }
};

// The user's locale for numbers and dates.
class Locale {
public:
    virtual ~Locale() = default;
    virtual std::string decimalSeparator() = 0;
    // Short date and long time as the user's settings render them.
    virtual std::string shortDate(int year, int month, int day) = 0;
    virtual std::string longTime(int hour, int minute, int second) = 0;
};

// Which of the main window's on-board check boxes.
enum class OnboardBox { Vga, Audio, Lan };

// The application-wide mouse pointers the program uses, by their numbers.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;

// The user interface, as the report run and the probes see it.
class UserInterface {
public:
    virtual ~UserInterface() = default;
    // Modal message box; returns when the user has pressed its button.
    // Styles: 0 = OK without icon, 16 = OK with the critical-error icon.
    virtual void messageBox(const std::string& prompt, int style, const std::string& title) = 0;
    // Application-wide mouse pointer: kPointerHourglass or kPointerDefault.
    virtual void setMousePointer(int pointer) = 0;

    // The progress window. progressCreate creates it when it does not exist
    // and processes pending window events once.
    virtual void progressCreate() = 0;
    virtual void progressSetCaption(const std::string& caption) = 0;
    virtual void progressVisiblePicture(std::uint32_t backColor, std::uint32_t foreColor, bool bold) = 0;
    virtual void progressSetStatus(const std::string& text) = 0;
    virtual void progressShow() = 0;
    virtual void progressUpdate(std::int32_t percent) = 0;
    virtual void progressClose() = 0;

    virtual std::uintptr_t mainWindowHandle() = 0;
    virtual void closeMainWindow() = 0;
    virtual void closeReportNameDialog() = 0;
    // A box counts as ticked when its value is 1.
    virtual bool onboardTicked(OnboardBox box) = 0;
};

// A locale that renders as en-US Windows does: "." as decimal separator,
// dates M/d/yyyy, times h:mm:ss AM/PM. In place until a platform sets its own.
Locale& usEnglishLocale();

// The platform a program works through: assembled by the driver (each
// program's main, a test) and handed down to the runs, the windows and
// their logic. Every member is set before the first run.
struct Platform {
    Files* files = nullptr;
    Shell* shell = nullptr;
    Registry* registry = nullptr;  // none on a platform without one
    Locale* locale = &usEnglishLocale();
    UserInterface* ui = nullptr;
    // The program's binder, composed where it starts (backend, trace): what
    // the driver of each run connects through.
    wmi::Binder binder;
};

}  // namespace tq::platform
