// A VST2 module as a hosted plug-in: an instance driven through its dispatcher, with
// ruckhost's own state files, the standard preset files and, for Ruckstone, the vendor
// request 'RkSn' that paints the editor's face.
#pragma once

#include <memory>
#include <string>

#include "hosted_plugin.h"
#include "plugin_host.h"

class Vst2Plugin final : public HostedPlugin {
public:
    // Drives an instance that lives elsewhere.
    explicit Vst2Plugin(PluginInstance& instance);
    // Opens an instance of the library and owns it.
    explicit Vst2Plugin(const PluginLibrary& library);

    const char* Format() const override { return "VST2"; }
    std::vector<std::string> ProgramNames() override;
    void SelectProgram(int index) override;
    std::vector<std::string> ParameterNames() override;
    void SetParameter(int index, const std::string& value) override;
    std::vector<uint8_t> SaveState() override;
    void LoadState(const std::vector<uint8_t>& bytes, const std::string& name) override;
    bool TakesPresetFiles() const override { return true; }
    void LoadPresetFile(const std::vector<uint8_t>& bytes, const std::string& name) override;
    std::vector<uint8_t> SavePresetFile(bool bank) override;
    void CheckRenderable(size_t channels, bool doublePrecision) const override;
    RenderPins Start(size_t channels, double rate, int block, bool doublePrecision) override;
    void Process(float** inputs, float** outputs, int frames) override;
    void Process(double** inputs, double** outputs, int frames) override;
    void Stop() override;
    bool ProcessesDouble() const override;
    FacePixels PaintFace() override;

private:
    std::unique_ptr<PluginInstance> owned;
    PluginInstance& plugin;
};

std::unique_ptr<PluginFile> LoadVst2File(const std::string& path);
