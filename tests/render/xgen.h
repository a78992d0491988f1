// Writes small X files for the tests: the same content as text, as binary with
// 32- or 64-bit floats, and MSZIP-compressed.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

class XWriter {
public:
    XWriter& Open(const std::string& type, const std::string& name = {}) {
        items_.push_back({kOpen, type, name, {}, {}});
        return *this;
    }
    XWriter& Close() {
        items_.push_back({kClose, {}, {}, {}, {}});
        return *this;
    }
    XWriter& Ints(std::vector<uint32_t> v) {
        items_.push_back({kInts, {}, {}, std::move(v), {}});
        return *this;
    }
    // `group` > 0: an array of structs of that many floats (vectors, colours),
    // written as "x;y;z;,x;y;z;;" as exporters do; 0: plain values.
    XWriter& Floats(std::vector<double> v, int group = 0) {
        items_.push_back({kFloats, {}, {}, {}, std::move(v), group});
        return *this;
    }
    XWriter& Str(const std::string& s) {
        items_.push_back({kStr, s, {}, {}, {}});
        return *this;
    }
    XWriter& Ref(const std::string& name) {
        items_.push_back({kRef, name, {}, {}, {}});
        return *this;
    }

    std::string Text(int floatBits = 32) const {
        std::string s = floatBits == 64 ? "xof 0303txt 0064\n" : "xof 0303txt 0032\n";
        char buf[64];
        for (const Item& it : items_) {
            switch (it.kind) {
                case kOpen: s += it.a + (it.b.empty() ? "" : " " + it.b) + " {\n"; break;
                case kClose: s += "}\n"; break;
                case kInts:
                    for (size_t i = 0; i < it.ints.size(); ++i)
                        s += std::to_string(it.ints[i]) + (i + 1 < it.ints.size() ? "," : ";\n");
                    break;
                case kFloats:
                    for (size_t i = 0; i < it.floats.size(); ++i) {
                        std::snprintf(buf, sizeof buf, "%.17g;", it.floats[i]);
                        s += buf;
                        if (it.group && (i + 1) % size_t(it.group) == 0) s += i + 1 < it.floats.size() ? "," : ";";
                    }
                    s += "\n";
                    break;
                case kStr: s += "\"" + it.a + "\";\n"; break;
                case kRef: s += "{ " + it.a + " }\n"; break;
            }
        }
        return s;
    }

    std::string Binary(int floatBits = 32) const {
        std::string s = floatBits == 64 ? "xof 0303bin 0064" : "xof 0303bin 0032";
        auto tok = [&](uint16_t t) { s.append(reinterpret_cast<const char*>(&t), 2); };
        auto u32 = [&](uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
        auto name = [&](const std::string& n) {
            tok(1);
            u32(uint32_t(n.size()));
            s += n;
        };
        for (const Item& it : items_) {
            switch (it.kind) {
                case kOpen:
                    name(it.a);
                    if (!it.b.empty()) name(it.b);
                    tok(10);
                    break;
                case kClose: tok(11); break;
                case kInts:
                    tok(6);
                    u32(uint32_t(it.ints.size()));
                    for (uint32_t v : it.ints) u32(v);
                    break;
                case kFloats:
                    tok(7);
                    u32(uint32_t(it.floats.size()));
                    for (double v : it.floats) {
                        if (floatBits == 64) s.append(reinterpret_cast<const char*>(&v), 8);
                        else {
                            const float f = float(v);
                            s.append(reinterpret_cast<const char*>(&f), 4);
                        }
                    }
                    break;
                case kStr:
                    tok(2);
                    u32(uint32_t(it.a.size()));
                    s += it.a;
                    tok(20);
                    break;
                case kRef:
                    tok(10);
                    name(it.a);
                    tok(11);
                    break;
            }
        }
        return s;
    }

private:
    enum Kind { kOpen, kClose, kInts, kFloats, kStr, kRef };
    struct Item {
        Kind kind;
        std::string a, b;
        std::vector<uint32_t> ints;
        std::vector<double> floats;
        int group = 0;
    };
    std::vector<Item> items_;
};

// MSZIP form of a text or binary X file, cut into blocks of `block` bytes;
// each block may refer back into the ones before it.
inline std::string Compress(const std::string& x, size_t block = 32768) {
    std::string out = x.substr(0, 16);
    out.replace(8, 4, x.compare(8, 4, "txt ") == 0 ? "tzip" : "bzip");
    const uint32_t total = uint32_t(x.size());
    out.append(reinterpret_cast<const char*>(&total), 4);
    for (size_t at = 16; at < x.size(); at += block) {
        const size_t n = std::min(block, x.size() - at);
        z_stream zs{};
        deflateInit2(&zs, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        if (at > 16) {
            const size_t dict = std::min<size_t>(at - 16, 32768);
            deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(x.data() + at - dict), uInt(dict));
        }
        std::string packed(deflateBound(&zs, uLong(n)) + 16, '\0');
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(x.data() + at));
        zs.avail_in = uInt(n);
        zs.next_out = reinterpret_cast<Bytef*>(packed.data());
        zs.avail_out = uInt(packed.size());
        deflate(&zs, Z_FINISH);
        packed.resize(zs.total_out);
        deflateEnd(&zs);
        const uint16_t plain = uint16_t(n), size = uint16_t(packed.size() + 2);
        out.append(reinterpret_cast<const char*>(&plain), 2);
        out.append(reinterpret_cast<const char*>(&size), 2);
        out += "CK" + packed;
    }
    return out;
}

