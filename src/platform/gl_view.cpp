// The 3-D view widget (see gl_view.h).
#include "gl_view.h"

#include <QSurfaceFormat>

GLView::GLView(QWidget* parent, int width, int height) : QOpenGLWidget(parent) {
    QSurfaceFormat f;
    f.setVersion(3, 3);
    f.setProfile(QSurfaceFormat::CoreProfile);
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setDepthBufferSize(16);
    f.setSamples(0);
    setFormat(f);
    setFixedSize(width, height);
    // The view paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool GLView::MakeCurrent() {
    if (!context()) return false;
    makeCurrent();
    return true;
}

int GLView::Height() { return int(height() * devicePixelRatioF()); }

void GLView::paintGL() {
    if (onPaint) onPaint();
}
