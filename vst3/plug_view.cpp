#include "plug_view.h"

#include <cmath>
#include <cstring>

#include "vst3/edit_controller.h"

using namespace vst3;

namespace {
#ifdef _WIN32
const char* const kPlatformType = kPlatformHwnd;
#else
const char* const kPlatformType = kPlatformX11;
#endif
constexpr int kMillisecondsPerSecond = 1000;

IAttachedView* FaceOf(Vst3Controller* controller)
{
    IEffectBase* effect = controller->Effect();
    return effect != nullptr ? effect->EditorView() : nullptr;
}
}  // namespace

Vst3View::Vst3View(Vst3Controller* owner) : controller(owner)
{
    controller->addRef();
}

Vst3View::~Vst3View()
{
    removed();
    ReleaseFrame();
    controller->release();
}

tresult Vst3View::queryInterface(const char* iid, void** obj)
{
    return AnswerQuery(iid, obj,
                       {{&kFUnknownIid, static_cast<PlugView*>(this)},
                        {&kPlugViewIid, static_cast<PlugView*>(this)},
                        {&kPlugViewContentScaleSupportIid, static_cast<PlugViewContentScaleSupport*>(this)},
#ifndef _WIN32
                        {&kTimerHandlerIid, static_cast<ITimerHandler*>(this)},
                        {&kEventHandlerIid, static_cast<IEventHandler*>(this)},
#endif
                       });
}

tresult Vst3View::isPlatformTypeSupported(const char* type)
{
    return type != nullptr && std::strcmp(type, kPlatformType) == 0 ? kResultTrue : kResultFalse;
}

tresult Vst3View::attached(void* parent, const char* type)
{
    IAttachedView* face = FaceOf(controller);
    if (face == nullptr || parent == nullptr || isPlatformTypeSupported(type) != kResultTrue) {
        return kInvalidArgument;
    }
    if (open) {
        return kResultFalse;
    }
    if (!face->OpenWindow(parent)) {
        return kResultFalse;
    }
    open = true;
    controller->Effect()->OnEditorOpen();
    StartRunLoop();
    return kResultOk;
}

tresult Vst3View::removed()
{
    if (!open) {
        return kResultOk;
    }
    StopRunLoop();
    open = false;
    if (IAttachedView* face = FaceOf(controller)) {
        controller->Effect()->OnEditorClose();
        face->CloseWindow();
    }
    return kResultOk;
}

tresult Vst3View::onWheel(float distance)
{
    IAttachedView* face = FaceOf(controller);
    return face != nullptr && open && face->HostWheel(distance) != 0 ? kResultTrue : kResultFalse;
}

ViewRect Vst3View::FaceRect() const
{
    const IAttachedView* face = FaceOf(controller);
    return face != nullptr ? ViewRect{0, 0, face->Width(), face->Height()} : ViewRect{0, 0, 0, 0};
}

tresult Vst3View::getSize(ViewRect* size)
{
    if (size == nullptr) {
        return kInvalidArgument;
    }
    *size = FaceRect();
    return kResultOk;
}

tresult Vst3View::onSize(ViewRect* newSize)
{
    return newSize != nullptr ? kResultOk : kInvalidArgument;
}

tresult Vst3View::checkSizeConstraint(ViewRect* rect)
{
    if (rect == nullptr) {
        return kInvalidArgument;
    }
    const ViewRect face = FaceRect();
    rect->right = rect->left + face.right;
    rect->bottom = rect->top + face.bottom;
    return kResultOk;
}

tresult Vst3View::setContentScaleFactor(float factor)
{
    if (!(factor > 0.0f) || !std::isfinite(factor)) {
        return kInvalidArgument;
    }
    contentScale = factor;
    return kResultOk;
}

tresult Vst3View::setFrame(PlugFrame* newFrame)
{
    if (newFrame != nullptr) {
        newFrame->addRef();
    }
    StopRunLoop();
    ReleaseFrame();
    frame = newFrame;
#ifndef _WIN32
    if (frame != nullptr) {
        void* loop = nullptr;
        if (frame->queryInterface(kRunLoopIid.Data(), &loop) == kResultOk) {
            runLoop = static_cast<IRunLoop*>(loop);
        }
    }
    if (open) {
        StartRunLoop();
    }
#endif
    return kResultOk;
}

void Vst3View::ReleaseFrame()
{
#ifndef _WIN32
    if (runLoop != nullptr) {
        runLoop->release();
        runLoop = nullptr;
    }
#endif
    if (frame != nullptr) {
        frame->release();
        frame = nullptr;
    }
}

#ifdef _WIN32
// A Win32 child window keeps its own timer in the host's thread; nothing to register.
void Vst3View::StartRunLoop() {}
void Vst3View::StopRunLoop() {}
#else
void Vst3View::StartRunLoop()
{
    IAttachedView* face = FaceOf(controller);
    if (runLoop == nullptr || face == nullptr || !open) {
        return;
    }
    if (!timerRegistered) {
        const int rate = face->FrameRate() > 0 ? face->FrameRate() : 1;
        timerRegistered = runLoop->registerTimer(this, static_cast<uint64_t>(kMillisecondsPerSecond / rate)) ==
                          kResultOk;
    }
    const int descriptor = face->EventDescriptor();
    if (!descriptorRegistered && descriptor >= 0) {
        descriptorRegistered = runLoop->registerEventHandler(this, descriptor) == kResultOk;
    }
}

void Vst3View::StopRunLoop()
{
    if (runLoop == nullptr) {
        return;
    }
    if (timerRegistered) {
        runLoop->unregisterTimer(this);
        timerRegistered = false;
    }
    if (descriptorRegistered) {
        runLoop->unregisterEventHandler(this);
        descriptorRegistered = false;
    }
}

void Vst3View::onTimer()
{
    if (IAttachedView* face = FaceOf(controller); face != nullptr && open) {
        face->Idle();
    }
}

void Vst3View::onFDIsSet(int)
{
    onTimer();
}
#endif
