// ruckhost snapshot: a plug-in's editor face as a PNG, painted by the plug-in's own
// drawing code (through Ruckstone's vendor request; no window is opened).
#include <cstdio>
#include <vector>

#include "commands.h"
#include "host_error.h"
#include "raster/png_writer.h"
#include "raster/raster_bitmap.h"
#include "settings.h"
#include "vst/vendor_extensions.h"

namespace {
// A surface over the pixels the plug-in painted, for the PNG writer.
class PixelView : public RasterBitmap {
public:
    PixelView(std::vector<uint32_t>& pixels, int width, int height) : pixels(pixels), width(width), height(height) {}
    Pixel32* Pixels() override { return pixels.data(); }
    int Width() const override { return width; }
    int Height() const override { return height; }
    int StridePixels() const override { return width; }
    bool Resize(int, int) override { return false; }

private:
    std::vector<uint32_t>& pixels;
    int width;
    int height;
};

constexpr int kMaxEditorSide = 8192;

std::vector<uint32_t> PaintFace(const PluginInstance& plugin, int& width, int& height)
{
    ERect* rect = nullptr;
    if (!plugin.HasFlag(effFlagsHasEditor) || plugin.Dispatch(effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr) {
        throw HostError(plugin.Path() + " has no editor");
    }
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    if (width <= 0 || height <= 0 || width > kMaxEditorSide || height > kMaxEditorSide) {
        throw HostError(plugin.Path() + " reports an editor size of " + std::to_string(width) + " x " +
                        std::to_string(height));
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    RuckSnapshot snapshot = {width, height, pixels.data()};
    if (plugin.Dispatch(effVendorSpecific, kRuckSnapshotIndex, 0, &snapshot) != 1) {
        throw HostError(plugin.Path() + " does not paint its editor for snapshots");
    }
    return pixels;
}
}  // namespace

int RunSnapshot(const std::vector<std::string>& args)
{
    const Arguments arguments(args, kSettingOptions);
    arguments.ExpectPositionals(2, 2, "ruckhost snapshot PLUGIN OUT.png [options]");
    const std::string& out = arguments.Positionals()[1];
    const PluginLibrary library(arguments.Positionals()[0]);
    PluginInstance plugin(library);
    ApplySettings(plugin, arguments);
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels = PaintFace(plugin, width, height);
    PixelView face(pixels, width, height);
    if (!SavePngFile(face, out.c_str())) {
        throw HostError("cannot write " + out);
    }
    std::printf("saved the %d x %d editor of %s into %s\n", width, height, library.Path().c_str(), out.c_str());
    return 0;
}
