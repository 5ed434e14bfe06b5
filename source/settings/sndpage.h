// The sound page of the settings dialog without its window: the action
// chosen, what its "So&und:" combo offers, and the edits of the sounds and
// the mute flag. It works on a copy of the sound list that the dialog hands
// back after "&Ok".
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "source/settings/qksnd.h"

inline constexpr const char kSoundNone[] = "[None]";
inline constexpr const char kSoundBeep[] = "[Speaker Beep]";
inline constexpr const char kSoundFileTitle[] = "Select Sound File";
inline constexpr const char kSoundFileFilter[] = "Sound File|*.wav";

// A path cut to fit: leading folders become "/..." until fits answers true
// (or only the file name is left).
std::string QkFitPath(const std::string& path, const std::function<bool(const std::string&)>& fits);

class clSndPage {
public:
    clSndPage(const clQkActList& sounds, bool mute);

    const clQkActList& Sounds() const { return m_Sounds; }
    bool IsMuted() const { return m_bMute; }
    void SetMute(bool mute) { m_bMute = mute; }

    // The action whose sound is shown; -1 before one is chosen.
    int CurrentAction() const { return m_iAction; }
    void SelectAction(int index);
    const clSndActInfo* Current() const;

    // The "So&und:" entries of the current action: "[None]", "[Speaker
    // Beep]" and, for a wave file, its path cut to fit.
    std::vector<std::string> Entries(const std::function<bool(const std::string&)>& fits) const;
    // The entry of the current kind.
    int CurrentEntry() const;
    // Entry 0 silences the action, 1 beeps, 2 plays its file again.
    void ChooseEntry(int entry);
    // A file chosen with "Open": the action plays it.
    void SetFile(const std::string& path);

    // What "Play" sounds: the current action's sound, muted or not; null
    // before an action is chosen.
    const clSndActInfo* PlaySound() const { return Current(); }

private:
    clQkActList m_Sounds;
    bool m_bMute;
    int m_iAction = -1;
};
