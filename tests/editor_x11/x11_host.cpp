#include "x11_host.h"

#include <X11/Xutil.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "x_server.h"

namespace {
// The plug-in may call back from its own timer thread, so the log is shared.
std::mutex logMutex;
std::vector<LoggedRequest> requestLog;

void WaitForMap(Display* display, Window window)
{
    XEvent event;
    do {
        XWindowEvent(display, window, StructureNotifyMask, &event);
    } while (event.type != MapNotify);
}
}  // namespace

X11Host::X11Host()
{
    display = XOpenDisplay(nullptr);
    module = dlopen(RUCK_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (module != nullptr) {
        entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(module, "VSTPluginMain"));
    }
    ClearRequests();
}

X11Host::~X11Host()
{
    while (!instances.empty()) {
        CloseInstance(instances.back());
    }
    if (display != nullptr) {
        for (Window w : windows) {
            XDestroyWindow(display, w);
        }
        XCloseDisplay(display);
    }
    if (module != nullptr) {
        dlclose(module);
    }
}

AEffect* X11Host::OpenInstance()
{
    AEffect* effect = entry(&X11Host::Callback);
    if (effect != nullptr) {
        instances.push_back(effect);
        Dispatch(effect, effOpen);
    }
    return effect;
}

void X11Host::CloseInstance(AEffect* effect)
{
    instances.erase(std::remove(instances.begin(), instances.end(), effect), instances.end());
    Dispatch(effect, effClose);
}

Window X11Host::MakeWindow(int x, int y, int width, int height)
{
    const int screen = DefaultScreen(display);
    const Window w = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(width),
                                         static_cast<unsigned>(height), 0, 0, WhitePixel(display, screen));
    XSelectInput(display, w, StructureNotifyMask);
    XMapWindow(display, w);
    WaitForMap(display, w);
    windows.push_back(w);
    return w;
}

VstIntPtr X11Host::Dispatch(AEffect* effect, VstInt32 opcode, VstIntPtr value, void* ptr)
{
    return effect->dispatcher(effect, opcode, 0, value, ptr, 0.0f);
}

bool X11Host::OpenEditor(AEffect* effect, Window parent)
{
    return Dispatch(effect, effEditOpen, 0, reinterpret_cast<void*>(parent)) == 1;
}

void X11Host::IdleFor(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        for (AEffect* effect : instances) {
            Dispatch(effect, effEditIdle);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
}

std::vector<Window> X11Host::Children(Window parent)
{
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, parent, &root, &up, &children, &count)) {
        result.assign(children, children + count);
        XFree(children);
    }
    return result;
}

std::vector<uint32_t> X11Host::Pixels(Window window, int width, int height)
{
    std::vector<uint32_t> pixels;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr) {
        return pixels;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
        }
    }
    XDestroyImage(image);
    return pixels;
}

VstIntPtr X11Host::Callback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    {
        std::lock_guard<std::mutex> guard(logMutex);
        requestLog.push_back(LoggedRequest{e, opcode, index, opt});
    }
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::vector<LoggedRequest> X11Host::Requests()
{
    std::lock_guard<std::mutex> guard(logMutex);
    return requestLog;
}

std::vector<LoggedRequest> X11Host::Requests(AEffect* effect, VstInt32 opcode)
{
    std::vector<LoggedRequest> matching;
    for (const LoggedRequest& r : Requests()) {
        if (r.effect == effect && r.opcode == opcode) {
            matching.push_back(r);
        }
    }
    return matching;
}

void X11Host::ClearRequests()
{
    std::lock_guard<std::mutex> guard(logMutex);
    requestLog.clear();
}

bool Xdo(const std::string& words)
{
    std::vector<std::string> argv = {"xdotool"};
    std::istringstream in(words);
    for (std::string word; in >> word;) {
        argv.push_back(word);
    }
    return RunProgram(argv) == 0;
}
