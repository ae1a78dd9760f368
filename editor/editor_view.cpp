#include "editor_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "editor/control.h"
#include "editor/font_cache.h"
#include "editor/image_cache.h"
#include "plug/host_codes.h"
#include "raster/blend.h"
#include "raster/raster_font.h"

namespace {
// The blit mode for a blend method; a missing blend draws with source alpha at full weight.
BlendMode ModeFor(const IBlend* blend)
{
    switch (blend ? blend->method : 0) {
    case 1:
        return BlendCopy;
    case 2:
        return BlendAdd | BlendUseSourceAlpha;
    case 3:
        return BlendDodge | BlendUseSourceAlpha;
    default:
        return BlendCopy | BlendUseSourceAlpha;
    }
}

float WeightFor(const IBlend* blend)
{
    return blend ? blend->weight : 1.0f;
}
}  // namespace

IEditorView::IEditorView(IEffectBase* plug, int width, int height, int frameRate)
    : plug(plug), width(width), height(height), frameRate(frameRate > 0 ? frameRate : kDefaultFrameRate),
      hostValueCount(plug ? plug->ParameterCount() : 0)
{
    hostValues.reset(new std::atomic<double>[static_cast<size_t>(hostValueCount)]);
    for (int i = 0; i < hostValueCount; ++i) {
        hostValues[i].store(std::nan(""), std::memory_order_relaxed);
    }
}

IEditorView::~IEditorView() = default;

void IEditorView::ResetMouse()
{
    captureIndex = -1;
    lastMouseX = -1;
    lastMouseY = -1;
}

void IEditorView::EndGesturesAndEntry()
{
    EndGesturesForClose();
    DestroyTextEntry();
    DropTextEntry();
}

bool IEditorView::TakesFocus() const
{
    return plug != nullptr && plug->IdentifyHost() == kHostAcoustica;
}

int IEditorView::HostWheel(float)
{
    return 0;
}

// Any thread, never waits: the value waits in its slot for the editor's thread.
void IEditorView::SetControlsFromParam(int index, double value, bool normalized)
{
    if (index < 0 || index >= hostValueCount || std::isnan(value)) {
        return;
    }
    if (!normalized) {
        value = plug->Parameter(index)->NormalizedOf(value);
    }
    hostValues[index].store(value, std::memory_order_relaxed);
    hostValuesWaiting.store(true, std::memory_order_release);
}

void IEditorView::ApplyHostValues()
{
    if (!hostValuesWaiting.exchange(false, std::memory_order_acquire)) {
        return;
    }
    for (int index = 0; index < hostValueCount; ++index) {
        const double value = hostValues[index].exchange(std::nan(""), std::memory_order_relaxed);
        if (!std::isnan(value)) {
            MoveControlsOf(index, value);
        }
    }
}

void IEditorView::MoveControlsOf(int index, double value)
{
    for (int i = 0; i < controls.Count(); ++i) {
        IControl* control = controls.Get(i);
        if (control->ParamIndex() == index) {
            control->ValueFromHost(value);
        }
    }
}

void IEditorView::Resize(int newWidth, int newHeight)
{
    EndGesturesAndEntry();
    width = newWidth;
    height = newHeight;
    ResetMouse();
    controls.DeleteAll();
    if (plug) {
        plug->EditorResized();
    }
    if (backBuffer) {
        backBuffer->Resize(width, height);
    }
}

// The values pushed as the view is attached are the controls' first ones, their defaults.
void IEditorView::PrepareBackBuffer()
{
    backBuffer = std::make_unique<DibBitmap>(width, height);
    ApplyHostValues();
}

bool IEditorView::Snapshot(uint32_t* pixels, int w, int h)
{
    std::lock_guard<std::recursive_mutex> guard(viewLock);
    if (pixels == nullptr || w != width || h != height || !backBuffer || backBuffer->Pixels() == nullptr) {
        return false;
    }
    PaintArea(IBounds{0, 0, width, height});
    for (int y = 0; y < height; ++y) {
        const Pixel32* row = RasterRow(*backBuffer, y);
        std::copy(row, row + width, pixels + static_cast<size_t>(y) * width);
    }
    return true;
}

int IEditorView::AddControl(IControl* control)
{
    if (control == nullptr) {
        return -1;
    }
    if (!controls.Add(control)) {
        delete control;
        return -1;
    }
    return controls.Count() - 1;
}

