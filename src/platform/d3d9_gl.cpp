// The 3-D device on OpenGL 3.3 core (see d3d9.h).
//
// One shader program does what the fixed-function pipeline would: transform
// with world * view * projection (row vectors), per-vertex lighting by light 0,
// two modulating texture stages, and toon shading's shade coordinate made from
// the normal. States are CPU-side and applied in full before every draw, so
// nothing depends on what another GL user (the text painter) left behind.
//
// Meshes and textures are uploaded on first use and again whenever a mesh's
// version changes. The device keeps a reference on everything it uploaded, so
// an address can never be reused under a stale upload; a reference only the
// device still holds is dropped at the end of the scene.
#include "d3d9.h"

#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QPainter>
#include <QPaintDevice>
#include <QScreen>
#include <QSurfaceFormat>
#include <cstring>
#include <unordered_map>

#include "d3d_hooks.h"
#include "d3dx_mesh.h"

IDirect3D9* lpD3D = nullptr;
IDirect3DDevice9* lpD3DDevice = nullptr;
D3DPRESENT_PARAMETERS d3dpp{};

namespace {

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColor;
layout(location = 3) in vec2 aTex;

// Matrices as the device holds them (row vectors: p * World * ViewProj).
uniform mat4 uWorld;
uniform mat4 uViewProj;
uniform bool uHasNormal;
uniform bool uHasColor;
uniform bool uHasTex;
uniform bool uLighting;
uniform bool uLightOn;
uniform vec3 uToLight;       // unit vector towards the light
uniform vec3 uLightDiffuse;
uniform vec4 uMatDiffuse;
uniform vec3 uMatEmissive;
uniform bool uShade;
uniform vec3 uShadeLight;
uniform float uDepthBias;

out vec4 vColor;
out vec2 vTex;

void main() {
    vec4 clip = (vec4(aPos, 1.0) * uWorld) * uViewProj;
    // Depth 0..1 as the device defines it, onto OpenGL's -1..1.
    gl_Position = vec4(clip.x, clip.y, 2.0 * (clip.z + uDepthBias * clip.w) - clip.w, clip.w);

    vec3 n = uHasNormal ? aNormal * mat3(uWorld) : vec3(0.0);
    if (uLighting) {
        // A vertex colour stands in for the material's diffuse colour.
        vec4 diffuse = uHasColor ? aColor : uMatDiffuse;
        float d = uLightOn ? max(dot(n, uToLight), 0.0) : 0.0;
        vColor = vec4(clamp(uMatEmissive + diffuse.rgb * uLightDiffuse * d, 0.0, 1.0), diffuse.a);
    } else {
        vColor = uHasColor ? aColor : vec4(1.0);
    }
    if (uShade)
        vTex = vec2((1.0 - dot(uShadeLight, n)) * 0.5, 0.0);
    else
        vTex = uHasTex ? aTex : vec2(0.0);
}
)";

const char* const kFragmentShader = R"(#version 330 core
in vec4 vColor;
in vec2 vTex;
out vec4 fragColor;

uniform sampler2D uTex0;
uniform sampler2D uTex1;
uniform bool uBound0;
uniform bool uBound1;
// Per stage: colour op, arg1, arg2, alpha op, arg1, arg2 (device codes).
uniform int uStage0[6];
uniform int uStage1[6];

const int OP_DISABLE = 1, OP_ARG1 = 2, OP_ARG2 = 3, OP_MODULATE = 4;
const int TA_DIFFUSE = 0, TA_CURRENT = 1, TA_TEXTURE = 2;

vec4 arg(int a, vec4 tex, vec4 current) {
    if (a == TA_TEXTURE) return tex;
    if (a == TA_CURRENT) return current;
    return vColor;
}

float combine(int op, float a, float b, float current) {
    if (op == OP_ARG1) return a;
    if (op == OP_ARG2) return b;
    if (op == OP_MODULATE) return a * b;
    return current;
}

vec4 stage(int s[6], vec4 tex, vec4 current) {
    vec4 c1 = arg(s[1], tex, current), c2 = arg(s[2], tex, current);
    vec4 a1 = arg(s[4], tex, current), a2 = arg(s[5], tex, current);
    vec3 rgb = s[0] == OP_ARG1 ? c1.rgb : s[0] == OP_ARG2 ? c2.rgb : c1.rgb * c2.rgb;
    return vec4(rgb, combine(s[3], a1.a, a2.a, current.a));
}

