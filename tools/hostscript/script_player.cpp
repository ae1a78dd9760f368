#include "script_player.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "vst/vendor_extensions.h"

namespace {
// Requests an instance makes from inside the entry point, before its record knows us.
thread_local ScriptPlayer* constructing = nullptr;

constexpr uint8_t kCanary = 0xA5;
constexpr size_t kHostTextBytes = 256;
constexpr size_t kTextGuardBytes = 64;
constexpr size_t kGuardFrames = 16;
constexpr int kMaxFrames = 1 << 14;
constexpr int kMaxChannels = 64;
constexpr int kMaxCheckedParameters = 4096;
constexpr int kPoliteBlock = 512;
constexpr int kLargestBlock = 1 << 20;
constexpr int kStateCheckFrames = 4096;
constexpr size_t kMaxNotes = 8;
constexpr int kMaxSnapshotSide = 1024;
constexpr VstInt32 kWheelIndex = 0x73744341;     // 'stCA'
constexpr VstIntPtr kWheelValue = 0x57686565;    // 'Whee'
constexpr float kFloatInf = std::numeric_limits<float>::infinity();
constexpr float kFloatNan = std::numeric_limits<float>::quiet_NaN();

const char* const kHostProducts[] = {"ruckhost", "REAPER", "Ardour", "Cubase VST", "FL Studio", "Live",
                                     "Forte",    "Adobe Audition", "Carla", ""};

template <typename T, size_t N>
T Choose(const T (&table)[N], uint8_t choice)
{
    return table[choice % N];
}

std::vector<char> CanaryText(size_t bytes = kHostTextBytes)
{
    return std::vector<char>(bytes + kTextGuardBytes, static_cast<char>(kCanary));
}

bool AllCanary(const char* bytes, size_t count)
{
    return std::all_of(bytes, bytes + count, [](char c) { return static_cast<uint8_t>(c) == kCanary; });
}

// A small deterministic generator for the test signals.
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed * 2654435761u + 1u) {}
    double Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }

private:
    uint32_t state;
};

template <typename T>
T SignalSample(SignalKind kind, Noise& noise)
{
    switch (kind) {
    case SignalKind::Noise:
        return static_cast<T>(noise.Next());
    case SignalKind::Dc:
        return T(0.75);
    case SignalKind::Loud:
        return static_cast<T>(1000.0 * noise.Next());
    case SignalKind::Denormal:
        return std::numeric_limits<T>::denorm_min() * static_cast<T>(1 + (noise.Next() + 1.0) * 500.0);
    default:
        return T(0);
    }
}

VstSpeakerArrangement ArrangementOf(ArrangementKind kind)
{
    VstSpeakerArrangement arrangement = {};
    static const VstInt32 kChannels[] = {0, 1, 2, 0, 8, -1, 100000};
    static const VstInt32 kTypes[] = {0, kSpeakerArrMono, kSpeakerArrStereo, kSpeakerArrEmpty,
                                      kSpeakerArrUserDefined, kSpeakerArrUserDefined, kSpeakerArrUserDefined};
    arrangement.numChannels = kChannels[static_cast<int>(kind)];
    arrangement.type = kTypes[static_cast<int>(kind)];
    return arrangement;
}

}  // namespace

// Channel buffers with guard zones on both sides, and the pointer arrays a host hands over.
template <typename T>
struct BlockBuffers {
    BlockBuffers(int inputs, int outputs, int frames)
        : frames(static_cast<size_t>(frames)),
          pool(static_cast<size_t>(inputs + outputs), std::vector<T>(frames + 2 * kGuardFrames)),
          in(static_cast<size_t>(inputs)),
          out(static_cast<size_t>(outputs))
    {
        for (auto& buffer : pool) {
            std::memset(buffer.data(), kCanary, buffer.size() * sizeof(T));
        }
        for (int c = 0; c < inputs; ++c) {
            in[c] = Frames(c);
        }
        for (int c = 0; c < outputs; ++c) {
            out[c] = Frames(inputs + c);
        }
    }
    T* Frames(size_t buffer) { return pool[buffer].data() + kGuardFrames; }
    bool GuardsIntact(size_t buffer) const
    {
        const auto* bytes = reinterpret_cast<const char*>(pool[buffer].data());
        const size_t guard = kGuardFrames * sizeof(T);
        return AllCanary(bytes, guard) && AllCanary(bytes + guard + frames * sizeof(T), guard);
    }
    bool IsOutput(const T* frames) const { return std::find(out.begin(), out.end(), frames) != out.end(); }

    size_t frames;
    std::vector<std::vector<T>> pool;
    std::vector<T*> in;
    std::vector<T*> out;
};

namespace {
template <typename T>
void CallProcess(AEffect* e, ProcessPath path, T** in, T** out, int frames);

template <>
void CallProcess<float>(AEffect* e, ProcessPath path, float** in, float** out, int frames)
{
    (path == ProcessPath::Accumulating ? e->process : e->processReplacing)(e, in, out, frames);
}

template <>
void CallProcess<double>(AEffect* e, ProcessPath, double** in, double** out, int frames)
{
    e->processDoubleReplacing(e, in, out, frames);
}
}  // namespace

ScriptPlayer::ScriptPlayer(PluginEntry entry, PlayerOptions options) : entry(entry), options(options) {}

ScriptPlayer::~ScriptPlayer()
{
    for (int slot = 0; slot < kSlots; ++slot) {
        CloseSlot(slot, true);
    }
}

bool ScriptPlayer::Play(const uint8_t* data, size_t size)
{
    ScriptReader script(data, size);
    while (Step(script)) {
    }
    return failure.empty();
}

