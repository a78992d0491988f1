// X-file reader (see xfile_reader.h).
//
// Sections: decompression, the two lexers (text, binary) behind one set of
// calls, the parser templated on the lexer, and the merge into one mesh.
#include "xfile_reader.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>

#include "d3dx_math.h"

namespace {

// ---------------------------------------------------------------- helpers

std::string Num(uint64_t v) { return std::to_string(v); }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Printable form of a name for messages: ASCII kept, the rest shown as '?'.
std::string Shown(std::string_view s) {
    std::string r;
    for (char c : s.substr(0, 40)) r += (c >= 0x20 && c < 0x7F) ? c : '?';
    return r;
}

// ---------------------------------------------------------------- MSZIP

// Compressed X files: after the 16-byte header a 32-bit total size, then
// blocks of (uncompressed size, compressed size, "CK", raw deflate data). Each
// block may refer back into the output of the blocks before it.
bool Inflate(const unsigned char* data, size_t size, std::string* out, std::string* why) {
    size_t at = 20;
    if (size < at) {
        *why = "圧縮データの長さがありません";
        return false;
    }
    out->clear();
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) {
        *why = "展開の準備に失敗しました";
        return false;
    }
    bool ok = true;
    while (at < size) {
        if (size - at < 4) {
            *why = "圧縮ブロックの見出しが途中で切れています";
            ok = false;
            break;
        }
        const size_t plain = size_t(data[at]) | size_t(data[at + 1]) << 8;
        const size_t packed = size_t(data[at + 2]) | size_t(data[at + 3]) << 8;
        at += 4;
        if (packed < 2 || packed > size - at || data[at] != 'C' || data[at + 1] != 'K') {
            *why = "圧縮ブロックが壊れています (位置 " + Num(at) + ")";
            ok = false;
            break;
        }
        if (out->size() + plain > kXMaxInflated) {
            *why = "展開後のデータが大きすぎます";
            ok = false;
            break;
        }
        inflateReset(&zs);
        if (!out->empty()) {
            const size_t dict = std::min<size_t>(out->size(), 32768);
            inflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(out->data() + out->size() - dict), uInt(dict));
        }
        const size_t start = out->size();
        out->resize(start + plain);
        zs.next_in = const_cast<Bytef*>(data + at + 2);
        zs.avail_in = uInt(packed - 2);
        zs.next_out = reinterpret_cast<Bytef*>(out->data() + start);
        zs.avail_out = uInt(plain);
        const int r = inflate(&zs, Z_FINISH);
        if (r != Z_STREAM_END || zs.avail_out != 0) {
            *why = "圧縮ブロックを展開できません (位置 " + Num(at) + ")";
            ok = false;
            break;
        }
        at += packed;
    }
    inflateEnd(&zs);
    return ok;
}

// ---------------------------------------------------------------- lexers

enum class Tk { End, Name, OBrace, CBrace, Guid, Value, Template, Other };

// Text format: names, numbers, strings, braces, GUIDs in angle brackets;
// commas and semicolons only separate; '#' and '//' start comments.
class TextLex {
public:
    TextLex(const char* begin, const char* end, std::string* why) : b_(begin), p_(begin), e_(end), why_(why) {}
    static constexpr size_t kMinValueBytes = 1;

    size_t Remaining() const { return size_t(e_ - p_); }
    bool Fail(const std::string& what) {
        if (why_->empty()) *why_ = what + " (" + Num(size_t(std::count(b_, p_, '\n')) + 1) + " 行目)";
        return false;
    }

    Tk Peek() {
        SkipSpace(true);
        if (p_ >= e_) return Tk::End;
        const unsigned char c = static_cast<unsigned char>(*p_);
        switch (c) {
            case '{': return Tk::OBrace;
            case '}': return Tk::CBrace;
            case '<': return Tk::Guid;
            case '"': return Tk::Value;
            case '[': case ']': case '(': case ')': return Tk::Other;
            default: break;
        }
        if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') return Tk::Value;
        if (IsNameChar(c)) {
            const char* q = p_;
            while (q < e_ && IsNameChar(static_cast<unsigned char>(*q))) ++q;
            if (q - p_ == 8 && std::memcmp(p_, "template", 8) == 0) return Tk::Template;
            return Tk::Name;
        }
        return Tk::Other;
    }

    void Keyword() {
        std::string k;
        Name(&k);
    }

    void Name(std::string* s) {
        SkipSpace(true);
        const char* q = p_;
        while (p_ < e_ && IsNameChar(static_cast<unsigned char>(*p_))) ++p_;
        s->assign(q, p_);
    }

    // One brace, GUID or stray character.
    bool Consume() {
        SkipSpace(true);
        if (p_ >= e_) return Fail("ファイルが途中で終わっています");
        if (*p_ == '<') {
            const char* q = static_cast<const char*>(std::memchr(p_, '>', size_t(e_ - p_)));
            if (!q) return Fail("GUID が閉じていません");
            p_ = q + 1;
            return true;
        }
        ++p_;
        return true;
    }

