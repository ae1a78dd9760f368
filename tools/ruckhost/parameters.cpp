#include "parameters.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "host_error.h"
#include "options.h"

namespace {
// Steps of the search through the normalised range for plug-ins that parse no texts.
constexpr int kScanSteps = 1000;
constexpr int kBisections = 40;

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The number a display text starts with ("-16", "0.50 dB"); false for "Off" or "-inf".
bool LeadingNumber(const std::string& text, double* value)
{
    const std::string trimmed = Trim(text);
    char* end = nullptr;
    const double v = std::strtod(trimmed.c_str(), &end);
    if (end == trimmed.c_str() || !std::isfinite(v)) {
        return false;
    }
    *value = v;
    return true;
}

// Half a unit of the display's last digit: how far a shown number may be from the value.
double DisplayTolerance(const std::string& display)
{
    const std::string trimmed = Trim(display);
    const size_t point = trimmed.find('.');
    int decimals = 0;
    for (size_t i = point == std::string::npos ? trimmed.size() : point + 1;
         i < trimmed.size() && std::isdigit(static_cast<unsigned char>(trimmed[i])); ++i) {
        ++decimals;
    }
    return 0.5 * std::pow(10.0, -decimals) * (1.0 + 1e-9);
}

template <typename NameOf>
int FindByKey(const std::string& key, int count, NameOf nameOf, const std::string& kind, const std::string& path)
{
    double number = 0.0;
    if (IsNumber(key, &number) && number == std::floor(number)) {
        if (number < 0 || number >= count) {
            throw HostError(kind + " index " + key + " is out of range (" + path + " has " + std::to_string(count) +
                            " " + kind + "s)");
        }
        return static_cast<int>(number);
    }
    int loose = -1;
    for (int i = 0; i < count; ++i) {
        const std::string name = nameOf(i);
        if (name == key) {
            return i;
        }
        if (loose < 0 && Lower(Trim(name)) == Lower(Trim(key))) {
            loose = i;
        }
    }
    if (loose < 0) {
        throw HostError(path + " has no " + kind + " named '" + key + "' (see ruckhost info)");
    }
    return loose;
}

struct ShownValue {
    std::string text;
    double number = 0.0;
    bool numeric = false;
};

ShownValue Shown(const PluginInstance& plugin, int index)
{
    ShownValue shown;
    shown.text = plugin.ParameterDisplay(index);
    shown.numeric = LeadingNumber(shown.text, &shown.number);
    return shown;
}

ShownValue ShownAt(const PluginInstance& plugin, int index, float normalized)
{
    plugin.SetParameter(index, normalized);
    return Shown(plugin, index);
}

bool Matches(const ShownValue& shown, const std::string& value, const double* number)
{
    if (number) {
        return shown.numeric && std::fabs(shown.number - *number) <= DisplayTolerance(shown.text);
    }
    return Lower(Trim(shown.text)) == Lower(Trim(value));
}

// Refuses a number outside what the parameter shows at its two ends, when both are numbers.
void CheckNumberInRange(const PluginInstance& plugin, int index, const std::string& value, double number)
{
    const ShownValue low = ShownAt(plugin, index, 0.0f);
    const ShownValue high = ShownAt(plugin, index, 1.0f);
    if (!low.numeric || !high.numeric) {
        return;
    }
    const double least = std::min(low.number, high.number) - DisplayTolerance(low.text);
    const double most = std::max(low.number, high.number) + DisplayTolerance(high.text);
    if (number < least || number > most) {
        throw HostError("value " + value + " for " + plugin.ParameterName(index) + " is out of range (" + low.text +
                        " to " + high.text + ")");
    }
}

// For plug-ins that parse no texts, a text value: the first normalised value showing it.
bool SetTextByScan(const PluginInstance& plugin, int index, const std::string& value)
{
    for (int step = 0; step <= kScanSteps; ++step) {
        const float normalized = static_cast<float>(step) / kScanSteps;
        if (Matches(ShownAt(plugin, index, normalized), value, nullptr)) {
            return true;
        }
    }
    return false;
}

double Distance(const ShownValue& shown, double number)
{
    return shown.numeric ? std::fabs(shown.number - number) : INFINITY;
}

// For plug-ins that parse no texts, a number: the closest display on a coarse scan, then
// bisection beside it, where the display crosses the number.
bool SetNumberByScan(const PluginInstance& plugin, int index, double number)
{
    float best = 0.0f;
    double bestDistance = INFINITY;
    for (int step = 0; step <= kScanSteps; ++step) {
        const float normalized = static_cast<float>(step) / kScanSteps;
        const double distance = Distance(ShownAt(plugin, index, normalized), number);
        if (distance < bestDistance) {
            best = normalized;
            bestDistance = distance;
        }
    }
    for (float side : {-1.0f, 1.0f}) {
        float near = best;
        float far = std::clamp(best + side / kScanSteps, 0.0f, 1.0f);
        const ShownValue nearShown = ShownAt(plugin, index, near);
        const ShownValue farShown = ShownAt(plugin, index, far);
        if (!nearShown.numeric || !farShown.numeric ||
            (nearShown.number - number) * (farShown.number - number) > 0.0) {
            continue;
        }
        for (int i = 0; i < kBisections; ++i) {
            const float middle = 0.5f * (near + far);
            const ShownValue shown = ShownAt(plugin, index, middle);
            if (Matches(shown, "", &number)) {
                return true;
            }
            ((shown.number - number) * (nearShown.number - number) > 0.0 ? near : far) = middle;
        }
    }
    const ShownValue shown = ShownAt(plugin, index, best);
    return Matches(shown, "", &number);
}
}  // namespace

