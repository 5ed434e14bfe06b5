// The project loader over arbitrary bytes, with the whole option catalogue
// registered. Whatever loads must also save and load back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "source/project/qkopts.h"
#include "source/project/qkprj.h"

namespace {
std::string Saved(const TBscOptServer& server)
{
    std::ostringstream out;
    server.Save(out);
    return out.str();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static clErrMngr errors; // closed: reports are dropped
    static clQkSettingsStore settings("");
    TBscOptServer server(kQkOptArrayName);
    QkRegisterOptions(server);
    clQkProject project(server, settings, errors);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    if (project.Load(in, "/fuzz/p.qkp") == 0)
        return 0;

    const std::string saved = Saved(server);
    TBscOptServer again(kQkOptArrayName);
    QkRegisterOptions(again);
    std::istringstream back(saved);
    again.Load(back);
    if (Saved(again) != saved)
        std::abort();
    return 0;
}
