#include "x11_connection.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace {
// Our connections and the errors seen on each. The handler is process-wide, so errors of
// any other connection go on to whatever handler was installed before ours.
struct ErrorBook {
    std::mutex mutex;
    std::vector<std::pair<Display*, int>> counts;
    XErrorHandler chained = nullptr;

    ~ErrorBook()
    {
        // The module may be unloaded: hand the process its previous handler back.
        const XErrorHandler current = XSetErrorHandler(chained);
        if (current != &ErrorBook::OnError) {
            XSetErrorHandler(current);
        }
    }

    static int OnError(Display* display, XErrorEvent* event);
};

ErrorBook& Book()
{
    static ErrorBook book;
    return book;
}

int ErrorBook::OnError(Display* display, XErrorEvent* event)
{
    ErrorBook& book = Book();
    XErrorHandler chained;
    {
        std::lock_guard<std::mutex> guard(book.mutex);
        for (auto& entry : book.counts) {
            if (entry.first == display) {
                ++entry.second;
                return 0;
            }
        }
        chained = book.chained;
    }
    return chained ? chained(display, event) : 0;
}

void Register(Display* display)
{
    ErrorBook& book = Book();
    std::lock_guard<std::mutex> guard(book.mutex);
    book.counts.emplace_back(display, 0);
    const XErrorHandler previous = XSetErrorHandler(&ErrorBook::OnError);
    if (previous != &ErrorBook::OnError) {
        book.chained = previous;
    }
}

void Unregister(Display* display)
{
    ErrorBook& book = Book();
    std::lock_guard<std::mutex> guard(book.mutex);
    auto& counts = book.counts;
    counts.erase(std::remove_if(counts.begin(), counts.end(), [&](const auto& e) { return e.first == display; }),
                 counts.end());
}
}  // namespace

X11Connection::~X11Connection()
{
    Close();
}

bool X11Connection::Open()
{
    Close();
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    Register(display);
    if (!PickVisual()) {
        Close();
        return false;
    }
    sharedImages = XShmQueryExtension(display) && ImageByteOrder(display) == LSBFirst;
    return true;
}

// Pixels are copied as they lie in memory (0xAARRGGBB words, low byte first), so the
// window needs exactly that channel layout, whatever the host's own window uses.
bool X11Connection::PickVisual()
{
    XVisualInfo info;
    if (!XMatchVisualInfo(display, DefaultScreen(display), 24, TrueColor, &info) || info.red_mask != 0xFF0000 ||
        info.green_mask != 0xFF00 || info.blue_mask != 0xFF) {
        return false;
    }
    visual = info.visual;
    colourMap = XCreateColormap(display, RootWindow(display, DefaultScreen(display)), visual, AllocNone);
    return true;
}

void X11Connection::Close()
{
    if (display == nullptr) {
        return;
    }
    if (colourMap != 0) {
        XFreeColormap(display, colourMap);
    }
    XSync(display, False);
    Unregister(display);
    XCloseDisplay(display);
    display = nullptr;
    visual = nullptr;
    colourMap = 0;
    sharedImages = false;
}

int X11Connection::ErrorCount() const
{
    ErrorBook& book = Book();
    std::lock_guard<std::mutex> guard(book.mutex);
    for (const auto& entry : book.counts) {
        if (entry.first == display) {
            return entry.second;
        }
    }
    return 0;
}

bool X11Connection::SyncSince(int errorCount)
{
    XSync(display, False);
    return ErrorCount() == errorCount;
}