    bool U32(uint32_t* v) {
        SkipSpace(true);
        if (p_ < e_ && *p_ == '+') ++p_;
        if (p_ >= e_ || *p_ < '0' || *p_ > '9') return Fail("整数が必要な所に「" + Here() + "」があります");
        uint64_t n = 0;
        while (p_ < e_ && *p_ >= '0' && *p_ <= '9') {
            n = n * 10 + uint64_t(*p_ - '0');
            if (n > 0xFFFFFFFFu) return Fail("整数が大きすぎます");
            ++p_;
        }
        // "3.000000" where a count is expected: accept an integral value.
        if (p_ < e_ && *p_ == '.') {
            ++p_;
            while (p_ < e_ && *p_ == '0') ++p_;
            if (p_ < e_ && *p_ >= '1' && *p_ <= '9') return Fail("整数が必要な所に小数があります");
        }
        *v = uint32_t(n);
        return true;
    }

    bool F32(float* v) {
        SkipSpace(true);
        if (p_ < e_ && *p_ == '+') ++p_;
        const auto r = std::from_chars(p_, e_, *v);
        if (r.ec == std::errc::invalid_argument) return Fail("数値が必要な所に「" + Here() + "」があります");
        if (r.ec == std::errc::result_out_of_range) {
            // Out of float range: as the nearest float would be (infinity or zero).
            double d = 0;
            std::from_chars(p_, e_, d);
            *v = float(d);
        }
        p_ = r.ptr;
        // Visual C++ writes "1.#QNAN0", "-1.#IND00", "1.#INF00".
        if (p_ < e_ && *p_ == '#') {
            const char* q = p_ + 1;
            while (q < e_ && ((*q >= 'A' && *q <= 'Z') || (*q >= '0' && *q <= '9'))) ++q;
            const std::string_view w(p_ + 1, size_t(q - p_ - 1));
            if (w.rfind("INF", 0) == 0) *v = std::signbit(*v) ? -INFINITY : INFINITY;
            else *v = std::numeric_limits<float>::quiet_NaN();
            p_ = q;
        }
        return true;
    }

    bool Str(std::string* s) {
        SkipSpace(true);
        if (p_ >= e_ || *p_ != '"') return Fail("文字列が必要な所に「" + Here() + "」があります");
        ++p_;
        s->clear();
        while (p_ < e_) {
            const unsigned char c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                ++p_;
                return true;
            }
            if (IsSjisLead(c) && p_ + 1 < e_) {
                s->append(p_, 2);
                p_ += 2;
                continue;
            }
            if (c == '\\' && p_ + 1 < e_ && (p_[1] == '\\' || p_[1] == '"')) ++p_;
            s->push_back(*p_++);
        }
        return Fail("文字列が閉じていません");
    }

    bool SkipValue() {
        SkipSpace(true);
        if (p_ < e_ && *p_ == '"') {
            std::string s;
            return Str(&s);
        }
        const char* q = p_;
        while (p_ < e_ && !IsSpace(*p_) && !std::strchr("{}<>;,\"", *p_)) ++p_;
        if (p_ == q) ++p_;
        return true;
    }

    // After an opening brace: skip up to and including the matching close.
    bool SkipBody() {
        int depth = 1;
        while (true) {
            SkipSpace(false);
            if (p_ >= e_) return Fail("閉じ括弧がありません");
            const char c = *p_;
            if (c == '"') {
                std::string s;
                if (!Str(&s)) return false;
                continue;
            }
            ++p_;
            if (c == '{') ++depth;
            else if (c == '}' && --depth == 0) return true;
        }
    }

private:
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == 0; }
    static bool IsNameChar(unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.' || c >= 0x80;
    }

    void SkipSpace(bool separators) {
        while (p_ < e_) {
            const char c = *p_;
            if (IsSpace(c) || (separators && (c == ',' || c == ';'))) {
                ++p_;
            } else if (c == '#' || (c == '/' && p_ + 1 < e_ && p_[1] == '/')) {
                const void* nl = std::memchr(p_, '\n', size_t(e_ - p_));
                p_ = nl ? static_cast<const char*>(nl) : e_;
            } else {
                break;
            }
        }
    }

    std::string Here() const {
        if (p_ >= e_) return "ファイルの終わり";
        const char* q = p_;
        while (q < e_ && q - p_ < 20 && !IsSpace(*q)) ++q;
        return Shown(std::string_view(p_, size_t(q - p_)));
    }

    const char* b_;
    const char* p_;
    const char* e_;
    std::string* why_;
};

// Binary format: 16-bit token codes, some followed by data.
enum : uint16_t {
    kTokName = 1, kTokString = 2, kTokInteger = 3, kTokGuid = 5, kTokIntList = 6, kTokFloatList = 7,
    kTokOBrace = 10, kTokCBrace = 11, kTokComma = 19, kTokSemicolon = 20, kTokTemplate = 31,
};

