#include "edit_controller.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "vst3/plug_view.h"
#include "vst3/streams.h"

using namespace vst3;

namespace {
// Texts exchanged with hosts are at most one String128.
constexpr size_t kString128 = 128;

int32_t StepCountOf(const IParameter& parameter)
{
    if (!IsIntegerLike(parameter.type) || !(parameter.step > 0.0)) {
        return 0;
    }
    return static_cast<int32_t>(std::lround((parameter.max - parameter.min) / parameter.step));
}
}  // namespace

Vst3Controller::Vst3Controller(IVst3Maker maker) : make(maker) {}

Vst3Controller::~Vst3Controller()
{
    ReleaseHandler();
    if (effect) {
        effect->CloseEditorBeforeDelete();
    }
}

tresult Vst3Controller::queryInterface(const char* iid, void** obj)
{
    return AnswerQuery(iid, obj,
                       {{&kFUnknownIid, static_cast<IEditController*>(this)},
                        {&kPluginBaseIid, static_cast<IEditController*>(this)},
                        {&kEditControllerIid, static_cast<IEditController*>(this)},
                        {&kUnitInfoIid, static_cast<IUnitInfo*>(this)},
                        {&kRuckSnapshotIid, static_cast<IRuckSnapshot*>(this)}});
}

tresult Vst3Controller::initialize(FUnknown*)
{
    if (effect) {
        return kResultOk;
    }
    effect.reset(MakeReadyInstance(make, this));
    if (!effect) {
        return kOutOfMemory;
    }
    const int count = effect->ParameterCount();
    defaults.reset(new (std::nothrow) double[static_cast<size_t>(count)]);
    if (!defaults) {
        effect.reset();
        return kOutOfMemory;
    }
    for (int i = 0; i < count; ++i) {
        defaults[i] = effect->Parameter(i)->Normalized();
    }
    return kResultOk;
}

tresult Vst3Controller::terminate()
{
    if (effect) {
        effect->CloseEditorBeforeDelete();
    }
    ReleaseHandler();
    return kResultOk;
}

void Vst3Controller::ReleaseHandler()
{
    if (handler != nullptr) {
        handler->release();
        handler = nullptr;
    }
}

tresult Vst3Controller::setComponentState(IBStream* state)
{
    return RestoreFrom(state, effect.get(), stateChunk);
}

bool Vst3Controller::IsParameter(ParamID id) const
{
    return effect && id < static_cast<ParamID>(effect->ParameterCount());
}

int32_t Vst3Controller::getParameterCount()
{
    return effect ? effect->ParameterCount() + 1 : 0;
}

void Vst3Controller::FillProgramInfo(ParameterInfo& info) const
{
    info.id = IVst3Plugin::kProgramParamId;
    CopyText(info.title, "Program");
    CopyText(info.shortTitle, "Program");
    info.stepCount = effect->ProgramCount() - 1;
    info.defaultNormalizedValue = 0.0;
    info.unitId = kRootUnitId;
    info.flags = kIsProgramChange | kIsList;
}

tresult Vst3Controller::getParameterInfo(int32_t paramIndex, ParameterInfo* info)
{
    if (info == nullptr || paramIndex < 0 || paramIndex >= getParameterCount()) {
        return kInvalidArgument;
    }
    *info = ParameterInfo{};
    if (paramIndex == effect->ParameterCount()) {
        FillProgramInfo(*info);
        return kResultOk;
    }
    const IParameter& parameter = *effect->Parameter(paramIndex);
    info->id = static_cast<ParamID>(paramIndex);
    CopyText(info->title, parameter.Name());
    CopyText(info->shortTitle, parameter.Name());
    CopyText(info->units, parameter.Label());
    info->stepCount = StepCountOf(parameter);
    info->defaultNormalizedValue = defaults[paramIndex];
    info->unitId = kRootUnitId;
    info->flags = kCanAutomate | (parameter.type == kTypeEnum ? kIsList : 0);
    return kResultOk;
}

tresult Vst3Controller::getParamStringByValue(ParamID id, double valueNormalized, char16* string)
{
    if (string == nullptr || !std::isfinite(valueNormalized)) {
        return kInvalidArgument;
    }
    char text[kString128] = {};
    if (IsParameter(id)) {
        effect->FormatNormalized(static_cast<int>(id), valueNormalized, text, sizeof text);
    } else if (effect && id == IVst3Plugin::kProgramParamId) {
        CopyText(text, effect->ProgramName(effect->ProgramForNormalized(valueNormalized)));
    } else {
        return kInvalidArgument;
    }
    CopyText16(string, kString128, text);
    return kResultOk;
}

tresult Vst3Controller::getParamValueByString(ParamID id, char16* string, double* valueNormalized)
{
    if (string == nullptr || valueNormalized == nullptr) {
        return kInvalidArgument;
    }
    char text[kString128] = {};
    CopyTextFrom16(text, sizeof text, string, kString128);
    if (effect && id == IVst3Plugin::kProgramParamId) {
        for (int i = 0; i < effect->ProgramCount(); ++i) {
            if (std::strcmp(effect->ProgramName(i), text) == 0) {
                *valueNormalized = effect->NormalizedForProgram(i);
                return kResultOk;
            }
        }
        return kResultFalse;
    }
    if (!IsParameter(id)) {
        return kInvalidArgument;
    }
    // Read as the VST2 binding reads a typed value: the parameter's parse, held to its range.
    const IParameter& parameter = *effect->Parameter(static_cast<int>(id));
    const double plain = parameter.ParseValue(text);
    if (!std::isfinite(plain)) {
        return kResultFalse;
    }
    *valueNormalized = parameter.NormalizedOf(std::fmin(std::fmax(plain, parameter.min), parameter.max));
    return kResultOk;
}