HostAction ScriptPlayer::NextAction(const ScriptReader& script)
{
    ScriptReader copy = script;
    return static_cast<HostAction>(copy.Byte() % static_cast<uint8_t>(HostAction::Count));
}

bool ScriptPlayer::Step(ScriptReader& script)
{
    if (!failure.empty() || script.AtEnd()) {
        return false;
    }
    const auto action = static_cast<HostAction>(script.Byte() % static_cast<uint8_t>(HostAction::Count));
    ++counts.steps;
    Play(action, script);
    if (failure.empty() && Current().effect != nullptr) {
        CheckParameters();
    }
    if (failure.empty() && !callbackFailure.empty()) {
        failure = callbackFailure;
    }
    if (!failure.empty()) {
        failure = std::string("step ") + std::to_string(counts.steps) + " (" + HostActionName(action) +
                  "): " + failure;
    }
    return failure.empty();
}

void ScriptPlayer::Play(HostAction action, ScriptReader& script)
{
    if (action == HostAction::SwitchInstance) {
        SwitchInstance(script);
        return;
    }
    if (Current().effect == nullptr && Create() == nullptr) {
        return;
    }
    switch (action) {
    case HostAction::CloseInstance:
        CloseSlot(current, (script.Byte() & 1) != 0 || !options.strict);
        break;
    case HostAction::Open:
        Dispatch(effOpen);
        break;
    case HostAction::SampleRate: {
        static const float kRates[] = {44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f, 22050.0f, 8000.0f,
                                       1.0f,     0.0f,     -1.0f,    -48000.0f, 1e9f, FLT_MAX, kFloatNan,
                                       kFloatInf, -kFloatInf};
        static const float kPoliteRates[] = {44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f, 22050.0f, 8000.0f};
        const uint8_t choice = script.Byte();
        float rate;
        if (choice >= kRawChoice) {
            rate = options.strict ? script.Float() : static_cast<float>(8000 + script.Word() % 384000);
        } else {
            rate = options.strict ? Choose(kRates, choice) : Choose(kPoliteRates, choice);
        }
        Current().rateSet = true;
        Current().sampleRate = rate;
        Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        break;
    }
    case HostAction::BlockSize: {
        static const VstIntPtr kSizes[] = {512, 64, 128, 256, 1024, 4096, 0, 1, 2, 3, kLargestBlock, 1000, 4095, 44100};
        const uint8_t choice = script.Byte();
        VstIntPtr size;
        if (choice >= kRawChoice) {
            // Sizes spread evenly over the powers of two up to the largest block a host
            // announces (2^20); strict, any negative size too.
            const uint32_t raw = script.Word();
            const uint32_t magnitude = 1 + (raw >> 5) % (1u << (raw % 21));
            size = options.strict && static_cast<int32_t>(raw) < 0 ? static_cast<int32_t>(raw) : magnitude;
        } else {
            size = options.strict ? Choose(kSizes, choice) : std::max<VstIntPtr>(1, Choose(kSizes, choice));
        }
        Current().blockSet = true;
        Current().blockSize = size;
        Dispatch(effSetBlockSize, 0, size);
        break;
    }
    case HostAction::Arrangement: {
        const auto count = static_cast<uint8_t>(options.strict ? ArrangementKind::Count : ArrangementKind::Negative);
        const auto input = static_cast<ArrangementKind>(script.Byte() % count);
        const auto output = static_cast<ArrangementKind>(script.Byte() % count);
        SetArrangement(Current(), input, output);
        break;
    }
    case HostAction::Mains: {
        static const VstIntPtr kValues[] = {1, 0, 2, -1};
        const uint8_t choice = script.Byte();
        VstIntPtr value = choice >= kRawChoice ? static_cast<VstIntPtr>(script.Word()) : Choose(kValues, choice);
        if (!options.strict) {
            value = value != 0 ? 1 : 0;
        }
        Current().mainsOn = value != 0;
        Dispatch(effMainsChanged, 0, value);
        break;
    }
    case HostAction::ProcessState:
        ProcessState(script);
        break;
    case HostAction::Process:
        Process(script);
        break;
    case HostAction::SetParameter:
        SetParameter(script);
        break;
    case HostAction::Program:
        Program(script);
        break;
    case HostAction::Texts:
        Texts(script);
        break;
    case HostAction::ChunkMutation:
        ChunkMutation(script);
        break;
    case HostAction::ChunkBytes: {
        const VstInt32 index = script.Byte() & 1;
        SetChunk(index, script.Blob());
        break;
    }
    case HostAction::StringToParameter:
        StringToParameter(script);
        break;
    case HostAction::CanDo:
        CanDo(script);
        break;
    case HostAction::VendorSpecific:
        VendorSpecific(script);
        break;
    case HostAction::Editor:
        Editor(script);
        break;
    case HostAction::Query:
        Query(script);
        break;
    default:
        StateCheck();
        break;
    }
}

// ---- instances -------------------------------------------------------------------------

