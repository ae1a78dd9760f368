#include "commands.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "host_error.h"

namespace {
struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&);
    const char* summary;
    const char* help;
};

const Command kCommands[] = {
    {"info", RunInfo, "show a plug-in's record, names, parameters and programs",
     "usage: ruckhost info PLUGIN\n"
     "PLUGIN is a VST2 module, a VST3 bundle (ending in .vst3) or a CLAP file (ending in .clap).\n"
     "For a VST2 module: its effect record (IDs, counts, flags, version), its effect, vendor\n"
     "and product names, every parameter (index, name, label, display text, normalised\n"
     "value) and every program name. For a VST3 bundle: its classes, buses, parameters with\n"
     "their IDs and step counts, and the program list. For a CLAP file: its descriptor,\n"
     "ports, parameters with their ranges and flags, and the presets its discovery provider\n"
     "lists.\n"},
    {"render", RunRender, "render a WAV file through a plug-in",
     "usage: ruckhost render PLUGIN IN.wav OUT.wav [options]\n"
     "PLUGIN is a VST2 module, a VST3 bundle (ending in .vst3) or a CLAP file (ending in .clap).\n"
     "Opens the plug-in as a host does, applies the options in the order below and renders\n"
     "the whole file in blocks. A mono file goes through the plug-in's mono support, or is\n"
     "duplicated to its inputs (the result is then stereo).\n"
     "  --state FILE        load a state saved with --save-state\n"
     "  --preset FILE       load a standard preset file: a program (.fxp) or a bank (.fxb)\n"
     "  --program N|NAME    select a program by index or name\n"
     "  --set PARAM=VALUE   set a parameter (name or index); VALUE is a display text or\n"
     "                      number as the plug-in shows it, or normalised with a suffix n\n"
     "                      (0.5n); repeatable\n"
     "  --save-preset FILE  save the current program as .fxp, or all programs when FILE\n"
     "                      ends in .fxb, after the settings above\n"
     "  --save-state FILE   save the plug-in's state in ruckhost's own format\n"
     "  --block N           block size in frames (1 to 65536, default 512)\n"
     "  --double            process in double precision (processDoubleReplacing)\n"
     "  --rate HZ           sample rate told to the plug-in (default: the file's)\n"
     "  --format F          output samples: pcm16, pcm24, float, float64 (default: the input's)\n"
     "OUT.wav is written whole or not at all. VST3 bundles and CLAP files take the same\n"
     "options but --preset and --save-preset (VST2 preset files); their state files hold the\n"
     "plug-in's own state bytes. For a VST3 bundle, program and settings reach the processor\n"
     "as parameter changes at the start of the first block; for a CLAP file, --program picks\n"
     "one of its presets, --set values reach it through a flush, audio goes through its one\n"
     "input and output port (mono or stereo), and its mono support is a configuration of\n"
     "one mono port each way.\n"},
    {"stress", RunStress, "torture-test a plug-in for a bounded time",
     "usage: ruckhost stress PLUGIN [--seconds N] [--hang-limit S] [--seed N] [--sequence | --script FILE]\n"
     "Rounds of: many instances created and closed; one instance processing on one thread\n"
     "(block sizes up to the announced maximum, then twice that; silence, noise, DC, very\n"
     "loud and denormal input) while a second automates random parameters and reads them\n"
     "back and a third selects programs, gets and sets state and bank chunks and asks for\n"
     "texts; random bytes and every truncation of a valid chunk handed to effSetChunk; a\n"
     "state saved, loaded into a fresh instance and saved again must match byte for byte.\n"
     "Fails with a message on a crash, a call hanging longer than --hang-limit (default\n"
     "10 s), non-finite output for finite input, or a state that does not restore.\n"
     "  --seconds N   how long to run (default 10)\n"
     "  --seed N      seed of the random choices (default 1)\n"
     "  --sequence    instead: random host action scripts (instances, set-up, blocks of odd\n"
     "                sizes and layouts, parameters, programs, damaged chunks, texts, vendor\n"
     "                requests, state round trips) with checks after every step: finite\n"
     "                output, nothing written outside the buffers, texts terminated, values\n"
     "                in 0..1, a restored state that sounds the same; promises of our own\n"
     "                that others need not keep are listed as notes\n"
     "  --keep-script FILE  with --sequence: each script is written to FILE before it\n"
     "                plays, so the one that failed or crashed is there afterwards\n"
     "  --script FILE play one such script from a file (a fuzzer input) instead\n"
     "  --strict      with either: also send what no host sends (null buffers, 4x the block\n"
     "                size, NaN rates and values) and fail on the notes\n"
     "A CLAP plug-in (PLUGIN ending in .clap) gets the same rounds as its thread rules allow:\n"
     "instances created, activated at several rates, deactivated and destroyed on this (the\n"
     "main) thread; processing started, stopped, reset and run on an audio thread of its own\n"
     "(blocks of 1 to 1024 frames, odd ones too, the inputs above, parameter value events at\n"
     "random frames, 32-bit and, when every port takes it, 64-bit) while the main thread saves\n"
     "and loads states, loads damaged ones, loads presets and asks for values and texts;\n"
     "random bytes and every truncation of a valid state must be refused or leave values in\n"
     "range; a state loaded into a fresh instance must save the same bytes. No --sequence.\n"
     "A VST3 bundle (PLUGIN ending in .vst3) likewise: component and controller created,\n"
     "initialised, connected, made active at several rates and sample sizes, and terminated on\n"
     "the main thread; processing switched on and off and run on an audio thread (the blocks\n"
     "and inputs above, parameter changes at random offsets, programs through the program\n"
     "parameter) while the main thread gets and sets component and controller states, loads\n"
     "damaged ones, selects programs and asks for values and texts both ways; damaged states\n"
     "must be refused or leave every normalised value in 0..1, and component and controller\n"
     "states must restore byte for byte into a fresh instance. No --sequence.\n"},
    {"validate", RunValidate, "run the checks CLAP validators make on a .clap file",
     "usage: ruckhost validate PLUGIN.clap [--hang-limit S]\n"
     "Runs the checks the CLAP project's validator makes, by their names: the entry and\n"
     "factory, scanning, preset discovery and loading, descriptors and features, processing\n"
     "(both sample sizes, in and out of place, denormals, silence, notes, sample rates from\n"
     "1 kHz to 768 kHz, block sizes from 1 to 16384, reset), port layouts, parameters (events,\n"
     "cookies, event spaces, fuzzing, texts, defaults), states (damaged, reproduced byte for\n"
     "byte, a few bytes at a time) and transports. Prints 'ok NAME' or 'FAIL NAME: reason'\n"
     "per check, and per plug-in when the file holds several; exits 0 only when all pass.\n"
     "  --hang-limit S  end with a message when one check takes longer (default 30)\n"},
    {"bench", RunBench, "time plug-ins on the same signal in the same run",
     "usage: ruckhost bench PLUGIN [PLUGIN ...] [--seconds N] [--block N] [--rounds N]\n"
     "For each plug-in: instantiation time, and ns per stereo frame and real-time factor\n"
     "over a fixed synthetic stereo signal (48 kHz), with the ratio to the first plug-in.\n"
     "VST2 modules, VST3 bundles (ending in .vst3) and CLAP files (ending in .clap) can be\n"
     "timed side by side.\n"
     "  --seconds N   length of the signal (default 10)\n"
     "  --block N     block size (default 512)\n"
     "  --rounds N    timed passes per plug-in, the fastest counts (default 5)\n"},
    {"demo", RunDemo, "render the demo riff through several factory programs",
     "usage: ruckhost demo OUTDIR [--plugin PATH]\n"
     "Synthesises a few seconds of plucked-string riff and bass line (input.wav), renders it\n"
     "through the programs \"---- default ----\", \"Nice guitar\", \"Hard guitar\" and\n"
     "\"Decimator bass\" in double precision and writes 64-bit float WAVs into OUTDIR.\n"
     "  --plugin PATH   the plug-in: a VST2 module, a VST3 bundle (.vst3) or a CLAP file\n"
     "                  (.clap) with programs (presets) of those names (default: the VST2\n"
     "                  form of Ruckstone beside this executable)\n"},
    {"snapshot", RunSnapshot, "save a plug-in's editor face as a PNG",
     "usage: ruckhost snapshot PLUGIN OUT.png [--program N|NAME] [--set PARAM=VALUE ...] [--preset FILE]\n"
     "       [--state FILE]\n"
     "Opens the plug-in, applies the settings as render does and saves the face of its editor,\n"
     "painted by the plug-in's own drawing code without a window. PLUGIN is a VST2 module that\n"
     "answers Ruckstone's vendor request 'RkSn', a CLAP file that offers Ruckstone's extension\n"
     "\"audio.tolvi.ruckstone.snapshot/1\", or a VST3 bundle whose controller offers Ruckstone's\n"
     "snapshot interface (vst3/snapshot_interface.h); other plug-ins are refused with a\n"
     "message. OUT.png is written whole or not at all.\n"},
    {"preset", RunPreset, "export a plug-in's programs as preset or state files",
     "usage: ruckhost preset export PLUGIN DIR\n"
     "For a VST2 module: writes every program into DIR as a .fxp file (\"01 NAME.fxp\", ...)\n"
     "and all of them as one bank, \"EFFECT.fxb\". The files are the VST 2.4 preset files hosts\n"
     "exchange: parameter lists, or the plug-in's chunks when it declares chunks.\n"
     "For a VST3 bundle (.vst3) or a CLAP file (.clap), whose preset files a VST2 ID cannot\n"
     "name: writes every program (CLAP: every preset its discovery lists) as the state a\n"
     "fresh instance has after loading it, \"01 NAME.state\", ...; render --state FILE (and\n"
     "the other commands' --state) reads such a file back into the same plug-in.\n"},
    {"curve", RunCurve, "write a plug-in's static transfer curve as CSV",
     "usage: ruckhost curve PLUGIN OUT.csv [--points N] [--seconds S] [settings as render]\n"
     "Sends a slow ramp from -2 to +2 through the plug-in (both channels, 48 kHz, S seconds,\n"
     "default 2) after the settings (--preset, --program, --set, --state) and writes N\n"
     "(default 401) rows 'input,output' of the left channel. PLUGIN is a VST2 module, a VST3\n"
     "bundle (.vst3) or a CLAP file (.clap), its settings taken as render takes them.\n"},
    {"spectrum", RunSpectrum, "write the harmonic levels of a sine through a plug-in as CSV",
     "usage: ruckhost spectrum PLUGIN OUT.csv [--frequency HZ] [--level DBFS] [settings as render]\n"
     "Sends a sine (default 1000 Hz at -6 dBFS, 48 kHz) through the plug-in after the settings\n"
     "and writes the level of every harmonic below 24 kHz: rows 'harmonic,frequency_hz,level_dbfs',\n"
     "measured over whole periods after a quarter second of settling. PLUGIN is a VST2 module,\n"
     "a VST3 bundle (.vst3) or a CLAP file (.clap), its settings taken as render takes them.\n"},
    {"compare", RunCompare, "compare two WAV files or two folders of them",
     "usage: ruckhost compare A B [--tolerance T] [--from S]\n"
     "A and B are WAV files, or folders whose WAV files are compared by name. Prints the\n"
     "largest sample difference (from S seconds on, default 0); fails when shapes differ or\n"
     "a difference exceeds T (default 1e-9).\n"},
};

void PrintOverview()
{
    std::printf("ruckhost: a VST 2.4, VST3 and CLAP host for the command line\nusage: ruckhost COMMAND ... (--help after a "
                "command for its options)\ncommands:\n");
    for (const Command& c : kCommands) {
        std::printf("  %-8s %s\n", c.name, c.summary);
    }
}

bool WantsHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            return true;
        }
    }
    return false;
}

int Run(const std::vector<std::string>& args)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview();
        return args.empty() ? 1 : 0;
    }
    for (const Command& c : kCommands) {
        if (args[0] != c.name) {
            continue;
        }
        if (WantsHelp(args)) {
            std::fputs(c.help, stdout);
            return 0;
        }
        return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    throw HostError("unknown command '" + args[0] + "' (try ruckhost --help)");
}
}  // namespace

int RunRuckhost(const std::vector<std::string>& args)
{
    try {
        return Run(args);
    } catch (const HostError& e) {
        std::fprintf(stderr, "ruckhost: %s\n", e.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "ruckhost: out of memory\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ruckhost: %s\n", e.what());
    }
    std::fflush(stdout);
    return 1;
}
