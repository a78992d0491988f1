// The frame as pixels: clear colour, grid and axes, lit and toon-shaded
// parts, outline, markers, the selected part's box, the status text and the
// follow camera.
#include <cmath>

#include "frame_fixture.h"
#include "qt_app_environment.h"

using namespace frametest;

namespace {
KAV_QT_TEST_APPLICATION(true);

bool Near(QRgb c, int r, int g, int b, int tol = 3) {
    return std::abs(R(c) - r) <= tol && std::abs(G(c) - g) <= tol && std::abs(B(c) - b) <= tol;
}

// Some pixel within `radius` of p satisfies `pred`.
template <class Pred>
bool AnyAround(const QImage& img, QPoint p, int radius, Pred pred) {
    for (int y = p.y() - radius; y <= p.y() + radius; ++y)
        for (int x = p.x() - radius; x <= p.x() + radius; ++x)
            if (img.valid(x, y) && pred(img.pixel(x, y))) return true;
    return false;
}

bool Reddish(QRgb c) { return R(c) > 200 && G(c) < 60 && B(c) < 60; }
bool Greenish(QRgb c) { return G(c) > 200 && R(c) < 60 && B(c) < 60; }
bool Bluish(QRgb c) { return B(c) > 200 && R(c) < 60 && G(c) < 60; }
bool Yellow(QRgb c) { return R(c) > 200 && G(c) > 200 && B(c) < 80; }
bool White(QRgb c) { return R(c) > 235 && G(c) > 235 && B(c) > 235; }
bool Black(QRgb c) { return R(c) < 30 && G(c) < 30 && B(c) < 30; }

int CountIn(const QImage& img, QRect r, bool (*pred)(QRgb)) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += pred(img.pixel(x, y));
    return n;
}

TEST_F(FrameTest, ClearsToTheBackgroundColourMaskedToEightBits) {
    struct Case {
        int r, g, b, er, eg, eb;
    } cases[] = {{100, 100, 100, 100, 100, 100}, {10, 20, 300, 10, 20, 44}, {0, 255, 256, 0, 255, 0}};
    Lineflg = 0;
    STRflg = 0;
    for (const Case& c : cases) {
        Red = c.r, Green = c.g, Blue = c.b;
        const QImage img = Frames(1);
        for (QPoint p : {QPoint(0, 0), QPoint(779, 0), QPoint(0, 639), QPoint(779, 639)})
            EXPECT_TRUE(Near(img.pixel(p), c.er, c.eg, c.eb, 0)) << c.r << "," << c.g << "," << c.b;
    }
}

TEST_F(FrameTest, AxesAndTranslucentGridWhereTheStartCameraPutsThem) {
    STRflg = 0;
    QImage img = Frames();
    EXPECT_TRUE(AnyAround(img, Project({10, 0, 0}), 2, Reddish));
    EXPECT_TRUE(AnyAround(img, Project({0, 3, 0}), 2, Greenish));
    EXPECT_TRUE(AnyAround(img, Project({0, 0, 4}), 2, Bluish));
    // Grey 200 at alpha 100 over grey 100 is about 139; between lines the background shows.
    auto grid = [](QRgb c) { return Near(c, 139, 139, 139, 4); };
    EXPECT_TRUE(AnyAround(img, Project({-3.5f, 0, 2}), 2, grid));
    EXPECT_TRUE(Near(img.pixel(Project({-3.5f, 0, 2.5f})), 100, 100, 100, 0));

    Lineflg = 0;
    img = Frames();
    EXPECT_FALSE(AnyAround(img, Project({10, 0, 0}), 2, Reddish));
    EXPECT_FALSE(AnyAround(img, Project({-3.5f, 0, 2}), 2, grid));
}

TEST_F(FrameTest, LitBoxShowsItsMaterialColourDarkerOnTheSideTurnedFromTheLight) {
    MOTIONOBJ* p = AddPart(Cha.pTop, "box", {0, 0, 0});
    GiveMesh(p, MakeBox({-1, -1, -1}, {1, 1, 1}), {Colour(1, 0, 0)});
    STRflg = 0;
    // The second frame is lit from the eye at (-6.1, 5, 6.1): N.L is 0.61 on
    // the -x and +z faces and 0.5 on the top.
    const QImage img = Frames(2);
    const QRgb side = img.pixel(Project({0.5f, 0.4f, 1.0f}));
    const QRgb top = img.pixel(Project({0.5f, 1.0f, -0.4f}));
    EXPECT_TRUE(Near(side, 156, 0, 0, 4)) << R(side);
    EXPECT_TRUE(Near(top, 128, 0, 0, 4)) << R(top);
}

