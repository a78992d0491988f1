// Shade ramps: files served on request, the built-in ones when a file is
// missing or broken, and the sample files equal to the built-in ramps.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/d3d_hooks.h"
#include "render/toon.h"

namespace {

QRgb TopRowAt(const IDirect3DTexture9* t, float tu) {
    const QImage& img = t->Image();
    return img.pixel(std::min(int(tu * float(img.width())), img.width() - 1), 0);
}

struct StageHook : DeviceHook {
    int rampStates = 0;
    void SetRampStageStates() override { ++rampStates; }
};

}  // namespace

TEST(Ramps, GoFromLightToPitchBlackAlongTheTopRow) {
    for (int level = 1; level <= kRampCount; ++level) {
        IDirect3DTexture9* t;
        ASSERT_EQ(CreateTextureFromImage(BuiltinRamp(level), &t), S_OK);
        EXPECT_EQ(qGray(TopRowAt(t, 0.0f)), 255) << level;  // facing the light
        EXPECT_GE(qGray(TopRowAt(t, 0.6f)), qGray(TopRowAt(t, 0.9f)));
        if (level > 1) {
            IDirect3DTexture9* lighter;
            CreateTextureFromImage(BuiltinRamp(level - 1), &lighter);
            EXPECT_LT(qGray(TopRowAt(t, 0.9f)), qGray(TopRowAt(lighter, 0.9f)));
            lighter->Release();
        }
        t->Release();
    }
    IDirect3DTexture9* black;
    CreateTextureFromImage(BuiltinRamp(4), &black);
    EXPECT_EQ(qGray(TopRowAt(black, 1.0f)), 0);
    black->Release();
}

TEST(Ramps, TheSampleFilesAreTheBuiltInRamps) {
    for (int level = 1; level <= kRampCount; ++level) {
        const QImage file(QStringLiteral(KAV_SOURCE_DIR "/samples/effect/effect%1.bmp").arg(level));
        ASSERT_FALSE(file.isNull()) << level;
        EXPECT_EQ(file.convertToFormat(QImage::Format_RGB32), BuiltinRamp(level)) << level;
    }
}

TEST(Ramps, ARequestLoadsItsFileOnceOrFallsBackToTheBuiltInRamp) {
    QTemporaryDir tmp;
    const QString old = QDir::currentPath();
    QDir::setCurrent(tmp.path());
    QDir().mkpath(QStringLiteral("effect"));
    QImage mine(4, 1, QImage::Format_RGB32);
    mine.fill(qRgb(10, 20, 30));
    ASSERT_TRUE(mine.save(QStringLiteral("effect/effect3.bmp")));
    QFile bad(QStringLiteral("effect/effect1.bmp"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BM not really");
    bad.close();
    StageHook hook;
    SetDeviceHook(&hook);

    struct Case {
        int request;
        QRgb atStart;
    } const cases[] = {
        {3, qRgb(10, 20, 30)},                   // the file
        {3, qRgb(10, 20, 30)},                   // the same shade twice reloads it
        {1, BuiltinRamp(1).pixel(0, 0)},         // unreadable file
        {4, BuiltinRamp(4).pixel(31, 0)},        // missing file
    };
    for (const Case& c : cases) {
        Shadowflg = c.request;
        IDirect3DTexture9* before = pTex;
        ReadTexture();
        EXPECT_EQ(Shadowflg, 0);
        ASSERT_NE(pTex, nullptr);
        EXPECT_NE(pTex, before);
        const int x = c.request == 4 ? pTex->Image().width() - 1 : 0;
        EXPECT_EQ(pTex->Image().pixel(x, 0) | 0xFF000000u, c.atStart | 0xFF000000u) << c.request;
    }
    // Nothing pending: the ramp stays, stage 1 is set all the same.
    IDirect3DTexture9* kept = pTex;
    ReadTexture();
    EXPECT_EQ(pTex, kept);
    EXPECT_EQ(hook.rampStates, 5);
    ReleaseRamp();
    SetDeviceHook(nullptr);
    QDir::setCurrent(old);
}
