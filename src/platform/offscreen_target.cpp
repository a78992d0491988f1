// Offscreen device target (see offscreen_target.h).
#include "offscreen_target.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLPaintDevice>
#include <QSurfaceFormat>

OffscreenTarget::OffscreenTarget(int width, int height) : width_(width), height_(height) {
    QSurfaceFormat f;
    f.setVersion(3, 3);
    f.setProfile(QSurfaceFormat::CoreProfile);
    f.setDepthBufferSize(24);
    f.setRenderableType(QSurfaceFormat::OpenGL);
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(f);
    if (!context_->create()) return;
    surface_ = std::make_unique<QOffscreenSurface>();
    surface_->setFormat(context_->format());
    surface_->create();
    if (!surface_->isValid() || !context_->makeCurrent(surface_.get())) return;
    QOpenGLFramebufferObjectFormat ff;
    ff.setAttachment(QOpenGLFramebufferObject::Depth);
    ff.setInternalTextureFormat(0x8058 /* GL_RGBA8 */);
    fbo_ = std::make_unique<QOpenGLFramebufferObject>(width, height, ff);
    if (!fbo_->isValid()) return;
    paint_ = std::make_unique<QOpenGLPaintDevice>(width, height);
    ok_ = context_->format().version() >= qMakePair(3, 3);
}

OffscreenTarget::~OffscreenTarget() {
    if (context_ && surface_ && context_->makeCurrent(surface_.get())) {
        paint_.reset();
        fbo_.reset();
        context_->doneCurrent();
    }
}

QOpenGLContext* OffscreenTarget::Context() { return context_.get(); }

bool OffscreenTarget::MakeCurrent() {
    if (!context_ || !surface_ || !context_->makeCurrent(surface_.get())) return false;
    if (fbo_) fbo_->bind();
    return true;
}

void OffscreenTarget::DoneCurrent() {
    if (context_) context_->doneCurrent();
}

unsigned OffscreenTarget::Framebuffer() { return fbo_ ? fbo_->handle() : 0; }

QPaintDevice* OffscreenTarget::PaintDevice() {
    // The painter draws into the bound framebuffer object.
    if (fbo_) fbo_->bind();
    return paint_.get();
}

bool OffscreenTarget::Show() {
    Finish();
    return true;
}

QImage OffscreenTarget::Grab() {
    if (!ok_ || !MakeCurrent()) return {};
    return fbo_->toImage().convertToFormat(QImage::Format_ARGB32);
}

void OffscreenTarget::Finish() {
    if (context_ && QOpenGLContext::currentContext() == context_.get()) context_->functions()->glFinish();
}
