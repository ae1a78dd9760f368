// The VST 3 interfaces Ruckstone implements or calls, declared from their published
// binary layouts: COM-style objects whose vtable order is declaration order, 16-byte
// interface IDs, the records passed through them and their constants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vst3 {

using tresult = int32_t;
using TBool = uint8_t;  // never C++ bool in a declaration
using char16 = char16_t;
using ParamID = uint32_t;
using ParamValue = double;
using SpeakerArrangement = uint64_t;

// Result codes: the COM values on Windows, small numbers elsewhere. Test for kResultOk
// explicitly; on Linux a failure is positive.
#ifdef _WIN32
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kNoInterface = -1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif

// A 16-byte interface or class ID. Declared as four 32-bit words; on Windows the first
// eight bytes take the GUID layout (Data1, Data2, Data3 little-endian), elsewhere every
// word is stored big-endian. Bytes 8 to 15 are the same everywhere.
struct Uid {
    uint8_t bytes[16];

    const char* Data() const { return reinterpret_cast<const char*>(bytes); }
    bool Is(const void* other) const { return other != nullptr && std::memcmp(bytes, other, 16) == 0; }
};

constexpr uint8_t ByteOf(uint32_t word, int shift) { return static_cast<uint8_t>((word >> shift) & 0xFF); }

constexpr Uid MakeUid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4)
{
#ifdef _WIN32
    return Uid{{ByteOf(l1, 0), ByteOf(l1, 8), ByteOf(l1, 16), ByteOf(l1, 24), ByteOf(l2, 16), ByteOf(l2, 24),
                ByteOf(l2, 0), ByteOf(l2, 8), ByteOf(l3, 24), ByteOf(l3, 16), ByteOf(l3, 8), ByteOf(l3, 0),
                ByteOf(l4, 24), ByteOf(l4, 16), ByteOf(l4, 8), ByteOf(l4, 0)}};
#else
    return Uid{{ByteOf(l1, 24), ByteOf(l1, 16), ByteOf(l1, 8), ByteOf(l1, 0), ByteOf(l2, 24), ByteOf(l2, 16),
                ByteOf(l2, 8), ByteOf(l2, 0), ByteOf(l3, 24), ByteOf(l3, 16), ByteOf(l3, 8), ByteOf(l3, 0),
                ByteOf(l4, 24), ByteOf(l4, 16), ByteOf(l4, 8), ByteOf(l4, 0)}};
#endif
}

constexpr Uid kFUnknownIid = MakeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
constexpr Uid kPluginBaseIid = MakeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
constexpr Uid kPluginFactoryIid = MakeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
constexpr Uid kPluginFactory2Iid = MakeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
constexpr Uid kPluginFactory3Iid = MakeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
constexpr Uid kBStreamIid = MakeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
constexpr Uid kComponentIid = MakeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
constexpr Uid kAudioProcessorIid = MakeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
constexpr Uid kProcessContextRequirementsIid = MakeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
constexpr Uid kEditControllerIid = MakeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
constexpr Uid kComponentHandlerIid = MakeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
constexpr Uid kHostApplicationIid = MakeUid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
constexpr Uid kParameterChangesIid = MakeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
constexpr Uid kParamValueQueueIid = MakeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
constexpr Uid kUnitInfoIid = MakeUid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
constexpr Uid kPlugViewIid = MakeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
constexpr Uid kPlugFrameIid = MakeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
constexpr Uid kPlugViewContentScaleSupportIid = MakeUid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
constexpr Uid kRunLoopIid = MakeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
constexpr Uid kEventHandlerIid = MakeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
constexpr Uid kTimerHandlerIid = MakeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);

// The base of every interface. Interfaces have no virtual destructor and no overloads,
// so the compiler lays their vtables out in declaration order (the COM order).
class FUnknown {
public:
    virtual tresult queryInterface(const char* iid, void** obj) = 0;
    virtual uint32_t addRef() = 0;
    virtual uint32_t release() = 0;
};

// ---- Factory ----

constexpr int32_t kManyInstances = 0x7FFFFFFF;
constexpr int32_t kFactoryUnicode = 16;
constexpr uint32_t kDistributable = 1;

