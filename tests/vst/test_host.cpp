#include "test_host.h"

#include <algorithm>
#include <cstring>

namespace {
// Requests made before the host could store itself in the record (none are expected).
TestHost* constructingHost = nullptr;
}

TestHost::TestHost() : module(std::make_unique<PluginModule>(PluginPath())) {}

TestHost::~TestHost()
{
    for (AEffect* e : open) {
        e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    }
}

std::string TestHost::PluginPath()
{
    return RUCK_PLUGIN_PATH;
}

AEffect* TestHost::Open(const char* entryName)
{
    const VstEntry entry = module->Entry(entryName);
    if (entry == nullptr) {
        return nullptr;
    }
    constructingHost = this;
    AEffect* e = entry(&TestHost::Callback);
    constructingHost = nullptr;
    if (e != nullptr) {
        e->user = this;
        open.push_back(e);
    }
    return e;
}

void TestHost::Close(AEffect* e)
{
    open.erase(std::remove(open.begin(), open.end(), e), open.end());
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

VstIntPtr TestHost::Callback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    TestHost* host = e && e->user ? static_cast<TestHost*>(e->user) : constructingHost;
    if (host == nullptr) {
        return 0;
    }
    const VstIntPtr answer = host->Answer(opcode, index, value, ptr, opt);
    if (host->onRequest) {
        host->onRequest(e, opcode);
    }
    return answer;
}

VstIntPtr TestHost::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    requests.push_back({opcode, index, value, opt});
    switch (opcode) {
    case audioMasterGetProductString:
        std::strncpy(static_cast<char*>(ptr), productString.c_str(), 63);
        return productString.empty() ? 0 : 1;
    case audioMasterGetVendorVersion:
        return vendorVersion;
    case audioMasterGetTime:
        return answerTime ? reinterpret_cast<VstIntPtr>(&timeInfo) : 0;
    case audioMasterVersion:
        return 2400;
    default:
        return 0;
    }
}

VstIntPtr TestHost::Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

std::string TestHost::Text(AEffect* e, VstInt32 opcode, VstInt32 index)
{
    char text[256];
    std::memset(text, 'Z', sizeof text);
    text[sizeof text - 1] = 0;
    e->dispatcher(e, opcode, index, 0, text, 0.0f);
    return text;
}

std::vector<uint8_t> TestHost::Chunk(AEffect* e, bool bank)
{
    void* data = nullptr;
    const VstIntPtr size = e->dispatcher(e, effGetChunk, bank ? 0 : 1, 0, &data, 0.0f);
    if (size <= 0 || data == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

VstIntPtr TestHost::SetChunk(AEffect* e, const std::vector<uint8_t>& bytes, bool bank)
{
    std::vector<uint8_t> copy = bytes;
    return e->dispatcher(e, effSetChunk, bank ? 0 : 1, static_cast<VstIntPtr>(copy.size()),
                         copy.empty() ? nullptr : copy.data(), 0.0f);
}

std::vector<VstInt32> TestHost::Opcodes() const
{
    std::vector<VstInt32> opcodes;
    for (const HostRequest& r : requests) {
        opcodes.push_back(r.opcode);
    }
    return opcodes;
}
