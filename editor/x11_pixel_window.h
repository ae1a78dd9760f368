// A child window whose pixels are copied from a raster surface: through a shared-memory
// image when the server offers one, else with plain XPutImage.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include "editor/editor_types.h"

class X11Connection;

class X11PixelWindow {
public:
    X11PixelWindow() = default;
    ~X11PixelWindow();
    X11PixelWindow(const X11PixelWindow&) = delete;
    X11PixelWindow& operator=(const X11PixelWindow&) = delete;

    // Creates and maps the window inside parent; false (and nothing made) on failure.
    bool Create(X11Connection& connection, Window parent, const IBounds& place, long eventMask);
    void Destroy();
    bool Exists() const { return window != 0; }
    Window Id() const { return window; }

    // The window's area, from (0, 0).
    const IBounds& Area() const { return size; }
    // Changes the window's size where it stands (never below one pixel).
    void Resize(int width, int height);

    // Copies the area of source to the same place in the window.
    void Show(RasterBitmap& source, const IBounds& area);

private:
    void AttachSharedImage(int width, int height);
    void ReleaseSharedImage();
    void ShowShared(RasterBitmap& source, const IBounds& area);
    void ShowPlain(RasterBitmap& source, const IBounds& area);

    X11Connection* connection = nullptr;
    Window window = 0;
    GC gc = nullptr;
    IBounds size;
    XImage* shared = nullptr;
    XShmSegmentInfo segment = {};
};
