// The .reg loader on any bytes. Whatever loads must save and load again to the same content, and
// saving that content again must give the same bytes.
#include "engine/memory_registry_store.h"
#include "engine/reg_file_format.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>

using namespace zentrim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const RegFileParseResult parsed = ParseRegFile({data, size});
    if (!parsed) {
        fuzz::Check(parsed.keys.empty(), "a refused file gives no keys");
        return 0;
    }

    // The parser's own keys written out read back as they are.
    const RegFileParseResult direct = ParseRegFile(FormatRegFile(parsed.keys));
    fuzz::Check(static_cast<bool>(direct), "the parsed keys, written out, load again");
    fuzz::Check(fuzz::SameContent(direct.keys, parsed.keys),
                "the parsed keys, written out, read back the same");

    // The file store's way: the keys loaded into memory, saved from there, loaded again.
    MemoryRegistryStore store;
    store.Load(parsed.keys);
    const std::vector<StoredKey> content = store.Snapshot();
    const std::vector<std::uint8_t> saved = FormatRegFile(content);
    const RegFileParseResult reread = ParseRegFile(saved);
    fuzz::Check(static_cast<bool>(reread), "a saved file loads again");

    MemoryRegistryStore again;
    again.Load(reread.keys);
    const std::vector<StoredKey> reloaded = again.Snapshot();
    fuzz::Check(fuzz::SameContent(reloaded, content), "a saved file loads to the same content");
    fuzz::Check(FormatRegFile(reloaded) == saved, "saving the reloaded content gives the same bytes");
    return 0;
}
