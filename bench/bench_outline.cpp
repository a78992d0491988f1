// Outline push: the hash grouping at 10k, 100k and 1M vertices, and the
// quadratic definition at 10k for the ratio (at least 100 times slower).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "outline_reference.h"
#include "render/outline.h"

// A grid of positions, each held by four vertices with different normals,
// as split vertices of a hard-edged mesh are.
static std::vector<SHADOWVERTEX> Mesh(size_t n) {
    std::vector<SHADOWVERTEX> v(n);
    const size_t side = size_t(std::sqrt(double(n / 4))) + 1;
    for (size_t i = 0; i < n; ++i) {
        const size_t p = i / 4;
        v[i].vPos = D3DXVECTOR3(float(p % side) * 0.01f, float(p / side) * 0.01f, 0.0f);
        v[i].vNormal = D3DXVECTOR3(i % 4 == 0 ? 1.0f : 0.0f, i % 4 == 1 ? 1.0f : 0.0f, i % 4 >= 2 ? 1.0f : 0.0f);
    }
    return v;
}

static void BM_PushOutline(benchmark::State& state) {
    const std::vector<SHADOWVERTEX> base = Mesh(size_t(state.range(0)));
    std::vector<SHADOWVERTEX> v = base;
    for (auto _ : state) {
        PushOutline(reinterpret_cast<unsigned char*>(v.data()), DWORD(v.size()), sizeof(SHADOWVERTEX), 0.05f);
        benchmark::DoNotOptimize(v.data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PushOutline)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Complexity();

static void BM_PushOutlineQuadratic(benchmark::State& state) {
    std::vector<SHADOWVERTEX> v = Mesh(size_t(state.range(0)));
    for (auto _ : state) {
        PushOutlineQuadratic(reinterpret_cast<unsigned char*>(v.data()), DWORD(v.size()), sizeof(SHADOWVERTEX), 0.05f);
        benchmark::DoNotOptimize(v.data());
    }
}
BENCHMARK(BM_PushOutlineQuadratic)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
