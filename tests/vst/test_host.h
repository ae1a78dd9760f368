// A recording VST2 host for tests: loads the plug-in binary, answers the plug-in's
// requests from configurable fields and keeps a log of every request.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plugin_module.h"

struct HostRequest {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
};

class TestHost {
public:
    TestHost();
    ~TestHost();

    // A fresh instance from the plug-in's entry point; closed by the host's destructor.
    AEffect* Open(const char* entryName = "VSTPluginMain");
    void Close(AEffect* effect);

    VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    std::string Text(AEffect* e, VstInt32 opcode, VstInt32 index = 0);
    std::vector<uint8_t> Chunk(AEffect* e, bool bank);
    VstIntPtr SetChunk(AEffect* e, const std::vector<uint8_t>& bytes, bool bank);
    std::vector<VstInt32> Opcodes() const;

    static std::string PluginPath();

    std::string productString;
    VstIntPtr vendorVersion = 0;
    VstTimeInfo timeInfo = {};
    bool answerTime = false;
    std::vector<HostRequest> requests;
    // Called after each request is logged, for hosts that act on what they are told.
    std::function<void(AEffect*, VstInt32 opcode)> onRequest;

private:
    static VstIntPtr Callback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    std::unique_ptr<PluginModule> module;
    std::vector<AEffect*> open;
};