int FindNamed(const std::string& key, const std::vector<std::string>& names, const std::string& kind,
              const std::string& path)
{
    return FindByKey(
        key, static_cast<int>(names.size()), [&](int i) { return names[static_cast<size_t>(i)]; }, kind, path);
}

bool IsNormalizedValue(const std::string& value, const std::string& parameter, double& normalized)
{
    if (value.size() < 2 || value.back() != 'n' || !IsNumber(value.substr(0, value.size() - 1), &normalized)) {
        return false;
    }
    if (normalized < 0.0 || normalized > 1.0) {
        throw HostError("value " + value + " for " + parameter + " is out of range (normalised values are 0n to 1n)");
    }
    return true;
}

bool SameText(const std::string& a, const std::string& b)
{
    return Lower(a) == Lower(b);
}

void SetParameterValue(const PluginInstance& plugin, int index, const std::string& value)
{
    const std::string name = plugin.ParameterName(index);
    double number = 0.0;
    if (IsNormalizedValue(value, name, number)) {
        plugin.SetParameter(index, static_cast<float>(number));
        return;
    }
    const bool numeric = IsNumber(value, &number);
    const float before = plugin.GetParameter(index);
    try {
        if (numeric) {
            CheckNumberInRange(plugin, index, value, number);
        }
        plugin.SetParameter(index, before);
        // Room to spare: some plug-ins write into the text they are given.
        std::vector<char> text(value.begin(), value.end());
        text.resize(value.size() + 256, '\0');
        if (plugin.Dispatch(effString2Parameter, index, 0, text.data()) != 0) {
            const ShownValue shown = Shown(plugin, index);
            // A number taken by a parameter that shows words (an enumeration) is the plug-in's call.
            if (Matches(shown, value, numeric ? &number : nullptr) || (numeric && !shown.numeric)) {
                return;
            }
        }
        if (numeric ? SetNumberByScan(plugin, index, number) : SetTextByScan(plugin, index, value)) {
            return;
        }
        throw HostError(name + " does not take the value '" + value + "'");
    } catch (const HostError&) {
        plugin.SetParameter(index, before);
        throw;
    }
}