AEffect* ScriptPlayer::Create()
{
    constructing = this;
    AEffect* e = entry(&ScriptPlayer::HostCallback);
    constructing = nullptr;
    ++counts.instances;
    Require(e != nullptr, "the entry point returned no effect record");
    if (e == nullptr) {
        return nullptr;
    }
    Require(e->magic == kEffectMagic && e->dispatcher && e->setParameter && e->getParameter &&
                (e->processReplacing || e->process),
            "the effect record lacks the magic or a callback");
    Require(e->numParams >= 0 && e->numPrograms >= 0 && e->numInputs >= 0 && e->numOutputs >= 0 &&
                e->numInputs <= kMaxChannels && e->numOutputs <= kMaxChannels,
            "the effect record has negative or implausible counts");
    if (!failure.empty()) {
        return nullptr;
    }
    e->user = this;
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    Instance& slot = Current();
    if (slot.effect == nullptr) {
        slot = Instance{};
        slot.effect = e;
        if (!options.strict) {
            // A host that keeps the rules starts an instance before processing with it.
            slot.rateSet = slot.blockSet = true;
            slot.sampleRate = 44100.0f;
            slot.blockSize = kPoliteBlock;
            Dispatch(effSetSampleRate, 0, 0, nullptr, slot.sampleRate);
            Dispatch(effSetBlockSize, 0, slot.blockSize);
            Dispatch(effMainsChanged, 0, 1);
            slot.mainsOn = true;
        }
    }
    return e;
}

ScriptPlayer::Instance& ScriptPlayer::Current()
{
    return slots[static_cast<size_t>(current)];
}

VstIntPtr ScriptPlayer::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    AEffect* e = Effect();
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

void ScriptPlayer::SwitchInstance(ScriptReader& script)
{
    const uint8_t choice = script.Byte();
    current = choice & 1;
    hostProduct = Choose(kHostProducts, static_cast<uint8_t>(choice >> 1));
    if (Current().effect == nullptr) {
        Create();
    }
}

