#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "test_effect.h"

using ruck::test::Bytes;
using ruck::test::Capture;
using ruck::test::FakeView;
using ruck::test::Snapshot;
using ruck::test::TestEffect;

namespace {
using ByteList = std::vector<uint8_t>;

// Little-endian bytes of a 64-bit pattern, written out independently of the encoder.
void Append(ByteList& out, uint64_t bits, int count)
{
    for (int i = 0; i < count; ++i) {
        out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
}

const ByteList kHeader = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};

// The binary64 patterns of the default values 1, 50, 0, 10, -16, -16, -20, 10, 0, 0, 90.
ByteList DefaultBlock()
{
    ByteList out;
    for (uint64_t bits : {0x3FF0000000000000ull, 0x4049000000000000ull, 0ull, 0x4024000000000000ull,
                          0xC030000000000000ull, 0xC030000000000000ull, 0xC034000000000000ull,
                          0x4024000000000000ull, 0ull, 0ull, 0x4056800000000000ull}) {
        Append(out, bits, 8);
    }
    return out;
}

ByteList Concat(std::initializer_list<ByteList> parts)
{
    ByteList out;
    for (const ByteList& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

ByteList Double(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    ByteList out;
    Append(out, bits, 8);
    return out;
}

ByteList Int32(int32_t v)
{
    ByteList out;
    Append(out, static_cast<uint32_t>(v), 4);
    return out;
}

// A state block of eleven values.
ByteList Block(std::initializer_list<double> values)
{
    ByteList out;
    for (double v : values) {
        out = Concat({out, Double(v)});
    }
    return out;
}

bool Restore(IEffectBase& plug, const ByteList& bytes, bool isBank)
{
    IDataChunk chunk;
    return plug.RestoreChunk(chunk, bytes.data(), static_cast<int64_t>(bytes.size()), isBank);
}

ByteList Save(IEffectBase& plug, bool isBank)
{
    IDataChunk chunk;
    EXPECT_TRUE(plug.SaveChunk(chunk, isBank));
    return Bytes(chunk);
}

const ByteList kSample = Block({3, 20, 2, 40, -30, -8, 55, -70, 3, 25, 60});
}  // namespace

TEST(StateChunk, IsHeaderAndElevenPlainDoubles)
{
    TestEffect plug;
    const ByteList state = Save(plug, false);
    EXPECT_EQ(state.size(), 96u);
    EXPECT_EQ(state, Concat({kHeader, DefaultBlock()}));
}

TEST(BankChunk, LaysOutNameFlagAndValuesPerSlot)
{
    TestEffect plug("1-1", 2);
    plug.MakeProgramFromCurrent("Ab", 1);
    plug.SetParameterFromHost(1, 1.0);  // Amount 100: must reach the current program's entry
    const ByteList bank = Save(plug, true);
    ByteList values = DefaultBlock();
    ByteList amount;
    Append(amount, 0x4059000000000000ull, 8);
    std::copy(amount.begin(), amount.end(), values.begin() + 8);
    const ByteList slot0 = Concat({{0x02, 0x00, 0x00, 0x00, 'A', 'b', 0x01}, values});
    const ByteList slot1 = {0x05, 0x00, 0x00, 0x00, '-', ' ', '2', ' ', '-', 0x00};
    EXPECT_EQ(bank, Concat({kHeader, slot0, slot1}));

    TestEffect empty("1-1", 0);
    EXPECT_EQ(Save(empty, true), kHeader);
}

TEST(StateChunk, RestoreSetsClampsAnnouncesAndStores)
{
    TestEffect plug;
    plug.MakeFactoryPrograms();
    auto* view = new FakeView();
    plug.AttachEditor(view);
    view->pushes.clear();
    ASSERT_TRUE(Restore(plug, Concat({kHeader, Block({3, 250, 2, 40, -99, -8, 55, -70, 3, 25, 60})}), false));
    EXPECT_EQ(plug.Parameter(1)->value, 100.0);  // held at the nearer bound
    EXPECT_EQ(plug.Parameter(4)->value, -64.0);
    EXPECT_EQ(plug.Parameter(10)->value, 60.0);
    EXPECT_EQ(plug.changes.size(), 11u);
    EXPECT_EQ(view->pushes.size(), 11u);
    const ByteList stored = Bytes(plug.Program(0)->values);
    EXPECT_EQ(stored, Block({3, 100, 2, 40, -64, -8, 55, -70, 3, 25, 60}));
    EXPECT_STREQ(plug.ProgramName(0), "---- default ----");
}

TEST(StateChunk, AcceptedForms)
{
    TestEffect bare;
    EXPECT_TRUE(Restore(bare, kSample, false));  // no header: a parameter block from byte 0
    EXPECT_EQ(bare.Parameter(9)->value, 25.0);

    TestEffect old;  // a bank request with an older version is read as a state
    ByteList versioned = {0x74, 0x66, 0x66, 0x70, 0xFF, 0xFF, 0x00, 0x00};
    EXPECT_TRUE(Restore(old, Concat({versioned, kSample}), true));
    EXPECT_EQ(old.Parameter(9)->value, 25.0);
    EXPECT_STREQ(old.ProgramName(0), "- 1 -");

    TestEffect trailing;
    EXPECT_TRUE(Restore(trailing, Concat({kHeader, kSample, {1, 2, 3}}), false));
    EXPECT_EQ(trailing.Parameter(0)->value, 3.0);
}

TEST(BankChunk, RestoreRenamesRefillsAndSelectsTheCurrentProgram)
{
    TestEffect source("1-1", 3);
    source.MakeProgramFromValues("One", {0, 1, 0, 1, -1, -1, 1, 1, 0, 1, 1});
    source.MakeProgramFromValues("Two", {2, 2, 2, 2, -2, -2, 2, 2, 2, 2, 2});
    source.StoreCurrentProgram("");
    ByteList bank = Save(source, true);

    TestEffect target("1-1", 3);
    ASSERT_TRUE(target.SelectProgram(2));
    ASSERT_TRUE(Restore(target, bank, true));
    EXPECT_STREQ(target.ProgramName(0), "One");
    EXPECT_TRUE(target.Program(2)->filled);
    // Slot 3 was unfilled in the bank: selecting it again fills it with the last values read.
    EXPECT_STREQ(target.ProgramName(2), "user preset 1");
    EXPECT_EQ(target.Parameter(0)->value, 2.0);
    EXPECT_EQ(target.CurrentProgram(), 2);
}

TEST(BankChunk, EmptyNameAndZeroFlagAreTakenAsGiven)
{
    TestEffect plug("1-1", 2);
    plug.MakeFactoryPrograms();
    const ByteList bank = Concat({kHeader, Int32(0), {1}, kSample, Int32(3), {'a', 0, 'b', 0}});
    ASSERT_TRUE(Restore(plug, bank, true));
    EXPECT_STREQ(plug.ProgramName(0), "");
    EXPECT_STREQ(plug.ProgramName(1), "a");  // cut at the first NUL
    EXPECT_FALSE(plug.Program(1)->filled);
    EXPECT_EQ(plug.Parameter(10)->value, 60.0);
}

TEST(BankChunk, LongNamesAreCutToTheSlot)
{
    TestEffect plug("1-1", 1);
    const std::string name(1000, 'q');
    ByteList bank = Concat({kHeader, Int32(1000), ByteList(name.begin(), name.end()), {1}, kSample});
    ASSERT_TRUE(Restore(plug, bank, true));
    EXPECT_EQ(std::string(plug.ProgramName(0)), name.substr(0, 255));
}

TEST(ChunkRestore, FailedRestoresChangeNothing)
{
    TestEffect plug;
    plug.MakeFactoryPrograms();
    plug.SelectProgram(1);
    plug.SetParameterFromHost(3, 0.5);  // a tweak not yet stored in the program
    const ByteList good = Save(plug, true);
    auto* view = new FakeView();
    plug.AttachEditor(view);
    view->pushes.clear();
    plug.changes.clear();
    const Snapshot before = Capture(plug);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<ByteList, bool>> bad = {
        {{0x74, 0x66, 0x66}, false},                          // three bytes: once turned Algorithm off
        {{0x74, 0x66, 0x66, 0x70}, false},                    // magic without a version
        {{}, false},
        {Concat({kHeader, ByteList(kSample.begin(), kSample.end() - 1)}), false},
        {Concat({kHeader, Block({1, 50, 0, 10, -16, -16, -20, 10, 0, 0, nan})}), false},
        {Block({1, 50, inf, 10, -16, -16, -20, 10, 0, 0, 0}), false},
        {Concat({kHeader, kSample}), true},                   // a state handed over as a bank
        {Concat({kHeader, Int32(INT_MAX), {'a'}}), true},
        {Concat({kHeader, Int32(-1), {1}}), true},
        {Concat({kHeader, Int32(INT_MAX - 3), {1}, kSample}), true},
        {Concat({kHeader, Int32(2), {'a', 'b', 1}, Block({nan, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})}), true},
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(Restore(plug, bad[i].first, bad[i].second)) << "case " << i;
        EXPECT_EQ(Capture(plug), before) << "case " << i;
    }
    // Every cut of a good bank fails whole: no renamed slot, no flag changed.
    for (size_t cut = 8; cut < good.size(); cut += 7) {
        EXPECT_FALSE(Restore(plug, ByteList(good.begin(), good.begin() + cut), true)) << cut;
        EXPECT_EQ(Capture(plug), before) << cut;
    }
    EXPECT_TRUE(plug.changes.empty());
    EXPECT_TRUE(view->pushes.empty());
}

TEST(ChunkRestore, SizesTheCallerCannotHoldAreRefused)
{
    TestEffect plug;
    IDataChunk chunk;
    const Snapshot before = Capture(plug);
    EXPECT_FALSE(plug.RestoreChunk(chunk, kSample.data(), -1, false));
    EXPECT_FALSE(plug.RestoreChunk(chunk, kSample.data(), int64_t{1} << 40, false));
    EXPECT_FALSE(plug.RestoreChunk(chunk, nullptr, 96, false));
    EXPECT_EQ(Capture(plug), before);
}

TEST(ChunkRestore, HostMayHandBackTheChunksOwnBytes)
{
    TestEffect plug;
    plug.MakeFactoryPrograms();
    plug.SelectProgram(2);
    IDataChunk bank;
    ASSERT_TRUE(plug.SaveChunk(bank, true));
    const ByteList saved = Bytes(bank);
    EXPECT_TRUE(plug.RestoreChunk(bank, bank.Data(), bank.Size(), true));
    IDataChunk state;
    ASSERT_TRUE(plug.SaveChunk(state, false));
    EXPECT_TRUE(plug.RestoreChunk(state, state.Data() + 8, 88, false));
    EXPECT_EQ(state.Size(), 88);
    EXPECT_EQ(Save(plug, true), saved);
}

// Random parameters and program fills survive a save and a restore into a fresh instance.
TEST(ChunkRestore, RoundTripPreservesEverything)
{
    std::mt19937 random(20240607);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int round = 0; round < 150; ++round) {
        TestEffect source;
        for (int slot = 0; slot < TestEffect::kPrograms; ++slot) {
            if (random() % 3 == 0) {
                continue;
            }
            std::string name;
            const size_t length = random() % 300;
            for (size_t c = 0; c < length; ++c) {
                name += static_cast<char>(1 + random() % 255);
            }
            for (int i = 0; i < TestEffect::kParams; ++i) {
                IParameter& p = *source.Parameter(i);
                p.value = p.min + unit(random) * (p.max - p.min);
            }
            source.MakeProgramFromCurrent(name.c_str(), 1);
        }
        const int current = static_cast<int>(random() % TestEffect::kPrograms);
        source.SelectProgram(current);
        for (int i = 0; i < TestEffect::kParams; ++i) {
            source.SetParameterFromHost(i, unit(random));
        }
        source.Parameter(7)->value = 12.5;  // a typed value is kept unsnapped
        const ByteList bank = Save(source, true);
        const ByteList state = Save(source, false);

        TestEffect copy;
        ASSERT_TRUE(copy.SelectProgram(current));
        ASSERT_TRUE(Restore(copy, bank, true));
        ASSERT_TRUE(Restore(copy, state, false));
        EXPECT_EQ(Capture(copy), Capture(source)) << "round " << round;
        EXPECT_EQ(Save(copy, true), bank);
    }
}
