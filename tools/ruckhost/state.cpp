#include "state.h"

#include <cstring>

#include "host_error.h"

namespace {
constexpr char kMagic[4] = {'R', 'H', 'S', 'T'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderBytes = 24;

enum StateKind : uint32_t { kChunk = 1, kParameters = 2 };

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::vector<uint8_t> ParameterValues(const PluginInstance& plugin)
{
    std::vector<uint8_t> values;
    for (int i = 0; i < plugin.ParameterCount(); ++i) {
        const float v = plugin.GetParameter(i);
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        Put32(values, bits);
    }
    return values;
}

void LoadParameterValues(const PluginInstance& plugin, const uint8_t* payload, uint32_t size,
                         const std::string& name)
{
    if (size != 4u * static_cast<uint32_t>(plugin.ParameterCount())) {
        throw HostError(name + " holds " + std::to_string(size / 4) + " parameter values; " + plugin.Path() +
                        " has " + std::to_string(plugin.ParameterCount()));
    }
    for (int i = 0; i < plugin.ParameterCount(); ++i) {
        const uint32_t bits = Get32(payload + 4 * i);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        if (!(v >= 0.0f && v <= 1.0f)) {
            throw HostError(name + " holds a parameter value outside 0..1");
        }
        plugin.SetParameter(i, v);
    }
}
}  // namespace

std::vector<uint8_t> SaveState(const PluginInstance& plugin)
{
    std::vector<uint8_t> payload = plugin.GetChunk(false);
    const StateKind kind = payload.empty() ? kParameters : kChunk;
    if (kind == kParameters) {
        payload = ParameterValues(plugin);
    }
    if (payload.size() > 0xFFFFFFFFu - kHeaderBytes) {
        throw HostError(plugin.Path() + " gave a state chunk of over 4 GiB");
    }
    std::vector<uint8_t> out(kMagic, kMagic + 4);
    Put32(out, kVersion);
    Put32(out, static_cast<uint32_t>(plugin.Effect()->uniqueID));
    Put32(out, static_cast<uint32_t>(plugin.ParameterCount()));
    Put32(out, kind);
    Put32(out, static_cast<uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

void LoadState(const PluginInstance& plugin, const std::vector<uint8_t>& bytes, const std::string& name)
{
    if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data(), kMagic, 4) != 0) {
        throw HostError(name + " is not a ruckhost state file");
    }
    if (Get32(&bytes[4]) != kVersion) {
        throw HostError(name + " is a state file of an unknown version " + std::to_string(Get32(&bytes[4])));
    }
    const VstInt32 id = static_cast<VstInt32>(Get32(&bytes[8]));
    if (id != plugin.Effect()->uniqueID) {
        throw HostError(name + " holds the state of plug-in '" + UniqueIdText(id) + "', not of " + plugin.Path() +
                        " ('" + UniqueIdText(plugin.Effect()->uniqueID) + "')");
    }
    const uint32_t kind = Get32(&bytes[16]);
    const uint32_t size = Get32(&bytes[20]);
    if (size != bytes.size() - kHeaderBytes) {
        throw HostError(name + " is cut short or damaged: it declares " + std::to_string(size) +
                        " bytes of state, " + std::to_string(bytes.size() - kHeaderBytes) + " are present");
    }
    const uint8_t* payload = bytes.data() + kHeaderBytes;
    if (kind == kParameters) {
        LoadParameterValues(plugin, payload, size, name);
    } else if (kind == kChunk) {
        if (!plugin.SetChunk(std::vector<uint8_t>(payload, payload + size), false)) {
            throw HostError(plugin.Path() + " refused the state in " + name);
        }
    } else {
        throw HostError(name + " holds a state of unknown kind " + std::to_string(kind));
    }
}
