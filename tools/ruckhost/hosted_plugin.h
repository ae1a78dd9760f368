// A plug-in as the commands drive it, whatever its format: a VST2 module, a VST3 bundle or
// a CLAP file. Programs, parameters and states for the settings, blocks of audio for the
// renders and timings, and the editor's face; the format is chosen by the path.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The channel buffers Start asks for: `inputs` and `outputs` pointers a block, of which the
// first `channels` outputs are the result.
struct RenderPins {
    int inputs = 0;
    int outputs = 0;
    size_t channels = 0;
};

// The editor's face, 0xAARRGGBB, top row first.
struct FacePixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

class HostedPlugin {
public:
    explicit HostedPlugin(std::string path) : path(std::move(path)) {}
    virtual ~HostedPlugin() = default;
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    const std::string& Path() const { return path; }
    // "VST2", "VST3" or "CLAP".
    virtual const char* Format() const = 0;

    // The programs (a CLAP plug-in's presets) by index; selecting one applies it.
    virtual std::vector<std::string> ProgramNames() = 0;
    virtual void SelectProgram(int index) = 0;
    virtual std::vector<std::string> ParameterNames() = 0;
    // A value as the user types it: a display text or number as the plug-in shows it, or
    // normalised with the suffix n (0.5n). Refuses values out of range and unknown texts.
    virtual void SetParameter(int index, const std::string& value) = 0;

    // What --save-state writes and --state reads; `name` is how messages refer to the bytes.
    virtual std::vector<uint8_t> SaveState() = 0;
    virtual void LoadState(const std::vector<uint8_t>& bytes, const std::string& name) = 0;
    // The VST 2.4 preset files (.fxp, .fxb), tied to a VST2 plug-in ID; other formats
    // refuse them with one line, as CheckPresetFiles does.
    virtual bool TakesPresetFiles() const { return false; }
    void CheckPresetFiles() const;
    virtual void LoadPresetFile(const std::vector<uint8_t>& bytes, const std::string& name);
    virtual std::vector<uint8_t> SavePresetFile(bool bank);

    // Refuses an input of `channels` channels, or the precision, before anything starts.
    virtual void CheckRenderable(size_t channels, bool doublePrecision) const;
    // Ready for blocks of up to `block` frames of `channels` (1 or 2) channels of input.
    virtual RenderPins Start(size_t channels, double rate, int block, bool doublePrecision) = 0;
    virtual void Process(float** inputs, float** outputs, int frames) = 0;
    virtual void Process(double** inputs, double** outputs, int frames) = 0;
    virtual void Stop() = 0;
    virtual bool ProcessesDouble() const = 0;

    // Painted by the plug-in's own drawing code without a window; refuses plug-ins that
    // offer no such request.
    virtual FacePixels PaintFace() = 0;

protected:
    // For formats whose state files hold the plug-in's own state bytes: refuses an empty
    // state, and a state the plug-in did not take.
    std::vector<uint8_t> OwnState(std::vector<uint8_t> bytes) const;
    void CheckStateTaken(bool taken, const std::string& name) const;

private:
    std::string path;
};

// Pixels for a face of the size a plug-in reports; refuses an empty size or more than
// 8192 pixels a side.
FacePixels BlankFace(const HostedPlugin& plugin, long width, long height);

// A plug-in binary loaded once; every instance comes from it.
class PluginFile {
public:
    virtual ~PluginFile() = default;
    virtual const std::string& Path() const = 0;
    virtual std::unique_ptr<HostedPlugin> Open() const = 0;
};

// A .vst3 path as a VST3 bundle, a .clap path as a CLAP file, anything else as a VST2
// module; refuses files that are not plug-ins of that format.
std::unique_ptr<PluginFile> LoadPluginFile(const std::string& path);

// A file loaded and one instance of it opened, for commands that need only one.
struct OpenedPlugin {
    explicit OpenedPlugin(const std::string& path) : file(LoadPluginFile(path)), plugin(file->Open()) {}
    HostedPlugin* operator->() const { return plugin.get(); }
    HostedPlugin& operator*() const { return *plugin; }

    std::unique_ptr<PluginFile> file;
    std::unique_ptr<HostedPlugin> plugin;
};