class BinLex {
public:
    BinLex(const unsigned char* begin, const unsigned char* end, int floatBytes, std::string* why)
        : b_(begin), p_(begin), e_(end), fb_(floatBytes), why_(why) {}
    static constexpr size_t kMinValueBytes = 4;

    size_t Remaining() const { return size_t(e_ - p_); }
    bool Fail(const std::string& what) {
        if (why_->empty()) *why_ = what + " (位置 " + Num(size_t(p_ - b_) + 16) + ")";
        return false;
    }

    Tk Peek() {
        if (left_) return Tk::Value;
        while (true) {
            if (e_ - p_ < 2) return Tk::End;
            switch (Tok()) {
                case kTokName: return Tk::Name;
                case kTokString: case kTokInteger: return Tk::Value;
                case kTokIntList: case kTokFloatList:
                    if (e_ - p_ >= 6 && U32At(p_ + 2) == 0) {  // empty list
                        p_ += 6;
                        continue;
                    }
                    return Tk::Value;
                case kTokOBrace: return Tk::OBrace;
                case kTokCBrace: return Tk::CBrace;
                case kTokGuid: return Tk::Guid;
                case kTokTemplate: return Tk::Template;
                case kTokComma: case kTokSemicolon: p_ += 2; continue;
                default: return Tk::Other;
            }
        }
    }

    void Keyword() { p_ += 2; }

    void Name(std::string* s) {
        s->clear();
        if (Peek() != Tk::Name) return;
        // A name cut off by the end of the file ends the file: the callers'
        // loops then meet its end instead of this name again and again.
        if (e_ - p_ < 6) {
            p_ = e_;
            return;
        }
        const uint32_t n = U32At(p_ + 2);
        if (n > size_t(e_ - p_) - 6) {
            p_ = e_;
            return;
        }
        s->assign(reinterpret_cast<const char*>(p_ + 6), n);
        p_ += 6 + n;
    }

    bool Consume() {
        size_t n;
        if (!TokenSize(&n)) return false;
        p_ += n;
        return true;
    }

    bool U32(uint32_t* v) {
        if (!Next()) return false;
        if (listFloat_) {
            const double d = ReadFloat();
            if (!(d >= 0 && d <= 4294967295.0) || d != std::floor(d)) return Fail("整数が必要な所に小数があります");
            *v = uint32_t(d);
        } else {
            *v = U32At(p_);
            p_ += 4;
        }
        --left_;
        return true;
    }

    bool F32(float* v) {
        if (!Next()) return false;
        if (listFloat_) {
            *v = float(ReadFloat());
        } else {
            *v = float(U32At(p_));
            p_ += 4;
        }
        --left_;
        return true;
    }

    bool Str(std::string* s) {
        if (left_ || Peek() != Tk::Value || Tok() != kTokString) return Fail("文字列が必要です");
        if (e_ - p_ < 6) return Fail("ファイルが途中で終わっています");
        const uint32_t n = U32At(p_ + 2);
        if (n > size_t(e_ - p_) - 6) return Fail("文字列の長さがファイルを超えています");
        s->assign(reinterpret_cast<const char*>(p_ + 6), n);
        p_ += 6 + n;
        // The terminator (comma or semicolon token) follows.
        if (e_ - p_ >= 2 && (Tok() == kTokComma || Tok() == kTokSemicolon)) p_ += 2;
        // Some writers count the terminating zero.
        while (!s->empty() && s->back() == '\0') s->pop_back();
        return true;
    }

    bool SkipValue() {
        if (left_) {
            const size_t n = size_t(left_) * (listFloat_ ? size_t(fb_) : 4);
            p_ += n;
            left_ = 0;
            return true;
        }
        return Consume();
    }

    bool SkipBody() {
        if (left_ && !SkipValue()) return false;
        int depth = 1;
        while (true) {
            if (e_ - p_ < 2) return Fail("閉じ括弧がありません");
            const uint16_t t = Tok();
            size_t n;
            if (!TokenSize(&n)) return false;
            p_ += n;
            if (t == kTokOBrace) ++depth;
            else if (t == kTokCBrace && --depth == 0) return true;
        }
    }

private:
    uint16_t Tok() const { return uint16_t(p_[0] | p_[1] << 8); }
    static uint32_t U32At(const unsigned char* q) {
        return uint32_t(q[0]) | uint32_t(q[1]) << 8 | uint32_t(q[2]) << 16 | uint32_t(q[3]) << 24;
    }
    double ReadFloat() {
        double d;
        if (fb_ == 8) {
            uint64_t bits = uint64_t(U32At(p_)) | uint64_t(U32At(p_ + 4)) << 32;
            std::memcpy(&d, &bits, 8);
        } else {
            const uint32_t bits = U32At(p_);
            float f;
            std::memcpy(&f, &bits, 4);
            d = f;
        }
        p_ += fb_;
        return d;
    }

