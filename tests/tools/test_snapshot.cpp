// ruckhost snapshot: the face saved as a PNG, settings applied first, and the refusals.
#include <gtest/gtest.h>

#include <memory>

#include "raster/png_loader.h"
#include "tool_test_support.h"

namespace {
std::unique_ptr<RasterBitmap> Load(const std::string& path)
{
    return std::unique_ptr<RasterBitmap>(LoadPngFromFile(path.c_str(), nullptr));
}
}  // namespace

TEST(Snapshot, SavesTheFaceAfterTheSettings)
{
    ScratchFolder folder;
    const std::string plain = folder.File("plain.png");
    const std::string turned = folder.File("turned.png");
    ASSERT_EQ(RunCaptured({"snapshot", RUCK_PLUGIN_PATH, plain}).code, 0);
    ASSERT_EQ(RunCaptured({"snapshot", RUCK_PLUGIN_PATH, turned, "--program", "Decimator", "--set", "Amount=100"}).code,
              0);
    auto a = Load(plain);
    auto b = Load(turned);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Width(), 454);
    EXPECT_EQ(a->Height(), 296);
    int changed = 0;
    for (int y = 0; y < 296; ++y) {
        for (int x = 0; x < 454; ++x) {
            changed += RasterRow(*a, y)[x] != RasterRow(*b, y)[x];
        }
    }
    EXPECT_GT(changed, 500);  // knobs, switch frames and read-outs moved
}

TEST(Snapshot, RefusesAndLeavesNoFile)
{
    ScratchFolder folder;
    const std::string out = folder.File("face.png");
    const CommandResult unknown = RunCaptured({"snapshot", RUCK_PLUGIN_PATH, out, "--program", "No such"});
    EXPECT_NE(unknown.code, 0);
    EXPECT_FALSE(FileExists(out));
    const CommandResult unwritable = RunCaptured({"snapshot", RUCK_PLUGIN_PATH, folder.File("missing/face.png")});
    EXPECT_NE(unwritable.code, 0);
    EXPECT_NE(unwritable.Message().find("cannot write"), std::string::npos);
    EXPECT_NE(RunCaptured({"snapshot", RUCK_NULL_ENTRY_PATH, out}).code, 0);
    EXPECT_FALSE(FileExists(out));
}
