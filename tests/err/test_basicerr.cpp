#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "err/qkerr.h"
#include "err/uisrv.h"

namespace {

class clTextErr : public clBasicErr {
public:
    clTextErr(unsigned long processId, unsigned short errNo, const char* text)
        : clBasicErr(processId, errNo, erTypeError, erOptOk)
    {
        SetErrStr(text);
    }
};

std::string TextOf(const clBasicErr& err)
{
    char* text = err.GetErrStr();
    std::string result = text != nullptr ? text : "<null>";
    std::free(text);
    return result;
}

// Answers a fixed button and counts how often it was asked and destroyed.
class clCountingNtfy : public clBasicErrNtfy {
public:
    clCountingNtfy(int answer, int* destroyed) : m_iAnswer(answer), m_pDestroyed(destroyed) {}
    ~clCountingNtfy() override { ++*m_pDestroyed; }
    int Notify(const clBasicErr& err) override
    {
        lastErrNo = err.GetErrNo();
        return m_iAnswer;
    }
    int lastErrNo = -1;

private:
    int m_iAnswer;
    int* m_pDestroyed;
};

TEST(BasicErr, DefaultRecordOffersOnlyOkWithNoText)
{
    const clBasicErr err;
    EXPECT_EQ(err.GetErrNo(), 0);
    EXPECT_EQ(err.GetErrType(), 0);
    EXPECT_EQ(err.GetErrOpt(), erOptOk);
    EXPECT_EQ(err.GetPrcssId(), 0u);
    EXPECT_EQ(err.GetErrStr(), nullptr);
}

TEST(BasicErr, CopiesOwnTheirTextAndAssignmentKeepsTheProcessId)
{
    auto* original = new clTextErr(77, 12, "Cannot connect");
    const clBasicErr copy(*original);
    clBasicErr assigned(5, 0, erTypeNote, erOptAbort);
    assigned = *original;
    delete original; // the copies must not share its text
    EXPECT_EQ(TextOf(copy), "Cannot connect");
    EXPECT_EQ(copy.GetPrcssId(), 77u);
    EXPECT_EQ(TextOf(assigned), "Cannot connect");
    EXPECT_EQ(assigned.GetErrNo(), 12);
    EXPECT_EQ(assigned.GetErrType(), erTypeError);
    EXPECT_EQ(assigned.GetErrOpt(), erOptOk);
    EXPECT_EQ(assigned.GetPrcssId(), 5u);

    clBasicErr nullText;
    clTextErr withText(0, 1, "old");
    static_cast<clBasicErr&>(withText) = nullText;
    EXPECT_EQ(withText.GetErrStr(), nullptr);
}

TEST(BasicErr, GetErrStrReturnsAFreshCopyEachTime)
{
    const clTextErr err(0, 1, "abc");
    char* a = err.GetErrStr();
    char* b = err.GetErrStr();
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a, b);
    a[0] = 'X';
    EXPECT_EQ(TextOf(err), "abc");
    std::free(a);
    std::free(b);
}

TEST(ErrMngr, ClosedManagerAnswersAbortAndOpenOneAsksItsNotifier)
{
    clErrMngr manager;
    EXPECT_EQ(manager << clBasicErr(), erIdAbort);
    EXPECT_EQ(manager.GetInstance(), nullptr);

    int destroyed = 0;
    auto* notifier = new clCountingNtfy(erIdRetry, &destroyed);
    int tagged = 0;
    const auto tag = reinterpret_cast<HINSTANCE>(&tagged); // any address names the program
    manager.OpenErrMngr(notifier, tag);
    EXPECT_EQ(manager.GetInstance(), tag);
    EXPECT_EQ(manager << clTextErr(0, 42, "x"), erIdRetry);
    EXPECT_EQ(notifier->lastErrNo, 42);

    // Opening again with another notifier lets the first one go.
    manager.OpenErrMngr(new clCountingNtfy(erIdYes, &destroyed), tag);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(manager << clBasicErr(), erIdYes);

    manager.CloseErrMngr();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(manager << clBasicErr(), erIdAbort);
    EXPECT_EQ(manager.GetInstance(), nullptr);
}

TEST(ErrMngr, DestructionDeletesTheNotifier)
{
    int destroyed = 0;
    {
        clErrMngr manager;
        manager.OpenErrMngr(new clCountingNtfy(erIdOk, &destroyed), nullptr);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(UiServices, ConsoleAnswersTheFirstButtonInDialogOrder)
{
    EXPECT_EQ(QkFirstButton(erOptOk), erIdOk);
    EXPECT_EQ(QkFirstButton(erOptAbort | erOptIgnore), erIdIgnore);
    EXPECT_EQ(QkFirstButton(erOptAbort | erOptRetry), erIdRetry);
    EXPECT_EQ(QkFirstButton(erOptNo | erOptCancel), erIdNo);
    EXPECT_EQ(QkFirstButton(0), erIdOk);
}

TEST(Module, LibraryInstanceIsTheModuleThatHoldsIt)
{
    EXPECT_NE(GetDLLQkerrInstance(), nullptr);
    // (A function's address taken here may be this program's jump to it, so
    // the handle is checked by the file it names.)
    EXPECT_EQ(std::filesystem::path(QkModuleFile(GetDLLQkerrInstance())).filename(), QkLibraryFileName("qkerr32"));
    // This test program is another module.
    static int local = 0;
    EXPECT_NE(QkModuleOf(&local), GetDLLQkerrInstance());
}

} // namespace