    // Size in bytes of the token at p_, checked against the end.
    bool TokenSize(size_t* n) {
        if (e_ - p_ < 2) return Fail("ファイルが途中で終わっています");
        const size_t room = size_t(e_ - p_) - 2;
        const uint16_t t = Tok();
        size_t body = 0;
        switch (t) {
            case kTokName: case kTokString:
                if (room < 4) return Fail("ファイルが途中で終わっています");
                body = 4 + size_t(U32At(p_ + 2));
                break;
            case kTokInteger: body = 4; break;
            case kTokGuid: body = 16; break;
            case kTokIntList: case kTokFloatList:
                if (room < 4) return Fail("ファイルが途中で終わっています");
                body = 4 + size_t(U32At(p_ + 2)) * (t == kTokIntList ? 4 : size_t(fb_));
                break;
            default:
                if (!((t >= 10 && t <= 20) || (t >= 40 && t <= 53) || t == kTokTemplate))
                    return Fail("不明なトークン " + Num(t) + " があります");
        }
        if (body > room) return Fail("データがファイルの終わりを超えています");
        *n = 2 + body;
        return true;
    }

    // Makes the next number available from a list or a single integer.
    bool Next() {
        if (left_) return true;
        const Tk k = Peek();
        if (left_) return true;
        if (k != Tk::Value || Tok() == kTokString) return Fail("数値が必要な所に別のものがあります");
        const uint16_t t = Tok();
        if (t == kTokInteger) {
            if (e_ - p_ < 6) return Fail("ファイルが途中で終わっています");
            p_ += 2;
            listFloat_ = false;
            left_ = 1;
            return true;
        }
        if (e_ - p_ < 6) return Fail("ファイルが途中で終わっています");
        const uint32_t n = U32At(p_ + 2);
        const size_t each = t == kTokIntList ? 4 : size_t(fb_);
        if (size_t(n) > (size_t(e_ - p_) - 6) / each) return Fail("数の並びがファイルの終わりを超えています");
        p_ += 6;
        listFloat_ = t == kTokFloatList;
        left_ = n;
        return true;
    }

    const unsigned char* b_;
    const unsigned char* p_;
    const unsigned char* e_;
    int fb_;
    std::string* why_;
    uint32_t left_ = 0;  // numbers left in the current list
    bool listFloat_ = false;
};

// ---------------------------------------------------------------- parser

struct FrameNode {
    int parent;
    D3DXMATRIX local;
};

struct MaterialSlot {
    bool isRef = false;
    std::string ref;
    XMaterialData data;
};

struct RawMesh {
    int frame = -1;
    std::vector<float> pos;
    std::vector<uint32_t> faceStart;  // faces + 1 offsets into corners
    std::vector<uint32_t> corners;
    bool hasNormals = false;
    std::vector<float> normals;
    std::vector<uint32_t> normalCorners;  // parallel to corners
    std::vector<float> uv;
    bool hasList = false;
    uint32_t numMaterials = 0;
    std::vector<uint32_t> faceMaterials;
    std::vector<MaterialSlot> materials;
};

template <class Lex>
class Parser {
public:
    Parser(Lex* lx) : lx_(*lx) {}

    bool File() {
        while (true) {
            switch (lx_.Peek()) {
                case Tk::End: return true;
                case Tk::Template:
                    if (!Template()) return false;
                    break;
                case Tk::Name: {
                    std::string type;
                    lx_.Name(&type);
                    if (!Object(type, -1, 1)) return false;
                    break;
                }
                case Tk::CBrace: return lx_.Fail("対応する「{」のない「}」があります");
                case Tk::OBrace:
                    lx_.Consume();
                    if (!lx_.SkipBody()) return false;
                    break;
                case Tk::Value:
                    if (!lx_.SkipValue()) return false;
                    break;
                default:
                    if (!lx_.Consume()) return false;
            }
        }
    }

    std::vector<FrameNode> frames;
    std::vector<RawMesh> meshes;
    std::unordered_map<std::string, XMaterialData> named;

private:
    bool Template() {
        lx_.Keyword();
        std::string name;
        if (lx_.Peek() == Tk::Name) lx_.Name(&name);
        if (lx_.Peek() != Tk::OBrace) return lx_.Fail("template の後に「{」がありません");
        lx_.Consume();
        return lx_.SkipBody();
    }

    // Optional object name and GUID, then the opening brace.
    bool Open(std::string* name) {
        name->clear();
        Tk k = lx_.Peek();
        if (k == Tk::Name || k == Tk::Value) {
            if (k == Tk::Name) lx_.Name(name);
            else if (!lx_.SkipValue()) return false;  // a name made of digits
            k = lx_.Peek();
        }
        if (k == Tk::Guid) {
            if (!lx_.Consume()) return false;
            k = lx_.Peek();
        }
        if (k != Tk::OBrace) return lx_.Fail("データオブジェクトの「{」がありません");
        return lx_.Consume();
    }

