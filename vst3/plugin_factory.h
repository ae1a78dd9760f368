// The module's class factory: the processor and controller classes of one effect, their
// descriptions for hosts, and their creation by class ID.
#pragma once

#include "vst3/audio_component.h"

// What a plug-in module tells hosts about its one effect.
struct IVst3ClassInfo {
    const char* name;
    const char* vendor;
    const char* url;
    const char* email;
    const char* version;
    const char* subCategories;
    vst3::Uid processorId;
    vst3::Uid controllerId;
    IVst3Maker make;
};

class Vst3Factory final : public vst3::PluginFactory3 {
public:
    explicit Vst3Factory(const IVst3ClassInfo& info) : info(info) {}
    Vst3Factory(const Vst3Factory&) = delete;
    Vst3Factory& operator=(const Vst3Factory&) = delete;

    vst3::tresult queryInterface(const char* iid, void** obj) override;
    // The factory lives as long as the module; counting only keeps hosts' books balanced.
    uint32_t addRef() override { return refs.Add(); }
    uint32_t release() override { return refs.Drop(); }

    vst3::tresult getFactoryInfo(vst3::PFactoryInfo* factoryInfo) override;
    int32_t countClasses() override { return kClassCount; }
    vst3::tresult getClassInfo(int32_t index, vst3::PClassInfo* classInfo) override;
    vst3::tresult createInstance(const char* cid, const char* iid, void** obj) override;
    vst3::tresult getClassInfo2(int32_t index, vst3::PClassInfo2* classInfo) override;
    vst3::tresult getClassInfoUnicode(int32_t index, vst3::PClassInfoW* classInfo) override;
    vst3::tresult setHostContext(vst3::FUnknown*) override { return vst3::kResultOk; }

private:
    static constexpr int32_t kClassCount = 2;
    static constexpr int32_t kProcessorClass = 0;

    const vst3::Uid& ClassId(int32_t index) const;
    const char* Category(int32_t index) const;
    const char* SubCategories(int32_t index) const;
    uint32_t ClassFlags(int32_t index) const;
    // The fields every class record has; false for a bad index or record.
    template <typename Info>
    bool FillBasics(int32_t index, Info* classInfo) const;
    // Those and the fields of the version 2 and Unicode records.
    template <typename Info>
    vst3::tresult FillAll(int32_t index, Info* classInfo) const;

    const IVst3ClassInfo& info;
    vst3::RefCount refs;
};
