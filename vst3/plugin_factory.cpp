#include "plugin_factory.h"

#include <new>

#include "vst3/edit_controller.h"

using namespace vst3;

namespace {
const char kProcessorCategory[] = "Audio Module Class";
const char kControllerCategory[] = "Component Controller Class";
// The interface set these declarations were written from.
const char kSdkVersion[] = "VST 3.7.14";

// Hands the new object out as the asked interface; the creator's own reference goes.
template <typename Object>
tresult HandOut(Object* object, const char* iid, void** obj)
{
    if (object == nullptr) {
        *obj = nullptr;
        return kOutOfMemory;
    }
    const tresult result = object->queryInterface(iid, obj);
    object->release();
    return result;
}
}  // namespace

tresult Vst3Factory::queryInterface(const char* iid, void** obj)
{
    return AnswerQuery(iid, obj,
                       {{&kFUnknownIid, this},
                        {&kPluginFactoryIid, this},
                        {&kPluginFactory2Iid, this},
                        {&kPluginFactory3Iid, this}});
}

tresult Vst3Factory::getFactoryInfo(PFactoryInfo* factoryInfo)
{
    if (factoryInfo == nullptr) {
        return kInvalidArgument;
    }
    *factoryInfo = PFactoryInfo{};
    CopyText(factoryInfo->vendor, info.vendor);
    CopyText(factoryInfo->url, info.url);
    CopyText(factoryInfo->email, info.email);
    factoryInfo->flags = kFactoryUnicode;
    return kResultOk;
}

const Uid& Vst3Factory::ClassId(int32_t index) const
{
    return index == kProcessorClass ? info.processorId : info.controllerId;
}

const char* Vst3Factory::Category(int32_t index) const
{
    return index == kProcessorClass ? kProcessorCategory : kControllerCategory;
}

const char* Vst3Factory::SubCategories(int32_t index) const
{
    return index == kProcessorClass ? info.subCategories : "";
}

// The two halves share nothing but what the host carries between them.
uint32_t Vst3Factory::ClassFlags(int32_t index) const
{
    return index == kProcessorClass ? kDistributable : 0;
}

template <typename Info>
bool Vst3Factory::FillBasics(int32_t index, Info* classInfo) const
{
    if (classInfo == nullptr || index < 0 || index >= kClassCount) {
        return false;
    }
    *classInfo = Info{};
    std::memcpy(classInfo->cid, ClassId(index).bytes, sizeof classInfo->cid);
    classInfo->cardinality = kManyInstances;
    CopyText(classInfo->category, Category(index));
    CopyText(classInfo->name, info.name);
    return true;
}

template <typename Info>
tresult Vst3Factory::FillAll(int32_t index, Info* classInfo) const
{
    if (!FillBasics(index, classInfo)) {
        return kInvalidArgument;
    }
    classInfo->classFlags = ClassFlags(index);
    CopyText(classInfo->subCategories, SubCategories(index));
    CopyText(classInfo->vendor, info.vendor);
    CopyText(classInfo->version, info.version);
    CopyText(classInfo->sdkVersion, kSdkVersion);
    return kResultOk;
}

tresult Vst3Factory::getClassInfo(int32_t index, PClassInfo* classInfo)
{
    return FillBasics(index, classInfo) ? kResultOk : kInvalidArgument;
}

tresult Vst3Factory::getClassInfo2(int32_t index, PClassInfo2* classInfo)
{
    return FillAll(index, classInfo);
}

tresult Vst3Factory::getClassInfoUnicode(int32_t index, PClassInfoW* classInfo)
{
    return FillAll(index, classInfo);
}

tresult Vst3Factory::createInstance(const char* cid, const char* iid, void** obj)
{
    if (cid == nullptr || iid == nullptr || obj == nullptr) {
        return kInvalidArgument;
    }
    if (info.processorId.Is(cid)) {
        return HandOut(new (std::nothrow) Vst3Component(info.make, info.controllerId), iid, obj);
    }
    if (info.controllerId.Is(cid)) {
        return HandOut(new (std::nothrow) Vst3Controller(info.make), iid, obj);
    }
    *obj = nullptr;
    return kNoInterface;
}