    // The rest of an object after its data: nested objects (handed to `child`),
    // references (names to `refs` when given), stray data skipped.
    template <class F>
    bool Rest(int depth, F&& child) {
        return Rest(depth, child, [](std::string&&) {});
    }

    template <class F, class G>
    bool Rest(int depth, F&& child, G&& onRef) {
        while (true) {
            switch (lx_.Peek()) {
                case Tk::CBrace: return lx_.Consume();
                case Tk::End: return lx_.Fail("閉じ括弧「}」がありません");
                case Tk::Name: {
                    std::string type;
                    lx_.Name(&type);
                    if (depth + 1 > kXMaxDepth) return lx_.Fail("入れ子が深すぎます");
                    if (!child(type, depth + 1)) return false;
                    break;
                }
                case Tk::OBrace: {
                    lx_.Consume();
                    std::string ref;
                    while (true) {
                        const Tk k = lx_.Peek();
                        if (k == Tk::CBrace) break;
                        if (k == Tk::End) return lx_.Fail("参照が閉じていません");
                        if (k == Tk::Name && ref.empty()) lx_.Name(&ref);
                        else if (k == Tk::Value ? !lx_.SkipValue() : !lx_.Consume()) return false;
                    }
                    lx_.Consume();
                    onRef(std::move(ref));
                    break;
                }
                case Tk::Template:
                    if (!Template()) return false;
                    break;
                case Tk::Value:
                    if (!lx_.SkipValue()) return false;
                    break;
                default:
                    if (!lx_.Consume()) return false;
            }
        }
    }

    bool Skip(int) {
        std::string name;
        return Open(&name) && lx_.SkipBody();
    }

    auto SkipChild() {
        return [this](const std::string&, int d) { return Skip(d); };
    }

    bool Object(const std::string& type, int frame, int depth) {
        if (EqualsNoCase(type, "Frame")) return Frame(frame, depth);
        if (EqualsNoCase(type, "Mesh")) return Mesh(frame, depth);
        if (EqualsNoCase(type, "Material")) {
            MaterialSlot m;
            return Material(&m, depth);
        }
        if (EqualsNoCase(type, "FrameTransformMatrix")) return Matrix(frame, depth);
        return Skip(depth);
    }

    bool Frame(int parent, int depth) {
        std::string name;
        if (!Open(&name)) return false;
        const int me = int(frames.size());
        FrameNode f;
        f.parent = parent;
        D3DXMatrixIdentity(&f.local);
        frames.push_back(f);
        return Rest(depth, [&](const std::string& type, int d) { return Object(type, me, d); });
    }

    bool Matrix(int frame, int depth) {
        std::string name;
        if (!Open(&name)) return false;
        D3DXMATRIX m;
        for (int i = 0; i < 16; ++i)
            if (!lx_.F32(&m.m[i / 4][i % 4])) return false;
        if (frame >= 0) frames[size_t(frame)].local = m;
        return Rest(depth, SkipChild());
    }

    // Checks that `count` items of `values` numbers each can still be in the file.
    bool Fits(uint64_t count, uint64_t values, const char* what) {
        if (count * values > (lx_.Remaining() + 1) / Lex::kMinValueBytes + 1)
            return lx_.Fail(std::string(what) + "の数 " + Num(count) + " がファイルの大きさに見合いません");
        return true;
    }

    bool Floats(std::vector<float>* v, uint32_t count, int each, const char* what) {
        if (!Fits(count, uint64_t(each), what)) return false;
        v->resize(size_t(count) * size_t(each));
        for (float& f : *v)
            if (!lx_.F32(&f)) return false;
        return true;
    }

    // Faces: a count, then per face a corner count and that many indices below `limit`.
    bool Faces(std::vector<uint32_t>* start, std::vector<uint32_t>* corners, uint32_t limit, const char* what) {
        uint32_t nf;
        if (!lx_.U32(&nf) || !Fits(nf, 1, "面")) return false;
        start->assign(1, 0);
        start->reserve(size_t(nf) + 1);
        corners->clear();
        for (uint32_t f = 0; f < nf; ++f) {
            uint32_t k;
            if (!lx_.U32(&k) || !Fits(k, 1, "面の角")) return false;
            for (uint32_t c = 0; c < k; ++c) {
                uint32_t i;
                if (!lx_.U32(&i)) return false;
                if (i >= limit)
                    return lx_.Fail(std::string(what) + "番号 " + Num(i) + " が" + what + "の数 " + Num(limit) + " を超えています");
                corners->push_back(i);
            }
            start->push_back(uint32_t(corners->size()));
        }
        return true;
    }

