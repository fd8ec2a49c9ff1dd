#include "Screenshot.h"

#include <fstream>
#include <vector>

namespace exl::test {

namespace {

struct WindowDc {
    HWND window;
    HDC dc;
    ~WindowDc() {
        if (dc) ReleaseDC(window, dc);
    }
};

struct MemoryDc {
    HDC dc;
    ~MemoryDc() {
        if (dc) DeleteDC(dc);
    }
};

struct Bitmap {
    HBITMAP bitmap;
    ~Bitmap() {
        if (bitmap) DeleteObject(bitmap);
    }
};

}  // namespace

bool SaveWindowImage(HWND window, const std::string& bmpPath) {
    RECT frame = {};
    if (!GetWindowRect(window, &frame)) return false;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0) return false;
    // Let the window's thread finish painting before the picture is taken.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    WindowDc screen{nullptr, GetDC(nullptr)};
    MemoryDc memory{CreateCompatibleDC(screen.dc)};
    Bitmap bitmap{CreateCompatibleBitmap(screen.dc, width, height)};
    if (!screen.dc || !memory.dc || !bitmap.bitmap) return false;
    HGDIOBJ previous = SelectObject(memory.dc, bitmap.bitmap);
    // Without a window manager nobody draws frame and caption on the display, so the
    // platform draws them here and only the client area is taken from the screen.
    RECT whole = {0, 0, width, height};
    FillRect(memory.dc, &whole, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(memory.dc, &whole, EDGE_RAISED, BF_RECT | BF_ADJUST);
    RECT caption = whole;
    caption.bottom = caption.top + GetSystemMetrics(SM_CYCAPTION) - 1;
    DrawCaption(window, memory.dc, &caption, DC_ACTIVE | DC_TEXT | DC_GRADIENT);
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    BOOL copied = BitBlt(memory.dc, origin.x - frame.left, origin.y - frame.top, client.right, client.bottom,
                         screen.dc, origin.x, origin.y, SRCCOPY);
    SelectObject(memory.dc, previous);
    if (!copied) return false;

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<std::size_t>(stride) * height);
    if (!GetDIBits(memory.dc, bitmap.bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                   DIB_RGB_COLORS))
        return false;

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(bmpPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

namespace {

std::string TextOfWindow(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// The extent of the text in the font, wrapped to `width` when wrap is set.
RECT TextExtent(HDC dc, HFONT font, const std::string& text, LONG width, UINT format) {
    HGDIOBJ previous = SelectObject(dc, font);
    RECT needed = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | format);
    SelectObject(dc, previous);
    return needed;
}

bool IsButton(HWND control) {
    char name[32] = {};
    GetClassNameA(control, name, sizeof(name));
    return lstrcmpiA(name, "Button") == 0;
}

}  // namespace

bool TextShowsWhole(HWND control) {
    RECT client = {};
    if (!GetClientRect(control, &client)) return false;
    WindowDc screen{control, GetDC(control)};
    auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    const UINT format = IsButton(control) ? DT_SINGLELINE : DT_WORDBREAK | DT_EXPANDTABS;
    const RECT needed = TextExtent(screen.dc, font, TextOfWindow(control), client.right, format);
    return needed.right <= client.right && needed.bottom <= client.bottom;
}

bool TitleShowsWhole(HWND window) {
    RECT frame = {};
    if (!GetWindowRect(window, &frame)) return false;
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HFONT captionFont = CreateFontIndirectA(&metrics.lfCaptionFont);
    WindowDc screen{nullptr, GetDC(nullptr)};
    const RECT needed = TextExtent(screen.dc, captionFont, TextOfWindow(window), 0, DT_SINGLELINE);
    DeleteObject(captionFont);
    const LONG room = (frame.right - frame.left) - 2 * GetSystemMetrics(SM_CXSIZE) - 2 * GetSystemMetrics(SM_CXDLGFRAME);
    return needed.right <= room;
}

}  // namespace exl::test
