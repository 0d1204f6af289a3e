// screenshot FILE: saves the current dialog, frame and all, as PNG or BMP.
#include <windows.h>

#include "PngWriter.h"
#include "Scenario.h"

namespace scenario {
namespace {

constexpr int kMaxCaptures = 20;
constexpr DWORD kCapturePauseMs = 100;

// Copies the window's place on the screen; the window is brought to the
// front and repainted first.
bool Capture(HWND window, image::Rgb* out) {
    SetForegroundWindow(window);
    BringWindowToTop(window);
    // Without input focus on the X server the caption may be drawn
    // inactive; the picture shows the window as a user at it sees it.
    SendMessageA(window, WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    GdiFlush();
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap && bits;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT) != 0;
        SelectObject(memory, old);
    }
    if (ok) {
        out->width = width;
        out->height = height;
        out->pixels.resize(static_cast<size_t>(width) * height * 3);
        const uint8_t* p = static_cast<const uint8_t*>(bits);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            out->pixels[3 * i] = p[4 * i + 2];
            out->pixels[3 * i + 1] = p[4 * i + 1];
            out->pixels[3 * i + 2] = p[4 * i];
        }
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

Result Screenshot(const Args& args) {
    HWND dialog = CurrentDialog();
    if (!dialog) return Result::Fail("no dialog is open");
    image::Rgb picture;
    bool captured = false;
    // Wine copies what a window painted to its desktop a little later: the
    // picture is taken again until two in a row are the same.
    image::Rgb previous;
    for (int attempt = 0; attempt < kMaxCaptures; ++attempt) {
        OnMainThread([&] { captured = Capture(dialog, &picture); });
        if (!captured || (attempt > 0 && picture.pixels == previous.pixels)) break;
        previous = picture;
        Sleep(kCapturePauseMs);
    }
    if (!captured) return Result::Fail("cannot capture the dialog");
    if (!image::Save(picture, args[0])) return Result::Fail("cannot write " + args[0]);
    return Result{true,
                  "saved " + std::to_string(picture.width) + "x" + std::to_string(picture.height) + " to " + args[0]};
}

const CommandRegistrar kCommands{
    {"screenshot", "screenshot FILE.png|FILE.bmp", 1, 1, Screenshot},
};

}  // namespace
}  // namespace scenario
