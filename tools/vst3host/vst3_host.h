// The host's side of VST 3 for ruckhost and the binary tests: a bundle loaded as hosts load
// it, the objects a host lends a plug-in (byte streams, parameter changes, a component
// handler that records edits) and one instance wired up and driven through its interfaces.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plugin_module.h"
#include "vst3/vst3_abi.h"

// A host object that lives in its owner: counted for the plug-in's sake, never deleted by it.
template <typename Interface>
class HostObject : public Interface {
public:
    uint32_t addRef() override { return ++count; }
    uint32_t release() override { return --count; }

protected:
    vst3::tresult Answer(const char* iid, void** obj, const vst3::Uid& own)
    {
        if (obj == nullptr) {
            return vst3::kInvalidArgument;
        }
        *obj = nullptr;
        if (!vst3::kFUnknownIid.Is(iid) && !own.Is(iid)) {
            return vst3::kNoInterface;
        }
        addRef();
        *obj = static_cast<Interface*>(this);
        return vst3::kResultOk;
    }

private:
    uint32_t count = 1;
};

class HostStream final : public HostObject<vst3::IBStream> {
public:
    HostStream() = default;
    explicit HostStream(std::vector<uint8_t> contents) : bytes(std::move(contents)) {}

    vst3::tresult queryInterface(const char* iid, void** obj) override { return Answer(iid, obj, vst3::kBStreamIid); }
    vst3::tresult read(void* buffer, int32_t numBytes, int32_t* numBytesRead) override;
    vst3::tresult write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) override;
    vst3::tresult seek(int64_t pos, int32_t mode, int64_t* result) override;
    vst3::tresult tell(int64_t* pos) override;

    std::vector<uint8_t> bytes;
    int64_t position = 0;
};

class HostValueQueue final : public HostObject<vst3::IParamValueQueue> {
public:
    explicit HostValueQueue(vst3::ParamID id) : id(id) {}

    vst3::tresult queryInterface(const char* iid, void** obj) override
    {
        return Answer(iid, obj, vst3::kParamValueQueueIid);
    }
    vst3::ParamID getParameterId() override { return id; }
    int32_t getPointCount() override { return static_cast<int32_t>(points.size()); }
    vst3::tresult getPoint(int32_t index, int32_t* sampleOffset, double* value) override;
    vst3::tresult addPoint(int32_t sampleOffset, double value, int32_t* index) override;

    vst3::ParamID id;
    std::vector<std::pair<int32_t, double>> points;
};

class HostParameterChanges final : public HostObject<vst3::IParameterChanges> {
public:
    vst3::tresult queryInterface(const char* iid, void** obj) override
    {
        return Answer(iid, obj, vst3::kParameterChangesIid);
    }
    int32_t getParameterCount() override { return static_cast<int32_t>(queues.size()); }
    vst3::IParamValueQueue* getParameterData(int32_t index) override;
    vst3::IParamValueQueue* addParameterData(const vst3::ParamID* id, int32_t* index) override;

    // Adds a point to the parameter's queue (made on first use).
    void Add(vst3::ParamID id, int32_t offset, double value);
    void Clear() { queues.clear(); }

    std::vector<std::unique_ptr<HostValueQueue>> queues;
};

struct HostEdit {
    char kind;  // 'b' begin, 'p' perform, 'e' end, 'r' restart
    vst3::ParamID id;
    double value;
};

class RecordingHandler final : public HostObject<vst3::IComponentHandler> {
public:
    vst3::tresult queryInterface(const char* iid, void** obj) override
    {
        return Answer(iid, obj, vst3::kComponentHandlerIid);
    }
    vst3::tresult beginEdit(vst3::ParamID id) override;
    vst3::tresult performEdit(vst3::ParamID id, double valueNormalized) override;
    vst3::tresult endEdit(vst3::ParamID id) override;
    vst3::tresult restartComponent(int32_t flags) override;

    std::vector<HostEdit> edits;
};

// A bundle folder (or its module file directly) loaded, entered and asked for its factory.
class Vst3Bundle {
public:
    explicit Vst3Bundle(const std::string& path);
    ~Vst3Bundle();
    Vst3Bundle(const Vst3Bundle&) = delete;
    Vst3Bundle& operator=(const Vst3Bundle&) = delete;

    // The module file inside a bundle folder for this platform; a file path stays as it is.
    static std::string ModulePath(const std::string& path);
    bool Loaded() const { return factory != nullptr; }
    const std::string& Error() const { return error; }
    vst3::PluginFactory* Factory() const { return factory; }
    // The first class of the category, or -1.
    int FindClass(const char* category) const;

private:
    std::unique_ptr<PluginModule> module;
    vst3::PluginFactory* factory = nullptr;
    bool entered = false;
    std::string error;
};

// One effect as a host runs it: processor and controller created, initialised, connected
// through the handler and synchronised, then set up and driven block by block.
class Vst3Instance {
public:
    explicit Vst3Instance(const Vst3Bundle& bundle);
    ~Vst3Instance();
    Vst3Instance(const Vst3Instance&) = delete;
    Vst3Instance& operator=(const Vst3Instance&) = delete;

    bool Ok() const { return error.empty(); }
    const std::string& Error() const { return error; }

    // Bus arrangements, sample size, rate and block; then active and processing.
    bool Start(double rate, int maxBlock, bool sample64, vst3::SpeakerArrangement arrangement);
    void Stop();
    // Start and Stop in the halves a threaded host calls apart: set up and made active on
    // the main thread, processing switched on and off on the audio thread.
    bool Activate(double rate, int maxBlock, bool sample64, vst3::SpeakerArrangement arrangement);
    void Deactivate();
    void SetProcessing(bool on);
    // `changes` go in, `reported` takes the processor's output changes (both may be null).
    vst3::tresult Process64(double** inputs, double** outputs, int channels, int frames,
                            vst3::IParameterChanges* changes = nullptr, vst3::IParameterChanges* reported = nullptr);
    vst3::tresult Process32(float** inputs, float** outputs, int channels, int frames,
                            vst3::IParameterChanges* changes = nullptr, vst3::IParameterChanges* reported = nullptr);

    // A flush: no frames and no buffers, only the changes (the instance started).
    vst3::tresult Flush(vst3::IParameterChanges* changes);

    std::vector<uint8_t> State();
    // Processor first, then the controller, as hosts restore projects.
    bool SetState(const std::vector<uint8_t>& bytes);

    int ParameterCount();
    vst3::ParameterInfo ParameterAt(int index);
    std::string ValueText(vst3::ParamID id, double normalized);
    bool ValueFromText(vst3::ParamID id, const std::string& text, double& normalized);

    vst3::IComponent* component = nullptr;
    vst3::IAudioProcessor* processor = nullptr;
    vst3::IEditController* controller = nullptr;
    RecordingHandler handler;

private:
    template <typename Sample>
    vst3::tresult Process(Sample** inputs, Sample** outputs, int channels, int frames,
                          vst3::IParameterChanges* changes, vst3::IParameterChanges* reported);
    void Create(const Vst3Bundle& bundle);
    void Connect();

    int32_t sampleSize = vst3::kSample64;
    bool active = false;
    bool processing = false;
    bool controllerInitialised = false;
    std::string error;
};

// UTF-16 text to 8 bits and back (the texts here are ASCII).
std::string FromUtf16(const vst3::char16* text, size_t maxUnits);
void ToUtf16(const std::string& text, vst3::char16* out, size_t outUnits);
