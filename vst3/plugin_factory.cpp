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
    CopyText8(factoryInfo->vendor, info.vendor);
    CopyText8(factoryInfo->url, info.url);
    CopyText8(factoryInfo->email, info.email);
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

tresult Vst3Factory::getClassInfo(int32_t index, PClassInfo* classInfo)
{
    if (classInfo == nullptr || index < 0 || index >= kClassCount) {
        return kInvalidArgument;
    }
    *classInfo = PClassInfo{};
    std::memcpy(classInfo->cid, ClassId(index).bytes, sizeof classInfo->cid);
    classInfo->cardinality = kManyInstances;
    CopyText8(classInfo->category, Category(index));
    CopyText8(classInfo->name, info.name);
    return kResultOk;
}

tresult Vst3Factory::getClassInfo2(int32_t index, PClassInfo2* classInfo)
{
    if (classInfo == nullptr || index < 0 || index >= kClassCount) {
        return kInvalidArgument;
    }
    *classInfo = PClassInfo2{};
    std::memcpy(classInfo->cid, ClassId(index).bytes, sizeof classInfo->cid);
    classInfo->cardinality = kManyInstances;
    CopyText8(classInfo->category, Category(index));
    CopyText8(classInfo->name, info.name);
    classInfo->classFlags = ClassFlags(index);
    CopyText8(classInfo->subCategories, SubCategories(index));
    CopyText8(classInfo->vendor, info.vendor);
    CopyText8(classInfo->version, info.version);
    CopyText8(classInfo->sdkVersion, kSdkVersion);
    return kResultOk;
}

tresult Vst3Factory::getClassInfoUnicode(int32_t index, PClassInfoW* classInfo)
{
    if (classInfo == nullptr || index < 0 || index >= kClassCount) {
        return kInvalidArgument;
    }
    *classInfo = PClassInfoW{};
    std::memcpy(classInfo->cid, ClassId(index).bytes, sizeof classInfo->cid);
    classInfo->cardinality = kManyInstances;
    CopyText8(classInfo->category, Category(index));
    CopyText16(classInfo->name, info.name);
    classInfo->classFlags = ClassFlags(index);
    CopyText8(classInfo->subCategories, SubCategories(index));
    CopyText16(classInfo->vendor, info.vendor);
    CopyText16(classInfo->version, info.version);
    CopyText16(classInfo->sdkVersion, kSdkVersion);
    return kResultOk;
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
