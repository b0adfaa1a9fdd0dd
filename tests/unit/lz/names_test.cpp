#include "lz/names.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* original;
    bool replaceLast;
    const char* shipped;
    char recorded;
};

TEST(LzNames, ShippedNamesAndBack) {
    // clang-format off
    const NameCase cases[] = {
        {"Joystick.OCX", true, "Joystick.OC_", 'X'}, {"page.html", true, "page.htm_", 'l'},
        {"v1.2.txt", true, "v1.2.tx_", 't'},         {"a.c", true, "a.c_", 0},
        {"Setup.DL", true, "Setup.DL_", 0},          {"Makefile", true, "Makefile_", 0},
        {"name.", true, "name._", 0},                {"odd.ab_", true, "odd.ab_", '_'},
        {"Joystick.OCX", false, "Joystick.OCX_", 0},
        // A last character outside ASCII cannot be recorded in the header's one byte.
        {"\xe3\x83\x95.\xe3\x83\x86\xe3\x82\xad", true, "\xe3\x83\x95.\xe3\x83\x86\xe3\x82\xad_", 0},
    };
    // clang-format on
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.original);
        const quorin::CompressedName shipped = quorin::CompressedNameFor(c.original, c.replaceLast);
        EXPECT_EQ(shipped.name, c.shipped);
        EXPECT_EQ(shipped.missingChar, static_cast<uint8_t>(c.recorded));
        EXPECT_EQ(quorin::ExpandedNameFor(shipped.name, shipped.missingChar), c.original);
    }
    EXPECT_EQ(quorin::ExpandedNameFor("JOYSTICK.OCX", 'X'), ""); // nothing to restore
    EXPECT_EQ(quorin::ExpandedNameFor("", 0), "");
    EXPECT_EQ(quorin::ExpandedNameFor("JOYSTICK.OC_", 'x'), "JOYSTICK.OCx");
}

} // namespace
