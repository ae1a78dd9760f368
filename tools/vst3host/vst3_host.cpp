#include "vst3_host.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

using namespace vst3;

namespace {
const char kProcessorCategory[] = "Audio Module Class";

#ifdef _WIN32
const char kPlatformFolder[] = "/Contents/x86_64-win/";
const char kModuleSuffix[] = ".vst3";
#else
const char kPlatformFolder[] = "/Contents/x86_64-linux/";
const char kModuleSuffix[] = ".so";
#endif

using ModuleEntryFunction = bool (*)(void*);
using ModuleCallFunction = bool (*)();
using FactoryFunction = PluginFactory* (*)();

template <typename Function>
Function SymbolAs(const PluginModule& module, const char* name)
{
    return reinterpret_cast<Function>(module.Symbol(name));
}

template <typename Interface>
void ReleaseInto(Interface*& pointer)
{
    if (pointer != nullptr) {
        pointer->release();
        pointer = nullptr;
    }
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

std::string FromUtf16(const char16* text, size_t maxUnits)
{
    std::string out;
    for (size_t i = 0; text != nullptr && i < maxUnits && text[i] != 0; ++i) {
        out.push_back(text[i] < 0x100 ? static_cast<char>(text[i]) : '?');
    }
    return out;
}

void ToUtf16(const std::string& text, char16* out, size_t outUnits)
{
    size_t n = 0;
    for (; n < text.size() && n + 1 < outUnits; ++n) {
        out[n] = static_cast<char16>(static_cast<unsigned char>(text[n]));
    }
    out[n] = 0;
}

tresult HostStream::read(void* buffer, int32_t numBytes, int32_t* numBytesRead)
{
    if (buffer == nullptr || numBytes < 0) {
        return kInvalidArgument;
    }
    const int64_t left = std::max<int64_t>(0, static_cast<int64_t>(bytes.size()) - position);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(numBytes, left));
    if (n > 0) {
        std::memcpy(buffer, bytes.data() + position, static_cast<size_t>(n));
    }
    position += n;
    if (numBytesRead != nullptr) {
        *numBytesRead = n;
    }
    return kResultOk;
}

tresult HostStream::write(void* buffer, int32_t numBytes, int32_t* numBytesWritten)
{
    if ((buffer == nullptr && numBytes > 0) || numBytes < 0) {
        return kInvalidArgument;
    }
    const size_t end = static_cast<size_t>(position) + static_cast<size_t>(numBytes);
    bytes.resize(std::max(bytes.size(), end));
    if (numBytes > 0) {
        std::memcpy(bytes.data() + position, buffer, static_cast<size_t>(numBytes));
    }
    position = static_cast<int64_t>(end);
    if (numBytesWritten != nullptr) {
        *numBytesWritten = numBytes;
    }
    return kResultOk;
}

tresult HostStream::seek(int64_t pos, int32_t mode, int64_t* result)
{
    const int64_t base = mode == kSeekSet ? 0 : mode == kSeekCur ? position : static_cast<int64_t>(bytes.size());
    if (mode < kSeekSet || mode > kSeekEnd || base + pos < 0) {
        return kInvalidArgument;
    }
    position = base + pos;
    if (result != nullptr) {
        *result = position;
    }
    return kResultOk;
}

tresult HostStream::tell(int64_t* pos)
{
    if (pos == nullptr) {
        return kInvalidArgument;
    }
    *pos = position;
    return kResultOk;
}

tresult HostValueQueue::getPoint(int32_t index, int32_t* sampleOffset, double* value)
{
    if (index < 0 || index >= getPointCount() || sampleOffset == nullptr || value == nullptr) {
        return kInvalidArgument;
    }
    *sampleOffset = points[static_cast<size_t>(index)].first;
    *value = points[static_cast<size_t>(index)].second;
    return kResultOk;
}

tresult HostValueQueue::addPoint(int32_t sampleOffset, double value, int32_t* index)
{
    points.emplace_back(sampleOffset, value);
    if (index != nullptr) {
        *index = getPointCount() - 1;
    }
    return kResultOk;
}

IParamValueQueue* HostParameterChanges::getParameterData(int32_t index)
{
    return index >= 0 && index < getParameterCount() ? queues[static_cast<size_t>(index)].get() : nullptr;
}

IParamValueQueue* HostParameterChanges::addParameterData(const ParamID* id, int32_t* index)
{
    if (id == nullptr) {
        return nullptr;
    }
    for (size_t i = 0; i < queues.size(); ++i) {
        if (queues[i]->id == *id) {
            if (index != nullptr) {
                *index = static_cast<int32_t>(i);
            }
            return queues[i].get();
        }
    }
    queues.push_back(std::make_unique<HostValueQueue>(*id));
    if (index != nullptr) {
        *index = getParameterCount() - 1;
    }
    return queues.back().get();
}

void HostParameterChanges::Add(ParamID id, int32_t offset, double value)
{
    addParameterData(&id, nullptr)->addPoint(offset, value, nullptr);
}

tresult RecordingHandler::beginEdit(ParamID id)
{
    edits.push_back({'b', id, 0.0});
    return kResultOk;
}

tresult RecordingHandler::performEdit(ParamID id, double valueNormalized)
{
    edits.push_back({'p', id, valueNormalized});
    return kResultOk;
}

tresult RecordingHandler::endEdit(ParamID id)
{
    edits.push_back({'e', id, 0.0});
    return kResultOk;
}

tresult RecordingHandler::restartComponent(int32_t flags)
{
    edits.push_back({'r', 0, static_cast<double>(flags)});
    return kResultOk;
}

std::string Vst3Bundle::ModulePath(const std::string& path)
{
    if (path.find(kPlatformFolder) != std::string::npos) {
        return path;
    }
    std::string bundle = path;
    while (bundle.size() > 1 && bundle.back() == '/') {
        bundle.pop_back();
    }
    const size_t slash = bundle.find_last_of('/');
    std::string name = bundle.substr(slash == std::string::npos ? 0 : slash + 1);
    if (EndsWith(name, ".vst3")) {
        name.resize(name.size() - 5);
    }
    return bundle + kPlatformFolder + name + kModuleSuffix;
}

Vst3Bundle::Vst3Bundle(const std::string& path)
{
    const std::string file = ModulePath(path);
    module = std::make_unique<PluginModule>(file);
    if (!module->Loaded()) {
        error = module->Error();
        return;
    }
#ifdef _WIN32
    auto enter = SymbolAs<ModuleCallFunction>(*module, "InitDll");
    entered = enter == nullptr || enter();
#else
    auto enter = SymbolAs<ModuleEntryFunction>(*module, "ModuleEntry");
    entered = enter != nullptr && enter(nullptr);
#endif
    if (!entered) {
        error = file + ": the module's entry refused to start (or is missing)";
        return;
    }
    auto get = SymbolAs<FactoryFunction>(*module, "GetPluginFactory");
    factory = get != nullptr ? get() : nullptr;
    if (factory == nullptr) {
        error = file + ": no plug-in factory (GetPluginFactory missing or null)";
    }
}

Vst3Bundle::~Vst3Bundle()
{
    ReleaseInto(factory);
    if (entered) {
#ifdef _WIN32
        if (auto leave = SymbolAs<ModuleCallFunction>(*module, "ExitDll")) {
            leave();
        }
#else
        if (auto leave = SymbolAs<ModuleCallFunction>(*module, "ModuleExit")) {
            leave();
        }
#endif
    }
}

int Vst3Bundle::FindClass(const char* category) const
{
    for (int32_t i = 0; factory != nullptr && i < factory->countClasses(); ++i) {
        PClassInfo info = {};
        if (factory->getClassInfo(i, &info) == kResultOk && std::strncmp(info.category, category, sizeof info.category) == 0) {
            return i;
        }
    }
    return -1;
}

Vst3Instance::Vst3Instance(const Vst3Bundle& bundle)
{
    if (!bundle.Loaded()) {
        error = bundle.Error();
        return;
    }
    Create(bundle);
    if (Ok()) {
        Connect();
    }
}

void Vst3Instance::Create(const Vst3Bundle& bundle)
{
    const int index = bundle.FindClass(kProcessorCategory);
    PClassInfo info = {};
    if (index < 0 || bundle.Factory()->getClassInfo(index, &info) != kResultOk) {
        error = "the factory lists no audio module class";
        return;
    }
    void* object = nullptr;
    if (bundle.Factory()->createInstance(info.cid, kComponentIid.Data(), &object) != kResultOk || object == nullptr) {
        error = "the factory made no component";
        return;
    }
    component = static_cast<IComponent*>(object);
    if (component->initialize(nullptr) != kResultOk) {
        error = "the component refused to initialise";
        return;
    }
    object = nullptr;
    if (component->queryInterface(kAudioProcessorIid.Data(), &object) != kResultOk || object == nullptr) {
        error = "the component has no audio processor";
        return;
    }
    processor = static_cast<IAudioProcessor*>(object);
    object = nullptr;
    if (component->queryInterface(kEditControllerIid.Data(), &object) != kResultOk) {
        char controllerId[16] = {};
        if (component->getControllerClassId(controllerId) == kResultOk) {
            bundle.Factory()->createInstance(controllerId, kEditControllerIid.Data(), &object);
        }
    }
    controller = static_cast<IEditController*>(object);
    if (controller == nullptr) {
        error = "the plug-in has no edit controller";
        return;
    }
    controllerInitialised = controller->initialize(nullptr) == kResultOk;
    if (!controllerInitialised) {
        error = "the controller refused to initialise";
    }
}

void Vst3Instance::Connect()
{
    controller->setComponentHandler(&handler);
    HostStream state;
    if (component->getState(&state) == kResultOk) {
        state.position = 0;
        controller->setComponentState(&state);
    }
}

Vst3Instance::~Vst3Instance()
{
    Stop();
    if (controller != nullptr) {
        controller->setComponentHandler(nullptr);
        if (controllerInitialised) {
            controller->terminate();
        }
    }
    ReleaseInto(controller);
    ReleaseInto(processor);
    if (component != nullptr) {
        component->terminate();
    }
    ReleaseInto(component);
}

bool Vst3Instance::Start(double rate, int maxBlock, bool sample64, SpeakerArrangement arrangement)
{
    if (!Activate(rate, maxBlock, sample64, arrangement)) {
        return false;
    }
    SetProcessing(true);
    return true;
}

void Vst3Instance::Stop()
{
    SetProcessing(false);
    Deactivate();
}

bool Vst3Instance::Activate(double rate, int maxBlock, bool sample64, SpeakerArrangement arrangement)
{
    Stop();
    SpeakerArrangement in = arrangement;
    SpeakerArrangement out = arrangement;
    if (processor->setBusArrangements(&in, 1, &out, 1) != kResultOk) {
        error = "the plug-in refused the bus arrangement";
        return false;
    }
    sampleSize = sample64 ? kSample64 : kSample32;
    ProcessSetup setup = {kOffline, sampleSize, maxBlock, rate};
    if (processor->canProcessSampleSize(sampleSize) != kResultOk || processor->setupProcessing(&setup) != kResultOk) {
        error = "the plug-in refused the processing setup";
        return false;
    }
    component->activateBus(kAudio, kInput, 0, 1);
    component->activateBus(kAudio, kOutput, 0, 1);
    component->setActive(1);
    active = true;
    return true;
}

void Vst3Instance::Deactivate()
{
    if (active) {
        component->setActive(0);
        active = false;
        processing = false;
    }
}

void Vst3Instance::SetProcessing(bool on)
{
    if (active && processing != on) {
        processor->setProcessing(on ? 1 : 0);
        processing = on;
    }
}

template <typename Sample>
tresult Vst3Instance::Process(Sample** inputs, Sample** outputs, int channels, int frames, IParameterChanges* changes,
                              IParameterChanges* reported)
{
    AudioBusBuffers in = {};
    AudioBusBuffers out = {};
    in.numChannels = out.numChannels = channels;
    if constexpr (std::is_same_v<Sample, double>) {
        in.channelBuffers64 = inputs;
        out.channelBuffers64 = outputs;
    } else {
        in.channelBuffers32 = inputs;
        out.channelBuffers32 = outputs;
    }
    ProcessData data = {};
    data.processMode = kOffline;
    data.symbolicSampleSize = sampleSize;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    data.inputParameterChanges = changes;
    data.outputParameterChanges = reported;
    return processor->process(&data);
}

tresult Vst3Instance::Process64(double** inputs, double** outputs, int channels, int frames,
                                IParameterChanges* changes, IParameterChanges* reported)
{
    return Process(inputs, outputs, channels, frames, changes, reported);
}

tresult Vst3Instance::Process32(float** inputs, float** outputs, int channels, int frames,
                                IParameterChanges* changes, IParameterChanges* reported)
{
    return Process(inputs, outputs, channels, frames, changes, reported);
}

tresult Vst3Instance::Flush(IParameterChanges* changes)
{
    ProcessData data = {};
    data.processMode = kOffline;
    data.symbolicSampleSize = sampleSize;
    data.inputParameterChanges = changes;
    return processor->process(&data);
}

std::vector<uint8_t> Vst3Instance::State()
{
    HostStream stream;
    if (component->getState(&stream) != kResultOk) {
        return {};
    }
    return stream.bytes;
}

bool Vst3Instance::SetState(const std::vector<uint8_t>& bytes)
{
    HostStream forProcessor(bytes);
    if (component->setState(&forProcessor) != kResultOk) {
        return false;
    }
    HostStream forController(bytes);
    return controller->setComponentState(&forController) == kResultOk;
}

int Vst3Instance::ParameterCount()
{
    return controller->getParameterCount();
}

ParameterInfo Vst3Instance::ParameterAt(int index)
{
    ParameterInfo info = {};
    controller->getParameterInfo(index, &info);
    return info;
}

std::string Vst3Instance::ValueText(ParamID id, double normalized)
{
    char16 text[128] = {};
    if (controller->getParamStringByValue(id, normalized, text) != kResultOk) {
        return {};
    }
    return FromUtf16(text, 128);
}

bool Vst3Instance::ValueFromText(ParamID id, const std::string& text, double& normalized)
{
    char16 wide[128] = {};
    ToUtf16(text, wide, 128);
    return controller->getParamValueByString(id, wide, &normalized) == kResultOk;
}
