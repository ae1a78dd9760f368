#include "control.h"

#include <cmath>

#include "editor/editor_view.h"
#include "plug/effect_base.h"
#include "plug/parameter.h"

IControl::IControl(IEffectBase* plug, const IBounds& rect, int paramIndex)
    : plug(plug), drawRect(rect), targetRect(rect), paramIndex(paramIndex)
{
}

IEditorView* IControl::View() const
{
    return plug ? static_cast<IEditorView*>(plug->EditorView()) : nullptr;
}

const IParameter* IControl::Parameter() const
{
    return plug && paramIndex >= 0 ? plug->Parameter(paramIndex) : nullptr;
}

void IControl::MouseDown(int, int, const IMouseKeys& keys)
{
    if (keys.right) {
        PromptForValue();
    }
}

void IControl::MouseUp(int, int, const IMouseKeys&) {}

void IControl::MouseDrag(int, int, int, int, const IMouseKeys&) {}

void IControl::MouseDoubleClick(int, int, const IMouseKeys&)
{
    if (defaultValue >= 0.0) {
        value = defaultValue;
        MarkDirty(true);
    }
}

void IControl::MouseWheel(int, int, const IMouseKeys& keys, int steps)
{
    value += steps * (keys.shift || keys.control ? 0.001 : 0.01);
    MarkDirty(true);
}

void IControl::KeyDown(int, int, int) {}

void IControl::ValueFromHost(double v)
{
    if (defaultValue < 0.0) {
        defaultValue = v;
    } else if (v == value) {
        return;
    }
    value = v;
    MarkDirty(false);
    pendingRedraw = 1;
}

void IControl::ValueFromTextEntry(double v)
{
    value = v;
    MarkDirty(true);
    pendingRedraw = 1;
}

void IControl::SetHidden(bool hide)
{
    hidden = hide ? 1 : 0;
    pendingRedraw = 1;
    MarkDirty(false);
}

void IControl::SetGreyed(bool grey)
{
    greyed = grey ? 1 : 0;
    blend.weight = grey ? 0.25f : 1.0f;
    MarkDirty(false);
}

bool IControl::HitTest(int x, int y) const
{
    return targetRect.Contains(x, y);
}

void IControl::MarkDirty(bool push)
{
    if (value < clampLow) {
        value = clampLow;
    } else if (value > clampHigh) {
        value = clampHigh;
    }
    redraw = 1;
    if (push && plug != nullptr && paramIndex >= 0) {
        plug->SetParameterFromEditor(paramIndex, value);
    }
}

void IControl::MarkClean()
{
    redraw = pendingRedraw;
    pendingRedraw = 0;
}

void IControl::PromptForValue()
{
    IEditorView* view = View();
    IParameter* parameter = plug && paramIndex >= 0 ? plug->Parameter(paramIndex) : nullptr;
    if (view != nullptr && parameter != nullptr) {
        view->PromptForParameter(this, parameter);
        pendingRedraw = 1;
    }
}

IKnobControl::IKnobControl(IEffectBase* plug, const IBounds& rect, int paramIndex, double gearing)
    : IControl(plug, rect, paramIndex), gearing(gearing)
{
}

void IKnobControl::MouseDrag(int, int, int, int dY, const IMouseKeys& keys)
{
    double g = gearing;
    if (keys.shift || keys.control) {
        g *= 10.0;
    }
    value += dY / static_cast<double>(drawRect.top - drawRect.bottom) / g;
    MarkDirty(true);
}

int FrameForValue(int frames, double value)
{
    if (frames < 2) {
        return 1;
    }
    const double k = std::floor((frames - 1) * value + 0.5) + 1.0;
    if (!(k >= 1.0)) {
        return 1;
    }
    return k > frames ? frames : static_cast<int>(k);
}

IBitmapControl::IBitmapControl(IEffectBase* plug, const IImageStrip& image, bool framesVertical,
                               const IBlend& imageBlend)
    : IControl(plug, IBounds{0, 0, image.width, image.height}), framesVertical(framesVertical), image(image)
{
    blend = imageBlend;
}

bool IBitmapControl::Draw(IEditorView& view)
{
    return view.DrawFrame(image, drawRect, FrameForValue(image.frames, value), &blend, framesVertical);
}

IUrlControl::IUrlControl(IEffectBase* plug, const IBounds& rect, const char* primary, const char* fallback,
                         const char* messageTitle)
    : IControl(plug, rect)
{
    CopyTextField(address, sizeof address, primary);
    CopyTextField(fallbackAddress, sizeof fallbackAddress, fallback);
    CopyTextField(title, sizeof title, messageTitle);
}

void IUrlControl::MouseDown(int, int, const IMouseKeys&)
{
    IEditorView* view = View();
    if (view == nullptr) {
        return;
    }
    const bool opened = address[0] != 0 && view->OpenWebPage(address, title, nullptr, nullptr);
    if (!opened && fallbackAddress[0] != 0) {
        view->OpenWebPage(fallbackAddress, title, nullptr, nullptr);
    }
}
