#include "audio_component.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "plug/host_slices.h"
#include "vst/denormals.h"
#include "vst3/streams.h"

using namespace vst3;

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

int ChannelCount(SpeakerArrangement arrangement)
{
    int count = 0;
    for (; arrangement != 0; arrangement &= arrangement - 1) {
        ++count;
    }
    return count;
}
}  // namespace

Vst3Component::Vst3Component(IVst3Maker maker, const Uid& controller) : make(maker), controllerId(controller) {}

tresult Vst3Component::queryInterface(const char* iid, void** obj)
{
    return AnswerQuery(iid, obj,
                       {{&kFUnknownIid, static_cast<IComponent*>(this)},
                        {&kPluginBaseIid, static_cast<IComponent*>(this)},
                        {&kComponentIid, static_cast<IComponent*>(this)},
                        {&kAudioProcessorIid, static_cast<IAudioProcessor*>(this)},
                        {&kProcessContextRequirementsIid, static_cast<IProcessContextRequirements*>(this)}});
}

tresult Vst3Component::initialize(FUnknown*)
{
    if (effect) {
        return kResultOk;
    }
    effect.reset(MakeReadyInstance(make, nullptr));
    if (!effect) {
        return kOutOfMemory;
    }
    effect->DropEditor();
    return kResultOk;
}

tresult Vst3Component::terminate()
{
    return kResultOk;
}

tresult Vst3Component::getControllerClassId(char* classId)
{
    if (classId == nullptr) {
        return kInvalidArgument;
    }
    std::memcpy(classId, controllerId.bytes, sizeof controllerId.bytes);
    return kResultOk;
}

bool Vst3Component::ValidBus(int32_t type, int32_t dir, int32_t index) const
{
    return type == kAudio && (dir == kInput || dir == kOutput) && index == 0;
}

int32_t Vst3Component::getBusCount(int32_t type, int32_t dir)
{
    return ValidBus(type, dir, 0) ? 1 : 0;
}

tresult Vst3Component::getBusInfo(int32_t type, int32_t dir, int32_t index, BusInfo* bus)
{
    if (bus == nullptr || !ValidBus(type, dir, index)) {
        return kInvalidArgument;
    }
    *bus = BusInfo{};
    bus->mediaType = kAudio;
    bus->direction = dir;
    bus->channelCount = Channels();
    CopyText(bus->name, dir == kInput ? "Input" : "Output");
    bus->busType = kMain;
    bus->flags = kDefaultActive;
    return kResultOk;
}

tresult Vst3Component::activateBus(int32_t type, int32_t dir, int32_t index, TBool)
{
    return ValidBus(type, dir, index) ? kResultOk : kInvalidArgument;
}

tresult Vst3Component::setActive(TBool state)
{
    if (!effect) {
        return kNotInitialized;
    }
    effect->OnActivate(state != 0);
    if (state == 0) {
        effect->OnReset();
    }
    return kResultOk;
}

tresult Vst3Component::setState(IBStream* state)
{
    return RestoreFrom(state, effect.get(), stateChunk);
}

tresult Vst3Component::getState(IBStream* state)
{
    if (!effect) {
        return kNotInitialized;
    }
    IDataChunk chunk;
    if (!effect->SaveChunk(chunk, false)) {
        return kOutOfMemory;
    }
    return WriteAll(state, chunk.Data(), chunk.Size()) ? kResultOk : kInternalError;
}

int Vst3Component::Channels() const
{
    return ChannelCount(arrangement);
}

tresult Vst3Component::setBusArrangements(SpeakerArrangement* inputs, int32_t numIns, SpeakerArrangement* outputs,
                                          int32_t numOuts)
{
    if (inputs == nullptr || outputs == nullptr || numIns != 1 || numOuts != 1 || inputs[0] != outputs[0] ||
        (inputs[0] != kSpeakerStereo && inputs[0] != kSpeakerMono) || !effect) {
        return kResultFalse;
    }
    arrangement = inputs[0];
    // A mono bus feeds the left channel; the right one hears silence, as a VST2 host's
    // mono arrangement makes it.
    const int channels = Channels();
    effect->SetInputConnections(0, channels, true);
    effect->SetInputConnections(channels, effect->InputPinCount() - channels, false);
    effect->SetOutputConnections(0, channels, true);
    effect->SetOutputConnections(channels, effect->OutputPinCount() - channels, false);
    return kResultTrue;
}

tresult Vst3Component::getBusArrangement(int32_t dir, int32_t index, SpeakerArrangement* arr)
{
    if (arr == nullptr || !ValidBus(kAudio, dir, index)) {
        return kInvalidArgument;
    }
    *arr = arrangement;
    return kResultOk;
}

tresult Vst3Component::canProcessSampleSize(int32_t symbolicSampleSize)
{
    return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue : kResultFalse;
}

uint32_t Vst3Component::getLatencySamples()
{
    return effect ? static_cast<uint32_t>(std::max(effect->Latency(), 0)) : 0;
}