void ScriptPlayer::CloseSlot(int slot, bool polite)
{
    Instance& instance = slots[static_cast<size_t>(slot)];
    AEffect* e = instance.effect;
    if (e == nullptr) {
        return;
    }
    if (polite) {
        if (instance.editorOpen) {
            e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
        }
        if (instance.started) {
            e->dispatcher(e, effStopProcess, 0, 0, nullptr, 0.0f);
        }
        e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
    }
    instance = Instance{};
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// The frames a block of "the block size" has: what the host announced, within reason.
int ScriptPlayer::BlockFrames()
{
    const Instance& instance = Current();
    if (!instance.blockSet || instance.blockSize <= 0) {
        return kPoliteBlock;
    }
    return static_cast<int>(std::min<VstIntPtr>(instance.blockSize, kMaxFrames));
}

// ---- set-up and processing -------------------------------------------------------------

void ScriptPlayer::SetArrangement(Instance& instance, ArrangementKind input, ArrangementKind output)
{
    instance.arrangementSet = true;
    instance.inputKind = input;
    instance.outputKind = output;
    VstSpeakerArrangement in = ArrangementOf(input);
    VstSpeakerArrangement out = ArrangementOf(output);
    instance.effect->dispatcher(instance.effect, effSetSpeakerArrangement, 0,
                                input == ArrangementKind::None ? 0 : reinterpret_cast<VstIntPtr>(&in),
                                output == ArrangementKind::None ? nullptr : &out, 0.0f);
}

void ScriptPlayer::ProcessState(ScriptReader& script)
{
    switch (static_cast<ProcessStateRequest>(script.Byte() % static_cast<uint8_t>(ProcessStateRequest::Count))) {
    case ProcessStateRequest::Start:
        Current().started = true;
        Dispatch(effStartProcess);
        break;
    case ProcessStateRequest::Stop:
        Current().started = false;
        Dispatch(effStopProcess);
        break;
    case ProcessStateRequest::Precision32:
        Current().precision = kVstProcessPrecision32;
        Dispatch(effSetProcessPrecision, 0, kVstProcessPrecision32);
        break;
    default:
        Current().precision = kVstProcessPrecision64;
        Dispatch(effSetProcessPrecision, 0, kVstProcessPrecision64);
        break;
    }
}

void ScriptPlayer::Process(ScriptReader& script)
{
    BlockRequest request;
    request.path = static_cast<ProcessPath>(script.Byte() % static_cast<uint8_t>(ProcessPath::Count));
    const int block = BlockFrames();
    const uint8_t choice = script.Byte();
    if (options.strict) {
        const int kFrames[] = {0, 1, block - 1, block, block + 1, 2 * block, 4 * block, block / 2};
        request.frames = choice >= kRawChoice ? static_cast<int>(script.Word() % (4u * block + 1u)) : Choose(kFrames, choice);
    } else {
        // A host that keeps the rules never exceeds the block size.
        const int kFrames[] = {block, block - 1, 1, block / 2, 0};
        request.frames = choice >= kRawChoice ? static_cast<int>(script.Word() % (block + 1u)) : Choose(kFrames, choice);
    }
    request.frames = std::clamp(request.frames, 0, kMaxFrames);
    request.layout = static_cast<BufferLayout>(script.Byte() % static_cast<uint8_t>(BufferLayout::Count));
    request.which = script.Byte();
    request.signal = static_cast<SignalKind>(script.Byte() % static_cast<uint8_t>(SignalKind::Count));
    request.seed = script.Byte();
    if (!options.strict) {
        // Nor hands over missing buffers, nor processes while suspended.
        if (request.layout >= BufferLayout::NullChannel) {
            request.layout = BufferLayout::Separate;
        }
        if (!Current().mainsOn) {
            return;
        }
    }
    AEffect* e = Effect();
    if (request.path == ProcessPath::Double) {
        if (e->processDoubleReplacing && (e->flags & effFlagsCanDoubleReplacing)) {
            ProcessWith<double>(request);
        }
    } else if ((request.path == ProcessPath::Accumulating ? e->process : e->processReplacing) != nullptr) {
        ProcessWith<float>(request);
    }
}

template <typename T>
void ScriptPlayer::ProcessWith(const BlockRequest& request)
{
    AEffect* e = Effect();
    const int inputs = e->numInputs;
    const int outputs = e->numOutputs;
    const int frames = request.frames;
    Require(inputs >= 0 && outputs >= 0 && inputs <= kMaxChannels && outputs <= kMaxChannels,
            "the effect record now has negative or implausible channel counts");
    if (!failure.empty()) {
        return;
    }
    Noise noise(request.seed);
    BlockBuffers<T> buffers(inputs, outputs, frames);
    for (int c = 0; c < inputs + outputs; ++c) {
        T* samples = buffers.Frames(static_cast<size_t>(c));
        for (int f = 0; f < frames; ++f) {
            samples[f] = c < inputs ? SignalSample<T>(request.signal, noise) : T(0.25);
        }
    }
    for (int c = 0; c < outputs && inputs > 0; ++c) {
        if (request.layout == BufferLayout::InPlace && c < inputs) {
            buffers.out[c] = buffers.in[c];
        } else if (request.layout == BufferLayout::Crossed) {
            buffers.out[c] = buffers.in[(c + 1) % inputs];
        }
    }
    if (request.layout == BufferLayout::NullChannel && inputs + outputs > 0) {
        const int channel = request.which % (inputs + outputs);
        (channel < inputs ? buffers.in[channel] : buffers.out[channel - inputs]) = nullptr;
    }
    std::vector<std::vector<T>> inputCopies;
    for (int c = 0; c < inputs; ++c) {
        const T* samples = buffers.Frames(static_cast<size_t>(c));
        inputCopies.emplace_back(samples, samples + frames);
    }
    T** in = buffers.in.data();
    T** out = buffers.out.data();
    if (request.layout == BufferLayout::NullArrays) {
        in = request.which % 3 != 1 ? nullptr : in;
        out = request.which % 3 != 0 ? nullptr : out;
    }
    CallProcess<T>(e, request.path, in, out, frames);
    ++counts.blocks;
    counts.frames += frames;
    samplePosition += frames;
    CheckBlock(buffers, inputCopies, out != nullptr, request);
}

template <typename T>
void ScriptPlayer::CheckBlock(const BlockBuffers<T>& buffers, const std::vector<std::vector<T>>& inputCopies,
                              bool outputsGiven, const BlockRequest& request)
{
    static const char* const kPaths[] = {"processReplacing", "process", "processDoubleReplacing"};
    const std::string block =
        std::to_string(request.frames) + "-frame block through " + kPaths[static_cast<int>(request.path)];
    for (size_t b = 0; b < buffers.pool.size(); ++b) {
        Require(buffers.GuardsIntact(b), "a " + block + " wrote outside the frames of channel buffer " +
                                             std::to_string(b));
    }
    for (size_t c = 0; c < inputCopies.size(); ++c) {
        const T* samples = buffers.pool[c].data() + kGuardFrames;
        if (!buffers.IsOutput(samples)) {
            Promise(std::equal(inputCopies[c].begin(), inputCopies[c].end(), samples),
                    "a " + block + " changed input " + std::to_string(c));
        }
    }
    for (size_t c = 0; c < buffers.out.size() && outputsGiven; ++c) {
        const T* samples = buffers.out[c];
        for (int f = 0; samples && f < request.frames; ++f) {
            if (!std::isfinite(samples[f])) {
                Require(false, "a " + block + " gave non-finite output " + std::to_string(samples[f]) +
                                   " at output " + std::to_string(c) + " frame " + std::to_string(f));
                return;
            }
        }
    }
}

// ---- parameters and programs -----------------------------------------------------------

// An index in range mostly, sometimes just outside it or anywhere.
int ScriptPlayer::PickIndex(ScriptReader& script, int count)
{
    const uint8_t choice = script.Byte();
    if (choice >= kRawChoice) {
        return static_cast<int32_t>(script.Word());
    }
    switch (choice % 8) {
    case 5:
        return -1;
    case 6:
        return count;
    default:
        return count > 0 ? script.Byte() % count : 0;
    }
}

void ScriptPlayer::SetParameter(ScriptReader& script)
{
    static const float kValues[] = {0.0f,       1.0f,      0.5f,       0.25f,   0.75f,   -1.0f,
                                    2.0f,       kFloatNan, kFloatInf, -kFloatInf, 1e30f, -0.0f,
                                    1e-40f,     FLT_MAX,   0.999999f, 1e-7f};
    const int count = Effect()->numParams;
    int index = PickIndex(script, count);
    const uint8_t choice = script.Byte();
    float value = choice >= kRawChoice ? script.Float() : Choose(kValues, choice);
    if (!options.strict) {
        index = count > 0 ? static_cast<int>(static_cast<unsigned>(index) % static_cast<unsigned>(count)) : -1;
        value = std::isfinite(value) ? std::fabs(std::fmod(value, 1.0f)) : 0.5f;
        if (index < 0) {
            return;
        }
    }
    AEffect* e = Effect();
    e->setParameter(e, index, value);
    e->getParameter(e, index);
}

void ScriptPlayer::Program(ScriptReader& script)
{
    const auto request = static_cast<ProgramRequest>(script.Byte() % static_cast<uint8_t>(ProgramRequest::Count));
    const int programs = Effect()->numPrograms;
    switch (request) {
    case ProgramRequest::Select: {
        const uint8_t choice = script.Byte();
        VstIntPtr index = choice >= kRawChoice ? static_cast<VstIntPtr>(static_cast<int64_t>(script.Word()) << 16)
                                               : PickIndex(script, programs);
        if (!options.strict && (index < 0 || index >= programs)) {
            return;
        }
        Dispatch(effSetProgram, 0, index);
        break;
    }
    case ProgramRequest::Get: {
        const VstIntPtr program = Dispatch(effGetProgram);
        Promise(programs == 0 || (program >= 0 && program < programs),
                "effGetProgram answers " + std::to_string(program) + " of " + std::to_string(programs));
        break;
    }
    case ProgramRequest::Rename: {
        std::string name = script.Text();
        if (!options.strict) {
            name = name.substr(0, kProgramNameBytes - 1);
        }
        Dispatch(effSetProgramName, 0, 0, name.data());
        break;
    }
    case ProgramRequest::Name: {
        std::vector<char> text = CanaryText();
        Dispatch(effGetProgramName, 0, 0, text.data());
        CheckText(text, kProgramNameBytes, "the program name");
        break;
    }
    default: {
        const int index = PickIndex(script, programs);
        std::vector<char> text = CanaryText();
        Dispatch(effGetProgramNameIndexed, index, 0, text.data());
        CheckText(text, kProgramNameBytes, "the name of program " + std::to_string(index));
        break;
    }
    }
}

void ScriptPlayer::Texts(ScriptReader& script)
{
    static const VstInt32 kOpcodes[] = {effGetParamName, effGetParamLabel, effGetParamDisplay,
                                        effGetEffectName, effGetVendorString, effGetProductString};
    static const size_t kBounds[] = {kParamNameBytes,  kParamNameBytes,    kParamDisplayBytes,
                                     kEffectNameBytes, kVendorStringBytes, kVendorStringBytes};
    static const char* const kWhat[] = {"parameter name", "parameter label", "parameter display",
                                        "effect name",    "vendor string",   "product string"};
    const size_t request = script.Byte() % static_cast<uint8_t>(TextRequest::Count);
    int index = PickIndex(script, Effect()->numParams);
    if (!options.strict && request < 3 && (index < 0 || index >= Effect()->numParams)) {
        return;
    }
    std::vector<char> text = CanaryText();
    Dispatch(kOpcodes[request], index, 0, text.data());
    CheckText(text, kBounds[request], std::string("the ") + kWhat[request] +
                                          (request < 3 ? " of parameter " + std::to_string(index) : ""));
}

void ScriptPlayer::StringToParameter(ScriptReader& script)
{
    const int index = PickIndex(script, Effect()->numParams);
    std::string text = script.Text();
    if (!options.strict && (index < 0 || index >= Effect()->numParams)) {
        return;
    }
    Dispatch(effString2Parameter, index, 0, text.data());
}

void ScriptPlayer::CanDo(ScriptReader& script)
{
    static const char* const kQuestions[] = {"receiveVstTimeInfo", "sendVstEvents",     "receiveVstEvents",
                                             "receiveVstMidiEvent", "hasVendorExtensions", "bypass",
                                             "offline",            "midiProgramNames",  ""};
    const uint8_t choice = script.Byte();
    std::string text = choice >= kRawChoice ? script.Text() : std::string(Choose(kQuestions, choice));
    Dispatch(effCanDo, 0, 0, text.data());
}

void ScriptPlayer::VendorSpecific(ScriptReader& script)
{
    static const VstInt32 kIndexes[] = {effGetParamDisplay, effGetParamName, effString2Parameter,
                                        kRuckSnapshotIndex,     kWheelIndex,     0};
    static const float kOpts[] = {0.0f, 0.5f, 1.0f, -1.0f, 2.0f, kFloatNan, kFloatInf, 1e30f};
    uint8_t choice = script.Byte();
    const VstInt32 index = choice >= kRawChoice ? static_cast<VstInt32>(script.Word()) : Choose(kIndexes, choice);
    choice = script.Byte();
    const VstIntPtr value = choice >= kRawChoice ? static_cast<VstIntPtr>(static_cast<int32_t>(script.Word()))
                            : choice % 2 ? kWheelValue
                                         : PickIndex(script, Effect()->numParams);
    const auto pointer = static_cast<VendorPointer>(script.Byte() % static_cast<uint8_t>(VendorPointer::Count));
    choice = script.Byte();
    const float opt = choice >= kRawChoice ? script.Float() : Choose(kOpts, choice);
    // A snapshot record goes with the snapshot request only; any other gets a text buffer.
    if (pointer == VendorPointer::Snapshot && index == kRuckSnapshotIndex) {
        // The editor's own size, or any other.
        int width = static_cast<int>(script.Word() % (kMaxSnapshotSide + 1));
        int height = static_cast<int>(script.Word() % (kMaxSnapshotSide + 1));
        ERect* rect = nullptr;
        if (width % 2 == 0 && Dispatch(effEditGetRect, 0, 0, &rect) != 0 && rect != nullptr) {
            width = rect->right - rect->left;
            height = rect->bottom - rect->top;
        }
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height + 1);
        RuckSnapshot snapshot = {width, height, pixels.data()};
        Dispatch(effVendorSpecific, index, value, &snapshot, opt);
        return;
    }
    std::vector<char> text = CanaryText();
    const std::string words = script.Text().substr(0, kHostTextBytes - 1);
    std::memcpy(text.data(), words.c_str(), words.size() + 1);
    Dispatch(effVendorSpecific, index, value, pointer == VendorPointer::Null ? nullptr : text.data(), opt);
    if (pointer != VendorPointer::Null) {
        Require(AllCanary(text.data() + kHostTextBytes, kTextGuardBytes),
                "effVendorSpecific " + std::to_string(index) + " wrote past the host's text buffer");
    }
}

