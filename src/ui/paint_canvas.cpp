#include "ui/paint_canvas.h"

PaintCanvas::PaintCanvas(HDC dc, HFONT font, COLORREF brushColor) : dc_(dc), brushColor_(brushColor) {
    if (font != nullptr) oldFont_ = SelectObject(dc_, font);
}

PaintCanvas::~PaintCanvas() {
    if (oldFont_ != nullptr) SelectObject(dc_, oldFont_);
    if (brush_ != nullptr) DeleteObject(brush_);
}

void PaintCanvas::SetBrushColor(COLORREF color) {
    if (color == brushColor_) return;
    brushColor_ = color;
    if (brush_ != nullptr) DeleteObject(brush_);
    brush_ = nullptr;
}

HBRUSH PaintCanvas::Brush() {
    if (brush_ == nullptr) brush_ = CreateSolidBrush(brushColor_);
    return brush_;
}

void PaintCanvas::FillRect(const RECT& rect) {
    if (rect.right > rect.left && rect.bottom > rect.top) ::FillRect(dc_, &rect, Brush());
}

void PaintCanvas::FrameRect(const RECT& rect) { ::FrameRect(dc_, &rect, Brush()); }
