// The plug-in binary driven by host action scripts: the call orders of hosts we know and
// every committed fuzzer seed and finding, played with all of the player's checks.
// With RUCK_WRITE_HOST_SEEDS=DIR set, the known orders are also written there as seeds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "plugin_module.h"
#include "script_player.h"
#include "test_host.h"

namespace {
namespace fs = std::filesystem;

// Indexes into the player's tables (tools/hostscript/script_player.cpp).
enum Product : uint8_t { kRuckhost, kReaper, kArdour, kCubase, kFlStudio, kLive, kForte, kAudition, kCarla };
enum Rate : uint8_t { k44100, k48000 };
enum Frames : uint8_t { kNone, kOne, kBlockLess1, kBlock, kBlockMore1, kTwoBlocks, kFourBlocks, kHalfBlock };
constexpr uint8_t kMainsOn = 0;
constexpr uint8_t kMainsOff = 1;
constexpr uint8_t kInRange = 0;  // an index choice that takes the next byte modulo the count

// Script building in the words of a host.
class Host {
public:
    Host& Instance(int slot, Product product)
    {
        return Put(HostAction::SwitchInstance).Byte(static_cast<uint8_t>(slot | product << 1)), *this;
    }
    Host& SampleRate(Rate rate) { return Put(HostAction::SampleRate).Byte(rate), *this; }
    Host& BlockSize(uint32_t frames) { return Put(HostAction::BlockSize).RawWord(frames), *this; }
    Host& Mains(uint8_t value) { return Put(HostAction::Mains).Byte(value), *this; }
    Host& State(ProcessStateRequest request) { return Put(HostAction::ProcessState).Pick(request), *this; }
    Host& Arrangement(ArrangementKind in, ArrangementKind out)
    {
        return Put(HostAction::Arrangement).Pick(in).Pick(out), *this;
    }
    Host& Process(ProcessPath path, Frames frames, BufferLayout layout = BufferLayout::Separate)
    {
        return Put(HostAction::Process).Pick(path).Byte(frames).Pick(layout).Byte(0).Pick(SignalKind::Noise).Byte(1),
               *this;
    }
    Host& ProcessFrames(ProcessPath path, uint32_t frames)
    {
        Put(HostAction::Process).Pick(path).RawWord(frames).Pick(BufferLayout::Separate).Byte(0);
        return w.Pick(SignalKind::Noise).Byte(2), *this;
    }
    Host& Parameter(uint8_t index, float value)
    {
        return Put(HostAction::SetParameter).Byte(kInRange).Byte(index).RawFloat(value), *this;
    }
    Host& SelectProgram(uint8_t index)
    {
        return Put(HostAction::Program).Pick(ProgramRequest::Select).Byte(kInRange).Byte(kInRange).Byte(index), *this;
    }
    Host& CurrentProgram() { return Put(HostAction::Program).Pick(ProgramRequest::Get), *this; }
    Host& ProgramName(uint8_t index)
    {
        return Put(HostAction::Program).Pick(ProgramRequest::IndexedName).Byte(kInRange).Byte(index), *this;
    }
    Host& Text(TextRequest request, uint8_t index = 0)
    {
        return Put(HostAction::Texts).Pick(request).Byte(kInRange).Byte(index), *this;
    }
    Host& CanDo(const std::string& question) { return Put(HostAction::CanDo).Byte(kRawChoice).Text(question), *this; }
    Host& SetChunk(bool bank, const std::vector<uint8_t>& bytes)
    {
        return Put(HostAction::ChunkBytes).Byte(bank ? 0 : 1).Blob(bytes), *this;
    }
    // The chunk of an instance given back as the host saved it (bank or program alike).
    Host& ResaveChunk(int fromSlot, bool bank)
    {
        const uint8_t choice = static_cast<uint8_t>(fromSlot | (bank ? 6 : 0));
        return Put(HostAction::ChunkMutation).Byte(choice).Pick(ChunkDamage::None).Word(0).Byte(0), *this;
    }
    Host& Editor(EditorRequest request) { return Put(HostAction::Editor).Pick(request), *this; }
    Host& StateCheck() { return Put(HostAction::StateCheck), *this; }
    Host& Close(bool polite) { return Put(HostAction::CloseInstance).Byte(polite ? 1 : 0), *this; }
    const std::vector<uint8_t>& Bytes() const { return w.Bytes(); }

private:
    ScriptWriter& Put(HostAction action) { return w.Act(action); }

