// The hosts told apart by the product text they report (IdentifyHost), by number.
#pragma once

#include <cstdint>

enum HostCode : int32_t {
    kHostUnknown = 0,
    kHostReaper = 1,
    kHostCubase = 3,
    kHostNuendo = 4,
    kHostCakewalk = 5,
    kHostFruity = 7,
    kHostSamplitude = 8,
    kHostLive = 9,
    kHostMelodyne = 12,
    kHostVstManLib = 13,
    kHostAulab = 14,
    kHostForte = 15,
    kHostChainer = 16,
    kHostAudition = 17,
    kHostOrion = 18,
    kHostSawStudio = 20,
    kHostLogic = 21,
    kHostDigital = 22,
    kHostAudioMulch = 23,
    kHostPresonus = 24,
    kHostAcoustica = 25,
    kHostGarageBand = 26,
    kHostArdour = 27,
};
