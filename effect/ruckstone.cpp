#include "ruckstone.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "plug/debug_output.h"

namespace {
constexpr int kProgramCount = 25;
constexpr int32_t kUniqueId = 0x6163646C;  // 'acdl'
constexpr int32_t kVendorId = 0x546F6C76;  // 'Tolv'
constexpr int32_t kVendorVersion = 0x10000;

const char* const kOff = "Off";

struct FactoryProgram {
    const char* name;
    double values[kParamCount];
};

// Algorithm, Amount, Foldback, Gain, Threshold, Flip Thresh, Multiply, Round, Antialias, Pan, Mix.
const FactoryProgram kFactoryPrograms[] = {
    {"Nice guitar", {1, 80, 2, 88, -64, -18, 60, -45, 2, 0, 100}},
    {"Nice guitar 2", {1, 80, 2, 80, -18, -64, 20, 0, 1, 0, 90}},
    {"Simple drive", {1, 70, 0, 10, -16, -16, -20, 10, 0, 0, 90}},
    {"Clip before", {1, 70, 1, 30, -16, -20, 0, 10, 0, 0, 90}},
    {"Clip after", {1, 70, 2, 30, -16, -20, 0, -20, 0, 0, 90}},
    {"Clip on upside", {1, 70, 2, 80, -16, -64, 0, -40, 0, 0, 90}},
    {"Inverted foldback", {1, 70, 2, 80, -16, -64, 80, -40, 0, 0, 90}},
    {"Foldback before drive", {1, 70, 1, 80, -16, -64, -80, -40, 0, 0, 90}},
    {"Foldback after drive", {1, 70, 2, 80, -16, -64, -90, -50, 2, 0, 90}},
    {"Negative round", {1, 70, 2, 80, -16, -64, 60, -70, 2, 0, 90}},
    {"Hard guitar", {1, 80, 2, 80, -10, -64, 60, -70, 2, 0, 90}},
    {"Weak guitar", {2, 80, 2, 80, -10, -64, 60, -70, 0, 0, 90}},
    {"Decimator", {3, 80, 1, 60, -10, -64, 0, -20, 2, 0, 90}},
    {"Decimator bass", {3, 50, 1, 20, -16, -16, -20, -10, 2, 0, 80}},
    {"Decimator bass 2", {3, 42, 1, 40, -64, -16, 30, -10, 2, 0, 80}},
    {"Drive bass 2", {2, 42, 1, 40, -64, -16, 30, -10, 2, 0, 80}},
};
}  // namespace

VSTCLASS::VSTCLASS(IFormatHost host)
    : IFormatBinding(host, kParamCount, "1-1 2-2", kProgramCount, "Ruckstone", "", "Tolvi",
                     kVendorVersion, kUniqueId, kVendorId, 0, 0, false, false)
{
    DefineParameters();
    BuildEditor();
    MakeFactoryPrograms();
}

void VSTCLASS::DefineParameters()
{
    IParameter* algorithm = Parameter(kAlgorithm);
    algorithm->DefineEnum("Algorithm", 1, 4, "");
    algorithm->AddValueText(0, kOff);
    algorithm->AddValueText(1, "Overdrive Fat");
    algorithm->AddValueText(2, "Overdrive Weak");
    algorithm->AddValueText(3, "Decimator");
    Parameter(kAmount)->DefineInt("Amount", 50, 0, 100, "%");
    IParameter* foldback = Parameter(kFoldback);
    foldback->DefineEnum("Foldback", 0, 3, "");
    foldback->AddValueText(0, kOff);
    foldback->AddValueText(1, "Before");
    foldback->AddValueText(2, "After");
    Parameter(kGain)->DefineInt("Gain", 10, 0, 100, "%");
    Parameter(kThreshold)->DefineInt("Threshold", -16, -64, 0, "dB");
    Parameter(kFlipThresh)->DefineInt("Flip Thresh", -16, -64, 0, "dB");
    Parameter(kMultiply)->DefineInt("Multiply", -20, -100, 100, "%");
    Parameter(kRound)->DefineInt("Round", 10, -100, 100, "%");
    Parameter(kPan)->DefineInt("Pan", 0, -100, 100, "%");
    Parameter(kMix)->DefineInt("Mix", 90, 0, 100, "%");
    IParameter* antialias = Parameter(kAntialias);
    antialias->DefineEnum("Antialias", 0, 4, "");
    antialias->AddValueText(0, kOff);
    antialias->AddValueText(1, "x2");
    antialias->AddValueText(2, ",x2+");
    antialias->AddValueText(3, "x3");
}

void VSTCLASS::MakeFactoryPrograms()
{
    MakeProgramFromCurrent("---- default ----", 1);
    for (const FactoryProgram& program : kFactoryPrograms) {
        MakeProgramFromValues(program.name, program.values, kParamCount);
    }
}

void VSTCLASS::OnParameterChange(int index)
{
    std::lock_guard<std::recursive_mutex> guard(Lock());
    const IParameter* parameter = Parameter(index);
    if (parameter == nullptr) {
        return;
    }
    chain.OnParameterChange(index, parameter->value);
    if (index == kMix) {
        SendDiagnosticLine();
    }
}

void VSTCLASS::ProcessBlock(double** inputs, double** outputs, int frames)
{
    if (inputs == nullptr || outputs == nullptr) {
        return;
    }
    chain.ProcessBlock(inputs, outputs, frames);
}

void VSTCLASS::SendDiagnosticLine()
{
    char line[255];
    int used = std::snprintf(line, sizeof line, "penv_reset: ");
    for (int i = 0; i < kParamCount && used < static_cast<int>(sizeof line); ++i) {
        char number[32];
        FormatDiagnosticNumber(Parameter(i)->value, number, sizeof number);
        used += std::snprintf(line + used, sizeof line - used, i == 0 ? "%s" : ", %s", number);
    }
    DebugOutput(line);
}

void FormatDiagnosticNumber(double v, char* out, size_t outSize)
{
    if (!std::isfinite(v)) {
        std::snprintf(out, outSize, "%f", v);
        return;
    }
    if (v == std::trunc(v) || std::fabs(v) < 1e-24) {
        const double rounded = v >= 0.0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
        if (rounded >= INT_MIN && rounded <= INT_MAX) {
            std::snprintf(out, outSize, "%d", static_cast<int>(rounded));
        } else {
            std::snprintf(out, outSize, "%.0f", rounded);
        }
        return;
    }
    int decimals = 11;
    float scale = 1.0f;
    for (int n = 1; n <= 11; ++n) {
        scale *= 10.0f;
        const double scaled = v * static_cast<double>(scale);
        if (scaled == std::trunc(scaled)) {
            decimals = n;
            break;
        }
    }
    std::snprintf(out, outSize, "%.*f", decimals, v);
}
