// Any bytes through the choreography reader: it must refuse or rebuild a
// consistent tree, never crash, read out of bounds or leak.
#include <cstddef>
#include <cstdint>

#include "files/modfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    _MOTIONDATA doc{};
    GameInit(&doc);
    ModSkipMeshes view;
    const ModLoadResult r = ModApply(data, size, &doc, &view);
    if (r.error == ModError::None) {
        // What was accepted must save back to the same number of records.
        const std::string again = ModBuild(&doc, doc.pTop);
        if (again.size() > size) __builtin_trap();
        if (TreeDepth(doc.pTop) > kModMaxDepth) __builtin_trap();
    }
    FreeTree(&doc, nullptr, nullptr);
    return 0;
}
