#include "source/settings/sndpage.h"

std::string QkFitPath(const std::string& path, const std::function<bool(const std::string&)>& fits)
{
    if (fits(path))
        return path;
    const std::size_t last = path.rfind('/');
    if (last == std::string::npos)
        return path;
    // Drop one leading folder at a time, keeping whatever the path still says.
    std::size_t cut = path.find('/', path.front() == '/' ? 1 : 0);
    while (cut != std::string::npos && cut <= last) {
        const std::string shortened = "/..." + path.substr(cut);
        if (fits(shortened) || cut == last)
            return shortened;
        cut = path.find('/', cut + 1);
    }
    return path;
}

clSndPage::clSndPage(const clQkActList& sounds, bool mute) : m_Sounds(sounds), m_bMute(mute) {}

void clSndPage::SelectAction(int index)
{
    if (index >= 0 && index < static_cast<int>(m_Sounds.Actions().size()))
        m_iAction = index;
}

const clSndActInfo* clSndPage::Current() const
{
    if (m_iAction < 0)
        return nullptr;
    return &m_Sounds.Actions()[static_cast<std::size_t>(m_iAction)];
}

std::vector<std::string> clSndPage::Entries(const std::function<bool(const std::string&)>& fits) const
{
    std::vector<std::string> entries{kSoundNone, kSoundBeep};
    if (const clSndActInfo* info = Current(); info != nullptr && info->kind == sndWave)
        entries.push_back(QkFitPath(info->file, fits));
    return entries;
}

int clSndPage::CurrentEntry() const
{
    const clSndActInfo* info = Current();
    return info == nullptr ? -1 : info->kind;
}

void clSndPage::ChooseEntry(int entry)
{
    if (m_iAction < 0)
        return;
    clSndActInfo& info = m_Sounds.Actions()[static_cast<std::size_t>(m_iAction)];
    // A wave entry is only offered while the action has a file.
    if (entry == sndNone || entry == sndBeep || (entry == sndWave && !info.file.empty()))
        info.kind = static_cast<std::uint16_t>(entry);
}

void clSndPage::SetFile(const std::string& path)
{
    if (m_iAction < 0 || path.empty())
        return;
    clSndActInfo& info = m_Sounds.Actions()[static_cast<std::size_t>(m_iAction)];
    info.file = path;
    info.kind = sndWave;
}
