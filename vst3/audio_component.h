// The processor half of a VST 3 plug-in: one effect instance of its own that the host
// drives through IComponent and IAudioProcessor (buses, state, setup, processing), with
// parameter changes applied at their sample offsets inside each block.
#pragma once

#include <memory>

#include "plug/data_chunk.h"
#include "vst3/com_object.h"
#include "vst3/vst3_plugin.h"

class Vst3Component final : public vst3::IComponent,
                            public vst3::IAudioProcessor,
                            public vst3::IProcessContextRequirements {
public:
    Vst3Component(IVst3Maker make, const vst3::Uid& controllerId);
    Vst3Component(const Vst3Component&) = delete;
    Vst3Component& operator=(const Vst3Component&) = delete;

    vst3::tresult queryInterface(const char* iid, void** obj) override;
    uint32_t addRef() override { return refs.Add(); }
    uint32_t release() override { return refs.Release(this); }

    vst3::tresult initialize(vst3::FUnknown* context) override;
    vst3::tresult terminate() override;

    vst3::tresult getControllerClassId(char* classId) override;
    vst3::tresult setIoMode(int32_t) override { return vst3::kResultOk; }
    int32_t getBusCount(int32_t type, int32_t dir) override;
    vst3::tresult getBusInfo(int32_t type, int32_t dir, int32_t index, vst3::BusInfo* bus) override;
    vst3::tresult getRoutingInfo(vst3::RoutingInfo*, vst3::RoutingInfo*) override { return vst3::kResultFalse; }
    vst3::tresult activateBus(int32_t type, int32_t dir, int32_t index, vst3::TBool state) override;
    vst3::tresult setActive(vst3::TBool state) override;
    vst3::tresult setState(vst3::IBStream* state) override;
    vst3::tresult getState(vst3::IBStream* state) override;

    vst3::tresult setBusArrangements(vst3::SpeakerArrangement* inputs, int32_t numIns,
                                     vst3::SpeakerArrangement* outputs, int32_t numOuts) override;
    vst3::tresult getBusArrangement(int32_t dir, int32_t index, vst3::SpeakerArrangement* arr) override;
    vst3::tresult canProcessSampleSize(int32_t symbolicSampleSize) override;
    uint32_t getLatencySamples() override;
    vst3::tresult setupProcessing(vst3::ProcessSetup* setup) override;
    vst3::tresult setProcessing(vst3::TBool) override { return vst3::kResultOk; }
    vst3::tresult process(vst3::ProcessData* data) override;
    uint32_t getTailSamples() override { return 0; }

    uint32_t getProcessContextRequirements() override { return 0; }

private:
    friend class vst3::RefCount;
    struct QueueCursor {
        vst3::IParamValueQueue* queue;
        int32_t count;
        int32_t next;
    };
    // More changed parameters than this in one block are beyond any this plug-in exports.
    static constexpr int kMaxQueues = 64;

    ~Vst3Component() = default;
    bool ValidBus(int32_t type, int32_t dir, int32_t index) const;
    int Channels() const;
    int GatherQueues(vst3::IParameterChanges* changes, QueueCursor* cursors) const;
    int ApplyChangesUpTo(int position, int frames, QueueCursor* cursors, int queues,
                         vst3::IParameterChanges* report);
    void ApplyChange(vst3::ParamID id, double value, int offset, vst3::IParameterChanges* report);
    void ReportValues(int offset, vst3::IParameterChanges* report);
    void RenderSlice(const vst3::ProcessData& data, int offset, int frames);

    vst3::RefCount refs;
    IVst3Maker make;
    vst3::Uid controllerId;
    std::unique_ptr<IVst3Plugin> effect;
    vst3::SpeakerArrangement arrangement = vst3::kSpeakerStereo;
    IDataChunk stateChunk;
};
