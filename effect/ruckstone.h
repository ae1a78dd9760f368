// Ruckstone, the effect: its identity, eleven parameters, factory programs and sound.
// In the VST 2.4 plug-in it derives from IVstPlugin; effect/format_binding.h names the base.
#pragma once

#include <cstddef>

#include "effect/drive_chain.h"
#include "effect/format_binding.h"

class VSTCLASS : public IFormatBinding {
public:
    explicit VSTCLASS(IFormatHost host);
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
