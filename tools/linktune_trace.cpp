// linktune-trace TYPE SPEED [--apply]
//
// Runs the optimisation for one connection profile against a stand-in of the
// window's option buttons and prints one line per registry call, in order:
// row, operation, root, key path, value name, kind, data (tab-separated).
// Without --apply the calls go to an in-memory registry in which every key
// exists; with --apply they go to the system registry, and the tool then
// prints what the registry holds for each row it applied.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/hex.h"
#include "optimiser/optimisation_run.h"
#include "registry/memory_registry.h"
#ifdef _WIN32
#include "registry/advapi32_backend_win32.h"
#endif

using namespace kavrel;

namespace {

// The window as far as the run needs it: option buttons that read True or
// False; everything the run writes is accepted and dropped.
class OptionStandIn : public optimiser::WindowControls {
public:
    OptionStandIn(std::string type, std::string speed) : type_(std::move(type)), speed_(std::move(speed)) {}
    std::int32_t GetProperty(std::string_view control, std::string_view) override {
        return control == type_ || control == speed_ ? optimiser::kTrue : optimiser::kFalse;
    }
    void SetProperty(std::string_view, std::string_view, std::int32_t) override {}

private:
    std::string type_, speed_;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: linktune-trace TYPE SPEED [--apply]\n"
                 "  TYPE   lan | modem | adsl\n"
                 "  SPEED  33 | 56 | 64 | 128 | 512 | 1024\n"
                 "  --apply  write to the system registry instead of an in-memory one\n");
    return 2;
}

#ifdef _WIN32
std::string Describe(const std::optional<registry::StoredValue>& v) {
    if (!v) return "(no value)";
    std::string out = registry::KindName(static_cast<std::int32_t>(v->type));
    if (v->type == registry::kRegDword && v->data.size() == 4) {
        const std::int32_t n = static_cast<std::int32_t>(v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) |
                                                         (static_cast<std::uint32_t>(v->data[3]) << 24));
        out += ' ';
        out += std::to_string(n);
    } else if (v->type == registry::kRegSz) {
        std::string text(v->data.begin(), v->data.end());
        if (!text.empty() && text.back() == '\0') text.pop_back();
        out += " \"";
        out += text;
        out += "\"";
    }
    out += " (";
    out += std::to_string(v->data.size());
    out += " bytes: ";
    out += base::HexBytes(v->data, " ", base::HexCase::Upper);
    out += ')';
    return out;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    static const std::map<std::string, std::string> types = {
        {"lan", "Lan1"}, {"modem", "Modem1"}, {"adsl", "Adsl1"}};
    static const std::map<std::string, std::string> speeds = {{"33", "r33"},   {"56", "r56"},   {"64", "r64"},
                                                              {"128", "r128"}, {"512", "r512"}, {"1024", "r1024"}};
    if (argc < 3 || argc > 4) return Usage();
    const auto type = types.find(argv[1]);
    const auto speed = speeds.find(argv[2]);
    bool apply = false;
    if (argc == 4) {
        if (std::strcmp(argv[3], "--apply") != 0) return Usage();
        apply = true;
    }
    if (type == types.end() || speed == speeds.end()) return Usage();

#ifndef _WIN32
    if (apply) {
        std::fprintf(stderr, "linktune-trace: --apply needs Windows\n");
        return 2;
    }
#endif

    registry::MemoryRegistry memory(/*keysAlwaysExist=*/true);
    std::unique_ptr<registry::Backend> system;
#ifdef _WIN32
    if (apply) system = std::make_unique<registry::Advapi32Backend>();
#endif
    registry::Backend& backend = system ? *system : static_cast<registry::Backend&>(memory);
    registry::RegistryAccess access(backend);
    OptionStandIn window(type->second, speed->second);

    std::vector<const optimiser::TweakRow*> applied;
    optimiser::RunOptimisation(window, access, [&](const optimiser::TweakRow& row, const registry::Data& data) {
        applied.push_back(&row);
        const bool del = row.operation == optimiser::Operation::Delete;
        std::printf("%d\t%s\t%s\t%s\t%s\t%s\t%s\n", row.number, del ? "delete" : "set",
                    registry::RootName(row.root).c_str(), row.keyPath, row.valueName,
                    del ? "-" : registry::KindName(row.kind).c_str(),
                    del ? "-" : registry::DataDisplay(data).c_str());
    });

#ifdef _WIN32
    if (apply) {
        std::printf("# registry after the run\n");
        for (const auto* row : applied) {
            const bool keyThere = registry::KeyExists(row->root, row->keyPath);
            std::printf("%d\t%s\\%s\t%s\t%s\n", row->number, registry::RootName(row->root).c_str(), row->keyPath,
                        row->valueName,
                        keyThere ? Describe(registry::QueryValue(row->root, row->keyPath, row->valueName)).c_str()
                                 : "(no key)");
        }
    }
#endif
    std::fflush(stdout);
    return 0;
}
