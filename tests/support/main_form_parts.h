// A main window over test doubles, on any toolkit backend and catalogue source: an in-memory
// registry, a recording click sound, launcher and restart, Windows 10, a fixed clock and the
// regional formats of English (United States). Remake builds the window again over the same parts,
// for instance after a test changed the stored "Language".
#pragma once

#include "app/main/main_form.h"
#include "catalogue/captions.h"
#include "engine/clock.h"
#include "engine/custom_registry.h"
#include "engine/date_text.h"
#include "engine/date_time.h"
#include "engine/memory_registry_store.h"
#include "engine/regional_formats.h"
#include "engine/restart.h"
#include "launch/recording_launcher.h"
#include "toolkit/application.h"
#include "ui/sound.h"

#include "support/windows10_source.h"

#include <optional>

namespace zentrim::testing {

struct MainFormParts {
    MainFormParts(toolkit::Backend& backend, const CatalogueSource& catalogues)
        : app(backend), captions(registry, catalogues) {
        Remake();
    }

    MainForm& Remake() {
        main.reset(); // the old window goes before the new one is made
        return main.emplace(MainFormDependencies{.app = app,
                                                 .registry = registry,
                                                 .captions = captions,
                                                 .clickSound = sound,
                                                 .shell = shell,
                                                 .restart = restart,
                                                 .versionSource = version,
                                                 .clock = clock,
                                                 .dateFormatter = formatter});
    }

    toolkit::Application app;
    MemoryRegistryStore store;
    CustomRegistry registry{store};
    CaptionCatalogue captions;
    RecordingClickSound sound;
    RecordingLauncher launcher;
    Shell shell{launcher, u"C:\\Apps\\Zentrim\\"};
    RecordingSystemRestart restart;
    Windows10Source version;
    FixedClock clock{*EncodeDateTime({2024, 6, 1, 12, 0, 0, 0})};
    DateTextFormatter formatter{EnglishUnitedStatesFormatSettings(), EnglishUnitedStatesFormatSettings()};
    std::optional<MainForm> main;
};

} // namespace zentrim::testing
