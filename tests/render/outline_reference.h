// The outline push as first defined: for each vertex not yet grouped, scan
// every later vertex for the same position, average their normals, push the
// group. Quadratic; the tests and the benchmark compare the real one with it.
#pragma once

#include <cstring>
#include <vector>

#include "platform/d3dx_math.h"

inline void PushOutlineQuadratic(unsigned char* vertices, DWORD n, DWORD stride, float lineSize) {
    auto pos = [&](DWORD i) { return reinterpret_cast<float*>(vertices + size_t(i) * stride); };
    std::vector<DWORD> group(n, 0);
    DWORD g = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (group[i]) continue;
        const float p[3] = {pos(i)[0], pos(i)[1], pos(i)[2]};
        ++g;
        float sum[3] = {0, 0, 0};
        int c = 0;
        for (DWORD j = i; j < n; ++j) {
            const float* q = pos(j);
            if (q[0] == p[0] && q[1] == p[1] && q[2] == p[2]) {
                group[j] = g;
                for (int k = 0; k < 3; ++k) sum[k] += q[3 + k];
                ++c;
            }
        }
        const float avg[3] = {sum[0] / float(c), sum[1] / float(c), sum[2] / float(c)};
        for (DWORD j = i; j < n; ++j)
            if (group[j] == g)
                for (int k = 0; k < 3; ++k) pos(j)[k] += avg[k] * lineSize;
    }
}
