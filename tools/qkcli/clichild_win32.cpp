// Child processes on Windows: not built yet; several ports at once are
// refused before anything starts.
#include "tools/qkcli/clichild.h"

struct clCliChild::clImpl {};

clCliChild::clCliChild() : m_pImpl(std::make_unique<clImpl>()) {}
clCliChild::~clCliChild() = default;

bool clCliChild::Start(const std::vector<std::string>& /*args*/, std::string& error)
{
    error = "several programmers at once are not available on Windows in this version";
    return false;
}

void clCliChild::Interrupt() {}

void QkPollChildren(std::vector<std::unique_ptr<clCliChild>>& /*children*/, int /*ms*/) {}
