// Values of late-bound calls: the integer and object conversions that the program applies to
// what servers answer.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gui/automation.h"
#include "ole_raised.h"

namespace scr {
namespace {

// How the failure messages name a value.
std::string Name(const Variant& v) {
    static const char* const kinds[] = {"empty", "int", "bool", "double", "string", "object"};
    return kinds[v.index()];
}

TEST(VariantToInt, ConvertsAsTheSystemDoes) {
    const struct {
        Variant in;
        int32_t out;
    } cases[] = {
        {int32_t(7), 7},
        {int32_t(INT32_MIN), INT32_MIN},
        {true, -1},  // VARIANT_TRUE
        {false, 0},
        {2.5, 2},  // halves go to the even neighbour
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {0.5, 0},
        {2.4999, 2},
        {2.6, 3},
        {-2.6, -3},
        {576.0, 576},
        {2147483647.4, INT32_MAX},
        {-2147483648.4, INT32_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(VariantToInt(c.in), c.out) << Name(c.in);
}

TEST(VariantToInt, RefusesWhatHasNoIntegerValue) {
    const struct {
        Variant in;
        int32_t code;
    } cases[] = {
        {2147483647.5, kOleOverflow},  // rounds to 2^31
        {-2147483649.0, kOleOverflow},
        {1e300, kOleOverflow},
        {std::numeric_limits<double>::quiet_NaN(), kOleOverflow},
        {std::numeric_limits<double>::infinity(), kOleOverflow},
        {std::string("12"), kOleTypeMismatch},
        {Variant{}, kOleTypeMismatch},
        {std::shared_ptr<AutomationObject>(), kOleTypeMismatch},
    };
    for (const auto& c : cases) {
        const test::Raised r = test::RaisedBy([&] { VariantToInt(c.in); });
        EXPECT_EQ(r.result, c.code) << Name(c.in);
        EXPECT_EQ(r.message, c.code == kOleOverflow ? "Out of present range" : "Type mismatch");
    }
}

TEST(VariantToObject, GivesTheObjectAndRefusesTheRest) {
    class Object : public AutomationObject {
        Variant Get(const std::string&, const std::vector<Variant>&) override { return {}; }
        void Put(const std::string&, const Variant&) override {}
        Variant Call(const std::string&, const std::vector<Variant>&) override { return {}; }
        Variant GetById(int32_t) override { return {}; }
        void PutById(int32_t, const Variant&) override {}
        Variant CallById(int32_t, const std::vector<Variant>&) override { return {}; }
    };
    const std::shared_ptr<AutomationObject> object = std::make_shared<Object>();
    EXPECT_EQ(VariantToObject(object), object);

    const struct {
        Variant in;
        int32_t code;
    } refused[] = {
        {int32_t(1), kOleTypeMismatch},
        {std::string("x"), kOleTypeMismatch},
        {Variant{}, kOleTypeMismatch},
        {std::shared_ptr<AutomationObject>(), kOlePointer},
    };
    for (const auto& c : refused)
        EXPECT_EQ(test::RaisedBy([&] { VariantToObject(c.in); }).result, c.code) << Name(c.in);
}

}  // namespace
}  // namespace scr
