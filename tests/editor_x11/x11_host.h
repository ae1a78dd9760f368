// A test host for the plug-in binary as Linux hosts run it: top-level X windows for the
// editors, idle calls from the test's thread, input through xdotool, window pixels read
// back, and a log of what the plug-in asked of the host.
#pragma once

#include <X11/Xlib.h>

#include <mutex>
#include <string>
#include <vector>

#include "vst/vst_abi.h"

struct LoggedRequest {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    float opt;
};

class X11Host {
public:
    X11Host();
    ~X11Host();
    X11Host(const X11Host&) = delete;
    X11Host& operator=(const X11Host&) = delete;

    bool Ready() const { return display != nullptr && entry != nullptr; }

    AEffect* OpenInstance();
    void CloseInstance(AEffect* effect);
    // A mapped top-level window at (x, y) on the screen.
    Window MakeWindow(int x, int y, int width, int height);
    VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr);
    bool OpenEditor(AEffect* effect, Window parent);
    // Calls effEditIdle on every instance every 10 ms for about ms milliseconds.
    void IdleFor(int ms);
    // The windows inside a window (the editor, once opened).
    std::vector<Window> Children(Window parent);
    // The 0xRRGGBB pixels of a window's area.
    std::vector<uint32_t> Pixels(Window window, int width, int height);

    std::vector<LoggedRequest> Requests();
    // The logged requests of one opcode for an instance, in order.
    std::vector<LoggedRequest> Requests(AEffect* effect, VstInt32 opcode);
    void ClearRequests();

    Display* display = nullptr;

private:
    static VstIntPtr Callback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    void* module = nullptr;
    AEffect* (*entry)(audioMasterCallback) = nullptr;
    std::vector<AEffect*> instances;
    std::vector<Window> windows;
};

// Runs xdotool with the words of a command line (split at spaces); true when it succeeded.
bool Xdo(const std::string& words);