    bool Mesh(int frame, int depth) {
        std::string name;
        if (!Open(&name)) return false;
        RawMesh m;
        m.frame = frame;
        uint32_t nv;
        if (!lx_.U32(&nv) || !Floats(&m.pos, nv, 3, "頂点")) return false;
        if (!Faces(&m.faceStart, &m.corners, nv, "頂点")) return false;
        const bool ok = Rest(depth, [&](const std::string& type, int d) {
            if (EqualsNoCase(type, "MeshNormals")) return Normals(&m, d);
            if (EqualsNoCase(type, "MeshTextureCoords")) return TexCoords(&m, d);
            if (EqualsNoCase(type, "MeshMaterialList")) return MaterialList(&m, d);
            return Skip(d);
        });
        if (!ok) return false;
        meshes.push_back(std::move(m));
        return true;
    }

    bool Normals(RawMesh* m, int depth) {
        std::string name;
        if (!Open(&name)) return false;
        uint32_t nn;
        if (!lx_.U32(&nn) || !Floats(&m->normals, nn, 3, "法線")) return false;
        std::vector<uint32_t> start;
        if (!Faces(&start, &m->normalCorners, nn, "法線")) return false;
        if (start != m->faceStart)
            return lx_.Fail("法線の面 (" + Num(start.size() - 1) + ") が面 (" + Num(m->faceStart.size() - 1) +
                            ") と合いません");
        m->hasNormals = true;
        return Rest(depth, SkipChild());
    }

    bool TexCoords(RawMesh* m, int depth) {
        std::string name;
        if (!Open(&name)) return false;
        uint32_t nt;
        if (!lx_.U32(&nt) || !Floats(&m->uv, nt, 2, "テクスチャ座標")) return false;
        const size_t nv = m->pos.size() / 3;
        if (nt < nv) return lx_.Fail("テクスチャ座標 (" + Num(nt) + ") が頂点 (" + Num(nv) + ") より少なすぎます");
        m->uv.resize(nv * 2);
        return Rest(depth, SkipChild());
    }

    bool MaterialList(RawMesh* m, int depth) {
        std::string name;
        if (!Open(&name)) return false;
        uint32_t nm, nfi;
        if (!lx_.U32(&nm) || !lx_.U32(&nfi) || !Fits(nfi, 1, "材料番号") || !Fits(nm, 1, "材料")) return false;
        m->faceMaterials.resize(nfi);
        for (uint32_t& i : m->faceMaterials) {
            if (!lx_.U32(&i)) return false;
            if (i >= nm) return lx_.Fail("材料番号 " + Num(i) + " が材料の数 " + Num(nm) + " を超えています");
        }
        // Inline materials and references { Name }, in the order written.
        const bool ok = Rest(
            depth,
            [&](const std::string& type, int d) {
                if (!EqualsNoCase(type, "Material")) return Skip(d);
                MaterialSlot s;
                if (!Material(&s, d)) return false;
                m->materials.push_back(std::move(s));
                return true;
            },
            [&](std::string&& ref) {
                MaterialSlot s;
                s.isRef = true;
                s.ref = std::move(ref);
                m->materials.push_back(std::move(s));
            });
        if (!ok) return false;
        if (m->materials.size() < nm)
            return lx_.Fail("材料が " + Num(nm) + " 個のはずが " + Num(m->materials.size()) + " 個しかありません");
        m->materials.resize(nm);
        m->numMaterials = nm;
        m->hasList = true;
        return true;
    }

    bool Material(MaterialSlot* s, int depth) {
        std::string name;
        if (!Open(&name)) return false;
        D3DMATERIAL9& mt = s->data.material;
        mt = D3DMATERIAL9{};
        float v[11];
        for (float& f : v)
            if (!lx_.F32(&f)) return false;
        mt.Diffuse = {v[0], v[1], v[2], v[3]};
        mt.Power = v[4];
        mt.Specular = {v[5], v[6], v[7], 1.0f};
        mt.Emissive = {v[8], v[9], v[10], 1.0f};
        const bool ok = Rest(depth, [&](const std::string& type, int d) {
            if (!EqualsNoCase(type, "TextureFilename")) return Skip(d);
            std::string n;
            if (!Open(&n) || !lx_.Str(&s->data.texture)) return false;
            return Rest(d, SkipChild());
        });
        if (ok && !name.empty()) named[name] = s->data;
        return ok;
    }

    Lex& lx_;
};

// ---------------------------------------------------------------- merge