double Vst3Controller::normalizedParamToPlain(ParamID id, double valueNormalized)
{
    if (IsParameter(id)) {
        return effect->PlainOf(static_cast<int>(id), valueNormalized);
    }
    return effect && id == IVst3Plugin::kProgramParamId ? effect->ProgramForNormalized(valueNormalized) : 0.0;
}

double Vst3Controller::plainParamToNormalized(ParamID id, double plainValue)
{
    if (IsParameter(id)) {
        return effect->Parameter(static_cast<int>(id))->NormalizedOf(plainValue);
    }
    if (effect && id == IVst3Plugin::kProgramParamId && std::isfinite(plainValue)) {
        return effect->NormalizedForProgram(static_cast<int>(std::lround(std::fmax(plainValue, 0.0))));
    }
    return 0.0;
}

double Vst3Controller::getParamNormalized(ParamID id)
{
    if (IsParameter(id)) {
        return effect->HostParameterValue(static_cast<int>(id));
    }
    return effect && id == IVst3Plugin::kProgramParamId ? effect->NormalizedForProgram(effect->CurrentProgram())
                                                        : 0.0;
}

tresult Vst3Controller::setParamNormalized(ParamID id, double value)
{
    if (!std::isfinite(value)) {
        return kInvalidArgument;
    }
    if (IsParameter(id)) {
        effect->SetParameterFromHost(static_cast<int>(id), value);
        return kResultOk;
    }
    if (!effect || id != IVst3Plugin::kProgramParamId) {
        return kInvalidArgument;
    }
    // The values change here without a word to the host: it is inside its own program
    // request, and calling back from there can stall it. The processor reports them.
    const int program = effect->ProgramForNormalized(value);
    if (program != effect->CurrentProgram()) {
        effect->ApplyProgram(program);
    }
    return kResultOk;
}

tresult Vst3Controller::setComponentHandler(IComponentHandler* newHandler)
{
    if (newHandler != nullptr) {
        newHandler->addRef();
    }
    ReleaseHandler();
    handler = newHandler;
    return kResultOk;
}

PlugView* Vst3Controller::createView(const char* name)
{
    if (!effect || effect->EditorView() == nullptr || name == nullptr || std::strcmp(name, "editor") != 0) {
        return nullptr;
    }
    return new (std::nothrow) Vst3View(this);
}

tresult Vst3Controller::getFaceSize(int32_t* width, int32_t* height)
{
    const IAttachedView* face = effect ? effect->EditorView() : nullptr;
    if (width == nullptr || height == nullptr) {
        return kInvalidArgument;
    }
    if (face == nullptr) {
        return kResultFalse;
    }
    *width = face->Width();
    *height = face->Height();
    return kResultOk;
}

// The very painting the VST2 vendor request 'RkSn' asks for.
tresult Vst3Controller::paintFace(int32_t width, int32_t height, uint32_t* pixels)
{
    IAttachedView* face = effect ? effect->EditorView() : nullptr;
    return face != nullptr && pixels != nullptr && face->Snapshot(pixels, width, height) ? kResultOk : kResultFalse;
}

tresult Vst3Controller::getUnitInfo(int32_t unitIndex, UnitInfo* info)
{
    if (info == nullptr || unitIndex != 0 || !effect) {
        return kInvalidArgument;
    }
    *info = UnitInfo{};
    info->id = kRootUnitId;
    info->parentUnitId = kNoParentUnitId;
    CopyText(info->name, effect->EffectName());
    info->programListId = kProgramListId;
    return kResultOk;
}

tresult Vst3Controller::getProgramListInfo(int32_t listIndex, ProgramListInfo* info)
{
    if (info == nullptr || listIndex != 0 || !effect) {
        return kInvalidArgument;
    }
    *info = ProgramListInfo{};
    info->id = kProgramListId;
    CopyText(info->name, "Factory programs");
    info->programCount = effect->ProgramCount();
    return kResultOk;
}

tresult Vst3Controller::getProgramName(int32_t listId, int32_t programIndex, char16* name)
{
    if (name == nullptr || listId != kProgramListId || !effect || effect->Program(programIndex) == nullptr) {
        return kInvalidArgument;
    }
    CopyText16(name, kString128, effect->ProgramName(programIndex));
    return kResultOk;
}

void Vst3Controller::LinkBeginEdit(int index)
{
    if (handler != nullptr) {
        handler->beginEdit(static_cast<ParamID>(index));
    }
}

void Vst3Controller::LinkPerformEdit(int index, double normalized)
{
    if (handler != nullptr) {
        handler->performEdit(static_cast<ParamID>(index), normalized);
    }
}

void Vst3Controller::LinkEndEdit(int index)
{
    if (handler != nullptr) {
        handler->endEdit(static_cast<ParamID>(index));
    }
}

void Vst3Controller::LinkValuesChanged()
{
    if (handler != nullptr) {
        handler->restartComponent(kParamValuesChanged);
    }
}