    ScriptWriter w;
};

struct NamedScript {
    std::string name;
    std::vector<uint8_t> bytes;
};

class HostScripts : public testing::Test {
protected:
    void SetUp() override
    {
        entry = module.Entry("VSTPluginMain");
        ASSERT_NE(entry, nullptr) << "could not load " << TestHost::PluginPath();
    }

    // Our promises held too; the editor opens without a parent where there is no display.
    PlayerOptions Strict() const
    {
        PlayerOptions options;
        options.strict = true;
#ifndef _WIN32
        options.headlessEditor = std::getenv("DISPLAY") == nullptr;
#endif
        return options;
    }

    // A real saved state: "Hard guitar" with a few settings, and the factory bank.
    std::vector<uint8_t> SavedChunk(bool bank)
    {
        TestHost host;
        AEffect* e = host.Open();
        host.Dispatch(e, effOpen);
        host.Dispatch(e, effSetProgram, 0, 2);
        e->setParameter(e, 3, 0.8f);
        e->setParameter(e, 9, 0.3f);
        return host.Chunk(e, bank);
    }

    std::vector<NamedScript> KnownHostOrders();

    PluginModule module{TestHost::PluginPath()};
    VstEntry entry = nullptr;
};

std::vector<NamedScript> HostScripts::KnownHostOrders()
{
    const std::vector<uint8_t> state = SavedChunk(false);
    const std::vector<uint8_t> bank = SavedChunk(true);
    std::vector<NamedScript> scripts;

    // ruckhost render: set up, state, program, settings, whole blocks and a short last one.
    Host render;
    render.Instance(0, kRuckhost).SampleRate(k48000).BlockSize(512).State(ProcessStateRequest::Precision32);
    render.Mains(kMainsOn).State(ProcessStateRequest::Start).SetChunk(false, state).SelectProgram(3).Parameter(6, 0.5f);
    for (int block = 0; block < 6; ++block) {
        render.Process(ProcessPath::Replacing, kBlock);
    }
    render.ProcessFrames(ProcessPath::Replacing, 100).State(ProcessStateRequest::Stop).Mains(kMainsOff).Close(true);
    scripts.push_back({"order-ruckhost-render", render.Bytes()});

    // Ardour: capabilities and names first, the session's state, then cycles split at
    // automation points, the editor's size, a save, and a polite close.
    Host ardour;
    ardour.Instance(0, kArdour).CanDo("receiveVstTimeInfo").CanDo("sendVstEvents").CanDo("receiveVstMidiEvent");
    ardour.SampleRate(k48000).BlockSize(1024).Text(TextRequest::EffectName).Text(TextRequest::Vendor);
    ardour.Text(TextRequest::Product).CurrentProgram().ProgramName(4);
    for (uint8_t p = 0; p < 11; ++p) {
        ardour.Text(TextRequest::ParamName, p).Text(TextRequest::ParamDisplay, p).Text(TextRequest::ParamLabel, p);
    }
    ardour.SetChunk(true, bank).Mains(kMainsOn).State(ProcessStateRequest::Start).Editor(EditorRequest::GetRect);
    for (int cycle = 0; cycle < 4; ++cycle) {
        ardour.ProcessFrames(ProcessPath::Replacing, 300).Parameter(7, 0.25f * cycle).ProcessFrames(ProcessPath::Replacing, 724);
    }
    ardour.ResaveChunk(0, true).StateCheck().State(ProcessStateRequest::Stop).Mains(kMainsOff).Close(true);
    scripts.push_back({"order-ardour", ardour.Bytes()});

    // A bridge: double precision, a scanning instance opened and closed beside the running
    // one, parameters and programs between blocks, and an abrupt close.
    Host bridge;
    bridge.Instance(0, kCarla).SampleRate(k44100).BlockSize(256).State(ProcessStateRequest::Precision64);
    bridge.Mains(kMainsOn).State(ProcessStateRequest::Start).Process(ProcessPath::Double, kBlock);
    bridge.Instance(1, kCarla).Text(TextRequest::EffectName).ProgramName(7).Close(false);
    bridge.Instance(0, kCarla).Parameter(1, 0.9f).Process(ProcessPath::Double, kBlock).SelectProgram(5);
    bridge.Arrangement(ArrangementKind::Stereo, ArrangementKind::Stereo).Process(ProcessPath::Double, kHalfBlock);
    bridge.StateCheck().Close(false);
    scripts.push_back({"order-bridge", bridge.Bytes()});

    // Two instances interleaved, one given the other's state.
    Host two;
    two.Instance(0, kReaper).SampleRate(k44100).BlockSize(128).Mains(kMainsOn);
    two.Instance(1, kReaper).SampleRate(k48000).BlockSize(64).Mains(kMainsOn).SelectProgram(8);
    for (int round = 0; round < 3; ++round) {
        two.Instance(0, kReaper).Process(ProcessPath::Replacing, kBlock, BufferLayout::InPlace);
        two.Instance(1, kReaper).Process(ProcessPath::Accumulating, kBlock).Parameter(2, 0.1f * round);
    }
    two.Instance(0, kReaper).ResaveChunk(1, false).StateCheck().Close(true);
    scripts.push_back({"order-two-instances", two.Bytes()});

    // Mono arrangement, then more frames than the block size on every path (1024 frames of
    // doubles fill whole pages, so the scratch holds no slack past them).
    Host mono;
    mono.Instance(0, kRuckhost).BlockSize(1024).Arrangement(ArrangementKind::Mono, ArrangementKind::Mono).Mains(kMainsOn);
    mono.Process(ProcessPath::Double, kFourBlocks).Process(ProcessPath::Replacing, kFourBlocks);
    mono.Process(ProcessPath::Accumulating, kTwoBlocks, BufferLayout::Crossed).Process(ProcessPath::Double, kBlockMore1);
    scripts.push_back({"order-mono-oversize", mono.Bytes()});
    return scripts;
}

std::vector<uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}
}  // namespace

