// Helpers for driving the dump window in tests: the option catalogue with
// space 1's buffer, a recording error dialog, and answering modal dialogs.
#pragma once

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "err/qkerr.h"
#include "source/project/qkopts.h"

// Records the numbers of the messages shown; answers Yes to questions.
class clMsgLog : public clBasicErrNtfy {
public:
    explicit clMsgLog(std::vector<unsigned short>& seen) : m_Seen(seen) {}
    int Notify(const clBasicErr& err) override
    {
        m_Seen.push_back(err.GetErrNo());
        return (err.GetErrOpt() & erOptYes) != 0 ? erIdYes : erIdOk;
    }

private:
    std::vector<unsigned short>& m_Seen;
};

// The application's options, with space 1's buffer named "Data" holding
// 0, 1, 2, ... from first.
struct clDumpApp {
    clDumpApp() : catalogue(QkRegisterOptions(server)) { errors.OpenErrMngr(new clMsgLog(seen), nullptr); }
    clQKHugeBuffer& Data() { return catalogue.buffers[1]->Value(); }
    TBscOptGrp& DumpOptions() { return *catalogue.dumpOptions[1]; }
    void Load(std::uint32_t size, std::uint32_t first)
    {
        Data().SetName("Data");
        Data().SetSpaceId(1);
        Data().SetParams(size, clAdrs(first));
        std::vector<unsigned char> bytes(size);
        for (std::uint32_t i = 0; i < size; ++i)
            bytes[i] = static_cast<unsigned char>(i);
        Data().Write(Data().GetStartAdrs(), Data().GetStopAdrs(), bytes.data());
    }
    std::vector<unsigned char> At(std::uint32_t adrs, std::uint32_t count)
    {
        std::vector<unsigned char> bytes(count);
        Data().Read(clAdrs(adrs), clAdrs(adrs + count - 1), bytes.data());
        return bytes;
    }

    TBscOptServer server{kQkOptArrayName};
    clQkOptCatalogue catalogue;
    std::vector<unsigned short> seen;
    clErrMngr errors;
};

// When the next modal dialog is up: fill fields by control id, then OK. A
// dialog that stays open after OK is cancelled, and stillOpen says so.
inline void AnswerDialog(const std::vector<std::pair<int, QString>>& fields, bool* stillOpen = nullptr,
                         std::function<void(QDialog*)> before = {})
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        poll->stop();
        poll->deleteLater();
        if (before)
            before(dialog);
        for (const auto& [id, text] : fields)
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("id%1").arg(id)))
                edit->setText(text);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        if (stillOpen != nullptr)
            *stillOpen = dialog->isVisible();
        if (dialog->isVisible())
            dialog->reject();
    });
    poll->start(10);
}