// A mesh object: positions, faces (each a corner list), optional normals with
// their face lists, optional texture coordinates, optional material list.
struct XMeshSpec {
    std::vector<double> pos;
    std::vector<std::vector<uint32_t>> faces;
    std::vector<double> normals;
    std::vector<std::vector<uint32_t>> normalFaces;
    std::vector<double> uv;
    std::vector<uint32_t> faceMaterials;
    uint32_t numMaterials = 0;
};

inline void WriteFaces(XWriter* w, const std::vector<std::vector<uint32_t>>& faces) {
    std::vector<uint32_t> v{uint32_t(faces.size())};
    for (const auto& f : faces) {
        v.push_back(uint32_t(f.size()));
        v.insert(v.end(), f.begin(), f.end());
    }
    w->Ints(v);
}

// Writes the mesh up to its material list's materials; the caller adds those
// (Material objects or references) and closes two levels when numMaterials > 0,
// one level otherwise.
inline void WriteMeshHead(XWriter* w, const XMeshSpec& m, const std::string& name = "m") {
    w->Open("Mesh", name).Ints({uint32_t(m.pos.size() / 3)}).Floats(m.pos, 3);
    WriteFaces(w, m.faces);
    if (!m.normals.empty()) {
        w->Open("MeshNormals").Ints({uint32_t(m.normals.size() / 3)}).Floats(m.normals, 3);
        WriteFaces(w, m.normalFaces);
        w->Close();
    }
    if (!m.uv.empty()) w->Open("MeshTextureCoords").Ints({uint32_t(m.uv.size() / 2)}).Floats(m.uv, 2).Close();
    if (m.numMaterials) {
        std::vector<uint32_t> v{m.numMaterials, uint32_t(m.faceMaterials.size())};
        v.insert(v.end(), m.faceMaterials.begin(), m.faceMaterials.end());
        w->Open("MeshMaterialList").Ints(v);
    }
}

inline void WriteMaterial(XWriter* w, const std::vector<double>& rgba, const std::string& texture = {},
                          const std::string& name = {}, const std::string& textureTag = "TextureFilename") {
    w->Open("Material", name).Floats(rgba, 4).Floats({10.0}).Floats({0.5, 0.5, 0.5}, 3).Floats({0, 0, 0}, 3);
    if (!texture.empty()) w->Open(textureTag).Str(texture).Close();
    w->Close();
}