// ---- chunks and state ------------------------------------------------------------------

std::vector<uint8_t> ScriptPlayer::GetChunk(AEffect* e, bool bank)
{
    void* data = nullptr;
    const VstIntPtr size = e->dispatcher(e, effGetChunk, bank ? 0 : 1, 0, &data, 0.0f);
    if (size <= 0 || data == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

void ScriptPlayer::SetChunk(VstInt32 index, std::vector<uint8_t> bytes)
{
    const std::vector<uint8_t> before = GetChunk(Effect(), index == 0);
    const VstIntPtr accepted =
        Dispatch(effSetChunk, index, static_cast<VstIntPtr>(bytes.size()), bytes.empty() ? nullptr : bytes.data());
    if (accepted == 0 && !before.empty()) {
        Promise(GetChunk(Effect(), index == 0) == before, "a refused chunk changed the instance's state");
    }
}

void ScriptPlayer::ChunkMutation(ScriptReader& script)
{
    const uint8_t choice = script.Byte();
    AEffect* source = slots[static_cast<size_t>(choice & 1)].effect;
    std::vector<uint8_t> bytes = GetChunk(source ? source : Effect(), (choice & 2) != 0);
    const VstInt32 index = (choice & 4) ? 0 : 1;
    const auto damage = static_cast<ChunkDamage>(script.Byte() % static_cast<uint8_t>(ChunkDamage::Count));
    const uint32_t position = script.Word();
    const size_t at = bytes.empty() ? 0 : position % bytes.size();
    static const uint32_t kFields[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0u, 1u, 0x10000u};
    const uint8_t fieldChoice = script.Byte();
    const uint32_t field = fieldChoice >= kRawChoice ? script.Word() : Choose(kFields, fieldChoice);
    switch (damage) {
    case ChunkDamage::Truncate:
        bytes.resize(at);
        break;
    case ChunkDamage::FlipByte:
        if (!bytes.empty()) {
            bytes[at] ^= static_cast<uint8_t>(1 | field);
        }
        break;
    case ChunkDamage::Field:
    case ChunkDamage::FieldBigEndian:
        for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i) {
            const size_t shift = damage == ChunkDamage::Field ? 8 * i : 24 - 8 * i;
            bytes[at + i] = static_cast<uint8_t>(field >> shift);
        }
        break;
    case ChunkDamage::Append: {
        const std::vector<uint8_t> tail = script.Blob();
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        break;
    }
    default:
        break;
    }
    SetChunk(index, std::move(bytes));
}

ScriptPlayer::SavedState ScriptPlayer::SaveState(AEffect* e)
{
    SavedState state;
    if (e->flags & effFlagsProgramChunks) {
        state.chunk = GetChunk(e, false);
    }
    for (int i = 0; i < std::min(e->numParams, kMaxCheckedParameters); ++i) {
        state.parameters.push_back(e->getParameter(e, i));
    }
    return state;
}

void ScriptPlayer::RestoreState(AEffect* e, const SavedState& state)
{
    if (!state.chunk.empty()) {
        std::vector<uint8_t> copy = state.chunk;
        Require(e->dispatcher(e, effSetChunk, 1, static_cast<VstIntPtr>(copy.size()), copy.data(), 0.0f) != 0,
                "a fresh instance refused a state chunk saved a moment before");
        return;
    }
    for (size_t i = 0; i < state.parameters.size(); ++i) {
        e->setParameter(e, static_cast<VstInt32>(i), state.parameters[i]);
    }
}

// The set-up the host gave one instance, given to another.
void ScriptPlayer::ReplaySetup(const Instance& from, AEffect* to)
{
    if (from.rateSet) {
        to->dispatcher(to, effSetSampleRate, 0, 0, nullptr, from.sampleRate);
    }
    if (from.blockSet) {
        to->dispatcher(to, effSetBlockSize, 0, from.blockSize, nullptr, 0.0f);
    }
    if (from.arrangementSet) {
        Instance twin;
        twin.effect = to;
        SetArrangement(twin, from.inputKind, from.outputKind);
    }
    if (from.precision >= 0) {
        to->dispatcher(to, effSetProcessPrecision, 0, from.precision, nullptr, 0.0f);
    }
}

// One block of noise through the replacing callback (or the accumulating one on silence).
std::vector<float> ScriptPlayer::RenderBlock(AEffect* e, int frames)
{
    const int inputs = e->numInputs;
    const int outputs = e->numOutputs;
    BlockBuffers<float> buffers(inputs, outputs, frames);
    Noise noise(1);
    for (int c = 0; c < inputs + outputs; ++c) {
        float* samples = buffers.Frames(static_cast<size_t>(c));
        for (int f = 0; f < frames; ++f) {
            samples[f] = c < inputs ? static_cast<float>(noise.Next()) : 0.0f;
        }
    }
    (e->processReplacing ? e->processReplacing : e->process)(e, buffers.in.data(), buffers.out.data(), frames);
    std::vector<float> rendered;
    for (int c = 0; c < outputs; ++c) {
        rendered.insert(rendered.end(), buffers.out[c], buffers.out[c] + frames);
    }
    return rendered;
}

// A fresh instance given another's set-up and state, started as a host starts a project.
AEffect* ScriptPlayer::Twin(const Instance& original, const SavedState& state)
{
    constructing = this;
    AEffect* twin = entry(&ScriptPlayer::HostCallback);
    constructing = nullptr;
    ++counts.instances;
    Require(twin != nullptr, "a second instance could not be created");
    if (twin == nullptr) {
        return nullptr;
    }
    twin->user = this;
    twin->dispatcher(twin, effOpen, 0, 0, nullptr, 0.0f);
    ReplaySetup(original, twin);
    RestoreState(twin, state);
    twin->dispatcher(twin, effMainsChanged, 0, 1, nullptr, 0.0f);
    return twin;
}

// The current instance's state (its program chunk when it flags chunks, as hosts decide,
// else its parameter values) restored into a fresh twin: the twin saves the same state,
// and a third instance given the twin's state renders the same block as the twin, bit for
// bit. (The original itself is not compared: an effect's filter history may rightly
// outlive a reset.)
void ScriptPlayer::StateCheck()
{
    const Instance& original = Current();
    const SavedState state = SaveState(original.effect);
    AEffect* twin = Twin(original, state);
    if (twin == nullptr) {
        return;
    }
    const SavedState resaved = SaveState(twin);
    // Values that went in through setParameter may come back snapped to their steps; a
    // chunk is the plug-in's own record and must bring back exactly what it held.
    for (size_t i = 0; !state.chunk.empty() && i < state.parameters.size() && i < resaved.parameters.size(); ++i) {
        Promise(resaved.parameters[i] == state.parameters[i],
                "a state restored into a fresh instance reads back parameter " + std::to_string(i) + " as " +
                    std::to_string(resaved.parameters[i]) + ", not " + std::to_string(state.parameters[i]));
    }
    Require(resaved.chunk == state.chunk, "a state restored into a fresh instance does not save the same bytes again");
    AEffect* third = Twin(original, resaved);
    if (third != nullptr && failure.empty()) {
        const int frames = std::min(BlockFrames(), kStateCheckFrames);
        const std::vector<float> first = RenderBlock(twin, frames);
        const std::vector<float> second = RenderBlock(third, frames);
        Require(first.size() == second.size() &&
                    std::memcmp(first.data(), second.data(), first.size() * sizeof(float)) == 0,
                "two instances given the same state render different blocks of " + std::to_string(frames) + " frames");
    }
    for (AEffect* e : {twin, third}) {
        if (e != nullptr) {
            e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
            e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
        }
    }
}

// ---- editor, queries and events --------------------------------------------------------

void ScriptPlayer::Editor(ScriptReader& script)
{
    const auto request = static_cast<EditorRequest>(script.Byte() % static_cast<uint8_t>(EditorRequest::Count));
    if (!(Effect()->flags & effFlagsHasEditor)) {
        return;
    }
    Instance& instance = Current();
    switch (request) {
    case EditorRequest::GetRect: {
        ERect* rect = nullptr;
        if (Dispatch(effEditGetRect, 0, 0, &rect) != 0 && rect != nullptr) {
            Require(rect->right >= rect->left && rect->bottom >= rect->top, "the editor's rectangle is inverted");
        }
        break;
    }
    case EditorRequest::GetRectNull:
        if (options.strict) {
            Dispatch(effEditGetRect);
        }
        break;
    case EditorRequest::Open:
        if (options.headlessEditor && !instance.editorOpen) {
            instance.editorOpen = Dispatch(effEditOpen) != 0;
        }
        break;
    case EditorRequest::Idle:
        if (instance.editorOpen || options.headlessEditor) {
            Dispatch(effEditIdle);
        }
        break;
    default:
        if (instance.editorOpen || options.headlessEditor) {
            Dispatch(effEditClose);
            instance.editorOpen = false;
        }
        break;
    }
}

void ScriptPlayer::Query(ScriptReader& script)
{
    const auto request = static_cast<QueryRequest>(script.Byte() % static_cast<uint8_t>(QueryRequest::Count));
    const int index = PickIndex(script, std::max(Effect()->numInputs, Effect()->numOutputs));
    switch (request) {
    case QueryRequest::TailSize:
        Dispatch(effGetTailSize);
        break;
    case QueryRequest::Category:
        Dispatch(effGetPlugCategory);
        break;
    case QueryRequest::VstVersion:
        Dispatch(effGetVstVersion);
        break;
    case QueryRequest::Identify:
        Dispatch(effIdentify);
        break;
    case QueryRequest::CanBeAutomated:
        Dispatch(effCanBeAutomated, index);
        break;
    case QueryRequest::InputPin:
    case QueryRequest::OutputPin: {
        std::vector<char> record = CanaryText(sizeof(VstPinProperties));
        std::memset(record.data(), 0, sizeof(VstPinProperties));
        Dispatch(request == QueryRequest::InputPin ? effGetInputProperties : effGetOutputProperties, index, 0,
                 record.data());
        const auto* pin = reinterpret_cast<const VstPinProperties*>(record.data());
        Require(AllCanary(record.data() + sizeof(VstPinProperties), kTextGuardBytes),
                "pin properties written past their record");
        Promise(std::memchr(pin->label, 0, kPinLabelBytes) != nullptr, "a pin label is not terminated");
        break;
    }
    case QueryRequest::Arrangements: {
        VstSpeakerArrangement* in = nullptr;
        VstSpeakerArrangement* out = nullptr;
        Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
        Require((in == nullptr || in->numChannels >= -1) && (out == nullptr || out->numChannels >= -1),
                "effGetSpeakerArrangement answers a negative channel count");
        break;
    }
    case QueryRequest::KeyName: {
        MidiKeyName key = {};
        key.thisKeyNumber = index;
        std::memset(key.keyName, kCanary, sizeof key.keyName);
        if (Dispatch(effGetMidiKeyName, 0, 0, &key) != 0) {
            Require(std::memchr(key.keyName, 0, sizeof key.keyName) != nullptr, "a MIDI key name is not terminated");
        }
        break;
    }
    case QueryRequest::Idle:
        Dispatch(effIdle);
        break;
    case QueryRequest::Bypass:
        Dispatch(effSetBypass, 0, index & 1);
        break;
    default:
        SendEvents(script);
        break;
    }
}

// A MIDI event and a system-exclusive dump, their bytes from the script.
void ScriptPlayer::SendEvents(ScriptReader& script)
{
    VstMidiEvent midi = {};
    midi.type = kVstMidiType;
    midi.byteSize = sizeof midi;
    midi.deltaFrames = static_cast<VstInt32>(script.Byte());
    for (char& b : midi.midiData) {
        b = static_cast<char>(script.Byte());
    }
    std::vector<uint8_t> dump = script.Blob();
    VstMidiSysexEvent sysex = {};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof sysex;
    sysex.dumpBytes = static_cast<VstInt32>(dump.size());
    sysex.sysexDump = reinterpret_cast<char*>(dump.data());
    VstEvents events = {};
    events.numEvents = 2;
    events.events[0] = reinterpret_cast<VstEvent*>(&midi);
    events.events[1] = reinterpret_cast<VstEvent*>(&sysex);
    Dispatch(effProcessEvents, 0, 0, &events);
}

// ---- checks ----------------------------------------------------------------------------

void ScriptPlayer::CheckParameters()
{
    AEffect* e = Effect();
    for (int i = 0; i < std::min(e->numParams, kMaxCheckedParameters) && failure.empty(); ++i) {
        const float value = e->getParameter(e, i);
        Require(value >= 0.0f && value <= 1.0f,
                "parameter " + std::to_string(i) + " reads back " + std::to_string(value) + ", outside 0..1");
    }
}

// A host text buffer: when anything was written, a terminator within the bound, and
// nothing past the buffer.
void ScriptPlayer::CheckText(const std::vector<char>& buffer, size_t bound, const std::string& what)
{
    const size_t size = buffer.size() - kTextGuardBytes;
    Require(AllCanary(buffer.data() + size, kTextGuardBytes), what + " was written past the host's buffer");
    if (AllCanary(buffer.data(), size)) {
        return;
    }
    const void* end = std::memchr(buffer.data(), 0, size);
    Require(end != nullptr, what + " is not terminated");
    if (end != nullptr) {
        const auto length = static_cast<size_t>(static_cast<const char*>(end) - buffer.data());
        Promise(length < bound, what + " takes " + std::to_string(length + 1) + " bytes, more than the " +
                                    std::to_string(bound) + " a host reserves");
    }
}

void ScriptPlayer::Require(bool condition, const std::string& message)
{
    if (!condition && failure.empty()) {
        failure = message;
    }
}

// One of this project's own promises: a failure when strict, otherwise a note.
void ScriptPlayer::Promise(bool condition, const std::string& message)
{
    if (condition) {
        return;
    }
    if (options.strict) {
        Require(false, message);
        return;
    }
    ++noteCount;
    if (notes.size() < kMaxNotes && std::find(notes.begin(), notes.end(), message) == notes.end()) {
        notes.push_back(message);
    }
}

// ---- the host callback -----------------------------------------------------------------

VstIntPtr ScriptPlayer::HostCallback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                     float opt)
{
    ScriptPlayer* host = e && e->user ? static_cast<ScriptPlayer*>(e->user) : constructing;
    if (opcode == audioMasterVersion) {
        return 2400;
    }
    return host ? host->Answer(e, opcode, index, value, ptr, opt) : 0;
}

