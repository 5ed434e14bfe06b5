#include <string>

#include <gtest/gtest.h>

#include "cpplib/clexpt.h"

namespace {

struct clRaiser {
    int id = 7;
};

// An exception whose instances register their own destruction.
int g_Destroyed = 0;
class clXCounted : public virtual clBscExpt {
public:
    clXCounted() = default;
    clXCounted(const clXCounted&) = default;
    ~clXCounted() override { ++g_Destroyed; }
};

TEST(Exceptions, HandlersCatchTheClassOrTheRootWithFileAndLine)
{
    const clRaiser raiser;
    try {
        QkRaise<clXRange>(&raiser, "..\\cladrs\\cladrs.cpp", 299);
        FAIL() << "nothing raised";
    } catch (const clXRange& e) {
        EXPECT_EQ(e.GetFile(), "..\\cladrs\\cladrs.cpp");
        EXPECT_EQ(e.GetLine(), 299);
        EXPECT_EQ(e.GetFunc(), nullptr);
        EXPECT_STREQ(QkExptName(e), "clXRange");
    }
    try {
        QkRaise<clXType>(&raiser, "f.cpp", 1);
    } catch (const clBscExpt& e) {
        EXPECT_EQ(e.GetFile(), "f.cpp");
        EXPECT_STREQ(QkExptName(e), "clXType");
    }
}

TEST(Exceptions, ThrownValueCarriesTheRaisingObject)
{
    const clRaiser raiser;
    try {
        QkRaise<clXIO>(&raiser, "x", 3);
    } catch (const clThrowable<clRaiser, clXIO>& e) {
        EXPECT_EQ(e.GetPtr().GetRaiser(), &raiser);
        EXPECT_EQ(e.GetPtr().GetRaiser()->id, 7);
    }
}

TEST(Exceptions, DataOfMessageAndSeekExceptionsSurvive)
{
    const clRaiser raiser;
    try {
        clXRegistrator<clRaiser, clXIntrErr>::Raise(clXIntrErr("bad state"), &raiser, "a", 9);
    } catch (const clXIntrErr& e) {
        EXPECT_EQ(e.GetMsg(), "bad state");
        EXPECT_EQ(e.GetLine(), 9);
    }
    try {
        clXRegistrator<clRaiser, clXDataFormat>::Raise(clXDataFormat(1234), &raiser, "b", 10);
    } catch (const clXDataFormat& e) {
        EXPECT_EQ(e.GetSeek(), 1234u);
    }
    EXPECT_EQ(clXIntrErr(nullptr).GetMsg(), "");
}

TEST(Exceptions, SharedObjectLivesUntilItsLastHolderGoes)
{
    const clRaiser raiser;
    g_Destroyed = 0;
    auto* holder = new clExcptType<clXCounted>(clXCounted(), &raiser);
    const int afterTemporary = g_Destroyed; // the temporary argument is gone
    {
        Ptr<clRaiser, clXCounted> first(holder);
        {
            const Ptr<clRaiser, clXCounted> second(first);
            EXPECT_EQ(first.GetCounter(), 2);
        }
        EXPECT_EQ(g_Destroyed, afterTemporary);
        EXPECT_EQ(first.GetCounter(), 1);
    }
    EXPECT_EQ(g_Destroyed, afterTemporary + 1);
}

TEST(Exceptions, CopyOfAnExceptionDoesNotCopyTheHolderCount)
{
    clXRange original;
    original.AddRef();
    const clXRange copy(original);
    EXPECT_EQ(copy.GetCounter(), 0);
    original.Release();
}

TEST(ExceptionsDeathTest, DestroyingAHeldExceptionIsAnAssertion)
{
    EXPECT_DEATH(
        {
            auto* holder = new clExcptType<clXRange>(clXRange(), nullptr);
            holder->AddRef();
            delete holder;
        },
        "counter == 0, file \\.\\.\\\\cpplib\\\\clexpt\\.cpp, line 66");
}

} // namespace