TEST_F(FrameTest, ToonModeDrawsTheRampOnTheBodyAndABlackRim) {
    MOTIONOBJ* p = AddPart(Cha.pTop, "box", {0, 0, 0});
    LineSize = 0.09f;
    GiveMesh(p, MakeBox({-1, -1, -1}, {1, 1, 1}), {Colour(1, 0, 0)});
    Lineflg = STRflg = 0;
    Mz = -6.0f;
    // Light from +x, a little from above and behind: three faces, three bands.
    ToonLight = {1.0f, 0.5f, -0.5f};
    QImage img = Frames(2);
    // The -x face shows at the right of the picture, the +z face at the left.
    const QPoint minusX = Project({-1, 0.3f, 0.3f}), plusZ = Project({0.5f, 0.3f, 1});
    auto rimRight = [&](const QImage& pic) {
        // From inside the -x face outwards to the right, past the silhouette.
        int black = 0;
        for (int x = minusX.x(); x < minusX.x() + 150; ++x) black += Black(pic.pixel(x, minusX.y()));
        return black;
    };
    EXPECT_EQ(rimRight(img), 0) << "no outline in normal mode";

    TOONflg = 1;
    img = Frames(2);
    // Built-in "標準" ramp: 255 facing the light, 176 half turned, 128 away.
    EXPECT_TRUE(Near(img.pixel(Project({0.5f, 1.0f, -0.3f})), 255, 255, 255)) << "top";
    EXPECT_TRUE(Near(img.pixel(plusZ), 176, 176, 176)) << "+z";
    EXPECT_TRUE(Near(img.pixel(minusX), 128, 128, 128)) << "-x";
    EXPECT_GE(rimRight(img), 2);
}

TEST_F(FrameTest, ToonModeLeavesTheFilesTextureCoordinatesAlone) {
    // Left half red, right half blue: normal mode samples the face by its own coordinates.
    QImage tex(2, 1, QImage::Format_RGB32);
    tex.setPixel(0, 0, qRgb(255, 0, 0));
    tex.setPixel(1, 0, qRgb(0, 0, 255));
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(CreateTextureFromImage(tex, &t), S_OK);
    MOTIONOBJ* p = AddPart(Cha.pTop, "box", {0, 0, 0});
    GiveMesh(p, MakeBox({-1, -1, -1}, {1, 1, 1}), {Colour(1, 1, 1)}, {t});
    t->Release();
    Lineflg = STRflg = 0;
    const std::vector<unsigned char> before(p->Mesh.lpMesh->VertexData(),
                                            p->Mesh.lpMesh->VertexData() + 24 * sizeof(TOONVERTEX));
    QImage img = Frames(2);
    const QPoint a = Project({-0.8f, 0.0f, 1.0f}), b = Project({0.8f, 0.0f, 1.0f});
    const QRgb a0 = img.pixel(a), b0 = img.pixel(b);
    ASSERT_NE(R(a0) > B(a0), R(b0) > B(b0)) << "the two halves differ";

    TOONflg = 1;
    Frames(2);
    TOONflg = 0;
    img = Frames(2);
    EXPECT_EQ(img.pixel(a), a0);
    EXPECT_EQ(img.pixel(b), b0);
    EXPECT_EQ(std::memcmp(before.data(), p->Mesh.lpMesh->VertexData(), before.size()), 0);
}

TEST_F(FrameTest, MarkerAndBoxOfTheSelectedPartShowThroughAPartInFront) {
    MOTIONOBJ* inner = AddPart(Cha.pTop, "inner", {0, 0, 0});
    GiveMesh(inner, MakeBox({-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}), {Colour(0, 0, 1)});
    inner->NextIsSibling = 1;
    MOTIONOBJ* outer = AddPart(inner, "outer", {0, 0, 0});
    GiveMesh(outer, MakeBox({-1.5f, -1.5f, -1.5f}, {1.5f, 1.5f, 1.5f}), {Colour(1, 0, 0)});
    pGet = inner;
    STRflg = 0;
    // Midpoints of the inner box's edges, all hidden inside the outer box.
    const D3DXVECTOR3 edges[] = {{0.5f, 0.5f, 0}, {-0.5f, 0, 0.5f}, {0, 0.5f, 0.5f}};
    auto markerShows = [](QRgb c) { return G(c) > 150 && B(c) > 150; };

    QImage img = Frames(2);
    EXPECT_TRUE(markerShows(img.pixel(Project({0, 0, 0}))));
    for (const auto& e : edges) EXPECT_TRUE(AnyAround(img, Project(e), 1, Yellow));

    Lineflg = 0;
    img = Frames(2);
    EXPECT_FALSE(markerShows(img.pixel(Project({0, 0, 0}))));
    for (const auto& e : edges) EXPECT_FALSE(AnyAround(img, Project(e), 1, Yellow));
}

