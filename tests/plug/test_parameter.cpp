#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "plug/parameter.h"

namespace {
std::string Display(const IParameter& p, double v, bool normalized = false)
{
    char text[64];
    p.FormatValue(v, normalized, text, sizeof text);
    return text;
}

void DefineAntialias(IParameter& p)
{
    p.DefineEnum("Antialias", 0, 4, "");
    p.AddValueText(0, "Off");
    p.AddValueText(1, "x2");
    p.AddValueText(2, ",x2+");
    p.AddValueText(3, "x3");
}
}  // namespace

TEST(Parameter, EnumSnapsHalfwayUp)
{
    IParameter p;
    p.DefineEnum("Algorithm", 1, 4, "");
    EXPECT_EQ(p.type, kTypeEnum);
    EXPECT_EQ(p.min, 0.0);
    EXPECT_EQ(p.max, 3.0);
    EXPECT_EQ(p.displayPrecision, 0);
    p.SetFromNormalized(0.5);
    EXPECT_EQ(p.value, 2.0);
    p.SetFromNormalized(1.0 / 3.0);
    EXPECT_EQ(p.value, 1.0);
}

TEST(Parameter, IntMappingAndUpperClamp)
{
    IParameter p;
    p.DefineInt("Threshold", -16, -64, 0, "dB");
    EXPECT_EQ(p.NormalizedOf(-16), 0.75);
    EXPECT_EQ(p.NormalizedOf(-100), 0.0);
    EXPECT_EQ(p.NormalizedOf(5), 1.0);
    p.SetFromNormalized(0.75);
    EXPECT_EQ(p.value, -16.0);
    p.SetFromNormalized(1.2);
    EXPECT_EQ(p.value, 0.0);
    EXPECT_STREQ(p.Label(), "dB");
}

TEST(Parameter, RefusesNonFiniteAndHoldsNegativeAtZero)
{
    IParameter p;
    p.DefineInt("Amount", 50, 0, 100, "%");
    EXPECT_FALSE(p.SetFromNormalized(std::nan("")));
    EXPECT_FALSE(p.SetFromNormalized(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(p.value, 50.0);
    EXPECT_TRUE(p.SetFromNormalized(-0.5));
    EXPECT_EQ(p.value, 0.0);
    EXPECT_EQ(p.NormalizedOf(std::nan("")), 0.0);
}

TEST(Parameter, DefineDoubleRaisesMaxAndDerivesPrecision)
{
    IParameter p;
    p.DefineDouble("x", 0.0, 2.0, 1.0, 0.5, "");
    EXPECT_EQ(p.max, 2.5);
    p.DefineDouble("x", 0.0, 0.0, 1.0, 0.25, "");
    EXPECT_EQ(p.displayPrecision, 2);
    p.DefineDouble("x", 0.0, 0.0, 1.0, 1.0 / 3.0, "");
    EXPECT_EQ(p.displayPrecision, 6);
    p.DefineDouble("x", 0.0, 0.0, 1.0, 0.1, "");
    EXPECT_EQ(p.displayPrecision, 1);
    EXPECT_EQ(p.type, kTypeDouble);
    p.SetFromNormalized(0.123456);
    EXPECT_EQ(p.value, 0.123456);  // real values are not snapped
}

TEST(Parameter, TypeSetFirstStays)
{
    IParameter p;
    p.DefineEnum("a", 0, 2, "");
    p.DefineInt("b", 0, 0, 5, "");
    EXPECT_EQ(p.type, kTypeEnum);
}

TEST(Parameter, NamesAreCutToTheirField)
{
    IParameter p;
    const std::string longName(40, 'n');
    p.DefineInt(longName.c_str(), 0, 0, 1, longName.c_str());
    EXPECT_EQ(std::string(p.Name()), std::string(31, 'n'));
    EXPECT_EQ(std::string(p.Label()), std::string(31, 'n'));
    p.AddValueText(0, longName.c_str());
    EXPECT_EQ(std::string(p.ValueText(0)), std::string(31, 'n'));
}

TEST(Parameter, FormatValue)
{
    IParameter plain;
    plain.DefineInt("Pan", 0, -100, 100, "%");
    EXPECT_EQ(Display(plain, 0.0), "0");
    EXPECT_EQ(Display(plain, -0.5), "0");
    EXPECT_EQ(Display(plain, -16.9), "-16");
    EXPECT_EQ(Display(plain, 0.5, true), "0");
    EXPECT_EQ(Display(plain, 1e12), "1000000000000");
    EXPECT_EQ(Display(plain, std::nan("")), "nan");

    IParameter fine;
    fine.DefineDouble("f", 0.0, 0.0, 1.0, 0.01, "");
    EXPECT_EQ(Display(fine, 0.125), "0.12");
    fine.negateDisplay = true;
    EXPECT_EQ(Display(fine, 0.5), "-0.50");

    IParameter aa;
    DefineAntialias(aa);
    EXPECT_EQ(Display(aa, 0.0), "Off");
    EXPECT_EQ(Display(aa, 2.0), ",x2+");
    EXPECT_EQ(Display(aa, 2.9), ",x2+");
    EXPECT_EQ(Display(aa, 7.0), "7");
}

TEST(Parameter, FormatValueCutsToTheCallersBuffer)
{
    IParameter aa;
    DefineAntialias(aa);
    char small[3];
    aa.FormatValue(2.0, false, small, sizeof small);
    EXPECT_STREQ(small, ",x");
}

TEST(Parameter, ValueTextLookups)
{
    IParameter none;
    none.DefineInt("n", 0, 0, 3, "");
    EXPECT_STREQ(none.ValueText(0), "");
    IParameter aa;
    DefineAntialias(aa);
    EXPECT_EQ(aa.ValueTextCount(), 4);
    int v = -7;
    EXPECT_FALSE(aa.ValueForText("X3", v));
    EXPECT_EQ(v, -7);
    EXPECT_TRUE(aa.ValueForText("x3", v));
    EXPECT_EQ(v, 3);
}

TEST(Parameter, ParseValue)
{
    IParameter aa;
    DefineAntialias(aa);
    EXPECT_EQ(aa.ParseValue("x3"), 3.0);
    EXPECT_EQ(aa.ParseValue("x2"), 1.0);
    EXPECT_EQ(aa.ParseValue("x2+"), 0.0);
    IParameter amount;
    amount.DefineInt("Amount", 50, 0, 100, "%");
    EXPECT_EQ(amount.ParseValue("12.5"), 12.5);
    EXPECT_EQ(amount.ParseValue("  -7dB"), -7.0);
    EXPECT_EQ(amount.ParseValue("+3"), 3.0);
    EXPECT_EQ(amount.ParseValue("abc"), 0.0);
    EXPECT_EQ(amount.ParseValue(""), 0.0);
    amount.negateDisplay = true;
    EXPECT_EQ(amount.ParseValue("4"), -4.0);
}