VstIntPtr ScriptPlayer::Answer(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float opt)
{
    ++counts.hostRequests;
    const Instance* instance = nullptr;
    for (const Instance& slot : slots) {
        if (e != nullptr && slot.effect == e) {
            instance = &slot;
        }
    }
    switch (opcode) {
    case audioMasterAutomate:
        if (e != nullptr && callbackFailure.empty() && !(index >= 0 && index < e->numParams && opt >= 0.0f && opt <= 1.0f)) {
            callbackFailure = "the plug-in sent automation for parameter " + std::to_string(index) + " with value " +
                              std::to_string(opt);
        }
        return 0;
    case audioMasterGetSampleRate:
        return instance && instance->rateSet && std::isfinite(instance->sampleRate)
                   ? static_cast<VstIntPtr>(instance->sampleRate)
                   : 44100;
    case audioMasterGetBlockSize:
        return instance && instance->blockSet ? instance->blockSize : kPoliteBlock;
    case audioMasterGetTime:
        timeInfo = {};
        timeInfo.samplePos = samplePosition;
        timeInfo.sampleRate = 44100.0;
        timeInfo.tempo = 120.0;
        timeInfo.ppqPos = samplePosition / timeInfo.sampleRate * 2.0;
        timeInfo.timeSigNumerator = 4;
        timeInfo.timeSigDenominator = 4;
        timeInfo.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;
        return reinterpret_cast<VstIntPtr>(&timeInfo);
    case audioMasterGetProductString:
    case audioMasterGetVendorString:
        if (ptr != nullptr) {
            std::strncpy(static_cast<char*>(ptr), opcode == audioMasterGetVendorString ? "Tolvi" : hostProduct.c_str(),
                         63);
            static_cast<char*>(ptr)[63] = '\0';
        }
        return 1;
    case audioMasterGetVendorVersion:
        return 1000;
    default:
        return 0;
    }
}
