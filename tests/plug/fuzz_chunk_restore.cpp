// Feeds arbitrary bytes to the state and the bank restore. A failed restore must leave
// the instance exactly as it was; after any restore the instance must still save
// chunks that read back into a fresh instance unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "test_effect.h"

namespace {
using ruck::test::Capture;
using ruck::test::Snapshot;
using ruck::test::TestEffect;

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "chunk restore fuzz: %s\n", what);
        std::abort();
    }
}

void RequireUnchangedOnFailure(TestEffect& plug, const uint8_t* data, size_t size, bool isBank)
{
    const Snapshot before = Capture(plug);
    IDataChunk chunk;
    if (!plug.RestoreChunk(chunk, data, static_cast<int64_t>(size), isBank)) {
        Require(Capture(plug) == before, "a failed restore changed the instance");
    }
}

// The instance saves a bank and a state that a fresh instance takes back unchanged.
void RequireRoundTrip(TestEffect& plug)
{
    IDataChunk bank;
    IDataChunk state;
    Require(plug.SaveChunk(bank, true), "bank could not be saved");
    Require(plug.SaveChunk(state, false) && state.Size() == 8 + 8 * TestEffect::kParams,
            "state could not be saved");
    TestEffect copy;
    Require(copy.SelectProgram(plug.CurrentProgram()), "fresh instance could not select");
    Require(copy.RestoreChunk(bank, bank.Data(), bank.Size(), true), "own bank refused");
    Require(copy.RestoreChunk(state, state.Data(), state.Size(), false), "own state refused");
    Require(Capture(copy) == Capture(plug), "round trip changed the instance");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TestEffect plug;
    plug.MakeFactoryPrograms();
    plug.SelectProgram(2);
    plug.SetParameterFromHost(6, 0.3);
    for (bool isBank : {false, true}) {
        RequireUnchangedOnFailure(plug, data, size, isBank);
        RequireRoundTrip(plug);
    }
    return 0;
}
