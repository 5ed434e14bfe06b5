#include <gtest/gtest.h>

#include "qkdb/dbase32.h"
#include "source/settings/chpdescr.h"
#include "source/settings/chpfilter.h"

namespace {

TEST(DeviceFilter, CharactersMustAppearInOrderInAnyCase)
{
    EXPECT_TRUE(QkFilterMatches("51F", "P89C51FA"));
    EXPECT_TRUE(QkFilterMatches("51f", "p89c51fa"));
    EXPECT_FALSE(QkFilterMatches("F51", "P89C51A"));
    EXPECT_TRUE(QkFilterMatches("", "anything"));
    EXPECT_TRUE(QkFilterMatches("", ""));
}

TEST(DeviceFilter, QuestionMarkTakesExactlyOneCharacter)
{
    EXPECT_TRUE(QkFilterMatches("?", "A"));
    EXPECT_FALSE(QkFilterMatches("?", ""));
    EXPECT_TRUE(QkFilterMatches("51?", "C510"));
    EXPECT_FALSE(QkFilterMatches("51?", "C51"));
    EXPECT_TRUE(QkFilterMatches("8070?", "PCD80703"));
    EXPECT_FALSE(QkFilterMatches("8070?", "PCD80710"));
}

TEST(DeviceFilter, VendorAndDeviceOrDeviceAloneMayMatch)
{
    EXPECT_TRUE(QkDeviceMatches("PHI 807", "PHILIPS", "PCD80710"));
    EXPECT_TRUE(QkDeviceMatches("0710", "PHILIPS", "PCD80710"));
    EXPECT_FALSE(QkDeviceMatches("ATMEL", "PHILIPS", "PCD80710"));
}

TEST(DeviceDescription, ListsTypeAdapterVppSecurityAndBuffers)
{
    const clDataBase db(GetDLLDBaseInstance());
    EXPECT_EQ(QkDeviceDescription(db, 1), "Device: PCD80710\nVendor: PHILIPS\nType: uC (E\xB2)\n"
                                          "Adapter: \"PCD80710 Adapter\"\nVpp: 2.66V\nBuffers:\nData    (384KB)\n");
    EXPECT_EQ(QkDeviceDescription(db, 2), "Device: PCD80712\nVendor: PHILIPS\nType: uC (E\xB2)\n"
                                          "Adapter: \"PCD80712 Adapter\"\nVpp: 2.66V\n"
                                          "Security Bits: Lock1,2,3.\nBuffers:\nData    (512KB)\n"
                                          "Encryption    (256KB)\nConfig    (32b)\nOSD    (4KB)\n");
    EXPECT_THROW(QkDeviceDescription(db, 9), clDbBadId);
}

} // namespace