void main() {
    // An unbound stage reads as white.
    vec4 t0 = uBound0 ? texture(uTex0, vTex) : vec4(1.0);
    vec4 t1 = uBound1 ? texture(uTex1, vTex) : vec4(1.0);
    vec4 c = vColor;
    if (uStage0[0] != OP_DISABLE) {
        c = stage(uStage0, t0, c);
        if (uStage1[0] != OP_DISABLE) c = stage(uStage1, t1, c);
    }
    fragColor = c;
}
)";

struct MeshUpload {
    GLuint vao = 0, vbo = 0, ibo = 0;
    uint64_t version = 0;
};

class GLDevice;

// How the mesh layer reaches this device.
class Hook final : public DeviceHook {
public:
    explicit Hook(GLDevice* d) : d_(d) {}
    void SetMaterial(const D3DMATERIAL9* m) override;
    void SetTexture(DWORD stage, IDirect3DTexture9* t) override;
    void SetRampStageStates() override;
    void DrawSubset(ID3DXMesh* mesh, DWORD attribId) override;
    IDirect3DDevice9* Device() override;

private:
    GLDevice* d_;
};

GLenum BlendFactor(DWORD b) {
    switch (b) {
        case D3DBLEND_ZERO:
            return GL_ZERO;
        case D3DBLEND_SRCALPHA:
            return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA:
            return GL_ONE_MINUS_SRC_ALPHA;
        default:
            return GL_ONE;
    }
}

GLenum DepthFunc(DWORD f) {
    switch (f) {
        case D3DCMP_LESS:
            return GL_LESS;
        case D3DCMP_ALWAYS:
            return GL_ALWAYS;
        default:
            return GL_LEQUAL;
    }
}

class GLDevice final : public IDirect3DDevice9 {
public:
    GLDevice(DeviceTarget* target, QOpenGLFunctions_3_3_Core* gl) : target_(target), gl_(gl), hook_(this) {
        ResetStates();
    }

    bool Init();

    DeviceHook* MeshHook() { return &hook_; }

    DWORD Release() override {
        if (CurrentDeviceHook() == &hook_) SetDeviceHook(nullptr);
        if (lpD3DDevice == this) lpD3DDevice = nullptr;
        FreeGL();
        delete this;
        return 0;
    }

    HRESULT SetViewport(const D3DVIEWPORT9* v) override {
        if (!v) return D3DERR_INVALIDCALL;
        viewport_ = *v;
        return S_OK;
    }
    HRESULT GetViewport(D3DVIEWPORT9* v) override {
        if (!v) return D3DERR_INVALIDCALL;
        *v = viewport_;
        return S_OK;
    }

    HRESULT BeginScene() override {
        if (inScene_) return D3DERR_INVALIDCALL;
        if (QOpenGLContext::currentContext() != target_->Context() && !target_->MakeCurrent()) return E_FAIL;
        inScene_ = true;
        return S_OK;
    }
    HRESULT EndScene() override {
        if (!inScene_) return D3DERR_INVALIDCALL;
        inScene_ = false;
        Sweep();
        return S_OK;
    }

