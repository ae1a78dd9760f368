// The command line of one ruckhost command: positional arguments and --options, each
// option declared up front; anything else is refused with a message naming it.
#pragma once

#include <map>
#include <string>
#include <vector>

struct OptionSpec {
    const char* name;  // without the leading "--"
    bool takesValue;
    bool repeatable;
};

class Arguments {
public:
    Arguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& known);

    const std::vector<std::string>& Positionals() const { return positionals; }
    // Refuses fewer than `least` or more than `most` positional arguments.
    void ExpectPositionals(size_t least, size_t most, const std::string& usage) const;

    bool Has(const std::string& name) const;
    std::string Text(const std::string& name, const std::string& fallback) const;
    std::vector<std::string> Texts(const std::string& name) const;
    long Integer(const std::string& name, long fallback, long least, long most) const;
    double Number(const std::string& name, double fallback, double least, double most) const;

private:
    const OptionSpec& Known(const std::string& name, const std::vector<OptionSpec>& known) const;

    std::vector<std::string> positionals;
    std::map<std::string, std::vector<std::string>> options;
};

// Whole numbers and decimal numbers in full: "12x", "" and "1e999" are refused.
// `what` names the value in the message.
long ParseInteger(const std::string& text, const std::string& what);
double ParseNumber(const std::string& text, const std::string& what);
// True when the whole text is a finite decimal number; its value goes to `value`.
bool IsNumber(const std::string& text, double* value = nullptr);
