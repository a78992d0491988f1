// Kavconv's one dialog: two read-only path boxes, the buttons that choose the
// legacy motion file and the part list, and "合成", which converts and asks
// where the choreography file goes. Controls carry their ids as object names
// ("1001", "1002", "1", "1003", "1004").
//
// Every question goes through the prompter (prompter.h). The dialog ends, and
// with it the program, on Esc, on the close box and after a wrong file type.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kavconv {

enum : int {
    IDC_TEXTPATH = 1001,
    IDC_PRTPATH = 1002,
    IDC_GOUSEI = 1,
    IDC_TEXTOPEN = 1003,
    IDC_PRTOPEN = 1004,
};

class ConvDialog : public QDialog {
public:
    explicit ConvDialog(QWidget* parent = nullptr);

    // A command from control `id`, as the buttons send them.
    void DialogProc1(int id);

    // Esc and the close box: the dialog always ends with 0.
    void reject() override;

private:
    void ChooseInput(bool text);
    void Gousei();

    QLineEdit* edit1001_;
    QLineEdit* edit1002_;
};

}  // namespace kavconv