TEST_F(HostScripts, KnownHostOrdersHoldEveryCheck)
{
    const char* seedDir = std::getenv("RUCK_WRITE_HOST_SEEDS");
    for (const NamedScript& script : KnownHostOrders()) {
        if (seedDir != nullptr) {
            WriteFile(fs::path(seedDir) / script.name, script.bytes);
        }
        ScriptPlayer player(entry, Strict());
        EXPECT_TRUE(player.Play(script.bytes.data(), script.bytes.size())) << script.name << ": " << player.Failure();
        EXPECT_GT(player.Counts().blocks, 0) << script.name;
    }
}

TEST_F(HostScripts, CommittedSeedsAndFindingsHoldEveryCheck)
{
    int played = 0;
    for (const auto& file : fs::directory_iterator(RUCK_HOST_SEED_DIR)) {
        const std::vector<uint8_t> script = ReadFile(file.path());
        ScriptPlayer player(entry, Strict());
        EXPECT_TRUE(player.Play(script.data(), script.size())) << file.path().filename() << ": " << player.Failure();
        ++played;
    }
    EXPECT_GE(played, 5);
}

TEST(ScriptReader, ALengthPastTheEndIsCutToWhatRemains)
{
    const uint8_t script[] = {255, 16, 0, 0, 0, 'a', 'b'};
    ScriptReader reader(script, sizeof script);
    EXPECT_EQ(reader.Text(), "ab");
    EXPECT_TRUE(reader.AtEnd());
}
