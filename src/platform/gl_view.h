// The 3-D view of the main window: a QOpenGLWidget with an OpenGL 3.3 core
// context that the device draws into. Painting the widget runs the paint
// function (the frame); the device finds the widget's framebuffer through the
// target interface.
#pragma once

#include <QOpenGLWidget>
#include <functional>

#include "d3d9.h"

class GLView final : public QOpenGLWidget, public DeviceTarget {
public:
    GLView(QWidget* parent, int width, int height);
    // Called from every paint, with the context current and the framebuffer bound.
    std::function<void()> onPaint;

    QOpenGLContext* Context() override { return context(); }
    bool MakeCurrent() override;
    void DoneCurrent() override { doneCurrent(); }
    unsigned Framebuffer() override { return defaultFramebufferObject(); }
    int Height() override;
    QPaintDevice* PaintDevice() override { return this; }

protected:
    void paintGL() override;
};
