// Saving a window's picture for a person to look at (screenshot programs).
#pragma once

#include <windows.h>

#include <string>

// The whole window, frame included, as a 24-bit bottom-up BMP file.
inline bool SaveWindowPicture(HWND window, const std::string& fileName) {
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, picture);
    HDC source = GetWindowDC(window);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    GdiFlush();

    const DWORD stride = ((width * 3) + 3) & ~3;
    const DWORD imageSize = stride * height;
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE;
    ok = ok && WriteFile(file, &header, sizeof header, &written, nullptr);
    ok = ok && WriteFile(file, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
    ok = ok && WriteFile(file, bits, imageSize, &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);

    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(picture);
    return ok;
}