struct PFactoryInfo {
    char vendor[64];
    char url[256];
    char email[128];
    int32_t flags;
};

struct PClassInfo {
    char cid[16];
    int32_t cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2 {
    char cid[16];
    int32_t cardinality;
    char category[32];
    char name[64];
    uint32_t classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

struct PClassInfoW {
    char cid[16];
    int32_t cardinality;
    char category[32];
    char16 name[64];
    uint32_t classFlags;
    char subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

class PluginFactory : public FUnknown {
public:
    virtual tresult getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32_t countClasses() = 0;
    virtual tresult getClassInfo(int32_t index, PClassInfo* info) = 0;
    virtual tresult createInstance(const char* cid, const char* iid, void** obj) = 0;
};

class PluginFactory2 : public PluginFactory {
public:
    virtual tresult getClassInfo2(int32_t index, PClassInfo2* info) = 0;
};

class PluginFactory3 : public PluginFactory2 {
public:
    virtual tresult getClassInfoUnicode(int32_t index, PClassInfoW* info) = 0;
    virtual tresult setHostContext(FUnknown* context) = 0;
};

// ---- Host objects ----

enum SeekMode : int32_t { kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2 };

class IBStream : public FUnknown {
public:
    virtual tresult read(void* buffer, int32_t numBytes, int32_t* numBytesRead) = 0;
    virtual tresult write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) = 0;
    virtual tresult seek(int64_t pos, int32_t mode, int64_t* result) = 0;
    virtual tresult tell(int64_t* pos) = 0;
};

class IHostApplication : public FUnknown {
public:
    virtual tresult getName(char16* name) = 0;
    virtual tresult createInstance(char* cid, char* iid, void** obj) = 0;
};

class IComponentHandler : public FUnknown {
public:
    virtual tresult beginEdit(ParamID id) = 0;
    virtual tresult performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult endEdit(ParamID id) = 0;
    virtual tresult restartComponent(int32_t flags) = 0;
};

constexpr int32_t kParamValuesChanged = 0x4;

class IParamValueQueue : public FUnknown {
public:
    virtual ParamID getParameterId() = 0;
    virtual int32_t getPointCount() = 0;
    virtual tresult getPoint(int32_t index, int32_t* sampleOffset, ParamValue* value) = 0;
    virtual tresult addPoint(int32_t sampleOffset, ParamValue value, int32_t* index) = 0;
};

class IParameterChanges : public FUnknown {
public:
    virtual int32_t getParameterCount() = 0;
    virtual IParamValueQueue* getParameterData(int32_t index) = 0;
    virtual IParamValueQueue* addParameterData(const ParamID* id, int32_t* index) = 0;
};

// ---- Component and processor ----

enum MediaType : int32_t { kAudio = 0, kEvent = 1 };
enum BusDirection : int32_t { kInput = 0, kOutput = 1 };
enum BusType : int32_t { kMain = 0, kAux = 1 };
constexpr uint32_t kDefaultActive = 1;

constexpr SpeakerArrangement kSpeakerMono = 0x80000;  // the M speaker
constexpr SpeakerArrangement kSpeakerStereo = 0x3;    // L and R

struct BusInfo {
    int32_t mediaType;
    int32_t direction;
    int32_t channelCount;
    char16 name[128];
    int32_t busType;
    uint32_t flags;
};

struct RoutingInfo {
    int32_t mediaType;
    int32_t busIndex;
    int32_t channel;
};

class PluginBase : public FUnknown {
public:
    virtual tresult initialize(FUnknown* context) = 0;
    virtual tresult terminate() = 0;
};

class IComponent : public PluginBase {
public:
    virtual tresult getControllerClassId(char* classId) = 0;
    virtual tresult setIoMode(int32_t mode) = 0;
    virtual int32_t getBusCount(int32_t type, int32_t dir) = 0;
    virtual tresult getBusInfo(int32_t type, int32_t dir, int32_t index, BusInfo* bus) = 0;
    virtual tresult getRoutingInfo(RoutingInfo* inInfo, RoutingInfo* outInfo) = 0;
    virtual tresult activateBus(int32_t type, int32_t dir, int32_t index, TBool state) = 0;
    virtual tresult setActive(TBool state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;
};

enum SymbolicSampleSize : int32_t { kSample32 = 0, kSample64 = 1 };
enum ProcessMode : int32_t { kRealtime = 0, kPrefetch = 1, kOffline = 2 };

struct ProcessSetup {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t maxSamplesPerBlock;
    double sampleRate;
};

struct AudioBusBuffers {
    int32_t numChannels;
    uint64_t silenceFlags;
    union {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};

constexpr uint32_t kTempoValid = 0x400;
constexpr uint32_t kTimeSigValid = 0x2000;

struct ProcessContext {
    uint32_t state;
    double sampleRate;
    int64_t projectTimeSamples;
    int64_t systemTime;
    int64_t continousTimeSamples;
    double projectTimeMusic;
    double barPositionMusic;
    double cycleStartMusic;
    double cycleEndMusic;
    double tempo;
    int32_t timeSigNumerator;
    int32_t timeSigDenominator;
    uint8_t chordKeyNote;
    uint8_t chordRootNote;
    int16_t chordMask;
    int32_t smpteOffsetSubframes;
    uint32_t framesPerSecond;
    uint32_t frameRateFlags;
    int32_t samplesToNextClock;
};

class IEventList;

struct ProcessData {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t numSamples;
    int32_t numInputs;
    int32_t numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

class IAudioProcessor : public FUnknown {
public:
    virtual tresult setBusArrangements(SpeakerArrangement* inputs, int32_t numIns, SpeakerArrangement* outputs,
                                       int32_t numOuts) = 0;
    virtual tresult getBusArrangement(int32_t dir, int32_t index, SpeakerArrangement* arr) = 0;
    virtual tresult canProcessSampleSize(int32_t symbolicSampleSize) = 0;
    virtual uint32_t getLatencySamples() = 0;
    virtual tresult setupProcessing(ProcessSetup* setup) = 0;
    virtual tresult setProcessing(TBool state) = 0;
    virtual tresult process(ProcessData* data) = 0;
    virtual uint32_t getTailSamples() = 0;
};

class IProcessContextRequirements : public FUnknown {
public:
    virtual uint32_t getProcessContextRequirements() = 0;
};

// ---- Edit controller, units and programs ----

enum ParameterFlag : int32_t {
    kCanAutomate = 0x1,
    kIsReadOnly = 0x2,
    kIsList = 0x8,
    kIsProgramChange = 0x8000,
};

struct ParameterInfo {
    ParamID id;
    char16 title[128];
    char16 shortTitle[128];
    char16 units[128];
    int32_t stepCount;
    ParamValue defaultNormalizedValue;
    int32_t unitId;
    int32_t flags;
};

class PlugView;

class IEditController : public PluginBase {
public:
    virtual tresult setComponentState(IBStream* state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;
    virtual int32_t getParameterCount() = 0;
    virtual tresult getParameterInfo(int32_t paramIndex, ParameterInfo* info) = 0;
    virtual tresult getParamStringByValue(ParamID id, ParamValue valueNormalized, char16* string) = 0;
    virtual tresult getParamValueByString(ParamID id, char16* string, ParamValue* valueNormalized) = 0;
    virtual ParamValue normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue getParamNormalized(ParamID id) = 0;
    virtual tresult setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult setComponentHandler(IComponentHandler* handler) = 0;
    virtual PlugView* createView(const char* name) = 0;
};

constexpr int32_t kRootUnitId = 0;
constexpr int32_t kNoParentUnitId = -1;

struct UnitInfo {
    int32_t id;
    int32_t parentUnitId;
    char16 name[128];
    int32_t programListId;
};

struct ProgramListInfo {
    int32_t id;
    char16 name[128];
    int32_t programCount;
};

class IUnitInfo : public FUnknown {
public:
    virtual int32_t getUnitCount() = 0;
    virtual tresult getUnitInfo(int32_t unitIndex, UnitInfo* info) = 0;
    virtual int32_t getProgramListCount() = 0;
    virtual tresult getProgramListInfo(int32_t listIndex, ProgramListInfo* info) = 0;
    virtual tresult getProgramName(int32_t listId, int32_t programIndex, char16* name) = 0;
    virtual tresult getProgramInfo(int32_t listId, int32_t programIndex, const char* attributeId,
                                   char16* attributeValue) = 0;
    virtual tresult hasProgramPitchNames(int32_t listId, int32_t programIndex) = 0;
    virtual tresult getProgramPitchName(int32_t listId, int32_t programIndex, int16_t midiPitch, char16* name) = 0;
    virtual int32_t getSelectedUnit() = 0;
    virtual tresult selectUnit(int32_t unitId) = 0;
    virtual tresult getUnitByBus(int32_t type, int32_t dir, int32_t busIndex, int32_t channel, int32_t* unitId) = 0;
    virtual tresult setUnitProgramData(int32_t listOrUnitId, int32_t programIndex, IBStream* data) = 0;
};

// ---- Editor ----

struct ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

class PlugFrame;

class PlugView : public FUnknown {
public:
    virtual tresult isPlatformTypeSupported(const char* type) = 0;
    virtual tresult attached(void* parent, const char* type) = 0;
    virtual tresult removed() = 0;
    virtual tresult onWheel(float distance) = 0;
    virtual tresult onKeyDown(char16 key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult onKeyUp(char16 key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult getSize(ViewRect* size) = 0;
    virtual tresult onSize(ViewRect* newSize) = 0;
    virtual tresult onFocus(TBool state) = 0;
    virtual tresult setFrame(PlugFrame* frame) = 0;
    virtual tresult canResize() = 0;
    virtual tresult checkSizeConstraint(ViewRect* rect) = 0;
};

class PlugFrame : public FUnknown {
public:
    virtual tresult resizeView(PlugView* view, ViewRect* newSize) = 0;
};

class PlugViewContentScaleSupport : public FUnknown {
public:
    virtual tresult setContentScaleFactor(float factor) = 0;
};

constexpr const char kPlatformHwnd[] = "HWND";
constexpr const char kPlatformX11[] = "X11EmbedWindowID";

// Linux: the host's run loop, which serves the editor's file descriptor and timer.
class IEventHandler : public FUnknown {
public:
    virtual void onFDIsSet(int fd) = 0;
};

class ITimerHandler : public FUnknown {
public:
    virtual void onTimer() = 0;
};

class IRunLoop : public FUnknown {
public:
    virtual tresult registerEventHandler(IEventHandler* handler, int fd) = 0;
    virtual tresult unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult registerTimer(ITimerHandler* handler, uint64_t milliseconds) = 0;
    virtual tresult unregisterTimer(ITimerHandler* handler) = 0;
};

static_assert(sizeof(PFactoryInfo) == 452, "PFactoryInfo layout");
static_assert(sizeof(PClassInfo) == 116, "PClassInfo layout");
static_assert(sizeof(PClassInfo2) == 440 && offsetof(PClassInfo2, sdkVersion) == 376, "PClassInfo2 layout");
static_assert(sizeof(PClassInfoW) == 696 && offsetof(PClassInfoW, classFlags) == 180, "PClassInfoW layout");
static_assert(sizeof(BusInfo) == 276 && offsetof(BusInfo, busType) == 268, "BusInfo layout");
static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16, "ProcessSetup layout");
static_assert(sizeof(AudioBusBuffers) == 24, "AudioBusBuffers layout");
static_assert(sizeof(ProcessData) == 80 && offsetof(ProcessData, processContext) == 72, "ProcessData layout");
static_assert(sizeof(ProcessContext) == 112 && offsetof(ProcessContext, samplesToNextClock) == 104,
              "ProcessContext layout");
static_assert(sizeof(ParameterInfo) == 792 && offsetof(ParameterInfo, defaultNormalizedValue) == 776,
              "ParameterInfo layout");
static_assert(sizeof(UnitInfo) == 268 && sizeof(ProgramListInfo) == 264, "unit records layout");
static_assert(sizeof(ViewRect) == 16 && sizeof(RoutingInfo) == 12, "small records layout");

}  // namespace vst3