bool IEditorView::SetBackground(int id, const char* fileName)
{
    const IImageStrip image = LoadImage(id, fileName, 1);
    IBlend copy;
    copy.method = 1;
    auto* background = new (std::nothrow) IBitmapControl(plug, image, true, copy);
    if (background == nullptr) {
        return false;
    }
    if (!controls.Insert(0, background)) {
        delete background;
        return false;
    }
    return true;
}

IImageStrip IEditorView::LoadImage(int id, const char* fileName, int frames)
{
    IImageStrip image;
    image.bitmap = FindOrLoadImage(id, [&] { return LoadImageResource(id, fileName); });
    if (image.bitmap != nullptr) {
        image.width = image.bitmap->Width();
        image.height = image.bitmap->Height();
    }
    image.frames = std::max(1, frames);
    return image;
}

IImageStrip IEditorView::CropImage(const IImageStrip& image, const IBounds& area)
{
    IImageStrip crop;
    crop.frames = image.frames;
    if (image.bitmap == nullptr || area.Width() <= 0 || area.Height() <= 0) {
        return crop;
    }
    auto* bitmap = new MemoryBitmap(area.Width(), area.Height(), 4);
    Blit(bitmap, image.bitmap, 0, 0, area.left, area.top, area.Width(), area.Height(), 1.0f, BlendCopy);
    AdoptImage(kCroppedImageId, bitmap);
    crop.bitmap = bitmap;
    crop.width = area.Width();
    crop.height = area.Height();
    return crop;
}

bool IEditorView::DrawFrame(const IImageStrip& image, const IBounds& dest, int frame, const IBlend* blend,
                            bool framesVertical)
{
    int srcX = 0;
    int srcY = 0;
    if (image.frames >= 2 && frame >= 2) {
        // Multiplied before dividing: size x (frame - 1) is exact, so an offset of exactly half
        // a pixel rounds up instead of landing a hair below.
        const auto offset = [&](int size) {
            return static_cast<int>(std::floor(static_cast<double>(size) * (frame - 1) / image.frames + 0.5));
        };
        if (framesVertical) {
            srcY = offset(image.height);
        } else {
            srcX = offset(image.width);
        }
    }
    return DrawImageAt(image, dest, srcX, srcY, blend);
}

bool IEditorView::DrawImageAt(const IImageStrip& image, const IBounds& dest, int srcX, int srcY,
                              const IBlend* blend)
{
    const IBounds area = dest.Intersect(drawArea);
    if (area.Empty() || image.bitmap == nullptr || !backBuffer) {
        return true;
    }
    Blit(backBuffer.get(), image.bitmap, area.left, area.top, srcX + area.left - dest.left,
         srcY + area.top - dest.top, area.Width(), area.Height(), WeightFor(blend), ModeFor(blend));
    return true;
}

bool IEditorView::DrawRotated(const IImageStrip& image, int centreX, int centreY, double angle,
                              const IBlend* blend, float srcX, float srcY)
{
    if (image.bitmap == nullptr || !backBuffer) {
        return true;
    }
    const int x = static_cast<int>(static_cast<float>(centreX) - static_cast<float>(image.width / 2));
    const int y = static_cast<int>(static_cast<float>(centreY) - static_cast<float>(image.height / 2));
    RotatedBlit(backBuffer.get(), image.bitmap, x, y, image.width, image.height, srcX, srcY,
                static_cast<float>(image.width), static_cast<float>(image.height), static_cast<float>(angle),
                false, WeightFor(blend), ModeFor(blend) | BlendBilinear, 0.0f, 0.0f);
    return true;
}

bool IEditorView::FillArea(const IArgb& colour, const IBounds& area, const IBlend* blend)
{
    if (!backBuffer) {
        return true;
    }
    const BlendMode mode = blend ? ModeFor(blend) : BlendUseSourceAlpha;
    FillRect(backBuffer.get(), area.left, area.top, area.Width(), area.Height(), colour.Packed(),
             WeightFor(blend), mode);
    return true;
}

bool IEditorView::DrawLabel(ITextStyle& style, const char* text, const IBounds& area)
{
    if (text == nullptr || text[0] == 0) {
        return true;
    }
    if (style.cachedFont == nullptr) {
        style.cachedFont = FindOrCreateFont(style.size, style.orientation, style.style, style.quality, style.face);
        if (style.cachedFont == nullptr) {
            return false;
        }
    }
    CachedFont& font = *style.cachedFont;
    font.SetTextColour(style.colour.Packed());
    TextFormat format = TextNoClip;
    if ((style.colour.a & 255) != 255) {
        format |= TextScaleByColourAlpha;
    }
    if (style.alignment == 1) {
        format |= TextCenter;
    } else if (style.alignment != 0) {
        format |= TextRight;
    }
    RasterRect rect = {area.left, area.top, area.right, area.bottom};
    font.RenderText(backBuffer.get(), text, -1, &rect, format);
    return true;
}