uint32_t CanonBits(float f) {
    if (f == 0.0f) f = 0.0f;  // -0 and +0 are one normal
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

struct NormalKey {
    uint32_t vertex, x, y, z;
    bool operator==(const NormalKey& o) const { return vertex == o.vertex && x == o.x && y == o.y && z == o.z; }
};
struct NormalKeyHash {
    size_t operator()(const NormalKey& k) const {
        uint64_t h = k.vertex * 0x9E3779B97F4A7C15ull;
        h ^= (uint64_t(k.x) << 32 | k.y) * 0xC2B2AE3D27D4EB4Full;
        h ^= uint64_t(k.z) * 0x165667B19E3779F9ull;
        return size_t(h ^ (h >> 29));
    }
};

D3DXMATRIX WorldOf(const std::vector<FrameNode>& frames, int f) {
    D3DXMATRIX w;
    D3DXMatrixIdentity(&w);
    for (int depth = 0; f >= 0 && depth <= kXMaxDepth; ++depth) {
        D3DXMatrixMultiply(&w, &w, &frames[size_t(f)].local);
        f = frames[size_t(f)].parent;
    }
    return w;
}

void Normalize3(float* n) {
    const float l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (l > 0) {
        n[0] /= l;
        n[1] /= l;
        n[2] /= l;
    }
}

// Appends one file mesh to `out`: vertices split by normal, fans, subsets
// numbered from `firstMaterial`.
void AppendMesh(const RawMesh& m, const D3DXMATRIX& world, uint32_t firstMaterial, XMeshData* out,
                std::vector<uint32_t>* triMaterial) {
    const uint32_t nv = uint32_t(m.pos.size() / 3);
    const uint32_t base = uint32_t(out->vertices.size());
    out->vertices.resize(size_t(base) + nv);
    for (uint32_t i = 0; i < nv; ++i) {
        XVertex& v = out->vertices[base + i];
        std::memcpy(v.pos, &m.pos[size_t(i) * 3], 12);
        v.normal[0] = v.normal[1] = v.normal[2] = 0;
        v.uv[0] = m.uv.empty() ? 0.0f : m.uv[size_t(i) * 2];
        v.uv[1] = m.uv.empty() ? 0.0f : m.uv[size_t(i) * 2 + 1];
    }
    const size_t nf = m.faceStart.size() - 1;
    // Output vertex of each corner.
    std::vector<uint32_t> cornerOut(m.corners.size());
    if (m.hasNormals) {
        std::vector<uint32_t> firstNormal(nv, UINT32_MAX);
        std::unordered_map<NormalKey, uint32_t, NormalKeyHash> splits;
        for (size_t c = 0; c < m.corners.size(); ++c) {
            const uint32_t vi = m.corners[c], ni = m.normalCorners[c];
            const float* n = &m.normals[size_t(ni) * 3];
            if (firstNormal[vi] == UINT32_MAX) {
                firstNormal[vi] = ni;
                std::memcpy(out->vertices[base + vi].normal, n, 12);
                cornerOut[c] = base + vi;
                continue;
            }
            const float* f = out->vertices[base + vi].normal;
            if (ni == firstNormal[vi] || (CanonBits(f[0]) == CanonBits(n[0]) && CanonBits(f[1]) == CanonBits(n[1]) &&
                                          CanonBits(f[2]) == CanonBits(n[2]))) {
                cornerOut[c] = base + vi;
                continue;
            }
            const NormalKey key{vi, CanonBits(n[0]), CanonBits(n[1]), CanonBits(n[2])};
            auto [it, fresh] = splits.try_emplace(key, uint32_t(out->vertices.size()));
            if (fresh) {
                XVertex v = out->vertices[base + vi];
                std::memcpy(v.normal, n, 12);
                out->vertices.push_back(v);
            }
            cornerOut[c] = it->second;
        }
    } else {
        // Smooth normals: the sum of the faces' (area-weighted) normals.
        for (size_t c = 0; c < m.corners.size(); ++c) cornerOut[c] = base + m.corners[c];
        for (size_t f = 0; f < nf; ++f) {
            const uint32_t s = m.faceStart[f], e = m.faceStart[f + 1];
            for (uint32_t k = s + 1; k + 1 < e; ++k) {
                const float* a = out->vertices[cornerOut[s]].pos;
                const float* b = out->vertices[cornerOut[k]].pos;
                const float* c = out->vertices[cornerOut[k + 1]].pos;
                const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
                const float w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
                const float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
                for (uint32_t q = s; q < e; ++q)
                    for (int i = 0; i < 3; ++i) out->vertices[cornerOut[q]].normal[i] += n[i];
            }
        }
        for (uint32_t i = 0; i < nv; ++i) Normalize3(out->vertices[base + i].normal);
        if (nv) out->normalsComputed = true;
    }
    // Triangles as fans around each face's first corner.
    for (size_t f = 0; f < nf; ++f) {
        const uint32_t s = m.faceStart[f], e = m.faceStart[f + 1];
        uint32_t mat = 0;
        if (!m.faceMaterials.empty()) mat = m.faceMaterials[std::min(f, m.faceMaterials.size() - 1)];
        for (uint32_t k = s + 1; k + 1 < e; ++k) {
            out->indices.push_back(cornerOut[s]);
            out->indices.push_back(cornerOut[k]);
            out->indices.push_back(cornerOut[k + 1]);
            triMaterial->push_back(firstMaterial + mat);
        }
    }
    // The frames' matrices: positions as points, normals by the inverse
    // transpose, keeping their length. Identity leaves values untouched.
    if (!D3DXMatrixIsIdentity(&world)) {
        D3DXMATRIX inv, nm;
        if (D3DXMatrixInverse(&inv, nullptr, &world)) D3DXMatrixTranspose(&nm, &inv);
        else nm = world;
        for (size_t i = base; i < out->vertices.size(); ++i) {
            XVertex& v = out->vertices[i];
            D3DXVECTOR3 p(v.pos[0], v.pos[1], v.pos[2]), n(v.normal[0], v.normal[1], v.normal[2]), r;
            D3DXVec3TransformCoord(&r, &p, &world);
            v.pos[0] = r.x, v.pos[1] = r.y, v.pos[2] = r.z;
            const float len = D3DXVec3Length(&n);
            D3DXVec3TransformNormal(&r, &n, &nm);
            const float rl = D3DXVec3Length(&r);
            if (rl > 0 && len > 0) r = r * (len / rl);
            v.normal[0] = r.x, v.normal[1] = r.y, v.normal[2] = r.z;
        }
    }
}

template <class Lex>
bool ParseAndMerge(Lex* lx, XMeshData* out, std::string* why) {
    Parser<Lex> ps(lx);
    if (!ps.File()) return false;
    out->meshCount = int(ps.meshes.size());
    std::vector<uint32_t> triMaterial;
    for (const RawMesh& m : ps.meshes) {
        const uint32_t first = uint32_t(out->materials.size());
        if (m.hasList && m.numMaterials > 0) {
            for (const MaterialSlot& s : m.materials) {
                if (!s.isRef) {
                    out->materials.push_back(s.data);
                    continue;
                }
                auto it = ps.named.find(s.ref);
                if (it == ps.named.end()) {
                    *why = "材料「" + Shown(s.ref) + "」が見つかりません";
                    return false;
                }
                out->materials.push_back(it->second);
            }
        } else {
            // No material list: one plain white material.
            XMaterialData d{};
            d.material.Diffuse = {1, 1, 1, 1};
            d.material.Specular = {0, 0, 0, 1};
            d.material.Emissive = {0, 0, 0, 1};
            out->materials.push_back(d);
        }
        if (!m.uv.empty()) out->hasTexCoords = true;
        AppendMesh(m, WorldOf(ps.frames, m.frame), first, out, &triMaterial);
    }
    if (out->indices.empty()) {
        *why = ps.meshes.empty() ? "メッシュがありません" : "メッシュに面がありません";
        return false;
    }
    // Group the triangles by subset, keeping file order within each.
    const size_t nt = triMaterial.size(), nm = out->materials.size();
    std::vector<size_t> start(nm + 1, 0);
    for (uint32_t a : triMaterial) ++start[a + 1];
    for (size_t i = 0; i < nm; ++i) start[i + 1] += start[i];
    std::vector<uint32_t> sorted(nt * 3);
    out->attributes.resize(nt);
    for (size_t t = 0; t < nt; ++t) {
        const size_t at = start[triMaterial[t]]++;
        std::memcpy(&sorted[at * 3], &out->indices[t * 3], 12);
        out->attributes[at] = triMaterial[t];
    }
    out->indices = std::move(sorted);
    return true;
}

}  // namespace

