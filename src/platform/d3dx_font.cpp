// The status text's font (see d3dx_font.h): a QFont painted through the device.
#include "d3dx_font.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <cstring>

#include "sjis.h"

ID3DXFont* lpFont = nullptr;

namespace {

class QtFont final : public ID3DXFont {
public:
    QtFont(IDirect3DDevice9* device, const QFont& font) : device_(device), font_(font) {}
    DWORD Release() override {
        if (lpFont == this) lpFont = nullptr;
        delete this;
        return 0;
    }
    int DrawTextA(void* sprite, const char* text, int count, const RECT* rect, DWORD,
                  D3DCOLOR color) override {
        if (sprite || !text || !rect || !device_) return 0;
        const size_t n = count < 0 ? std::strlen(text) : size_t(count);
        Job job{SjisToQString(std::string_view(text, n)), font_, rect->left, rect->top, color, 0};
        if (FAILED(device_->PaintOverlay(&Paint, &job))) return 0;
        return job.height;
    }
    HRESULT OnLostDevice() override { return S_OK; }
    HRESULT OnResetDevice() override { return S_OK; }

private:
    struct Job {
        QString text;
        QFont font;
        int x, y;
        D3DCOLOR color;
        int height;
    };
    static void Paint(QPainter* p, void* context) {
        auto* job = static_cast<Job*>(context);
        p->setFont(job->font);
        p->setPen(QColor::fromRgba(job->color));
        // Not clipped: only the top-left corner places the text.
        const QRect box(job->x, job->y, 1 << 16, 1 << 16);
        QRect used;
        p->drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, job->text, &used);
        job->height = used.height();
    }

    IDirect3DDevice9* device_;
    QFont font_;
};

}  // namespace

HRESULT D3DXCreateFontA(IDirect3DDevice9* device, int height, unsigned width, unsigned weight, unsigned,
                        BOOL italic, DWORD, DWORD, DWORD, DWORD, const char* faceName, ID3DXFont** font) {
    if (!font) return E_INVALIDARG;
    *font = nullptr;
    if (!device || height <= 0) return E_INVALIDARG;
    QFont f(faceName && *faceName ? QString::fromLocal8Bit(faceName) : QStringLiteral("IPAGothic"));
    f.setFamilies({f.family(), QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"),
                   QStringLiteral("Noto Sans CJK JP")});
    f.setPixelSize(height);
    if (width) f.setStretch(QFont::Unstretched);
    // 1000 is the heaviest the font interface knows; Qt's heaviest is Black.
    f.setWeight(weight >= 900 ? QFont::Black : QFont::Weight(qBound(100u, weight, 900u)));
    f.setItalic(italic != 0);
    f.setStyleStrategy(QFont::PreferAntialias);
    *font = new QtFont(device, f);
    return S_OK;
}
