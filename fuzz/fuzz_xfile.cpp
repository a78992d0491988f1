// The X-file reader on arbitrary bytes: never a crash, and every refusal
// carries a reason.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/xfile_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XMeshData x;
    std::string why;
    if (!ReadXFile(data, size, &x, &why) && why.empty()) std::abort();
    if (!why.empty() && !x.vertices.empty()) std::abort();
    for (uint32_t i : x.indices)
        if (i >= x.vertices.size()) std::abort();
    for (uint32_t a : x.attributes)
        if (a >= x.materials.size()) std::abort();
    return 0;
}
