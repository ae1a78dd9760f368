// Program slots: making the factory programs, selecting, storing and naming.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "effect_base.h"

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

const char kUserPreset[] = "user preset";

// The whole part of v, as an integer-typed value would carry it (held to the int range).
double ThroughInt(double v)
{
    if (std::isnan(v)) {
        return 0.0;
    }
    return std::trunc(std::clamp(v, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}
}  // namespace

IProgramSlot* IEffectBase::FirstUnfilledProgram() const
{
    for (int i = 0; i < ProgramCount(); ++i) {
        if (!Program(i)->filled) {
            return Program(i);
        }
    }
    return nullptr;
}

bool IEffectBase::StoreValuesInto(IProgramSlot& slot)
{
    slot.values.SetSize(0, true);
    return WriteParameters(slot.values);
}

bool IEffectBase::StoreParameterValues(IProgramSlot& slot, const double* values)
{
    slot.values.SetSize(0, true);
    for (int i = 0; i < ParameterCount(); ++i) {
        const bool integer = IsIntegerLike(Parameter(i)->type);
        if (!slot.values.PutDouble(integer ? ThroughInt(values[i]) : values[i])) {
            return false;
        }
    }
    return true;
}

void IEffectBase::MakeProgramFromCurrent(const char* name, int count)
{
    Guard guard(lock);
    for (int made = 0; made < count; ++made) {
        IProgramSlot* slot = FirstUnfilledProgram();
        if (slot == nullptr) {
            return;
        }
        slot->filled = true;
        CopyTextField(slot->name, sizeof slot->name, name != nullptr ? name : "Default");
        StoreValuesInto(*slot);
    }
}

bool IEffectBase::MakeProgramFromValues(const char* name, const double* values, int count)
{
    Guard guard(lock);
    IProgramSlot* slot = FirstUnfilledProgram();
    if (slot == nullptr || values == nullptr || count < ParameterCount()) {
        return false;
    }
    slot->filled = true;
    CopyTextField(slot->name, sizeof slot->name, name);
    return StoreParameterValues(*slot, values);
}

bool IEffectBase::MakeProgramFromValues(const char* name, std::initializer_list<double> values)
{
    return MakeProgramFromValues(name, values.begin(), static_cast<int>(values.size()));
}

void IEffectBase::EnsureOneProgram()
{
    Guard guard(lock);
    if (ProgramCount() > 0) {
        return;
    }
    auto* slot = new IProgramSlot();
    CopyTextField(slot->name, sizeof slot->name, "- 1 -");
    if (!programs.Add(slot)) {
        delete slot;
        return;
    }
    MakeProgramFromCurrent(nullptr, 1);
}

bool IEffectBase::ApplyProgram(int index)
{
    Guard guard(lock);
    const IProgramSlot* slot = Program(index);
    if (slot == nullptr || (slot->filled && ReadParameters(slot->values, 0) < 0)) {
        return false;
    }
    currentProgram = index;
    PushParametersToEditor();
    return true;
}

bool IEffectBase::SelectProgram(int index)
{
    Guard guard(lock);
    IProgramSlot* slot = Program(index);
    if (slot == nullptr) {
        return false;
    }
    bool ok;
    if (slot->filled) {
        ok = ReadParameters(slot->values, 0) > 0;
    } else {
        slot->filled = true;
        NextUserProgramName(slot->name, sizeof slot->name);
        ok = StoreValuesInto(*slot);
    }
    if (ok) {
        currentProgram = index;
        PushParametersToEditor();
    }
    return ok;
}

void IEffectBase::StoreCurrentProgram(const char* name)
{
    Guard guard(lock);
    IProgramSlot* slot = Program(currentProgram);
    if (slot == nullptr) {
        return;
    }
    StoreValuesInto(*slot);
    if (name != nullptr && name[0] != 0) {
        CopyTextField(slot->name, sizeof slot->name, name);
    }
}

const char* IEffectBase::ProgramName(int index) const
{
    const IProgramSlot* slot = Program(index);
    return slot != nullptr ? slot->name : "";
}

void IEffectBase::NextUserProgramName(char* out, size_t outSize) const
{
    if (out == nullptr || outSize == 0) {
        return;
    }
    int count = 0;
    for (int i = 0; i < ProgramCount(); ++i) {
        count += std::strstr(Program(i)->name, kUserPreset) != nullptr ? 1 : 0;
    }
    std::snprintf(out, outSize, "%s %d", kUserPreset, count + 1);
}
