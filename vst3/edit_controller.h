// The controller half of a VST 3 plug-in: an effect instance of its own holding the values
// the host and the editor see. It exports the parameters (texts through the effect's own
// parameter model), a program selector with the factory program list, and the editor; the
// editor's gestures reach the host's component handler as begin, perform and end.
#pragma once

#include <memory>

#include "plug/data_chunk.h"
#include "vst3/audio_component.h"
#include "vst3/snapshot_interface.h"

class Vst3Controller final : public vst3::IEditController,
                             public vst3::IUnitInfo,
                             public vst3::IRuckSnapshot,
                             public IVst3HostLink {
public:
    explicit Vst3Controller(IVst3Maker make);
    Vst3Controller(const Vst3Controller&) = delete;
    Vst3Controller& operator=(const Vst3Controller&) = delete;

    vst3::tresult queryInterface(const char* iid, void** obj) override;
    uint32_t addRef() override { return refs.Add(); }
    uint32_t release() override { return refs.Release(this); }

    vst3::tresult initialize(vst3::FUnknown* context) override;
    vst3::tresult terminate() override;

    vst3::tresult setComponentState(vst3::IBStream* state) override;
    vst3::tresult setState(vst3::IBStream*) override { return vst3::kResultOk; }
    vst3::tresult getState(vst3::IBStream*) override { return vst3::kResultOk; }
    int32_t getParameterCount() override;
    vst3::tresult getParameterInfo(int32_t paramIndex, vst3::ParameterInfo* info) override;
    vst3::tresult getParamStringByValue(vst3::ParamID id, double valueNormalized, vst3::char16* string) override;
    vst3::tresult getParamValueByString(vst3::ParamID id, vst3::char16* string, double* valueNormalized) override;
    double normalizedParamToPlain(vst3::ParamID id, double valueNormalized) override;
    double plainParamToNormalized(vst3::ParamID id, double plainValue) override;
    double getParamNormalized(vst3::ParamID id) override;
    vst3::tresult setParamNormalized(vst3::ParamID id, double value) override;
    vst3::tresult setComponentHandler(vst3::IComponentHandler* handler) override;
    vst3::PlugView* createView(const char* name) override;

    int32_t getUnitCount() override { return 1; }
    vst3::tresult getUnitInfo(int32_t unitIndex, vst3::UnitInfo* info) override;
    int32_t getProgramListCount() override { return 1; }
    vst3::tresult getProgramListInfo(int32_t listIndex, vst3::ProgramListInfo* info) override;
    vst3::tresult getProgramName(int32_t listId, int32_t programIndex, vst3::char16* name) override;
    vst3::tresult getProgramInfo(int32_t, int32_t, const char*, vst3::char16*) override { return vst3::kResultFalse; }
    vst3::tresult hasProgramPitchNames(int32_t, int32_t) override { return vst3::kResultFalse; }
    vst3::tresult getProgramPitchName(int32_t, int32_t, int16_t, vst3::char16*) override { return vst3::kResultFalse; }
    int32_t getSelectedUnit() override { return vst3::kRootUnitId; }
    vst3::tresult selectUnit(int32_t) override { return vst3::kResultOk; }
    vst3::tresult getUnitByBus(int32_t, int32_t, int32_t, int32_t, int32_t*) override { return vst3::kResultFalse; }
    vst3::tresult setUnitProgramData(int32_t, int32_t, vst3::IBStream*) override { return vst3::kNotImplemented; }

    vst3::tresult getFaceSize(int32_t* width, int32_t* height) override;
    vst3::tresult paintFace(int32_t width, int32_t height, uint32_t* pixels) override;

    void LinkBeginEdit(int index) override;
    void LinkPerformEdit(int index, double normalized) override;
    void LinkEndEdit(int index) override;
    void LinkValuesChanged() override;

    IVst3Plugin* Effect() const { return effect.get(); }

private:
    friend class vst3::RefCount;
    static constexpr int32_t kProgramListId = 1;

    ~Vst3Controller();
    bool IsParameter(vst3::ParamID id) const;
    void FillProgramInfo(vst3::ParameterInfo& info) const;
    void ReleaseHandler();

    vst3::RefCount refs;
    IVst3Maker make;
    std::unique_ptr<IVst3Plugin> effect;
    // Every parameter's normalised value as the effect was made: the defaults hosts show.
    std::unique_ptr<double[]> defaults;
    vst3::IComponentHandler* handler = nullptr;
    IDataChunk stateChunk;
};