tresult Vst3Component::setupProcessing(ProcessSetup* setup)
{
    if (!effect) {
        return kNotInitialized;
    }
    if (setup == nullptr || !(setup->sampleRate > 0.0) || setup->maxSamplesPerBlock <= 0 ||
        canProcessSampleSize(setup->symbolicSampleSize) != kResultTrue) {
        return kInvalidArgument;
    }
    effect->ChangeSampleRate(setup->sampleRate);
    effect->ChangeBlockSize(setup->maxSamplesPerBlock);
    effect->OnReset();
    return kResultOk;
}

int Vst3Component::GatherQueues(IParameterChanges* changes, QueueCursor* cursors) const
{
    const int listed = changes != nullptr ? std::min(changes->getParameterCount(), kMaxQueues) : 0;
    int queues = 0;
    for (int i = 0; i < listed; ++i) {
        if (IParamValueQueue* queue = changes->getParameterData(i)) {
            cursors[queues++] = QueueCursor{queue, queue->getPointCount(), 0};
        }
    }
    return queues;
}

void Vst3Component::ApplyChange(ParamID id, double value, int offset, IParameterChanges* report)
{
    if (id < static_cast<ParamID>(effect->ParameterCount())) {
        effect->SetParameterFromHost(static_cast<int>(id), value);
        return;
    }
    if (id != IVst3Plugin::kProgramParamId) {
        return;
    }
    const int program = effect->ProgramForNormalized(value);
    if (program != effect->CurrentProgram() && effect->ApplyProgram(program)) {
        ReportValues(offset, report);
    }
}

// The values a program brought, told to the host as output changes: it passes them on to
// the controller and its own displays later, from its own side. (Calling back into the
// host from inside its program request can stall it.)
void Vst3Component::ReportValues(int offset, IParameterChanges* report)
{
    for (int i = 0; report != nullptr && i < effect->ParameterCount(); ++i) {
        const ParamID id = static_cast<ParamID>(i);
        int32_t index = 0;
        if (IParamValueQueue* queue = report->addParameterData(&id, &index)) {
            queue->addPoint(offset, effect->Parameter(i)->Normalized(), &index);
        }
    }
}

// Applies every point due at or before the position (points past the block count as its
// end) and answers where the next one falls, or the block's end.
int Vst3Component::ApplyChangesUpTo(int position, int frames, QueueCursor* cursors, int queues,
                                    IParameterChanges* report)
{
    int upcoming = frames;
    for (int q = 0; q < queues; ++q) {
        QueueCursor& cursor = cursors[q];
        while (cursor.next < cursor.count) {
            int32_t offset = 0;
            double value = 0.0;
            if (cursor.queue->getPoint(cursor.next, &offset, &value) != kResultOk) {
                ++cursor.next;
                continue;
            }
            offset = std::clamp(offset, 0, frames);
            if (offset > position) {
                upcoming = std::min(upcoming, static_cast<int>(offset));
                break;
            }
            ApplyChange(cursor.queue->getParameterId(), value, offset, report);
            ++cursor.next;
        }
    }
    return upcoming;
}

void Vst3Component::RenderSlice(const ProcessData& data, int offset, int frames)
{
    if (data.numInputs < 1 || data.numOutputs < 1 || data.inputs == nullptr || data.outputs == nullptr) {
        return;
    }
    const AudioBusBuffers& in = data.inputs[0];
    const AudioBusBuffers& out = data.outputs[0];
    const int channels = std::min({in.numChannels, out.numChannels, Channels()});
    if (data.symbolicSampleSize == kSample64) {
        ProcessHostSlice(*effect, in.channelBuffers64, out.channelBuffers64, channels, offset, frames);
    } else {
        ProcessHostSlice(*effect, in.channelBuffers32, out.channelBuffers32, channels, offset, frames);
    }
}

tresult Vst3Component::process(ProcessData* data)
{
    if (data == nullptr) {
        return kInvalidArgument;
    }
    if (!effect) {
        return kNotInitialized;
    }
    Guard guard(effect->Lock());
    ScopedFlushDenormals flush;
    effect->SetProcessContext(data->processContext);
    QueueCursor cursors[kMaxQueues];
    const int queues = GatherQueues(data->inputParameterChanges, cursors);
    const int frames = std::max(data->numSamples, 0);
    // The block is cut at every change point; a change at offset 0 comes before any audio.
    for (int position = 0;;) {
        const int next = ApplyChangesUpTo(position, frames, cursors, queues, data->outputParameterChanges);
        if (position >= frames) {
            break;
        }
        RenderSlice(*data, position, next - position);
        position = next;
    }
    for (int i = 0; i < data->numOutputs && data->outputs != nullptr; ++i) {
        data->outputs[i].silenceFlags = 0;
    }
    effect->SetProcessContext(nullptr);
    return kResultOk;
}
