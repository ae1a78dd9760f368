// Ruckstone, the effect: its identity, eleven parameters, factory programs and sound.
#pragma once

#include <cstddef>

#include "effect/drive_chain.h"
#include "vst/vst_plugin.h"

class VSTCLASS : public IVstPlugin {
public:
    explicit VSTCLASS(audioMasterCallback host);
    ~VSTCLASS() override = default;

    void OnParameterChange(int index) override;
    void ProcessBlock(double** inputs, double** outputs, int frames) override;

private:
    void DefineParameters();
    void BuildEditor();
    void MakeFactoryPrograms();
    void SendDiagnosticLine();

    DriveChain chain;
};

// A parameter value as the diagnostic line shows it: whole numbers plainly, fractions
// with the fewest decimals (1 to 11) that represent them.
void FormatDiagnosticNumber(double v, char* out, size_t outSize);
