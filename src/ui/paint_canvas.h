// PaintCanvas: the drawing surface a TScrollablePaintBox hands its OnPaint handler.
//
// Valid only during the paint: it wraps the paint DC with the control's font selected and
// a current brush colour (starting as the control's colour). Owns the brushes it makes
// and frees them when the paint ends.
#pragma once

#include <windows.h>

class PaintCanvas {
public:
    PaintCanvas(HDC dc, HFONT font, COLORREF brushColor);
    ~PaintCanvas();
    PaintCanvas(const PaintCanvas&) = delete;
    PaintCanvas& operator=(const PaintCanvas&) = delete;

    HDC Handle() const { return dc_; }
    COLORREF BrushColor() const { return brushColor_; }
    void SetBrushColor(COLORREF color);

    // Fills `rect` (right and bottom exclusive) with the current brush colour.
    void FillRect(const RECT& rect);
    // A one-pixel outline of `rect` in the current brush colour.
    void FrameRect(const RECT& rect);

private:
    HBRUSH Brush();

    HDC dc_;
    HGDIOBJ oldFont_ = nullptr;
    COLORREF brushColor_;
    HBRUSH brush_ = nullptr;
};