TEST_F(FrameTest, StatusTextStandsInItsFourBlocks) {
    Lineflg = 0;
    const QRect blocks[] = {{0, 24, 240, 18}, {0, 48, 160, 18}, {0, 72, 160, 18}, {600, 0, 170, 80}};
    QImage img = Frames(1);
    for (const QRect& r : blocks) EXPECT_GT(CountIn(img, r, White), 40) << r.x() << "," << r.y();
    EXPECT_EQ(CountIn(img, {250, 100, 300, 400}, White), 0);

    STRflg = 0;
    img = Frames(1);
    for (const QRect& r : blocks) EXPECT_EQ(CountIn(img, r, White), 0);
}

TEST_F(FrameTest, AVeryLongPartNameIsCutAndDrawnWithoutHarm) {
    std::memset(pGet->Name, 'W', kNameSize - 1);
    pGet->Name[kNameSize - 1] = 0;
    Lineflg = 0;
    const QImage img = Frames(1);
    EXPECT_GT(CountIn(img, {0, 48, 779, 18}, White), 40);
}

TEST_F(FrameTest, FollowCameraReachesANewlySelectedPartOneFrameLater) {
    MOTIONOBJ* p = AddPart(Cha.pTop, "far", {4, 0, 0});
    Frames(2);
    // The start eye, looking at the origin.
    EXPECT_NEAR(CameraPos.x, -6.124f, 1e-3);
    EXPECT_NEAR(CameraPos.y, 5.0f, 1e-3);
    EXPECT_NEAR(CameraPos.z, 6.124f, 1e-3);
    const QPoint centre(kViewWidth / 2, kViewHeight / 2);
    auto at = [&](D3DXVECTOR3 v) { return (Project(v) - centre).manhattanLength(); };
    EXPECT_LE(at({0, 0, 0}), 1);

    pGet = p;
    Frames(1);
    EXPECT_NEAR(CameraPos.x, -6.124f + 4, 1e-3);  // the eye moved at once
    EXPECT_GT(at({4, 0, 0}), 20);                 // the target is still the old one
    Frames(1);
    EXPECT_LE(at({4, 0, 0}), 1);

    cflg = 1;
    Frames(1);
    EXPECT_NEAR(CameraPos.x, -6.124f, 1e-3);
    EXPECT_LE(at({0, 0, 0}), 1);
}

TEST_F(FrameTest, FirstFrameOfTheFollowCameraLooksAtTheSelectedPart) {
    MOTIONOBJ* p = AddPart(Cha.pTop, "far", {4, 0, 0});
    pGet = p;
    Frames(1);
    EXPECT_LE((Project({4, 0, 0}) - QPoint(kViewWidth / 2, kViewHeight / 2)).manhattanLength(), 1);
}

TEST_F(FrameTest, OutlineWidthChangeRebuildsEveryHullButTheRootsOnce) {
    GiveMesh(Cha.pTop, MakeBox({-1, -1, -1}, {1, 1, 1}), {Colour(1, 0, 0)});
    MOTIONOBJ* p = AddPart(Cha.pTop, "box", {0, 0, 0});
    GiveMesh(p, MakeBox({-1, -1, -1}, {1, 1, 1}), {Colour(1, 0, 0)});
    auto corner = [](MOTIONOBJ* m) {
        return reinterpret_cast<const SHADOWVERTEX*>(m->EdgeMesh.lpMesh->VertexData())->vPos;
    };
    const D3DXVECTOR3 root0 = corner(Cha.pTop), part0 = corner(p);
    LineSize = 0.5f;
    Sizeflg = 1;
    Frames(1);
    EXPECT_EQ(Sizeflg, 0);
    EXPECT_TRUE(corner(Cha.pTop) == root0);
    EXPECT_GT(std::fabs(corner(p).x), std::fabs(part0.x) + 0.1f);
}

}  // namespace