bool ReadXFile(const unsigned char* data, size_t size, XMeshData* out, std::string* why) {
    *out = XMeshData{};
    std::string reason;
    std::string* w = why ? why : &reason;
    w->clear();
    if (size < 16 || std::memcmp(data, "xof ", 4) != 0) {
        *w = "X ファイルではありません (先頭に \"xof \" がありません)";
        return false;
    }
    const std::string_view kind(reinterpret_cast<const char*>(data) + 8, 4);
    const std::string_view bits(reinterpret_cast<const char*>(data) + 12, 4);
    int fb;
    if (bits == "0032") fb = 4;
    else if (bits == "0064") fb = 8;
    else {
        *w = "浮動小数点の大きさ \"" + Shown(bits) + "\" には対応していません";
        return false;
    }
    const bool text = kind == "txt " || kind == "tzip";
    const bool zip = kind == "tzip" || kind == "bzip";
    if (!text && kind != "bin " && kind != "bzip") {
        *w = "形式 \"" + Shown(kind) + "\" には対応していません";
        return false;
    }
    out->format = std::string(text ? "text" : "binary") + (zip ? " (compressed)" : "");
    out->floatBits = fb * 8;
    std::string inflated;
    const unsigned char* body = data + 16;
    size_t bodySize = size - 16;
    if (zip) {
        if (!Inflate(data, size, &inflated, w)) return false;
        body = reinterpret_cast<const unsigned char*>(inflated.data());
        bodySize = inflated.size();
    }
    const std::string format = out->format;
    bool ok;
    if (text) {
        TextLex lx(reinterpret_cast<const char*>(body), reinterpret_cast<const char*>(body) + bodySize, w);
        ok = ParseAndMerge(&lx, out, w);
    } else {
        BinLex lx(body, body + bodySize, fb, w);
        ok = ParseAndMerge(&lx, out, w);
    }
    if (!ok) {
        if (w->empty()) *w = "読み込めません";
        *out = XMeshData{};
        out->format = format;
        return false;
    }
    return true;
}
