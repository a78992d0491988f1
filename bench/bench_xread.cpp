// Reading a 100k-vertex X file, text and binary: our reader against assimp
// (the same bytes, from memory, in the same run).
#include <benchmark/benchmark.h>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cmath>

#include "platform/xfile_reader.h"
#include "xgen.h"

static const XWriter& File() {
    static XWriter w = [] {
        XWriter x;
        XMeshSpec g;
        const uint32_t n = 317;  // 100,489 vertices
        for (uint32_t y = 0; y < n; ++y)
            for (uint32_t i = 0; i < n; ++i) {
                g.pos.insert(g.pos.end(), {i * 0.01, std::sin(i * 0.1) * 0.2, y * 0.01});
                g.normals.insert(g.normals.end(), {0.0, 1.0, 0.0});
                g.uv.insert(g.uv.end(), {i / double(n), y / double(n)});
            }
        for (uint32_t y = 0; y + 1 < n; ++y)
            for (uint32_t i = 0; i + 1 < n; ++i) {
                const uint32_t a = y * n + i;
                g.faces.push_back({a, a + n, a + n + 1, a + 1});
            }
        g.normalFaces = g.faces;
        g.numMaterials = 1;
        g.faceMaterials = {0};
        WriteMeshHead(&x, g);
        WriteMaterial(&x, {1, 1, 1, 1});
        x.Close().Close();
        return x;
    }();
    return w;
}

static void Ours(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        XMeshData x;
        std::string why;
        if (!ReadXFile(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &x, &why))
            state.SkipWithError(why.c_str());
        benchmark::DoNotOptimize(x.vertices.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

static void Theirs(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        Assimp::Importer imp;
        const aiScene* s = imp.ReadFileFromMemory(bytes.data(), bytes.size(),
                                                  aiProcess_ConvertToLeftHanded | aiProcess_PreTransformVertices |
                                                      aiProcess_JoinIdenticalVertices | aiProcess_Triangulate,
                                                  "x");
        if (!s) state.SkipWithError("assimp refused the file");
        benchmark::DoNotOptimize(s);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

static void BM_OursText(benchmark::State& s) { Ours(s, File().Text()); }
static void BM_AssimpText(benchmark::State& s) { Theirs(s, File().Text()); }
static void BM_OursBinary(benchmark::State& s) { Ours(s, File().Binary()); }
static void BM_AssimpBinary(benchmark::State& s) { Theirs(s, File().Binary()); }
BENCHMARK(BM_OursText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssimpText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssimpBinary)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
