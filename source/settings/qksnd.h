// Action sounds: which sound each kind of event plays, kept in the settings
// store as "%d,%s" of the sound kind and the wave file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "source/settings/qkreg.h"

enum : std::uint16_t {
    sndNone = 0,
    sndBeep = 1, // the standard beep
    sndWave = 2, // the wave file
};

struct clSndActInfo {
    std::string name; // shown in the "Actio&ns:" list
    std::string key;  // value name in "Actions Sounds"
    std::string file; // wave file, may be empty
    std::uint16_t kind = sndNone;
    int action = 0; // the main window's action code that plays it
};

class clQkActList {
public:
    // The actions in display order, all silent.
    clQkActList();

    std::vector<clSndActInfo>& Actions() { return m_Actions; }
    const std::vector<clSndActInfo>& Actions() const { return m_Actions; }
    // The action played for an action code; null when none is.
    const clSndActInfo* FindAction(int action) const;

    void Load(const clQkSettingsStore& store);
    void Save(clQkSettingsStore& store) const;

    // "%d,%s" of kind and file.
    static std::string Format(const clSndActInfo& info);
    // Kind before the first ",", file after it; a kind outside 0..2 counts as
    // 0 and a text without "," gives kind 0 and no file.
    static void Parse(const std::string& stored, clSndActInfo& info);

private:
    std::vector<clSndActInfo> m_Actions;
};
