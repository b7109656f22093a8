// The resources linked into the program (and into this test program): found by name, with the
// bytes the program relies on.
#include "base/text.h"
#include "base/unique_handle_win32.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source_win32.h"
#include "engine/memory_registry_store.h"
#include "engine/product_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <span>
#include <string_view>

namespace zentrim {
namespace {

std::span<const std::uint8_t> ResourceBytes(const wchar_t* name, const wchar_t* type) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, name, type);
    if (resource == nullptr) {
        return {};
    }
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        return {};
    }
    return {static_cast<const std::uint8_t*>(data), SizeofResource(module, resource)};
}

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}
std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
std::string_view Tag(std::span<const std::uint8_t> bytes, std::size_t at) {
    return {reinterpret_cast<const char*>(bytes.data() + at), 4};
}

TEST(ProgramResources, EnglishCatalogueIsFoundByNameInAnyCase) {
    const ResourceCatalogueSource source(GetModuleHandleW(nullptr));
    const auto english = source.FindCatalogue(u"english");
    ASSERT_TRUE(english.has_value());
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(english->data()), 12), "ZTMainForm, ");
    for (const std::u16string_view name : {u"ENGLISH", u"English", u"eNgLiSh"}) {
        EXPECT_EQ(source.FindCatalogue(name), english) << ToUtf8(name);
    }
    const std::u16string_view missing[] = {u"klingon", u"", u"#1", std::u16string_view(u"english\0x", 9)};
    for (const std::u16string_view name : missing) {
        EXPECT_FALSE(source.FindCatalogue(name).has_value()) << ToUtf8(name);
    }
}

TEST(ProgramResources, CaptionsComeFromTheEnglishResource) {
    MemoryRegistryStore store;
    const CustomRegistry registry(store);
    const ResourceCatalogueSource source(GetModuleHandleW(nullptr));
    const CaptionCatalogue captions(registry, source);
    EXPECT_EQ(captions.GetCaption(u"ZTMainForm", u"ZTMainForm"),
              u"Zentrim - Make your computer, games & internet run faster");
    registry.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kLanguage, u"ENGLISH",
                                 RegistryView::Default());
    EXPECT_EQ(captions.GetCaption(u"ZTAboutForm", u"CopyrightLabel").substr(0, 16), u"Copyright \u00A9 2024");
    // A language the program has no catalogue for speaks English; the program's other resources,
    // such as its background picture, are no catalogues.
    EXPECT_TRUE(source.FindCatalogue(u"english").has_value());
    for (const std::u16string_view language : {u"klingon", u"background", u"BACKGROUND", u"#1", u"click"}) {
        EXPECT_FALSE(source.FindCatalogue(language).has_value()) << ToUtf8(language);
        registry.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kLanguage, language,
                                     RegistryView::Default());
        EXPECT_EQ(captions.GetCaption(u"ZTMainForm", u"ZTMainForm"),
                  u"Zentrim - Make your computer, games & internet run faster")
            << ToUtf8(language);
    }
}

// Each language's catalogue is a resource of the program, found through the product key's
// "Language" value; a name without a catalogue speaks English.
TEST(ProgramResources, EveryLanguageComesFromItsOwnResource) {
    MemoryRegistryStore store;
    const CustomRegistry registry(store);
    const ResourceCatalogueSource source(GetModuleHandleW(nullptr));
    const CaptionCatalogue captions(registry, source);
    const struct {
        std::u16string_view language;
        std::u16string_view restoreButton;
        bool utf8; // stored with a UTF-8 byte-order mark
    } cases[] = {
        {u"english", u"&Restore", false},
        {u"german", u"&Wiederherstellen", false},
        {u"French", u"&Restaurer", false},
        {u"SPANISH", u"&Restaurar", false},
        {u"italian", u"&Ripristina", false},
        {u"portuguese", u"&Restaurar", false},
        {u"dutch", u"&Herstellen", false},
        {u"polish", u"&Przywr\u00f3\u0107", true},
        {u"russian", u"&\u0412\u043e\u0441\u0441\u0442\u0430\u043d\u043e\u0432\u0438\u0442\u044c", true},
        {u"klingon", u"&Restore", false},
    };
    for (const auto& c : cases) {
        registry.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kLanguage, c.language,
                                     RegistryView::Default());
        EXPECT_EQ(captions.GetCaption(u"ZTMainForm", u"RestoreButton"), c.restoreButton)
            << ToUtf8(c.language);
        if (c.language == u"klingon") {
            continue;
        }
        const auto bytes = source.FindCatalogue(c.language);
        ASSERT_TRUE(bytes.has_value()) << ToUtf8(c.language);
        const bool marked =
            bytes->size() > 3 && (*bytes)[0] == 0xEF && (*bytes)[1] == 0xBB && (*bytes)[2] == 0xBF;
        EXPECT_EQ(marked, c.utf8) << ToUtf8(c.language);
    }
}

TEST(ProgramResources, ClickIsAPlainPcmWave) {
    const auto click = ResourceBytes(L"click", L"WAVE");
    ASSERT_EQ(click.size(), 2202u);
    EXPECT_EQ(ResourceBytes(L"CLICK", L"wave").data(), click.data());
    EXPECT_EQ(Tag(click, 0), "RIFF");
    EXPECT_EQ(Le32(click, 4), 2194u);
    EXPECT_EQ(Tag(click, 8), "WAVE");
    EXPECT_EQ(Tag(click, 12), "fmt ");
    EXPECT_EQ(Le32(click, 16), 16u);
    EXPECT_EQ(Le16(click, 20), 1);          // PCM
    EXPECT_EQ(Le16(click, 22), 1);          // mono
    EXPECT_EQ(Le32(click, 24), 22050u);     // samples per second
    EXPECT_EQ(Le32(click, 28), 22050u * 2); // bytes per second
    EXPECT_EQ(Le16(click, 32), 2);          // block align
    EXPECT_EQ(Le16(click, 34), 16);         // bits per sample
    EXPECT_EQ(Tag(click, 36), "data");
    EXPECT_EQ(Le32(click, 40), 2158u);
    // It ends in silence, so stopping after the last sample makes no crack.
    EXPECT_EQ(Le16(click, 2200), 0);
}

TEST(ProgramResources, ManifestAndVersion) {
    const auto manifest = ResourceBytes(MAKEINTRESOURCEW(1), RT_MANIFEST);
    const std::string_view text(reinterpret_cast<const char*>(manifest.data()), manifest.size());
    for (const std::string_view part : {"Microsoft.Windows.Common-Controls", "asInvoker", "PerMonitorV2",
                                        "true/pm", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(text.find(part), std::string_view::npos) << part;
    }

    const auto version = ResourceBytes(MAKEINTRESOURCEW(1), RT_VERSION);
    const std::uint8_t signature[] = {0xBD, 0x04, 0xEF, 0xFE};
    const auto found =
        std::search(version.begin(), version.end(), std::begin(signature), std::end(signature));
    ASSERT_NE(found, version.end());
    const std::size_t fixed = static_cast<std::size_t>(found - version.begin());
    EXPECT_EQ(Le32(version, fixed + 8), (2u << 16) | 10u);     // file version, high part
    EXPECT_EQ(Le32(version, fixed + 12), (21u << 16) | 2024u); // file version, low part
}

} // namespace
} // namespace zentrim
