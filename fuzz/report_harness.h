// A whole report run for the fuzz targets: the seams answer from memory (the
// report is written nowhere, messages are counted), so that class building,
// every probe and the writers run on what the fuzzer made.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/seams.h"
#include "probes/reportrun.h"
#include "report/main.h"
#include "tests/support/quiet_ui.h"
#include "wmi/failure.h"

namespace tq::fuzzing {

// Lines are checked and dropped; the report's size is bounded by what a
// report of the input may be.
class CountingWriter final : public platform::TextWriter {
public:
    explicit CountingWriter(std::size_t& bytes) : bytes_(bytes) {}
    void writeLine(std::string_view text) override {
        bytes_ += text.size() + 2;
        if (bytes_ > (256u << 20)) std::abort();  // a runaway report
    }
    void close() override {}

private:
    std::size_t& bytes_;
};

class NoFiles final : public platform::Files {
public:
    std::size_t written = 0;
    std::string applicationFolder() override { return "C:\\Fuzz"; }
    bool fileExists(const std::string& path) override { return path == "C:\\Fuzz\\fuzz.htm"; }
    std::unique_ptr<platform::TextWriter> openForWriting(const std::string&) override {
        return std::make_unique<CountingWriter>(written);
    }
    std::unique_ptr<platform::TextWriter> createTextFile(const std::string& p) override { return openForWriting(p); }
    std::string lookup(const std::string&, int) override { return ""; }
    void setAttributes(const std::string&, int) override { fail::raise(fail::kFileNotFound); }
    std::unique_ptr<platform::LineReader> openForInput(const std::string&) override {
        fail::raise(fail::kFileNotFound);
    }
    std::optional<std::string> environment(const std::string&) override { return std::nullopt; }
};

class NoShell final : public platform::Shell {
public:
    std::intptr_t execute(std::uintptr_t, const std::string&, const std::string&, const std::string&,
                          const std::string&, int) override {
        return 42;
    }
    void launch(const std::string&) override {}
    std::string firstMatch(const std::string&) override { return ""; }
};

class NoRegistry final : public platform::Registry {
public:
    long openKey(std::uint32_t, const std::string&, std::uint32_t, std::uintptr_t&) override { return 2; }
    long queryValue(std::uintptr_t, const std::string&, std::uint32_t&, std::string&, std::uint32_t&) override {
        return 2;
    }
    long closeKey(std::uintptr_t) override { return 0; }
};

// Runs one report through `binder` (freed within the run, or libFuzzer
// suspects a leak); every run must end by closing the main window (saved or
// final error), never by an escape.
inline void runReport(wmi::Binder binder) {
    NoShell shell;
    NoRegistry registry;
    NoFiles files;
    testing::QuietUi ui;
    platform::Platform p{&files, &shell, &registry, &platform::usEnglishLocale(), &ui, std::move(binder)};
    report::gObjFso = nullptr;  // the previous run's files are gone
    report::gStrFileName = "fuzz.htm";
    report::gStrComment.clear();
    probes::RunReport(p);
    if (!ui.closed) std::abort();
    report::gObjFso = nullptr;
}

}  // namespace tq::fuzzing
