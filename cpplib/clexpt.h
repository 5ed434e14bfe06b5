// The raising routine shared by every raising site: the exception object is
// kept once, on the heap, in a holder that knows the raising object; the
// thrown value and every copy of it share that holder through a counted
// pointer, and the holder goes when the last pointer goes.
#pragma once

#include "err/qkassert.h"
#include "err/qkexpt.h"

inline constexpr const char kClExptSrc[] = "..\\cpplib\\clexpt.cpp";

// The heap copy of an exception, with the object that raised it.
template <class X>
class clExcptType : public X {
public:
    // The family derives virtually from clBscExpt, so the most derived class
    // must copy that part itself.
    clExcptType(const X& x, const void* raiser) : clBscExpt(x), X(x), m_pRaiser(raiser) {}
    ~clExcptType() override
    {
        if (this->GetCounter() != 0)
            QkAssertFail("counter == 0", kClExptSrc, 66);
    }
    const void* GetRaiser() const { return m_pRaiser; }

private:
    const void* m_pRaiser;
};

// A counted pointer to a holder; the count lives in the holder's clBscExpt part.
template <class C, class X>
class Ptr {
public:
    explicit Ptr(clExcptType<X>* holder) : m_pHolder(holder) { Acquire(); }
    Ptr(const Ptr& other) : m_pHolder(other.m_pHolder) { Acquire(); }
    Ptr& operator=(const Ptr& other)
    {
        if (m_pHolder != other.m_pHolder) {
            Dispose();
            m_pHolder = other.m_pHolder;
            Acquire();
        }
        return *this;
    }
    ~Ptr() { Dispose(); }

    const X& operator*() const { return *m_pHolder; }
    const X* operator->() const { return m_pHolder; }
    // The object that raised the exception.
    const C* GetRaiser() const { return static_cast<const C*>(m_pHolder->GetRaiser()); }
    std::int32_t GetCounter() const { return m_pHolder->GetCounter(); }

private:
    void Acquire()
    {
        if (m_pHolder != nullptr)
            m_pHolder->AddRef();
    }
    void Dispose()
    {
        if (m_pHolder != nullptr && m_pHolder->Release() == 0)
            delete m_pHolder;
        m_pHolder = nullptr;
    }

    clExcptType<X>* m_pHolder;
};

// The thrown value: itself an X (so a handler may catch X or any clBscExpt,
// with file and line intact) that carries the pointer to the shared holder.
template <class C, class X>
class clThrowable : public X {
public:
    explicit clThrowable(const Ptr<C, X>& ptr) : clBscExpt(*ptr), X(*ptr), m_Ptr(ptr) {}
    clThrowable(const clThrowable&) = default;
    ~clThrowable() override = default;
    const Ptr<C, X>& GetPtr() const { return m_Ptr; }

private:
    Ptr<C, X> m_Ptr;
};

template <class C, class X>
class clXRegistrator {
public:
    // Raises x on behalf of raiser, recording the source file and line.
    [[noreturn]] static void Raise(const X& x, const C* raiser, const char* file, unsigned short line,
                                   const char* func = nullptr)
    {
        auto* holder = new clExcptType<X>(x, raiser);
        holder->AppendFile(file);
        holder->SetLine(line);
        holder->SetFunc(func);
        throw clThrowable<C, X>(Ptr<C, X>(holder));
    }
};

// Shorthand for a raising site: QkRaise<clXRange>(this, kSrc, 299). kSrc and
// 299 are the system's fixed source reference of that fault, not this code's
// file and line (see err/qkexpt.h).
template <class X, class C>
[[noreturn]] inline void QkRaise(const C* raiser, const char* file, unsigned short line)
{
    clXRegistrator<C, X>::Raise(X(), raiser, file, line, nullptr);
}
