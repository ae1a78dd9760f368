// Command-line parsing: options in both spellings, and every malformed line refused
// with a message that names the option.
#include <gtest/gtest.h>

#include "host_error.h"
#include "options.h"

namespace {
const std::vector<OptionSpec> kSpecs = {{"block", true, false}, {"set", true, true}, {"double", false, false}};

std::string ParseError(const std::vector<std::string>& args)
{
    try {
        Arguments a(args, kSpecs);
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

std::string IntegerError(const std::string& value, long least, long most)
{
    try {
        Arguments({"--block", value}, kSpecs).Integer("block", 0, least, most);
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}
}  // namespace

TEST(Options, PositionalsAndBothOptionSpellings)
{
    const Arguments a({"plug.so", "--block", "64", "in.wav", "--set=Amount=70", "--set", "Mix=0.5n", "--double"},
                      kSpecs);
    EXPECT_EQ(a.Positionals(), (std::vector<std::string>{"plug.so", "in.wav"}));
    EXPECT_EQ(a.Integer("block", 512, 1, 65536), 64);
    EXPECT_EQ(a.Texts("set"), (std::vector<std::string>{"Amount=70", "Mix=0.5n"}));
    EXPECT_TRUE(a.Has("double"));
    EXPECT_FALSE(Arguments({}, kSpecs).Has("double"));
    EXPECT_EQ(Arguments({}, kSpecs).Integer("block", 512, 1, 65536), 512);
    EXPECT_EQ(Arguments({"-", "--block=-3"}, kSpecs).Integer("block", 0, -5, 5), -3);
}

TEST(Options, MalformedLinesNameTheProblem)
{
    EXPECT_EQ(ParseError({"--bogus"}), "unknown option --bogus");
    EXPECT_EQ(ParseError({"--block"}), "option --block needs a value");
    EXPECT_EQ(ParseError({"--double=1"}), "option --double takes no value");
    EXPECT_EQ(ParseError({"--block", "1", "--block", "2"}), "option --block is given twice");
    EXPECT_EQ(ParseError({"--set", "a=1", "--set", "b=2"}), "");
    EXPECT_EQ(ParseError({"--"}), "");  // a lone "--" is a positional argument
}

TEST(Options, PositionalCounts)
{
    const Arguments a({"one", "two"}, kSpecs);
    EXPECT_NO_THROW(a.ExpectPositionals(2, 2, "u"));
    EXPECT_THROW(a.ExpectPositionals(3, 3, "u"), HostError);
    try {
        a.ExpectPositionals(1, 1, "ruckhost info PLUGIN");
        FAIL();
    } catch (const HostError& e) {
        EXPECT_STREQ(e.what(), "unexpected argument 'two'; usage: ruckhost info PLUGIN");
    }
}

TEST(Options, NumbersAreWholeFiniteAndInRange)
{
    EXPECT_EQ(IntegerError("12x", 1, 100), "--block: '12x' is not a whole number");
    EXPECT_EQ(IntegerError("", 1, 100), "--block: '' is not a whole number");
    EXPECT_EQ(IntegerError(" 5", 1, 100), "--block: ' 5' is not a whole number");
    EXPECT_EQ(IntegerError("99999999999999999999", 1, 100), "--block: '99999999999999999999' is not a whole number");
    EXPECT_EQ(IntegerError("0", 1, 100), "--block 0 is out of range (1 to 100)");
    EXPECT_EQ(IntegerError("101", 1, 100), "--block 101 is out of range (1 to 100)");
    EXPECT_EQ(IntegerError("100", 1, 100), "");
    double v = 0.0;
    EXPECT_TRUE(IsNumber("-1.5e3", &v));
    EXPECT_EQ(v, -1500.0);
    for (const char* bad : {"", "nan", "inf", "1e999", "1.5dB", " 1", "--"}) {
        EXPECT_FALSE(IsNumber(bad)) << bad;
    }
    EXPECT_THROW(ParseNumber("abc", "--rate"), HostError);
    EXPECT_THROW(Arguments({"--block", "0.5"}, kSpecs).Number("block", 1.0, 1.0, 2.0), HostError);
}
