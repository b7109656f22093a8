// Native benchmarks (Google Benchmark, optimised build): one registry operation over the in-memory
// and the .reg file store, GetCaption for the first and the last entry of the English catalogue,
// ApplyCaptions on the main window's component tree (headless toolkit), and the write plan of a
// profile.
#include "app/main/main_form.h"
#include "catalogue/catalogue_source.h"
#include "engine/clock.h"
#include "engine/custom_registry.h"
#include "engine/date_text.h"
#include "engine/date_time.h"
#include "engine/memory_registry_store.h"
#include "engine/product_key.h"
#include "engine/reg_file_store.h"
#include "engine/regional_formats.h"
#include "engine/restart.h"
#include "engine/run_phases.h"
#include "engine/tweak_catalogue.h"
#include "launch/recording_launcher.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"
#include "ui/apply_captions.h"
#include "ui/sound.h"

#include "support/windows10_source.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zentrim {
namespace {

constexpr std::u16string_view kKeyPath = u"Software\\ORVANE\\Zentrim";

// A file name of this run's own in the temporary folder.
std::filesystem::path TemporaryFile(const std::string& stem) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(stamp) + ".reg");
}

std::vector<std::uint8_t> EnglishCatalogue() {
    std::ifstream file(std::string(ZENTRIM_RESOURCES_DIR) + "/captions/ENGLISH", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The catalogue held in memory, as the program holds it in its resources.
struct Captions {
    MemoryRegistryStore store;
    CustomRegistry registry{store};
    MemoryCatalogueSource source;
    CaptionCatalogue catalogue{registry, source};
    Captions() {
        const std::vector<std::uint8_t> bytes = EnglishCatalogue();
        if (bytes.empty()) {
            throw std::runtime_error("the English catalogue cannot be read");
        }
        source.Add(u"ENGLISH", bytes);
    }
};

void ReadAndWrite(benchmark::State& state, RegistryStore& store) {
    const CustomRegistry registry(store);
    int value = 0;
    for (auto _ : state) {
        registry.WriteRegistryInteger(RegistryRoot::LocalMachine, kKeyPath, u"SpeedSetting", ++value & 1,
                                      RegistryView::Default());
        benchmark::DoNotOptimize(registry.ReadRegistryInteger(RegistryRoot::LocalMachine, kKeyPath,
                                                              u"SpeedSetting", -1, RegistryView::Default()));
    }
}

// One write and one read of a DWORD in the product key.
void BM_RegistryWriteReadMemory(benchmark::State& state) {
    MemoryRegistryStore store;
    ReadAndWrite(state, store);
}
BENCHMARK(BM_RegistryWriteReadMemory);

// The same on a .reg file store, which saves the whole file atomically at every change.
void BM_RegistryWriteReadRegFile(benchmark::State& state) {
    const std::filesystem::path file = TemporaryFile("zentrim-bench-write");
    {
        auto opened = RegFileRegistryStore::Open(file);
        if (!opened.store) {
            state.SkipWithError("the .reg store cannot be opened");
            return;
        }
        ReadAndWrite(state, *opened.store);
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_RegistryWriteReadRegFile);

// A read of a value on the .reg file store (reads touch only memory).
void BM_RegistryReadRegFile(benchmark::State& state) {
    const std::filesystem::path file = TemporaryFile("zentrim-bench-read");
    {
        auto opened = RegFileRegistryStore::Open(file);
        if (!opened.store) {
            state.SkipWithError("the .reg store cannot be opened");
            return;
        }
        const CustomRegistry registry(*opened.store);
        registry.WriteRegistryString(RegistryRoot::LocalMachine, kKeyPath, u"Language", u"english",
                                     RegistryView::Default());
        for (auto _ : state) {
            benchmark::DoNotOptimize(registry.ReadRegistryString(RegistryRoot::LocalMachine, kKeyPath,
                                                                 u"Language", u"", RegistryView::Default()));
        }
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_RegistryReadRegFile);

void BM_GetCaptionFirstKey(benchmark::State& state) {
    const Captions captions;
    for (auto _ : state) {
        benchmark::DoNotOptimize(captions.catalogue.GetCaption(u"ZTMainForm", u"ZTMainForm"));
    }
}
BENCHMARK(BM_GetCaptionFirstKey);

void BM_GetCaptionLastKey(benchmark::State& state) {
    const Captions captions;
    if (captions.catalogue.GetCaption(u"ZTUpdateForm", u"MessageBoxUpdateRestart3").empty()) {
        state.SkipWithError("the last key is not in the catalogue");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(captions.catalogue.GetCaption(u"ZTUpdateForm", u"MessageBoxUpdateRestart3"));
    }
}
BENCHMARK(BM_GetCaptionLastKey);

void BM_ApplyCaptionsMainWindow(benchmark::State& state) {
    Captions captions;
    toolkit::HeadlessBackend backend;
    toolkit::Application app(backend);
    RecordingClickSound sound;
    RecordingLauncher launcher;
    Shell shell(launcher, u"C:\\Apps\\Zentrim\\");
    RecordingSystemRestart restart;
    testing::Windows10Source version;
    const FixedClock clock(*EncodeDateTime({2024, 6, 1, 12, 0, 0, 0}));
    const DateTextFormatter formatter(EnglishUnitedStatesFormatSettings(),
                                      EnglishUnitedStatesFormatSettings());
    MainForm main({.app = app,
                   .registry = captions.registry,
                   .captions = captions.catalogue,
                   .clickSound = sound,
                   .shell = shell,
                   .restart = restart,
                   .versionSource = version,
                   .clock = clock,
                   .dateFormatter = formatter});
    for (auto _ : state) {
        ApplyCaptions(captions.catalogue, main.Form());
    }
}
BENCHMARK(BM_ApplyCaptionsMainWindow);

// The registry work of one optimize run and one restore run on the in-memory store: the layer's
// own cost, without any system underneath.
void BM_OptimizeAndRestoreMemory(benchmark::State& state) {
    MemoryRegistryStore store;
    const CustomRegistry registry(store);
    const TweakProfile profile{
        .osClass = os_class::kWindows10, .internetType = 0, .speedSetting = kSpeedMaximumBoost};
    for (auto _ : state) {
        const bool optimized = OptimizeRegistry(registry, profile) == OptimizeOutcome::Done;
        const bool restored = RestoreRegistry(registry, profile).outcome == RestoreOutcome::Done;
        if (!optimized || !restored) {
            state.SkipWithError("a run did not complete");
            return;
        }
    }
}
BENCHMARK(BM_OptimizeAndRestoreMemory);

void BM_PlanWrites(benchmark::State& state) {
    const TweakProfile profile{
        .osClass = os_class::kWindows10, .internetType = 0, .speedSetting = kSpeedMaximumBoost};
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlanWrites(profile));
    }
}
BENCHMARK(BM_PlanWrites);

} // namespace
} // namespace zentrim

BENCHMARK_MAIN();
