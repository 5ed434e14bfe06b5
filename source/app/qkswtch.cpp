#include "source/app/qkswtch.h"

namespace {
struct clProgSwitch {
    const char* key;
    const char* form;
};

// In key order: a key's id is its position here.
constexpr clProgSwitch kProgSwitches[] = {
    {qkpsw::kPrjFile, "P:"},   {qkpsw::kSize, "Size:"},     {qkpsw::kLastCom, "LastCom:"},
    {qkpsw::kConnCom, "Com:"}, {qkpsw::kScan, "Scan"},      {qkpsw::kForceDemo, "Demo"},
    {qkpsw::kIsFreq, "FREQ"},  {qkpsw::kTDelay, "TDELAY:"}, {qkpsw::kForceBootUpdate, "ADMIN"},
};
} // namespace

clQkSwtch::clQkSwtch(int argc, const char* const* argv) : clSwtch(argc, argv)
{
    for (const clProgSwitch& entry : kProgSwitches)
        AddForm(clSwtchStr(entry.form, RegisterKey(entry.key), false));
}
