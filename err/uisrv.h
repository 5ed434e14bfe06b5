// The few user-interface services that library code needs: a message box,
// letting the user interface breathe during long work, and a beep. The GUI
// installs its own implementation; without one, messages go to stderr.
#pragma once

class clBasicErr;

class clUiServices {
public:
    virtual ~clUiServices() = default;
    // Shows text under caption with the buttons of option (erOpt… bits) and
    // returns the id of the button chosen (erId…).
    virtual int MessageBox(const char* text, const char* caption, unsigned char option) = 0;
    // Shows an error record in the error dialog (its caption, icon and buttons
    // follow the record) and returns the id of the button pressed.
    virtual int ShowError(const clBasicErr& err) = 0;
    // Dispatches pending window messages; nothing to do without a GUI.
    virtual void PumpMessages() {}
    virtual void Beep() {}
};

// Prints "caption: text" to stderr. A message box answers with its first
// button; an error record with the answer set for it, by default Abort (3),
// the answer of a manager that shows nothing.
class clConsoleUi : public clUiServices {
public:
    int MessageBox(const char* text, const char* caption, unsigned char option) override;
    int ShowError(const clBasicErr& err) override;
    void Beep() override;
    void SetErrorAnswer(int id) { m_iErrorAnswer = id; }

private:
    int m_iErrorAnswer = 3;
};

// The services in use (the console ones until a program installs others).
clUiServices& QkUi();
// Installs services (not owned); null goes back to the console ones.
void QkSetUi(clUiServices* services);

// The id of the first button offered by option, in the dialog's order
// (Ok, Ignore, Retry, Yes, No, Cancel, Abort); Ok when none is offered.
int QkFirstButton(unsigned char option);
