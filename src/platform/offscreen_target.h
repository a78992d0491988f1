// A device target without a window: an OpenGL 3.3 core context on an
// offscreen surface drawing into a framebuffer object. For tests and
// benchmarks; needs a platform with OpenGL (a display, or Xvfb).
#pragma once

#include <QImage>
#include <memory>

#include "d3d9.h"

class QOffscreenSurface;
class QOpenGLFramebufferObject;
class QOpenGLPaintDevice;

class OffscreenTarget final : public DeviceTarget {
public:
    OffscreenTarget(int width, int height);
    ~OffscreenTarget() override;
    // False when no OpenGL 3.3 core context could be had.
    bool ok() const { return ok_; }

    QOpenGLContext* Context() override;
    bool MakeCurrent() override;
    void DoneCurrent() override;
    unsigned Framebuffer() override;
    int Height() override { return height_; }
    QPaintDevice* PaintDevice() override;
    bool Show() override;

    // The picture, top row first.
    QImage Grab();
    // Waits until the GPU has finished what was drawn.
    void Finish();

private:
    int width_, height_;
    bool ok_ = false;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
    std::unique_ptr<QOpenGLPaintDevice> paint_;
};
