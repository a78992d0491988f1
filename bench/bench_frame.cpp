// Frame time of an 18-part character of 5,000 triangles a part, drawn on an
// offscreen device: toon mode (outline hull and ramp-shaded body per part)
// against normal mode drawing every part twice, the same number of
// triangles and draw calls. Toon mode may cost at most 1.1 times that; the
// shade coordinate is made in the vertex shader, so no vertex data is
// written or uploaded per frame. Plain normal mode is shown for scale.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "input/input.h"
#include "platform/d3d9.h"
#include "platform/d3dx_font.h"
#include "platform/offscreen_target.h"
#include "ratio.h"
#include "render/frame.h"
#include "render/meshes.h"
#include "render/outline.h"
#include "render/toon.h"

namespace {

constexpr int kParts = 18;
constexpr unsigned kSlices = 50, kStacks = 51;  // 2 * 50 * 50 = 5,000 triangles

struct Scene {
    std::unique_ptr<OffscreenTarget> target;
    bool ok = false;
};

void Give(MOTIONOBJ* part, ID3DXMesh* sphere, float r, float g, float b) {
    auto fill = [&](XFILE* x, ID3DXMesh* m) {
        x->lpMesh = m;
        x->dwNumMaterials = 1;
        x->pMaterials = new D3DMATERIAL9[1]{};
        x->pMaterials[0].Diffuse = {r, g, b, 1};
        x->pMaterials[0].Ambient = x->pMaterials[0].Diffuse;
        x->pTextures = new IDirect3DTexture9* [1] { nullptr };
    };
    ID3DXMesh *mesh = nullptr, *edge = nullptr;
    sphere->CloneMeshFVF(D3DXMESH_MANAGED, kToonFVF, nullptr, &mesh);
    sphere->CloneMeshFVF(D3DXMESH_MANAGED, kToonFVF, nullptr, &edge);
    fill(&part->Mesh, mesh);
    fill(&part->EdgeMesh, edge);
    InitBBox(lpD3DDevice, part);
    CreateShadow(part);
}

// `copies` parts at each of the 18 places: 2 stands for drawing each part twice.
void BuildCharacter(int copies) {
    FreeTree(
        &Cha, [](MOTIONOBJ* p, void*) { ReleasePartMeshes(p); }, nullptr);
    GameInit(&Cha);
    ID3DXMesh* sphere = nullptr;
    D3DXCreateSphere(lpD3DDevice, 0.55f, kSlices, kStacks, &sphere, nullptr);
    MOTIONOBJ* at = Cha.pTop;
    for (int i = 0; i < kParts * copies; ++i) {
        OBJInit(at, "part");
        MOTIONOBJ* p = at == Cha.pTop ? at->pChild : at->pNext;
        const int k = i % kParts;
        p->vOffset = {float(k % 6) * 1.3f - 3.25f, float(k / 6) * 1.3f - 1.3f, 0.0f};
        Give(p, sphere, 0.8f, 0.5f, 0.3f);
        p->NextIsSibling = 1;
        at = p;
    }
    sphere->Release();
    pGet = Cha.pTop;
}

Scene& Setup() {
    // Kept to the end of the process: Qt's thread data is gone before static destructors run.
    static Scene& scene = *new Scene;
    static bool done = false;
    if (done) return scene;
    done = true;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "bench_frame";
    static char* argv[] = {arg0, nullptr};
    new QGuiApplication(argc, argv);
    scene.target = std::make_unique<OffscreenTarget>(kViewWidth, kViewHeight);
    if (!scene.target->ok()) return scene;
    lpD3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!lpD3D || FAILED(lpD3D->CreateDevice(scene.target.get(), &d3dpp, &lpD3DDevice))) return scene;
    InitFrameStates(lpD3DDevice);
    D3DXCreateFontA(lpD3DDevice, 16, 0, 1000, 0, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, nullptr, &lpFont);
    std::printf("renderer: %s\n", lpD3DDevice->RendererName());
    scene.ok = true;
    return scene;
}

void Run(benchmark::State& state, int copies, int32_t toon) {
    Scene& s = Setup();
    if (!s.ok) {
        state.SkipWithError("no OpenGL 3.3 core context (run under xvfb-run)");
        return;
    }
    BuildCharacter(copies);
    Mz = -8.0f;
    TOONflg = toon;
    // Back faces culled in every mode, as after toon mode has been on once.
    lpD3DDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    Trans(Cha.pTop, Cha.pTop);
    Gousei(Cha.pTop, Cha.pTop);
    for (int i = 0; i < 3; ++i) DrawFrame(&Cha);  // uploads, ramp, light from the eye
    const uint64_t calls = lpD3DDevice->DrawCalls();
    for (auto _ : state) DrawFrame(&Cha);  // presenting waits for the GPU
    state.counters["draws/frame"] = double(lpD3DDevice->DrawCalls() - calls) / double(state.iterations());
}

void BM_ToonFrame(benchmark::State& state) { Run(state, 1, 1); }
void BM_NormalFrameTwice(benchmark::State& state) { Run(state, 2, 0); }
void BM_NormalFrame(benchmark::State& state) { Run(state, 1, 0); }

BENCHMARK(BM_NormalFrameTwice)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ToonFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_NormalFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

const bool kRatios = [] {
    RegisterRatio("BM_ToonFrame/min_time:2.000", "BM_NormalFrameTwice/min_time:2.000", 1.1);
    RegisterRatio("BM_ToonFrame/min_time:2.000", "BM_NormalFrame/min_time:2.000", 2.5);
    return true;
}();

}  // namespace