    HRESULT Clear(DWORD count, const void* rects, DWORD flags, D3DCOLOR color, float z, DWORD) override {
        if (count || rects || !inScene_) return D3DERR_INVALIDCALL;
        ApplyTarget();
        gl_->glEnable(GL_SCISSOR_TEST);
        GLbitfield mask = 0;
        if (flags & D3DCLEAR_TARGET) {
            gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            gl_->glClearColor(float((color >> 16) & 255) / 255.0f, float((color >> 8) & 255) / 255.0f,
                              float(color & 255) / 255.0f, 1.0f);
            mask |= GL_COLOR_BUFFER_BIT;
        }
        if (flags & D3DCLEAR_ZBUFFER) {
            gl_->glDepthMask(GL_TRUE);
            gl_->glClearDepth(z);
            mask |= GL_DEPTH_BUFFER_BIT;
        }
        if (mask) gl_->glClear(mask);
        gl_->glDisable(GL_SCISSOR_TEST);
        return S_OK;
    }

    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override {
        if (inScene_) return D3DERR_INVALIDCALL;
        return target_->Show() ? S_OK : E_FAIL;
    }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override { return S_OK; }

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE which, const D3DXMATRIX* m) override {
        D3DXMATRIX* slot = Transform(which);
        if (!slot || !m) return D3DERR_INVALIDCALL;
        *slot = *m;
        return S_OK;
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE which, D3DXMATRIX* m) override {
        D3DXMATRIX* slot = Transform(which);
        if (!slot || !m) return D3DERR_INVALIDCALL;
        *m = *slot;
        return S_OK;
    }

    HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override {
        if (s >= D3DRS_COUNT_) return D3DERR_INVALIDCALL;
        rs_[s] = v;
        return S_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) override {
        if (s >= D3DRS_COUNT_ || !v) return D3DERR_INVALIDCALL;
        *v = rs_[s];
        return S_OK;
    }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE t, DWORD v) override {
        if (stage >= kStages || t >= D3DTSS_COUNT_) return D3DERR_INVALIDCALL;
        tss_[stage][t] = v;
        return S_OK;
    }
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE t, DWORD* v) override {
        if (stage >= kStages || t >= D3DTSS_COUNT_ || !v) return D3DERR_INVALIDCALL;
        *v = tss_[stage][t];
        return S_OK;
    }
    HRESULT SetSamplerState(DWORD s, D3DSAMPLERSTATETYPE t, DWORD v) override {
        if (s >= kStages || t >= D3DSAMP_COUNT_) return D3DERR_INVALIDCALL;
        samp_[s][t] = v;
        return S_OK;
    }
    HRESULT GetSamplerState(DWORD s, D3DSAMPLERSTATETYPE t, DWORD* v) override {
        if (s >= kStages || t >= D3DSAMP_COUNT_ || !v) return D3DERR_INVALIDCALL;
        *v = samp_[s][t];
        return S_OK;
    }

    HRESULT SetTexture(DWORD stage, IDirect3DTexture9* t) override {
        if (stage >= kStages) return D3DERR_INVALIDCALL;
        // Held while bound, so a texture released elsewhere stays valid here.
        if (t) t->AddRef();
        if (tex_[stage]) tex_[stage]->Release();
        tex_[stage] = t;
        return S_OK;
    }
    HRESULT GetTexture(DWORD stage, IDirect3DTexture9** t) override {
        if (stage >= kStages || !t) return D3DERR_INVALIDCALL;
        *t = tex_[stage];
        if (*t) (*t)->AddRef();
        return S_OK;
    }
    HRESULT SetMaterial(const D3DMATERIAL9* m) override {
        if (!m) return D3DERR_INVALIDCALL;
        material_ = *m;
        return S_OK;
    }
    HRESULT GetMaterial(D3DMATERIAL9* m) override {
        if (!m) return D3DERR_INVALIDCALL;
        *m = material_;
        return S_OK;
    }
    HRESULT SetLight(DWORD index, const D3DLIGHT9* l) override {
        if (index != 0 || !l) return D3DERR_INVALIDCALL;  // one light is all the editor uses
        light_ = *l;
        return S_OK;
    }
    HRESULT GetLight(DWORD index, D3DLIGHT9* l) override {
        if (index != 0 || !l) return D3DERR_INVALIDCALL;
        *l = light_;
        return S_OK;
    }
    HRESULT LightEnable(DWORD index, BOOL on) override {
        if (index != 0) return D3DERR_INVALIDCALL;
        lightOn_ = on != 0;
        return S_OK;
    }
    HRESULT SetShadeCoordinate(const D3DXVECTOR3* l) override {
        shade_ = l != nullptr;
        if (l) shadeLight_ = *l;
        return S_OK;
    }
    HRESULT SetFVF(DWORD fvf) override {
        if (!D3DXGetFVFVertexSize(fvf)) return D3DERR_INVALIDCALL;
        fvf_ = fvf;
        return S_OK;
    }

    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned count, const void* vertices,
                            unsigned stride) override;
    HRESULT DrawSubset(ID3DXMesh* mesh, DWORD attribId) override;
    HRESULT PaintOverlay(void (*paint)(QPainter*, void*), void* context) override;

    const char* RendererName() override { return renderer_.c_str(); }
    uint64_t DrawCalls() const override { return drawCalls_; }

