// Which host runs the plug-in, from the product text the host reports.
#include <cstring>

#include "plug/host_codes.h"
#include "vst_plugin.h"

namespace {
struct HostFragment {
    const char* fragment;
    int32_t code;
};

// Tested in this order; the first fragment found anywhere in the lower-cased text decides.
constexpr HostFragment kHosts[] = {
    {"cubase", kHostCubase},         {"reaper", kHostReaper},         {"nuendo", kHostNuendo},
    {"cakewalk", kHostCakewalk},     {"samplitude", kHostSamplitude}, {"fruity", kHostFruity},
    {"live", kHostLive},             {"melodyne", kHostMelodyne},     {"vstmanlib", kHostVstManLib},
    {"aulab", kHostAulab},           {"forte", kHostForte},           {"chainer", kHostChainer},
    {"audition", kHostAudition},     {"orion", kHostOrion},           {"sawstudio", kHostSawStudio},
    {"logic", kHostLogic},           {"digital", kHostDigital},       {"audiomulch", kHostAudioMulch},
    {"presonus", kHostPresonus},     {"acoustica", kHostAcoustica},   {"garageband", kHostGarageBand},
    {"ardour", kHostArdour},
};

constexpr size_t kProductBytes = 256;

// The host reports its version as a decimal number, major * 10000 + minor * 100 + patch.
int32_t PackDecimalVersion(VstIntPtr v)
{
    const int64_t packed = (v / 10000) * 65536 + ((v % 10000) / 100) * 256 + v % 100;
    return static_cast<int32_t>(static_cast<uint32_t>(packed));
}
}  // namespace

int32_t IVstPlugin::LookUpHostCode(const char* product)
{
    char lower[kProductBytes] = {};
    for (size_t i = 0; product && product[i] && i + 1 < sizeof lower; ++i) {
        const char c = product[i];
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    for (const HostFragment& host : kHosts) {
        if (std::strstr(lower, host.fragment) != nullptr) {
            return host.code;
        }
    }
    return kHostUnknown;
}

void IVstPlugin::SetHostIdentity(const char* product, int32_t packedVersion)
{
    hostCode = LookUpHostCode(product);
    hostVersion = packedVersion;
}

int32_t IVstPlugin::IdentifyHost()
{
    if (hostCode != -1) {
        return hostCode;
    }
    char product[kProductBytes] = {};
    CallHost(audioMasterGetProductString, 0, 0, product);
    product[kProductBytes - 1] = 0;
    int32_t version = 0;
    if (product[0] != 0) {
        version = PackDecimalVersion(CallHost(audioMasterGetVendorVersion));
    }
    SetHostIdentity(product, version);
    return hostCode;
}