bool IEditorView::CollectDirty(IBounds& out) const
{
    out = IBounds{};
    bool dirty = false;
    for (int i = 0; i < controls.Count(); ++i) {
        const IControl* control = controls.Get(i);
        if (control->NeedsRedraw()) {
            out = out.Union(control->DrawRect());
            dirty = true;
        }
    }
    return dirty;
}

bool IEditorView::PaintArea(const IBounds& area)
{
    ApplyHostValues();
    if (controls.Count() == 0) {
        return true;
    }
    drawArea = area;
    for (int i = 0; i < controls.Count(); ++i) {
        IControl* control = controls.Get(i);
        const IBounds& rect = control->DrawRect();
        if (!control->Hidden() && !area.Empty() && !rect.Empty() && rect.Overlaps(area)) {
            control->Draw(*this);
        }
    }
    for (int i = 0; i < controls.Count(); ++i) {
        controls.Get(i)->MarkClean();
    }
    return ShowArea(area);
}

void IEditorView::MarkAllDirty()
{
    for (int i = 0; i < controls.Count(); ++i) {
        controls.Get(i)->MarkDirty(false);
    }
}

int IEditorView::ControlAt(int x, int y) const
{
    if (captureIndex != -1) {
        return captureIndex;
    }
    for (int i = controls.Count() - 1; i >= 0; --i) {
        const IControl* control = controls.Get(i);
        if (!control->Hidden() && !control->Greyed() && control->HitTest(x, y)) {
            return i;
        }
    }
    return -1;
}

void IEditorView::MouseDown(int x, int y, const IMouseKeys& keys)
{
    ApplyHostValues();
    ResetMouse();
    const int i = ControlAt(x, y);
    if (i < 0) {
        return;
    }
    captureIndex = i;
    lastMouseX = x;
    lastMouseY = y;
    IControl* control = controls.Get(i);
    BeginMouseGesture(control->ParamIndex());
    control->MouseDown(x, y, keys);
}

void IEditorView::MouseUp(int x, int y, const IMouseKeys& keys)
{
    const int i = ControlAt(x, y);
    ResetMouse();
    if (i >= 0) {
        controls.Get(i)->MouseUp(x, y, keys);
    }
    EndMouseGesture();
}

void IEditorView::MouseDrag(int x, int y, const IMouseKeys& keys)
{
    ApplyHostValues();
    if (captureIndex < 0 || (x == lastMouseX && y == lastMouseY)) {
        return;
    }
    const int dX = x - lastMouseX;
    const int dY = y - lastMouseY;
    lastMouseX = x;
    lastMouseY = y;
    controls.Get(captureIndex)->MouseDrag(x, y, dX, dY, keys);
}

void IEditorView::MouseDoubleClick(int x, int y, const IMouseKeys& keys)
{
    ApplyHostValues();
    ResetMouse();
    const int i = ControlAt(x, y);
    if (i < 0) {
        return;
    }
    IControl* control = controls.Get(i);
    BeginMouseGesture(control->ParamIndex());
    control->MouseDoubleClick(x, y, keys);
}

void IEditorView::MouseWheel(int x, int y, const IMouseKeys& keys, int steps)
{
    ApplyHostValues();
    const int i = ControlAt(x, y);
    if (i < 0) {
        return;
    }
    IControl* control = controls.Get(i);
    const int param = control->ParamIndex();
    if (param >= 0 && plug) {
        plug->BeginWheelEdit(param);
    }
    control->MouseWheel(x, y, keys, steps);
    if (param >= 0 && plug) {
        SnapToSteppedParameter(*control);
        plug->ScheduleWheelEditEnd(param);
    }
}

// A stepped parameter keeps only whole steps: the control shows the step it landed on, so
// the next click or wheel step starts from there rather than from between two steps.
void IEditorView::SnapToSteppedParameter(IControl& control)
{
    const IParameter* parameter = plug->Parameter(control.ParamIndex());
    if (parameter != nullptr && parameter->type != kTypeDouble) {
        control.ValueFromHost(plug->HostParameterValue(control.ParamIndex()));
    }
}

void IEditorView::BeginMouseGesture(int param)
{
    EndMouseGesture();
    if (param >= 0 && plug) {
        plug->BeginEdit(param);
        mouseGestureParam = param;
    }
}