private:
    static constexpr DWORD kStages = 2;

    D3DXMATRIX* Transform(D3DTRANSFORMSTATETYPE which) {
        switch (which) {
            case D3DTS_WORLD:
                return &world_;
            case D3DTS_VIEW:
                return &view_;
            case D3DTS_PROJECTION:
                return &proj_;
        }
        return nullptr;
    }

    void ResetStates() {
        // What a fresh device starts with; the editor sets the rest at start-up.
        rs_[D3DRS_ZENABLE] = TRUE;
        rs_[D3DRS_ZWRITEENABLE] = TRUE;
        rs_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
        rs_[D3DRS_ALPHABLENDENABLE] = FALSE;
        rs_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
        rs_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
        rs_[D3DRS_CULLMODE] = D3DCULL_CCW;
        rs_[D3DRS_LIGHTING] = TRUE;
        rs_[D3DRS_DEPTHBIAS] = 0;
        for (DWORD s = 0; s < kStages; ++s) {
            tss_[s][D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
            tss_[s][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
            tss_[s][D3DTSS_COLORARG2] = D3DTA_CURRENT;
            tss_[s][D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
            tss_[s][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
            tss_[s][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
            tss_[s][D3DTSS_TEXCOORDINDEX] = s;
            tss_[s][D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
            samp_[s][D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
            samp_[s][D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
            samp_[s][D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
            samp_[s][D3DSAMP_MINFILTER] = D3DTEXF_POINT;
            samp_[s][D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        }
        world_ = view_ = proj_ = kIdentityMatrix;
        std::memset(&material_, 0, sizeof material_);
        std::memset(&light_, 0, sizeof light_);
        light_.Type = D3DLIGHT_DIRECTIONAL;
        light_.Diffuse = {1, 1, 1, 0};
        light_.Direction = {0, 0, 1};
        viewport_ = {0, 0, 1, 1, 0.0f, 1.0f};
    }

    void ApplyTarget() {
        gl_->glBindFramebuffer(GL_FRAMEBUFFER, target_->Framebuffer());
        const int h = target_->Height();
        const GLint y = GLint(h) - GLint(viewport_.Y + viewport_.Height);
        gl_->glViewport(GLint(viewport_.X), y, GLsizei(viewport_.Width), GLsizei(viewport_.Height));
        gl_->glScissor(GLint(viewport_.X), y, GLsizei(viewport_.Width), GLsizei(viewport_.Height));
        gl_->glDepthRange(viewport_.MinZ, viewport_.MaxZ);
    }

    void Apply(DWORD fvf);
    void ApplySampler(DWORD s);
    GLuint TextureFor(IDirect3DTexture9* t);
    void SetupAttributes(DWORD fvf);
    void Sweep();
    void FreeGL();

    DeviceTarget* target_;
    QOpenGLFunctions_3_3_Core* gl_;
    Hook hook_;
    std::string renderer_;

    DWORD rs_[D3DRS_COUNT_];
    DWORD tss_[kStages][D3DTSS_COUNT_];
    DWORD samp_[kStages][D3DSAMP_COUNT_];
    IDirect3DTexture9* tex_[kStages] = {nullptr, nullptr};
    D3DMATERIAL9 material_;
    D3DLIGHT9 light_;
    bool lightOn_ = false;
    D3DXMATRIX world_, view_, proj_;
    D3DVIEWPORT9 viewport_;
    DWORD fvf_ = D3DFVF_XYZ;
    bool shade_ = false;
    D3DXVECTOR3 shadeLight_{0, 0, 0};
    bool inScene_ = false;
    uint64_t drawCalls_ = 0;

    GLuint program_ = 0, streamVao_ = 0, streamVbo_ = 0;
    GLuint samplers_[kStages] = {0, 0};
    struct {
        GLint world, viewProj, hasNormal, hasColor, hasTex, lighting, lightOn, toLight, lightDiffuse,
            matDiffuse, matEmissive, shade, shadeLight, depthBias, bound0, bound1, stage0, stage1;
    } u_{};
    std::unordered_map<ID3DXMesh*, MeshUpload> meshes_;
    std::unordered_map<IDirect3DTexture9*, GLuint> textures_;

    friend class Hook;
};

void Hook::SetMaterial(const D3DMATERIAL9* m) { d_->SetMaterial(m); }
void Hook::SetTexture(DWORD stage, IDirect3DTexture9* t) { d_->SetTexture(stage, t); }
void Hook::SetRampStageStates() {
    d_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d_->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    d_->SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_NONE);
    d_->SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_NONE);
    // The shade coordinate reaches 1 on faces turned straight away from the
    // light; wrapping would read the lit end of the ramp there.
    d_->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    d_->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
}
void Hook::DrawSubset(ID3DXMesh* mesh, DWORD attribId) { d_->DrawSubset(mesh, attribId); }
IDirect3DDevice9* Hook::Device() { return d_; }

GLuint Compile(QOpenGLFunctions_3_3_Core* gl, GLenum kind, const char* source, std::string* log) {
    const GLuint s = gl->glCreateShader(kind);
    gl->glShaderSource(s, 1, &source, nullptr);
    gl->glCompileShader(s);
    GLint ok = 0;
    gl->glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char buf[2048] = {};
        gl->glGetShaderInfoLog(s, sizeof buf - 1, nullptr, buf);
        *log += buf;
        gl->glDeleteShader(s);
        return 0;
    }
    return s;
}

bool GLDevice::Init() {
    std::string log;
    const GLuint vs = Compile(gl_, GL_VERTEX_SHADER, kVertexShader, &log);
    const GLuint fs = Compile(gl_, GL_FRAGMENT_SHADER, kFragmentShader, &log);
    if (!vs || !fs) {
        qWarning("3-D device: shader does not compile: %s", log.c_str());
        if (vs) gl_->glDeleteShader(vs);
        if (fs) gl_->glDeleteShader(fs);
        return false;
    }
    program_ = gl_->glCreateProgram();
    gl_->glAttachShader(program_, vs);
    gl_->glAttachShader(program_, fs);
    gl_->glLinkProgram(program_);
    gl_->glDeleteShader(vs);
    gl_->glDeleteShader(fs);
    GLint ok = 0;
    gl_->glGetProgramiv(program_, GL_LINK_STATUS, &ok);
    if (!ok) {
        qWarning("3-D device: shader program does not link");
        return false;
    }
    auto loc = [&](const char* n) { return gl_->glGetUniformLocation(program_, n); };
    u_.world = loc("uWorld");
    u_.viewProj = loc("uViewProj");
    u_.hasNormal = loc("uHasNormal");
    u_.hasColor = loc("uHasColor");
    u_.hasTex = loc("uHasTex");
    u_.lighting = loc("uLighting");
    u_.lightOn = loc("uLightOn");
    u_.toLight = loc("uToLight");
    u_.lightDiffuse = loc("uLightDiffuse");
    u_.matDiffuse = loc("uMatDiffuse");
    u_.matEmissive = loc("uMatEmissive");
    u_.shade = loc("uShade");
    u_.shadeLight = loc("uShadeLight");
    u_.depthBias = loc("uDepthBias");
    u_.bound0 = loc("uBound0");
    u_.bound1 = loc("uBound1");
    u_.stage0 = loc("uStage0");
    u_.stage1 = loc("uStage1");
    gl_->glUseProgram(program_);
    gl_->glUniform1i(loc("uTex0"), 0);
    gl_->glUniform1i(loc("uTex1"), 1);
    gl_->glUseProgram(0);

    gl_->glGenVertexArrays(1, &streamVao_);
    gl_->glGenBuffers(1, &streamVbo_);
    gl_->glGenSamplers(kStages, samplers_);
    if (const GLubyte* r = gl_->glGetString(GL_RENDERER)) renderer_ = reinterpret_cast<const char*>(r);
    return true;
}

void GLDevice::FreeGL() {
    for (IDirect3DTexture9*& t : tex_)
        if (t) t->Release(), t = nullptr;
    const bool current = QOpenGLContext::currentContext() == target_->Context() || target_->MakeCurrent();
    for (auto& [mesh, up] : meshes_) {
        if (current) {
            gl_->glDeleteVertexArrays(1, &up.vao);
            gl_->glDeleteBuffers(1, &up.vbo);
            gl_->glDeleteBuffers(1, &up.ibo);
        }
        mesh->Release();
    }
    meshes_.clear();
    for (auto& [tex, name] : textures_) {
        if (current) gl_->glDeleteTextures(1, &name);
        tex->Release();
    }
    textures_.clear();
    if (current) {
        gl_->glDeleteSamplers(kStages, samplers_);
        gl_->glDeleteBuffers(1, &streamVbo_);
        gl_->glDeleteVertexArrays(1, &streamVao_);
        gl_->glDeleteProgram(program_);
    }
}

// True when nobody but the device refers to the object any more.
template <class T>
bool OnlyDeviceHolds(T* object) {
    object->AddRef();
    return object->Release() == 1;
}

void GLDevice::Sweep() {
    for (auto it = meshes_.begin(); it != meshes_.end();) {
        if (OnlyDeviceHolds(it->first)) {
            gl_->glDeleteVertexArrays(1, &it->second.vao);
            gl_->glDeleteBuffers(1, &it->second.vbo);
            gl_->glDeleteBuffers(1, &it->second.ibo);
            it->first->Release();
            it = meshes_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = textures_.begin(); it != textures_.end();) {
        if (OnlyDeviceHolds(it->first)) {
            gl_->glDeleteTextures(1, &it->second);
            it->first->Release();
            it = textures_.erase(it);
        } else {
            ++it;
        }
    }
}

GLuint GLDevice::TextureFor(IDirect3DTexture9* t) {
    auto it = textures_.find(t);
    if (it != textures_.end()) return it->second;
    const QImage img = t->Image().convertToFormat(QImage::Format_RGBA8888);
    GLuint name = 0;
    gl_->glGenTextures(1, &name);
    gl_->glBindTexture(GL_TEXTURE_2D, name);
    gl_->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl_->glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(img.bytesPerLine() / 4));
    // Row 0 of the image is v = 0, the top, as texture coordinates count.
    gl_->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, img.width(), img.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                      img.constBits());
    gl_->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl_->glGenerateMipmap(GL_TEXTURE_2D);
    t->AddRef();
    textures_.emplace(t, name);
    return name;
}

void GLDevice::ApplySampler(DWORD s) {
    const DWORD* st = samp_[s];
    auto filter = [](DWORD f) { return f == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST; };
    GLenum minf = filter(st[D3DSAMP_MINFILTER]);
    if (st[D3DSAMP_MIPFILTER] == D3DTEXF_LINEAR)
        minf = minf == GL_LINEAR ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    else if (st[D3DSAMP_MIPFILTER] == D3DTEXF_POINT)
        minf = minf == GL_LINEAR ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    auto wrap = [](DWORD a) { return a == D3DTADDRESS_CLAMP ? GL_CLAMP_TO_EDGE : GL_REPEAT; };
    gl_->glSamplerParameteri(samplers_[s], GL_TEXTURE_MIN_FILTER, GLint(minf));
    gl_->glSamplerParameteri(samplers_[s], GL_TEXTURE_MAG_FILTER, GLint(filter(st[D3DSAMP_MAGFILTER])));
    gl_->glSamplerParameteri(samplers_[s], GL_TEXTURE_WRAP_S, GLint(wrap(st[D3DSAMP_ADDRESSU])));
    gl_->glSamplerParameteri(samplers_[s], GL_TEXTURE_WRAP_T, GLint(wrap(st[D3DSAMP_ADDRESSV])));
}

void GLDevice::Apply(DWORD fvf) {
    ApplyTarget();
    gl_->glUseProgram(program_);
    gl_->glDisable(GL_SCISSOR_TEST);
    gl_->glDisable(GL_STENCIL_TEST);
    gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    if (rs_[D3DRS_ZENABLE]) {
        gl_->glEnable(GL_DEPTH_TEST);
        gl_->glDepthFunc(DepthFunc(rs_[D3DRS_ZFUNC]));
    } else {
        gl_->glDisable(GL_DEPTH_TEST);
    }
    gl_->glDepthMask(rs_[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    if (rs_[D3DRS_ALPHABLENDENABLE]) {
        gl_->glEnable(GL_BLEND);
        gl_->glBlendEquation(GL_FUNC_ADD);
        // The back buffer has no alpha of its own: keep it opaque, or the
        // view would turn translucent where blended lines and markers are.
        gl_->glBlendFuncSeparate(BlendFactor(rs_[D3DRS_SRCBLEND]), BlendFactor(rs_[D3DRS_DESTBLEND]), GL_ZERO,
                                 GL_ONE);
    } else {
        gl_->glDisable(GL_BLEND);
    }
    // Front faces are the clockwise ones as the viewer sees them.
    gl_->glFrontFace(GL_CW);
    if (rs_[D3DRS_CULLMODE] == D3DCULL_NONE) {
        gl_->glDisable(GL_CULL_FACE);
    } else {
        gl_->glEnable(GL_CULL_FACE);
        gl_->glCullFace(rs_[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK);
    }

    // Row-major matrices taken as they are: GLSL then multiplies row vectors.
    const D3DXMATRIX vp = view_ * proj_;
    gl_->glUniformMatrix4fv(u_.world, 1, GL_TRUE, &world_._11);
    gl_->glUniformMatrix4fv(u_.viewProj, 1, GL_TRUE, &vp._11);
    gl_->glUniform1i(u_.hasNormal, (fvf & D3DFVF_NORMAL) != 0);
    gl_->glUniform1i(u_.hasColor, (fvf & D3DFVF_DIFFUSE) != 0);
    gl_->glUniform1i(u_.hasTex, (fvf & D3DFVF_TEX1) != 0);
    gl_->glUniform1i(u_.lighting, rs_[D3DRS_LIGHTING] != 0);
    const bool directional = light_.Type == D3DLIGHT_DIRECTIONAL;
    gl_->glUniform1i(u_.lightOn, lightOn_ && directional);
    D3DXVECTOR3 toLight = -light_.Direction;
    D3DXVec3Normalize(&toLight, &toLight);
    gl_->glUniform3f(u_.toLight, toLight.x, toLight.y, toLight.z);
    gl_->glUniform3f(u_.lightDiffuse, light_.Diffuse.r, light_.Diffuse.g, light_.Diffuse.b);
    const D3DCOLORVALUE& d = material_.Diffuse;
    gl_->glUniform4f(u_.matDiffuse, d.r, d.g, d.b, d.a);
    gl_->glUniform3f(u_.matEmissive, material_.Emissive.r, material_.Emissive.g, material_.Emissive.b);
    gl_->glUniform1i(u_.shade, shade_ && (fvf & D3DFVF_NORMAL));
    gl_->glUniform3f(u_.shadeLight, shadeLight_.x, shadeLight_.y, shadeLight_.z);
    float bias;
    std::memcpy(&bias, &rs_[D3DRS_DEPTHBIAS], sizeof bias);
    gl_->glUniform1f(u_.depthBias, bias);

    GLint stage[kStages][6];
    for (DWORD s = 0; s < kStages; ++s) {
        const DWORD* t = tss_[s];
        const DWORD vals[6] = {t[D3DTSS_COLOROP], t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2],
                               t[D3DTSS_ALPHAOP], t[D3DTSS_ALPHAARG1], t[D3DTSS_ALPHAARG2]};
        for (int i = 0; i < 6; ++i) stage[s][i] = GLint(vals[i]);
        gl_->glActiveTexture(GL_TEXTURE0 + s);
        gl_->glBindTexture(GL_TEXTURE_2D, tex_[s] ? TextureFor(tex_[s]) : 0);
        ApplySampler(s);
        gl_->glBindSampler(s, samplers_[s]);
    }
    gl_->glActiveTexture(GL_TEXTURE0);
    gl_->glUniform1iv(u_.stage0, 6, stage[0]);
    gl_->glUniform1iv(u_.stage1, 6, stage[1]);
    gl_->glUniform1i(u_.bound0, tex_[0] != nullptr);
    gl_->glUniform1i(u_.bound1, tex_[1] != nullptr);
}

void GLDevice::SetupAttributes(DWORD fvf) {
    const GLsizei stride = GLsizei(D3DXGetFVFVertexSize(fvf));
    uintptr_t at = 0;
    auto attrib = [&](GLuint loc, bool present, GLint size, GLenum type, GLboolean norm, uintptr_t bytes) {
        if (!present) {
            gl_->glDisableVertexAttribArray(loc);
            return;
        }
        gl_->glEnableVertexAttribArray(loc);
        gl_->glVertexAttribPointer(loc, size, type, norm, stride, reinterpret_cast<const void*>(at));
        at += bytes;
    };
    attrib(0, true, 3, GL_FLOAT, GL_FALSE, 12);
    attrib(1, fvf & D3DFVF_NORMAL, 3, GL_FLOAT, GL_FALSE, 12);
    // D3DCOLOR is B, G, R, A in memory.
    attrib(2, fvf & D3DFVF_DIFFUSE, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 4);
    attrib(3, fvf & D3DFVF_TEX1, 2, GL_FLOAT, GL_FALSE, 8);
}

HRESULT GLDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned count, const void* vertices,
                                  unsigned stride) {
    if (!inScene_ || !vertices || stride != D3DXGetFVFVertexSize(fvf_)) return D3DERR_INVALIDCALL;
    if (count == 0) return S_OK;
    GLenum mode;
    unsigned n;
    switch (type) {
        case D3DPT_LINELIST:
            mode = GL_LINES, n = count * 2;
            break;
        case D3DPT_TRIANGLELIST:
            mode = GL_TRIANGLES, n = count * 3;
            break;
        default:
            return D3DERR_INVALIDCALL;
    }
    Apply(fvf_);
    gl_->glBindVertexArray(streamVao_);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, streamVbo_);
    gl_->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(n) * stride, vertices, GL_STREAM_DRAW);
    SetupAttributes(fvf_);
    gl_->glDrawArrays(mode, 0, GLsizei(n));
    gl_->glBindVertexArray(0);
    ++drawCalls_;
    return S_OK;
}

HRESULT GLDevice::DrawSubset(ID3DXMesh* mesh, DWORD attribId) {
    if (!inScene_ || !mesh) return D3DERR_INVALIDCALL;
    DWORD size = 0;
    mesh->GetAttributeTable(nullptr, &size);
    std::vector<D3DXATTRIBUTERANGE> table(size);
    if (size) mesh->GetAttributeTable(table.data(), &size);
    const D3DXATTRIBUTERANGE* range = nullptr;
    for (const auto& r : table)
        if (r.AttribId == attribId) range = &r;
    if (!range || range->FaceCount == 0) return S_OK;

    auto [it, fresh] = meshes_.try_emplace(mesh);
    MeshUpload& up = it->second;
    const bool wide = mesh->GetOptions() & D3DXMESH_32BIT;
    if (fresh) {
        mesh->AddRef();
        gl_->glGenVertexArrays(1, &up.vao);
        gl_->glGenBuffers(1, &up.vbo);
        gl_->glGenBuffers(1, &up.ibo);
    }
    Apply(mesh->GetFVF());
    gl_->glBindVertexArray(up.vao);
    if (up.version != mesh->Version()) {
        gl_->glBindBuffer(GL_ARRAY_BUFFER, up.vbo);
        gl_->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(mesh->GetNumVertices()) * mesh->GetNumBytesPerVertex(),
                          mesh->VertexData(), GL_STATIC_DRAW);
        gl_->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, up.ibo);
        gl_->glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(mesh->GetNumFaces()) * 3 * (wide ? 4 : 2),
                          mesh->IndexData(), GL_STATIC_DRAW);
        SetupAttributes(mesh->GetFVF());
        up.version = mesh->Version();
    }
    const uintptr_t offset = uintptr_t(range->FaceStart) * 3 * (wide ? 4 : 2);
    gl_->glDrawElements(GL_TRIANGLES, GLsizei(range->FaceCount * 3),
                        wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, reinterpret_cast<const void*>(offset));
    gl_->glBindVertexArray(0);
    ++drawCalls_;
    return S_OK;
}

HRESULT GLDevice::PaintOverlay(void (*paint)(QPainter*, void*), void* context) {
    if (!inScene_ || !paint) return D3DERR_INVALIDCALL;
    QPaintDevice* pd = target_->PaintDevice();
    if (!pd) return E_FAIL;
    // Hand the painter a plain context: our sampler objects would override
    // its glyph textures' filtering, and our culling and depth test its quads.
    gl_->glBindVertexArray(0);
    gl_->glUseProgram(0);
    for (DWORD s = 0; s < kStages; ++s) {
        gl_->glBindSampler(s, 0);
        gl_->glActiveTexture(GL_TEXTURE0 + s);
        gl_->glBindTexture(GL_TEXTURE_2D, 0);
    }
    gl_->glActiveTexture(GL_TEXTURE0);
    gl_->glDisable(GL_CULL_FACE);
    gl_->glDisable(GL_DEPTH_TEST);
    gl_->glDepthMask(GL_FALSE);
    {
        QPainter p(pd);
        if (!p.isActive()) return E_FAIL;
        paint(&p, context);
    }
    // The painter leaves its own states; every draw applies ours in full.
    return S_OK;
}

class GLDirect3D final : public IDirect3D9 {
public:
    DWORD Release() override {
        if (lpD3D == this) lpD3D = nullptr;
        delete this;
        return 0;
    }
    HRESULT GetAdapterDisplayMode(unsigned adapter, D3DDISPLAYMODE* mode) override {
        if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
        const QScreen* s = QGuiApplication::primaryScreen();
        mode->Width = s ? DWORD(s->size().width()) : 0;
        mode->Height = s ? DWORD(s->size().height()) : 0;
        mode->RefreshRate = s ? DWORD(s->refreshRate()) : 0;
        mode->Format = D3DFMT_X8R8G8B8;
        return S_OK;
    }
    HRESULT CreateDevice(DeviceTarget* target, D3DPRESENT_PARAMETERS*, IDirect3DDevice9** out) override {
        if (!out) return D3DERR_INVALIDCALL;
        *out = nullptr;
        QOpenGLContext* ctx = target ? target->Context() : nullptr;
        if (!ctx || !ctx->isValid()) return E_FAIL;
        const QSurfaceFormat f = ctx->format();
        if (ctx->isOpenGLES() || f.version() < qMakePair(3, 3)) return E_FAIL;
        if (!target->MakeCurrent()) return E_FAIL;
        auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(ctx);
        if (!gl || !gl->initializeOpenGLFunctions()) return E_FAIL;
        auto* d = new GLDevice(target, gl);
        if (!d->Init()) {
            d->Release();
            return E_FAIL;
        }
        // Mesh drawing reaches the device from now on.
        SetDeviceHook(d->MeshHook());
        *out = d;
        return S_OK;
    }
};

}  // namespace

IDirect3D9* Direct3DCreate9(unsigned sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION || !qGuiApp) return nullptr;
    return new GLDirect3D;
}
