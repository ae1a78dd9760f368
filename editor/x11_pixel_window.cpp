#include "x11_pixel_window.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>

#include "editor/x11_connection.h"

X11PixelWindow::~X11PixelWindow()
{
    Destroy();
}

bool X11PixelWindow::Create(X11Connection& conn, Window parent, const IBounds& place, long eventMask)
{
    Destroy();
    connection = &conn;
    Display* display = conn.Get();
    const int errors = conn.ErrorCount();
    XSetWindowAttributes attributes = {};
    attributes.colormap = conn.ColourMap();
    attributes.border_pixel = 0;
    attributes.background_pixmap = None;
    attributes.event_mask = eventMask;
    window = XCreateWindow(display, parent, place.left, place.top, static_cast<unsigned>(place.Width()),
                           static_cast<unsigned>(place.Height()), 0, 24, InputOutput, conn.TrueColour(),
                           CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attributes);
    gc = XCreateGC(display, window, 0, nullptr);
    size = IBounds{0, 0, place.Width(), place.Height()};
    XMapWindow(display, window);
    if (!conn.SyncSince(errors)) {
        Destroy();
        return false;
    }
    if (conn.OffersSharedImages()) {
        AttachSharedImage(place.Width(), place.Height());
    }
    return true;
}

void X11PixelWindow::Destroy()
{
    if (connection == nullptr) {
        return;
    }
    Display* display = connection->Get();
    ReleaseSharedImage();
    if (gc != nullptr) {
        XFreeGC(display, gc);
        gc = nullptr;
    }
    if (window != 0) {
        XDestroyWindow(display, window);
        window = 0;
    }
    connection = nullptr;
}

void X11PixelWindow::Resize(int width, int height)
{
    if (window == 0) {
        return;
    }
    width = std::max(1, width);
    height = std::max(1, height);
    XResizeWindow(connection->Get(), window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    size = IBounds{0, 0, width, height};
    if (shared != nullptr) {
        ReleaseSharedImage();
        AttachSharedImage(width, height);
    }
}

// A segment the size of the window. It is marked for removal as soon as the server has
// attached it, so it cannot outlive the process whatever happens.
void X11PixelWindow::AttachSharedImage(int width, int height)
{
    Display* display = connection->Get();
    shared = XShmCreateImage(display, connection->TrueColour(), 24, ZPixmap, nullptr, &segment,
                             static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (shared == nullptr) {
        return;
    }
    segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(shared->bytes_per_line) * static_cast<size_t>(height),
                           IPC_CREAT | 0600);
    void* memory = segment.shmid >= 0 ? shmat(segment.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
    if (memory == reinterpret_cast<void*>(-1)) {
        if (segment.shmid >= 0) {
            shmctl(segment.shmid, IPC_RMID, nullptr);
        }
        XDestroyImage(shared);
        shared = nullptr;
        segment = {};
        return;
    }
    segment.shmaddr = shared->data = static_cast<char*>(memory);
    segment.readOnly = False;
    const int errors = connection->ErrorCount();
    XShmAttach(display, &segment);
    const bool attached = connection->SyncSince(errors);
    shmctl(segment.shmid, IPC_RMID, nullptr);
    if (!attached) {
        segment.shmid = -1;  // the server holds nothing to detach
        ReleaseSharedImage();
    }
}

void X11PixelWindow::ReleaseSharedImage()
{
    if (shared == nullptr) {
        return;
    }
    if (segment.shmid >= 0) {
        XShmDetach(connection->Get(), &segment);
        XSync(connection->Get(), False);
    }
    shmdt(segment.shmaddr);
    shared->data = nullptr;
    XDestroyImage(shared);
    shared = nullptr;
    segment = {};
}

void X11PixelWindow::Show(RasterBitmap& source, const IBounds& area)
{
    const IBounds clipped = area.Intersect(IBounds{0, 0, source.Width(), source.Height()}).Intersect(size);
    if (window == 0 || clipped.Empty() || source.Pixels() == nullptr) {
        return;
    }
    if (shared != nullptr) {
        ShowShared(source, clipped);
    } else {
        ShowPlain(source, clipped);
    }
}

// The server reads the segment asynchronously: wait for it before the next copy in.
void X11PixelWindow::ShowShared(RasterBitmap& source, const IBounds& area)
{
    const Pixel32* pixels = source.Pixels();
    const size_t rowBytes = static_cast<size_t>(area.Width()) * 4;
    for (int y = area.top; y < area.bottom; ++y) {
        const Pixel32* from = pixels + static_cast<size_t>(y) * source.StridePixels() + area.left;
        std::memcpy(shared->data + static_cast<size_t>(y) * shared->bytes_per_line + area.left * 4, from, rowBytes);
    }
    XShmPutImage(connection->Get(), window, gc, shared, area.left, area.top, area.left, area.top,
                 static_cast<unsigned>(area.Width()), static_cast<unsigned>(area.Height()), False);
    XSync(connection->Get(), False);
}

// An image header over the surface's own rows; only the area travels to the server.
void X11PixelWindow::ShowPlain(RasterBitmap& source, const IBounds& area)
{
    Display* display = connection->Get();
    XImage* image = XCreateImage(display, connection->TrueColour(), 24, ZPixmap, 0,
                                 reinterpret_cast<char*>(source.Pixels()), static_cast<unsigned>(source.Width()),
                                 static_cast<unsigned>(source.Height()), 32, source.StridePixels() * 4);
    if (image == nullptr) {
        return;
    }
    image->byte_order = LSBFirst;
    XPutImage(display, window, gc, image, area.left, area.top, area.left, area.top,
              static_cast<unsigned>(area.Width()), static_cast<unsigned>(area.Height()));
    image->data = nullptr;
    XDestroyImage(image);
}