void IEditorView::EndGesturesForClose()
{
    EndMouseGesture();
    if (gestureEndCountdown > 0 && plug) {
        plug->EndPendingWheelEdit();
    }
    gestureEndCountdown = 0;
}

void IEditorView::EndMouseGesture()
{
    const int param = mouseGestureParam;
    mouseGestureParam = -1;
    if (param >= 0 && plug) {
        plug->EndEdit(param);
    }
}

void IEditorView::KeyDown(int x, int y, int key)
{
    const int i = ControlAt(x, y);
    if (i >= 0) {
        controls.Get(i)->KeyDown(x, y, key);
    }
}

void IEditorView::ApplyEnteredText(IControl* control, const IParameter* parameter, const char* text)
{
    if (control == nullptr) {
        return;
    }
    const int param = control->ParamIndex();
    if (param >= 0 && plug) {
        plug->BeginEdit(param);
    }
    const double value = parameter ? parameter->ParseValue(text) : 0.0;
    control->ValueFromTextEntry(parameter && std::isfinite(value) ? parameter->NormalizedOf(value) : control->Value());
    if (param >= 0 && plug) {
        plug->EndEdit(param);
    }
}

int KeyCodeForVirtualKey(int virtualKey)
{
    switch (virtualKey) {
    case 32:
        return kKeySpace;
    case 38:
        return kKeyUp;
    case 40:
        return kKeyDown;
    case 37:
        return kKeyLeft;
    case 39:
        return kKeyRight;
    default:
        break;
    }
    if (virtualKey >= '0' && virtualKey <= '9') {
        return virtualKey - 43;
    }
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return virtualKey - 50;
    }
    return -1;
}

void IEditorView::TimerTick()
{
    ApplyHostValues();
    if (TextEntryOpen()) {
        if (textEntryState == kEntryTyping) {
            textEntryState = kEntryIdle;
        } else if (textEntryState == kEntryCommit) {
            ApplyEnteredText(entryControl, entryParameter, TextEntryText().c_str());
            FinishTextEntry();
        } else if (textEntryState == kEntryCancel) {
            FinishTextEntry();
        }
    }
    RedrawDirty();
    if (gestureEndCountdown > 0 && --gestureEndCountdown == 0 && plug) {
        plug->EndPendingWheelEdit();
    }
}

void IEditorView::RememberTextEntry(IControl* control, IParameter* parameter)
{
    entryControl = control;
    entryParameter = parameter;
}

void IEditorView::FinishTextEntry()
{
    if (entryControl != nullptr) {
        // The value goes to the host again, inside an edit of its own.
        const int param = entryControl->ParamIndex();
        if (param >= 0 && plug) {
            plug->BeginEdit(param);
        }
        entryControl->MarkDirty(true);
        if (param >= 0 && plug) {
            plug->EndEdit(param);
        }
        entryControl->SetPendingRedraw();
    }
    DestroyTextEntry();
    DropTextEntry();
}

void IEditorView::DropTextEntry()
{
    entryControl = nullptr;
    entryParameter = nullptr;
    textEntryState = kEntryIdle;
}

ITextEntryLayout IEditorView::EntryLayout(const IControl& control, const IParameter& parameter)
{
    std::lock_guard<std::recursive_mutex> guard(plug->Lock());
    return LayoutTextEntry(control, parameter);
}

ITextEntryLayout LayoutTextEntry(const IControl& control, const IParameter& parameter)
{
    ITextEntryLayout layout;
    const IBounds& rect = control.DrawRect();
    layout.centreX = static_cast<int>(static_cast<float>(rect.left + rect.right) * 0.5f);
    layout.centreY = static_cast<int>(static_cast<float>(rect.top + rect.bottom) * 0.5f);
    char text[64];
    parameter.FormatValue(parameter.value, false, text, sizeof text);
    layout.current = text;
    const int n = parameter.ValueTextCount();
    layout.list = n > 0 && (parameter.type == kTypeEnum || parameter.type == kTypeBool);
    if (layout.list) {
        for (int i = 0; i < n; ++i) {
            layout.items.emplace_back(parameter.ValueText(i));
            if (layout.items.back() == layout.current) {
                layout.selected = i;
            }
        }
    } else {
        parameter.FormatValue(1.0, true, text, sizeof text);
        layout.editWidth = std::max(32, 7 * static_cast<int>(std::strlen(text)) + 6);
    }
    return layout;
}
