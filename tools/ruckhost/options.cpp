#include "options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host_error.h"

namespace {
bool IsOption(const std::string& arg)
{
    return arg.size() > 2 && arg.compare(0, 2, "--") == 0;
}

void CheckRange(double v, double least, double most, const std::string& what)
{
    if (v < least || v > most) {
        char range[96];
        std::snprintf(range, sizeof range, "%g to %g", least, most);
        throw HostError(what + " is out of range (" + range + ")");
    }
}
}  // namespace

Arguments::Arguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& known)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!IsOption(arg)) {
            positionals.push_back(arg);
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const OptionSpec& option = Known(name, known);
        std::string value;
        if (option.takesValue && equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (option.takesValue) {
            if (i + 1 >= args.size()) {
                throw HostError("option --" + name + " needs a value");
            }
            value = args[++i];
        } else if (equals != std::string::npos) {
            throw HostError("option --" + name + " takes no value");
        }
        auto& values = options[name];
        if (!values.empty() && !option.repeatable) {
            throw HostError("option --" + name + " is given twice");
        }
        values.push_back(value);
    }
}

const OptionSpec& Arguments::Known(const std::string& name, const std::vector<OptionSpec>& known) const
{
    for (const OptionSpec& option : known) {
        if (name == option.name) {
            return option;
        }
    }
    throw HostError("unknown option --" + name);
}

void Arguments::ExpectPositionals(size_t least, size_t most, const std::string& usage) const
{
    if (positionals.size() < least) {
        throw HostError("missing arguments; usage: " + usage);
    }
    if (positionals.size() > most) {
        throw HostError("unexpected argument '" + positionals[most] + "'; usage: " + usage);
    }
}

bool Arguments::Has(const std::string& name) const
{
    return options.count(name) != 0;
}

std::string Arguments::Text(const std::string& name, const std::string& fallback) const
{
    const auto it = options.find(name);
    return it == options.end() ? fallback : it->second.back();
}

std::vector<std::string> Arguments::Texts(const std::string& name) const
{
    const auto it = options.find(name);
    return it == options.end() ? std::vector<std::string>{} : it->second;
}

long Arguments::Integer(const std::string& name, long fallback, long least, long most) const
{
    if (!Has(name)) {
        return fallback;
    }
    const long v = ParseInteger(Text(name, ""), "--" + name);
    CheckRange(static_cast<double>(v), static_cast<double>(least), static_cast<double>(most),
               "--" + name + " " + std::to_string(v));
    return v;
}

double Arguments::Number(const std::string& name, double fallback, double least, double most) const
{
    if (!Has(name)) {
        return fallback;
    }
    const std::string text = Text(name, "");
    const double v = ParseNumber(text, "--" + name);
    CheckRange(v, least, most, "--" + name + " " + text);
    return v;
}

long ParseInteger(const std::string& text, const std::string& what)
{
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || std::isspace(static_cast<unsigned char>(text[0]))) {
        throw HostError(what + ": '" + text + "' is not a whole number");
    }
    return v;
}

bool IsNumber(const std::string& text, double* value)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) {
        return false;
    }
    if (value) {
        *value = v;
    }
    return true;
}

double ParseNumber(const std::string& text, const std::string& what)
{
    double v = 0.0;
    if (!IsNumber(text, &v)) {
        throw HostError(what + ": '" + text + "' is not a number");
    }
    return v;
}
