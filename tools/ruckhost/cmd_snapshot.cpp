// ruckhost snapshot: a plug-in's editor face as a PNG, painted by the plug-in's own
// drawing code (Ruckstone's VST2 vendor request or its CLAP extension; no window opens).
#include <cstdio>
#include <vector>

#include "commands.h"
#include "host_error.h"
#include "hosted_plugin.h"
#include "raster/png_writer.h"
#include "raster/raster_bitmap.h"
#include "settings.h"

namespace {
// A surface over the pixels the plug-in painted, for the PNG writer.
class PixelView : public RasterBitmap {
public:
    explicit PixelView(FacePixels& face) : face(face) {}
    Pixel32* Pixels() override { return face.pixels.data(); }
    int Width() const override { return face.width; }
    int Height() const override { return face.height; }
    int StridePixels() const override { return face.width; }
    bool Resize(int, int) override { return false; }

private:
    FacePixels& face;
};
}  // namespace

int RunSnapshot(const std::vector<std::string>& args)
{
    const Arguments arguments(args, kSettingOptions);
    arguments.ExpectPositionals(2, 2, "ruckhost snapshot PLUGIN OUT.png [options]");
    const std::string& out = arguments.Positionals()[1];
    const OpenedPlugin plugin(arguments.Positionals()[0]);
    ApplySettings(*plugin, arguments);
    FacePixels face = plugin->PaintFace();
    PixelView view(face);
    if (!SavePngFile(view, out.c_str())) {
        throw HostError("cannot write " + out);
    }
    std::printf("saved the %d x %d editor of %s into %s\n", face.width, face.height, plugin->Path().c_str(),
                out.c_str());
    return 0;
}
