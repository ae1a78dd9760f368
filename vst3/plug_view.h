// The editor as a VST 3 view: the controller's effect face opened in the host's window
// (an HWND on Windows, an X11 window ID on Linux). On Linux the host's run loop drives it:
// a timer at the face's frame rate and the X connection's file descriptor.
#pragma once

#include "vst3/com_object.h"

class Vst3Controller;

class Vst3View final : public vst3::PlugView,
                       public vst3::PlugViewContentScaleSupport
#ifndef _WIN32
    ,
                       public vst3::ITimerHandler,
                       public vst3::IEventHandler
#endif
{
public:
    explicit Vst3View(Vst3Controller* controller);
    Vst3View(const Vst3View&) = delete;
    Vst3View& operator=(const Vst3View&) = delete;

    vst3::tresult queryInterface(const char* iid, void** obj) override;
    uint32_t addRef() override { return refs.Add(); }
    uint32_t release() override { return refs.Release(this); }

    vst3::tresult isPlatformTypeSupported(const char* type) override;
    vst3::tresult attached(void* parent, const char* type) override;
    vst3::tresult removed() override;
    vst3::tresult onWheel(float distance) override;
    vst3::tresult onKeyDown(vst3::char16, int16_t, int16_t) override { return vst3::kResultFalse; }
    vst3::tresult onKeyUp(vst3::char16, int16_t, int16_t) override { return vst3::kResultFalse; }
    vst3::tresult getSize(vst3::ViewRect* size) override;
    vst3::tresult onSize(vst3::ViewRect* newSize) override;
    vst3::tresult onFocus(vst3::TBool) override { return vst3::kResultOk; }
    vst3::tresult setFrame(vst3::PlugFrame* frame) override;
    vst3::tresult canResize() override { return vst3::kResultFalse; }
    vst3::tresult checkSizeConstraint(vst3::ViewRect* rect) override;

    // Stored for the day the face draws at other scales; it draws at 1 for now.
    vst3::tresult setContentScaleFactor(float factor) override;
    float ContentScale() const { return contentScale; }

#ifndef _WIN32
    void onTimer() override;
    void onFDIsSet(int fd) override;
#endif

private:
    friend class vst3::RefCount;
    ~Vst3View();
    vst3::ViewRect FaceRect() const;
    void StartRunLoop();
    void StopRunLoop();
    void ReleaseFrame();

    vst3::RefCount refs;
    Vst3Controller* controller;
    vst3::PlugFrame* frame = nullptr;
    bool open = false;
    float contentScale = 1.0f;
#ifndef _WIN32
    vst3::IRunLoop* runLoop = nullptr;
    bool timerRegistered = false;
    bool descriptorRegistered = false;
#endif
};
