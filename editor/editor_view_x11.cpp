#include "editor_view_x11.h"

#include "raster/png_loader.h"

IEditorView* CreatePlatformEditorView(IEffectBase* plug, int width, int height, int frameRate)
{
    return new IEditorViewX11(plug, width, height, frameRate);
}

IEditorViewX11::IEditorViewX11(IEffectBase* plug, int width, int height, int frameRate)
    : IEditorView(plug, width, height, frameRate)
{
}

// Without a window there is no timer to count down: the gesture ends at once.
void IEditorViewX11::StartGestureCountdown(int)
{
    if (plug) {
        plug->EndPendingWheelEdit();
    }
}

RasterBitmap* IEditorViewX11::LoadImageResource(int id, const char*)
{
    return LoadPngFromResource(nullptr, id, nullptr);
}
