// How qkcli shows the system's messages on a terminal: the text goes to
// stderr and the answer is the one the command line chose.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "err/qkerr.h"
#include "err/uisrv.h"
#include "source/base/appmngr.h"

// One error record as the command saw it.
struct clCliMessage {
    int number = 0;
    int type = 0;
    std::string text;
    std::optional<std::uint32_t> address; // where a device operation failed
    std::optional<int> deviceValue;
    std::optional<int> bufferValue;
};

// Installed as the user interface for the length of a command.
class clCliUi : public clConsoleUi {
public:
    static constexpr int kShownAtMost = 20;

    // answer: the button every error record is answered with.
    explicit clCliUi(int answer);
    ~clCliUi() override;
    int ShowError(const clBasicErr& err) override;

    int GetCount() const { return m_iCount; }
    // Prints how many messages were not shown, if any.
    void PrintSummary() const;

    void SetAnswer(int answer) { m_iAnswer = answer; }
    // The answer for records of one number, whatever the general answer.
    void SetAnswerFor(int number, int answer) { m_Answers[number] = answer; }
    // Nothing goes to stderr (the records are still kept).
    void SetQuiet(bool quiet) { m_bQuiet = quiet; }
    // Fills in what a record of another library knows beyond its text.
    void SetDetail(std::function<void(const clBasicErr&, clCliMessage&)> detail) { m_Detail = std::move(detail); }
    // Told of every record, after it was kept.
    void SetListener(std::function<void(const clCliMessage&)> listener) { m_Listener = std::move(listener); }
    // Records of this number that follow another record are the library's
    // general word after a verdict it already gave: kept, but neither shown
    // nor told (so a verify mismatch does not read as a failed line).
    void SetFollowUp(int number) { m_iFollowUp = number; }
    const std::vector<clCliMessage>& GetMessages() const { return m_Messages; }

private:
    int m_iAnswer;
    std::map<int, int> m_Answers;
    int m_iCount = 0;
    int m_iFollowUp = -1;
    bool m_bQuiet = false;
    std::vector<clCliMessage> m_Messages;
    std::function<void(const clBasicErr&, clCliMessage&)> m_Detail;
    std::function<void(const clCliMessage&)> m_Listener;
};

// A progress bar on stderr, drawn only when stderr is a terminal.
class clCliProgress : public clProgressSink {
public:
    explicit clCliProgress(bool wanted);
    ~clCliProgress() override;
    void SetProgress(int percent, const char* text) override;

private:
    bool m_bActive;
    bool m_bDrawn = false;
};
